// The window as a user meets it first: the menu bar of the core's table, by
// mouse and by keyboard, and the boxes, dismissed by keyboard too.
import assert from 'node:assert/strict';
import { it } from 'node:test';
import { coreTexts, shownText } from './support/core_texts.js';
import { describePage } from './support/suite.js';

const texts = coreTexts();

// The table as the page must show it: a separator has no caption.
const wantedMenus = texts.menus.map((menu) => ({
  name: menu.name,
  caption: menu.caption,
  entries: menu.entries.map((e) =>
    e.kind === 'separator' ? { kind: 'separator' } : { kind: 'item', name: e.name, caption: e.caption },
  ),
}));

describePage('the window', (get) => {
  const page = () => get().session.page;

  it('shows the menu bar of the core table, each menu closed until opened', async () => {
    const shown = await page().$eval('#menubar', (bar) => {
      const tops = [...bar.querySelectorAll('[role=menuitem]')].filter((b) => !b.closest('[role=menu]'));
      return {
        role: bar.getAttribute('role'),
        menus: tops.map((top) => {
          const popup = document.querySelector(`[role=menu][data-menu="${top.dataset.name}"]`);
          return {
            name: top.dataset.name,
            caption: top.textContent.trim(),
            hasPopup: top.getAttribute('aria-haspopup'),
            popupShown: popup?.checkVisibility() ?? null,
            entries: [...(popup?.querySelectorAll('[role=menuitem], [role=separator]') ?? [])].map((e) =>
              e.getAttribute('role') === 'separator'
                ? { kind: 'separator' }
                : { kind: 'item', name: e.dataset.name, caption: e.textContent.trim() },
            ),
          };
        }),
      };
    });
    assert.equal(shown.role, 'menubar');
    assert.deepEqual(
      shown.menus.map(({ name, caption, entries }) => ({ name, caption, entries })),
      wantedMenus,
    );
    for (const menu of shown.menus) {
      assert.equal(menu.hasPopup, 'menu', menu.name);
      assert.equal(menu.popupShown, false, `${menu.name} open before any click`);
    }
  });

  it('runs About by mouse: its modal box with the core texts and one OK', async () => {
    const { session } = get();
    await session.clickMenu('About1', 'About2');
    const box = await session.waitForBox();
    assert.deepEqual(box, {
      caption: texts.aboutCaption,
      text: shownText(texts.aboutText),
      answers: ['ok'],
      modal: true,
    });
    await session.answerBox('ok');
    assert.equal(await session.isShown(session.popup('About1')), false, 'the menu closes with its command');
    assert.equal(await session.state(), 'idle');
  });

  it('moves through the menus by keyboard, skipping separators, and Escape closes', async () => {
    const { session } = get();
    const keys = page().keyboard;
    const focused = () => session.focusedName();
    for (const opener of ['F10', 'Alt']) {
      await page().evaluate(() => document.activeElement?.blur());
      await keys.press(opener);
      assert.equal(await focused(), texts.menus[0].name, `${opener} focuses the first menu`);
    }
    const names = texts.menus.map((m) => m.name);
    for (const name of names.slice(1)) {
      await keys.press('ArrowRight');
      assert.equal(await focused(), name);
    }
    for (const name of names.slice(0, -1).reverse()) {
      await keys.press('ArrowLeft');
      assert.equal(await focused(), name);
    }
    // Down through the first menu: every item in order, never a separator.
    const first = texts.menus[0];
    const items = first.entries.filter((e) => e.kind === 'item').map((e) => e.name);
    await keys.press('ArrowDown');
    assert.equal(await session.isShown(session.popup(first.name)), true);
    assert.equal(await focused(), items[0]);
    for (const item of items.slice(1)) {
      await keys.press('ArrowDown');
      assert.equal(await focused(), item);
    }
    for (const item of items.slice(0, -1).reverse()) {
      await keys.press('ArrowUp');
      assert.equal(await focused(), item);
    }
    await keys.press('Escape');
    assert.equal(await session.isShown(session.popup(first.name)), false);
    assert.equal(await session.state(), 'idle');
    assert.deepEqual(await session.boxesSeen(), [{ caption: texts.aboutCaption, text: shownText(texts.aboutText) }]);
  });

  it('runs commands by keyboard and dismisses their boxes with Enter', async () => {
    const { session } = get();
    const keys = page().keyboard;
    // 開始 before any course asks for one: Enter opens the menu, Enter runs
    // its first item, Enter answers the box. About the same with Space.
    const cases = [
      { menu: 'N2', item: 'N3', key: 'Enter', caption: texts.applicationTitle, text: texts.noCourse },
      { menu: 'About1', item: 'About2', key: ' ', caption: texts.aboutCaption, text: texts.aboutText },
    ];
    for (const { menu, item, key, caption, text } of cases) {
      await page().evaluate(() => document.activeElement?.blur());
      await keys.press('F10');
      for (let i = texts.menus.findIndex((m) => m.name === menu); i > 0; --i) {
        await keys.press('ArrowRight');
      }
      assert.equal(await session.focusedName(), menu);
      await keys.press(key);
      assert.equal(await session.focusedName(), item);
      await keys.press(key);
      const box = await session.waitForBox();
      assert.deepEqual([box.caption, box.text, box.answers], [caption, shownText(text), ['ok']], item);
      await keys.press('Enter');
      await session.waitForBoxClosed();
      assert.equal(await session.state(), 'idle');
    }
  });

  it('keeps the file chooser to BMP files, and a cancel before any course opens nothing', async () => {
    const { session } = get();
    const chooser = await session.chooseCourse(null);
    assert.deepEqual(chooser, { accept: '.bmp', multiple: false });
    // Still no course: 開始 asks for one, and that is the first box since.
    const before = (await session.boxesSeen()).length;
    await session.clickMenu('N2', 'N3');
    const box = await session.waitForBox();
    assert.deepEqual([box.caption, box.text], [texts.applicationTitle, texts.noCourse]);
    await session.answerBox('ok');
    assert.equal((await session.boxesSeen()).length, before + 1);
    assert.equal(await session.status(), '');
  });
});
