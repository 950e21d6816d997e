// Drives the page in Debian's headless Chromium as a user meets it: menus by
// mouse and keyboard, the file chooser, the panel. Every wait is on the page's
// own state (body's data-state, the status line, the box), never on time.
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';
import { webDir } from './paths.js';

const kChromium = process.env.ORMAKIN_CHROMIUM ?? '/usr/bin/chromium';
// ORMAKIN_WEB_BROWSER=firefox runs the same checks in Debian's firefox-esr,
// driven over WebDriver BiDi.
const kFirefox = process.env.ORMAKIN_WEB_BROWSER === 'firefox';
const kFirefoxPath = process.env.ORMAKIN_FIREFOX ?? '/usr/bin/firefox-esr';

// Installed before the page's own scripts: logs every state the body passes
// through (a run at full speed may start and end between two looks) and
// every box that opens.
function watchPage() {
  const log = { states: [], boxes: [] };
  Object.defineProperty(window, '__ormakinTestLog', { value: log });
  new MutationObserver((records) => {
    for (const r of records) {
      const el = r.target;
      if (r.attributeName === 'data-state' && el === document.body && r.oldValue !== null) {
        log.states.push(r.oldValue);
      } else if (r.attributeName === 'open' && el.id === 'box' && r.oldValue === null && el.open) {
        log.boxes.push({
          caption: el.querySelector('.caption')?.textContent,
          text: el.querySelector('.text')?.textContent,
        });
      }
    }
  }).observe(document, {
    subtree: true,
    attributes: true,
    attributeOldValue: true,
    attributeFilter: ['data-state', 'open'],
  });
}

export class PageSession {
  // The page's own words are in `lang` ("lang" query parameter), English
  // (the tool's words, which the page's lint must equal) unless asked
  // otherwise, whatever the browser's language; null leaves the choice to
  // the page.
  static async open(file = 'ormakin.html', { lang = 'en' } = {}) {
    const session = new PageSession();
    await session.#launch(join(webDir, file), lang);
    return session;
  }

  consoleErrors = [];
  requests = [];

  async #launch(path, lang) {
    const trace = (what) => process.env.ORMAKIN_WEB_TRACE && console.error(`launch: ${what}`);
    this.profile = mkdtempSync(join(tmpdir(), 'ormakin-web-'));
    const args = [
      '--disable-gpu',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ];
    if (process.getuid?.() === 0) {
      args.push('--no-sandbox');
    }
    this.browser = await puppeteer.launch({
      ...(kFirefox
        ? { browser: 'firefox', executablePath: kFirefoxPath, args: [] }
        : { executablePath: kChromium, args }),
      headless: true,
      userDataDir: this.profile,
      timeout: 0,
      protocolTimeout: 0,
    });
    trace('browser started');
    const page = (this.page = await this.browser.newPage());
    trace('page opened');
    page.setDefaultTimeout(0);
    const url = pathToFileURL(path);
    if (lang) url.searchParams.set('lang', lang);
    this.url = url.href;
    page.on('console', (msg) => {
      if (msg.type() === 'error' || msg.type() === 'assert') {
        this.consoleErrors.push(msg.text());
      }
    });
    // An uncaught error ends the program in the page: every wait fails with
    // it rather than wait for a state that cannot come.
    let crash;
    this.crashed = new Promise((_, reject) => (crash = reject));
    this.crashed.catch(() => {});
    page.on('pageerror', (error) => {
      this.consoleErrors.push(`page error: ${error.message}`);
      crash(new Error(`the page failed: ${error.stack ?? error.message}`));
    });
    page.on('request', (request) => {
      const url = request.url();
      if (url !== this.url && !url.startsWith('data:') && !url.startsWith('blob:')) {
        this.requests.push(url);
      }
    });
    await page.evaluateOnNewDocument(watchPage);
    trace('watching');
    await page.goto(this.url);
    trace('loaded');
    await this.waitForState('idle');
  }

  async close() {
    await this.browser?.close();
    rmSync(this.profile, { recursive: true, force: true });
  }

  // --- State -------------------------------------------------------------

  state() {
    return this.page.evaluate(() => document.body.dataset.state);
  }

  async waitForState(state) {
    await this.waitFor((s) => document.body?.dataset.state === s, state);
  }

  // A mark in the log of states, for waitForPassage.
  mark() {
    return this.page.evaluate(() => window.__ormakinTestLog.states.length);
  }

  // Waits until the body has passed through `through` since `mark` and is
  // now in `state`.
  async waitForPassage(mark, through, state) {
    await this.waitFor(
      (m, t, s) =>
        document.body.dataset.state === s && window.__ormakinTestLog.states.slice(m).includes(t),
      mark,
      through,
      state,
    );
  }

  // Every box opened so far: { caption, text }.
  boxesSeen() {
    return this.page.evaluate(() => window.__ormakinTestLog.boxes);
  }

  status() {
    return this.page.$eval('#status', (o) => o.value);
  }

  // Waits until `fn(...args)`, run in the page, is true (checked at every
  // animation frame).
  // ORMAKIN_WEB_TRACE=1 names each wait on standard error, to find where a
  // page that never gets there stopped.
  async waitFor(fn, ...args) {
    if (process.env.ORMAKIN_WEB_TRACE) {
      console.error(`waiting for ${fn.toString().replace(/\s+/g, ' ')} ${JSON.stringify(args)}`);
    }
    await Promise.race([this.page.waitForFunction(fn, { timeout: 0 }, ...args), this.crashed]);
  }

  // Waits until the lint has answered for the settings text now in the editor.
  async waitForLint() {
    await this.waitFor(() => document.querySelector('#lint').getAttribute('aria-busy') === 'false');
  }

  async waitForStatus(want) {
    await this.waitFor((w) => document.querySelector('#status').value === w, want);
  }

  // --- The menus ---------------------------------------------------------

  topItem(menu) {
    return `#menubar [role=menuitem][data-name="${menu}"]`;
  }

  popup(menu) {
    return `[role=menu][data-menu="${menu}"]`;
  }

  item(menu, item) {
    return `${this.popup(menu)} [role=menuitem][data-name="${item}"]`;
  }

  async isShown(selector) {
    return this.page.$eval(selector, (el) => el.checkVisibility());
  }

  // Opens a menu and clicks one of its items with the mouse.
  async clickMenu(menu, item) {
    await this.page.click(this.topItem(menu));
    await this.page.waitForSelector(this.item(menu, item), { visible: true, timeout: 0 });
    await this.page.click(this.item(menu, item));
  }

  // The data-name of the focused element.
  focusedName() {
    return this.page.evaluate(() => document.activeElement?.dataset.name ?? null);
  }

  // --- Boxes ---------------------------------------------------------------

  // Waits for the box and reads it: { caption, text, answers }.
  async waitForBox() {
    await this.waitFor(() => document.querySelector('#box')?.open);
    return this.page.$eval('#box', (box) => ({
      caption: box.querySelector('.caption').textContent,
      text: box.querySelector('.text').textContent,
      answers: [...box.querySelectorAll('button[data-answer]')].map((b) => b.dataset.answer),
      modal: box.matches(':modal'),
    }));
  }

  // Waits until the box is open and at least `n` boxes have opened in all,
  // or the program rests with no box; returns how many boxes have opened.
  async waitForBoxCountOrRest(n) {
    await this.waitFor(
      (want) =>
        document.querySelector('#box').open
          ? window.__ormakinTestLog.boxes.length >= want
          : document.body.dataset.state === 'idle',
      n,
    );
    return this.page.evaluate(() => window.__ormakinTestLog.boxes.length);
  }

  async waitForBoxClosed() {
    await this.waitFor(() => !document.querySelector('#box').open);
  }

  async answerBox(answer) {
    await this.page.click(`#box button[data-answer="${answer}"]`);
    await this.waitForBoxClosed();
  }

  // Runs ヘルプ → About... and dismisses its box. The program takes commands
  // in order, so once the About box shows, every command before it is done;
  // a box that opens first instead is a failure, named in the error.
  async settle(aboutCaption) {
    await this.clickMenu('About1', 'About2');
    const box = await this.waitForBox();
    if (box.caption !== aboutCaption) {
      throw new Error(`a box opened before About: ${box.caption}: ${box.text}`);
    }
    await this.answerBox('ok');
  }

  // 終了, then a new start: a fresh program (a car in its first state).
  async restart() {
    await this.clickMenu('File1', 'Exit1');
    await this.waitForState('ended');
    const mark = await this.mark();
    await this.page.click('#restart');
    await this.waitForPassage(mark, 'starting', 'idle');
  }

  // The tick count of the status line (-1 while it is empty).
  async ticks() {
    const m = /^ticks=(\d+) /.exec(await this.status());
    return m ? Number(m[1]) : -1;
  }

  // --- Courses and runs ----------------------------------------------------

  // Clicks a bundled sample; `settle` after it to know it is open.
  async clickSample(name) {
    await this.page.click(`#samples [data-sample="${name}"]`);
  }

  // Runs 開く... and answers the file chooser with `path`, or cancels it
  // when `path` is null. Returns what the chooser offers: its accept list and
  // whether it takes several files.
  async chooseCourse(path) {
    await this.page.click(this.topItem('File1'));
    await this.page.waitForSelector(this.item('File1', 'Open1'), { visible: true, timeout: 0 });
    const [chooser] = await Promise.race([
      Promise.all([
        this.page.waitForFileChooser({ timeout: 0 }),
        this.page.click(this.item('File1', 'Open1')),
      ]),
      this.crashed,
    ]);
    const accept = await this.page.$eval('#course-file', (input) => input.accept);
    if (path === null) {
      await chooser.cancel();
    } else {
      await chooser.accept([path]);
    }
    return { accept, multiple: chooser.isMultiple() };
  }

  // Sets a field as typing into it does, with its input and change events.
  async setField(selector, value) {
    await this.page.$eval(
      selector,
      (el, v) => {
        el.value = v;
        el.dispatchEvent(new Event('input', { bubbles: true }));
        el.dispatchEvent(new Event('change', { bubbles: true }));
      },
      value,
    );
  }

  async setSpeed(speed) {
    await this.page.select('#speed', speed);
  }

  // 実行 → 開始 at full speed up to the tick; returns the status line once
  // the run has ended there (or earlier, where the car stopped). A run that
  // ends within one animation frame never shows "running", so the end is
  // known by the status line at rest.
  async runToTick(tick) {
    await this.setSpeed('full');
    await this.setField('#stop-tick', String(tick));
    await this.clickMenu('N2', 'N3');
    await this.waitFor((t) => {
      const m = /^ticks=(\d+) stopped=(yes|no) /.exec(document.querySelector('#status').value);
      return document.body.dataset.state === 'idle' && m && (Number(m[1]) === t || m[2] === 'yes');
    }, tick);
    return this.status();
  }

  // Starts a run and returns once it is under way.
  async startRun() {
    const mark = await this.mark();
    await this.clickMenu('N2', 'N3');
    await this.waitFor(
      (m) =>
        document.body.dataset.state === 'running' ||
        window.__ormakinTestLog.states.slice(m).includes('running'),
      mark,
    );
  }

  // The pixels of a canvas as RGBA bytes, copied through a 2d canvas of the
  // same size, whatever context the page draws with.
  async canvasPixels(selector) {
    const { width, height, data } = await this.page.$eval(selector, (canvas) => {
      const copy = document.createElement('canvas');
      copy.width = canvas.width;
      copy.height = canvas.height;
      const ctx = copy.getContext('2d', { willReadFrequently: true });
      ctx.drawImage(canvas, 0, 0);
      const pixels = ctx.getImageData(0, 0, copy.width, copy.height).data;
      let binary = '';
      for (let i = 0; i < pixels.length; i += 0x8000) {
        binary += String.fromCharCode(...pixels.subarray(i, i + 0x8000));
      }
      return { width: copy.width, height: copy.height, data: btoa(binary) };
    });
    return { width, height, rgba: Buffer.from(data, 'base64') };
  }

  // What clicking `selector` hands out as a download: the file's name and
  // bytes, taken from the link the page makes (nothing reaches the disk), or
  // null when the click offers no file.
  async savedFile(selector) {
    const saved = await this.page.$eval(selector, async (button) => {
      const blobs = new Map();
      const createObjectURL = URL.createObjectURL;
      const click = HTMLAnchorElement.prototype.click;
      let link = null;
      URL.createObjectURL = (blob) => {
        const url = createObjectURL.call(URL, blob);
        blobs.set(url, blob);
        return url;
      };
      HTMLAnchorElement.prototype.click = function () {
        link = { name: this.download, blob: blobs.get(this.href) };
      };
      try {
        button.click();
      } finally {
        URL.createObjectURL = createObjectURL;
        HTMLAnchorElement.prototype.click = click;
      }
      if (!link?.blob) return null;
      const bytes = new Uint8Array(await link.blob.arrayBuffer());
      let binary = '';
      for (let i = 0; i < bytes.length; i += 0x8000) {
        binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
      }
      return { name: link.name, data: btoa(binary) };
    });
    return saved && { name: saved.name, bytes: Buffer.from(saved.data, 'base64') };
  }

  // What must never happen in a whole test: a console error, a request.
  problems() {
    return { consoleErrors: this.consoleErrors, requests: this.requests };
  }
}
