// The run panel: the rule table of the car the program built, coloured by how
// often each rule fired since the course was opened, the readouts of the last
// tick, the stop in words, the overlays over the view and the breakpoints.
// Every figure comes from the program (its snapshot, once a frame); what the
// panel shows is a function of that snapshot alone, so a kept snapshot shows
// its tick again.

const kRuleStates = 20;
const kRuleMasks = 8;
const kLeftBit = 1;
const kRightBit = 2;
const kCentreBit = 4;
// The path's colour in the program's pixels (0xFFRRGGBB): magenta.
const kPathPixel = 0xffff00ff;

const panel = {
  rules: null, // { rules: [160 texts], set: [160 flags] } of the running car
  snapshot: { opened: false },
  selected: null, // { state, mask }
  ruleBreaks: new Set(), // cell indexes
  stateBreaks: new Set(), // states 1..20
  breakVersion: 1,
  breakFlags: new Uint8Array(kRuleStates * kRuleMasks + kRuleStates),
  path: null, // ImageData of the path over the view, or null
};

const cellIndex = (state, mask) => (state - 1) * kRuleMasks + mask;
const ruleKey = (state, mask) => `${state}-${mask}`;
const fill = (text, values) =>
  Object.entries(values).reduce((t, [name, value]) => t.replaceAll(`{${name}}`, value), text);

// Three lamps, left, centre and right, lit for the mask's bits (1 left,
// 2 right, 4 centre: not in binary order).
function lamps(mask) {
  const holder = document.createElement('span');
  holder.className = 'lamps';
  for (const bit of [kLeftBit, kCentreBit, kRightBit]) {
    const lamp = document.createElement('span');
    lamp.className = mask & bit ? 'lamp on' : 'lamp';
    holder.append(lamp);
  }
  return holder;
}

function maskName(mask) {
  const lamp = (bit) => (mask & bit ? words.panelLampOn : words.panelLampOff);
  return fill(words.panelMaskName, {
    mask,
    left: lamp(kLeftBit),
    centre: lamp(kCentreBit),
    right: lamp(kRightBit),
  });
}

// --- The grid --------------------------------------------------------------

const grid = $('#rule-grid');
const cells = []; // by cellIndex

function buildGrid() {
  const head = document.createElement('tr');
  const corner = document.createElement('th');
  corner.textContent = words.panelGridCorner;
  head.append(corner);
  for (let m = 0; m < kRuleMasks; ++m) {
    const th = document.createElement('th');
    th.setAttribute('role', 'columnheader');
    th.setAttribute('aria-label', maskName(m));
    th.title = maskName(m);
    th.append(lamps(m));
    head.append(th);
  }
  const thead = document.createElement('thead');
  thead.append(head);
  const tbody = document.createElement('tbody');
  for (let s = 1; s <= kRuleStates; ++s) {
    const row = document.createElement('tr');
    const th = document.createElement('th');
    th.setAttribute('role', 'rowheader');
    th.textContent = s;
    row.append(th);
    for (let m = 0; m < kRuleMasks; ++m) {
      const td = document.createElement('td');
      td.setAttribute('role', 'gridcell');
      td.id = `rule-${s}-${m}`;
      td.dataset.state = s;
      td.dataset.mask = m;
      td.tabIndex = s === 1 && m === 0 ? 0 : -1;
      cells[cellIndex(s, m)] = td;
      row.append(td);
    }
    tbody.append(row);
  }
  grid.append(thead, tbody);
}
buildGrid();

// The rules of the car the program built, as the program wrote them; called
// after each start of the program.
function refreshPanelRules() {
  const rules = panel.rules;
  for (let s = 1; s <= kRuleStates; ++s) {
    for (let m = 0; m < kRuleMasks; ++m) {
      const i = cellIndex(s, m);
      cells[i].textContent = rules?.rules[i] ?? '';
    }
  }
  showRuleUsage();
  showCounts();
}

// The counts' colour: darker with each doubling of the count, so that a
// rule used once still shows and a cell's colour changes only when its count
// crosses a power of two.
function heat(count) {
  if (count === 0) return '';
  const level = Math.min(9, Math.floor(Math.log2(count)));
  return `hsl(35, 100%, ${88 - level * 5}%)`;
}

// What each cell shows now: at full speed the panel is shown once a frame,
// and only the cells that changed are touched.
const shownCells = [];

function showCounts() {
  const snap = panel.snapshot;
  const counts = snap.opened ? snap.counts : null;
  const framed = snap.opened && snap.applied ? cellIndex(...snap.applied) : -1;
  for (let i = 0; i < cells.length; ++i) {
    const cell = cells[i];
    const shown = {
      count: counts ? counts[i] : 0,
      mark: counts ? snap.marks[i] : panel.rules?.set[i] ? 'N' : '.',
      framed: i === framed,
      brk: panel.ruleBreaks.has(i),
      text: cell.textContent,
    };
    const was = shownCells[i];
    if (was && Object.keys(shown).every((k) => was[k] === shown[k])) continue;
    shownCells[i] = shown;
    const { count, mark } = shown;
    cell.dataset.count = count;
    cell.dataset.mark = mark;
    cell.style.backgroundColor = heat(count);
    cell.classList.toggle('applied', shown.framed);
    cell.classList.toggle('break', shown.brk);
    const s = Math.floor(i / kRuleMasks) + 1;
    const m = i % kRuleMasks;
    const parts = [
      fill(words.panelCellName, { state: s, mask: m, rule: shown.text || words.panelCellEmpty }),
      fill(words.panelCellCount, { count }),
    ];
    if (mark === 'E') parts.push(words.panelMarkE);
    if (mark === 'N') parts.push(words.panelMarkN);
    if (shown.brk) parts.push(words.panelBreakpoints);
    cell.setAttribute('aria-label', parts.join('、'));
  }
}

function showRuleUsage() {
  const usage = $('#rule-usage');
  const at = panel.selected;
  if (!at) {
    usage.textContent = '';
    return;
  }
  const i = cellIndex(at.state, at.mask);
  const snap = panel.snapshot;
  const count = snap.opened ? snap.counts[i] : 0;
  const key = ruleKey(at.state, at.mask);
  usage.textContent =
    count === 0
      ? fill(words.panelUsageNever, { key })
      : fill(words.panelUsage, { key, count, first: snap.firsts[i] });
}

// Selects a cell: shows how often and from which tick its rule fired, and
// lets the rule's editor show its half.
function selectRule(state, mask) {
  for (const cell of cells) {
    cell.setAttribute('aria-selected', 'false');
    cell.tabIndex = -1;
  }
  const cell = cells[cellIndex(state, mask)];
  cell.setAttribute('aria-selected', 'true');
  cell.tabIndex = 0;
  panel.selected = { state, mask };
  $('#break-rule-add').disabled = false;
  showRuleUsage();
  if (typeof showRuleDetail === 'function') showRuleDetail(state, mask);
}

function clearRuleSelection() {
  for (const cell of cells) cell.setAttribute('aria-selected', 'false');
  panel.selected = null;
  $('#break-rule-add').disabled = true;
  showRuleUsage();
  if (typeof showRuleDetail === 'function') showRuleDetail(null, null);
}

grid.addEventListener('click', (event) => {
  const cell = event.target.closest('td[role=gridcell]');
  if (!cell) return;
  selectRule(Number(cell.dataset.state), Number(cell.dataset.mask));
  cell.focus();
});

grid.addEventListener('keydown', (event) => {
  const cell = event.target.closest('td[role=gridcell]');
  if (!cell) return;
  let s = Number(cell.dataset.state);
  let m = Number(cell.dataset.mask);
  switch (event.key) {
    case 'ArrowUp':
      s = Math.max(1, s - 1);
      break;
    case 'ArrowDown':
      s = Math.min(kRuleStates, s + 1);
      break;
    case 'ArrowLeft':
      m = Math.max(0, m - 1);
      break;
    case 'ArrowRight':
      m = Math.min(kRuleMasks - 1, m + 1);
      break;
    case 'Home':
      m = 0;
      break;
    case 'End':
      m = kRuleMasks - 1;
      break;
    case 'Enter':
      selectRule(s, m);
      if (typeof editRuleAt === 'function') editRuleAt(s, m);
      event.preventDefault();
      return;
    case 'Escape':
      clearRuleSelection();
      event.preventDefault();
      return;
    default:
      return;
  }
  event.preventDefault();
  selectRule(s, m);
  cells[cellIndex(s, m)].focus();
});

// --- Readouts and the stop -------------------------------------------------

const degrees = (radians) => ((Number(radians) * 180) / Math.PI).toFixed(3);

function setReadout(id, text, value = text) {
  const out = $(id);
  out.textContent = text;
  out.dataset.value = value;
}

// Why the run is at rest here: the car's stop, or a breakpoint that fired on
// this tick.
function stopText(snap) {
  if (snap.stop) {
    const stop = snap.stop;
    const values = {
      tick: stop.tick,
      state: stop.state,
      mask: stop.mask,
      key: stop.mask >= 0 ? ruleKey(stop.state, stop.mask) : '',
      turn: stop.turn,
      advance: stop.advance,
      next: stop.next,
    };
    const text = {
      noRules: words.panelStopNoRules,
      notSet: words.panelStopNotSet,
      toZero: words.panelStopToZero,
      noRowNext: words.panelStopNoRowNext,
    }[stop.code];
    return fill(text, values);
  }
  if (!snap.applied || document.body.dataset.state === 'running') return '';
  const [s, m] = snap.applied;
  if (panel.ruleBreaks.has(cellIndex(s, m))) {
    return fill(words.panelStopBreakRule, { tick: snap.tick, key: ruleKey(s, m) });
  }
  if (snap.state !== s && panel.stateBreaks.has(snap.state)) {
    return fill(words.panelStopBreakState, { tick: snap.tick, state: snap.state });
  }
  return '';
}

function showReadouts() {
  const snap = panel.snapshot;
  if (!snap.opened) {
    for (const id of ['tick', 'state', 'rule', 'x', 'y', 'heading']) setReadout(`#panel-${id}`, '');
    $('#panel-mask').replaceChildren();
    $('#panel-mask').dataset.value = '';
    $('#panel-stop-reason').textContent = '';
    return;
  }
  setReadout('#panel-tick', String(snap.tick));
  setReadout('#panel-state', String(snap.state));
  const mask = $('#panel-mask');
  if (mask.dataset.value !== String(snap.mask)) {
    mask.replaceChildren(lamps(snap.mask));
    mask.dataset.value = snap.mask;
    mask.title = maskName(snap.mask);
  }
  const applied = snap.applied && ruleKey(...snap.applied);
  setReadout('#panel-rule', !applied ? '' : snap.rule ? `${applied}=${snap.rule}` : `${applied} (${words.panelCellEmpty})`);
  setReadout('#panel-x', snap.x);
  setReadout('#panel-y', snap.y);
  setReadout('#panel-heading', degrees(snap.direction), snap.direction);
  $('#panel-stop-reason').textContent = stopText(snap);
}

function showPanel() {
  showReadouts();
  showCounts();
  showRuleUsage();
  drawOverlay();
}

// The run at rest says why it stopped: a breakpoint is known once the run
// has ended.
new MutationObserver(() => {
  if (panelShown()) $('#panel-stop-reason').textContent = stopText(panel.snapshot);
}).observe(document.body, { attributes: true, attributeFilter: ['data-state'] });

// --- Overlays ---------------------------------------------------------------

const overlay = $('#overlay');
const overlayContext = overlay.getContext('2d');

function drawOverlay() {
  overlayContext.clearRect(0, 0, overlay.width, overlay.height);
  if (!overlaysShown()) return;
  if (panel.path) overlayContext.putImageData(panel.path, 0, 0);
  const snap = panel.snapshot;
  overlay.dataset.probes = snap.opened ? JSON.stringify(snap.probes) : '[]';
  if (!snap.opened) return;
  // Each probe point: its pixel in a ring of two, filled where it is on the
  // line.
  for (const [x, y, on] of snap.probes) {
    if (x === null || y === null) continue;
    overlayContext.fillStyle = '#000';
    overlayContext.fillRect(x - 2, y - 2, 5, 5);
    overlayContext.fillStyle = on ? '#ffff00' : '#00ffff';
    overlayContext.fillRect(x - 1, y - 1, 3, 3);
    if (!on) overlayContext.clearRect(x, y, 1, 1);
  }
}

// Only the path's own pixels go over the view.
function takePath(pixels, width, height) {
  const image = panel.path ?? new ImageData(width, height);
  const out = new Uint32Array(image.data.buffer);
  const source = new Uint32Array(pixels.buffer, pixels.byteOffset, width * height);
  for (let i = 0; i < source.length; ++i) {
    out[i] = source[i] === kPathPixel ? 0xffff00ff : 0;
  }
  panel.path = image;
}

const overlaysShown = () => $('#panel-overlays').checked;
const panelShown = () => $('#panel-updates').checked;

$('#panel-overlays').addEventListener('change', () => {
  overlay.hidden = !overlaysShown();
  if (!overlaysShown()) panel.path = null;
  drawOverlay();
});
$('#panel-updates').addEventListener('change', () => {
  $('#panel-body').hidden = !panelShown();
});

// On a narrow screen the window is scaled down to the width, or shown one to
// one on request.
$('#one-to-one').addEventListener('change', () => {
  document.body.classList.toggle('one-to-one', $('#one-to-one').checked);
});

// --- Breakpoints -----------------------------------------------------------

function breakpointsChanged() {
  panel.breakFlags.fill(0);
  for (const i of panel.ruleBreaks) panel.breakFlags[i] = 1;
  for (const s of panel.stateBreaks) panel.breakFlags[kRuleStates * kRuleMasks + s - 1] = 1;
  ++panel.breakVersion;
  const list = $('#breakpoints');
  list.replaceChildren();
  const item = (text, remove, id) => {
    const li = document.createElement('li');
    li.id = id;
    const label = document.createElement('span');
    label.textContent = text;
    const button = document.createElement('button');
    button.textContent = words.panelBreakRemove;
    button.setAttribute('aria-label', fill(words.panelBreakRemoveName, { item: text }));
    button.addEventListener('click', () => {
      remove();
      breakpointsChanged();
    });
    li.append(label, ' ', button);
    list.append(li);
  };
  for (const i of [...panel.ruleBreaks].sort((a, b) => a - b)) {
    const s = Math.floor(i / kRuleMasks) + 1;
    const m = i % kRuleMasks;
    item(fill(words.panelBreakRuleItem, { key: ruleKey(s, m) }), () => panel.ruleBreaks.delete(i), `break-rule-${s}-${m}`);
  }
  for (const s of [...panel.stateBreaks].sort((a, b) => a - b)) {
    item(fill(words.panelBreakStateItem, { state: s }), () => panel.stateBreaks.delete(s), `break-state-${s}`);
  }
  showCounts();
}

$('#break-rule-add').addEventListener('click', () => {
  if (!panel.selected) return;
  panel.ruleBreaks.add(cellIndex(panel.selected.state, panel.selected.mask));
  breakpointsChanged();
});
$('#break-state-add').addEventListener('click', () => {
  const s = $('#break-state').valueAsNumber;
  if (!Number.isInteger(s) || s < 1 || s > kRuleStates) return;
  panel.stateBreaks.add(s);
  breakpointsChanged();
});

// --- Start, Stop and the course -------------------------------------------

// The buttons beside the speed give the menu's own commands, under the
// menu's own captions.
for (const id of ['#run-start', '#run-stop']) {
  $(id).addEventListener('click', () => runItem($(id).dataset.name));
}
function captionButtons() {
  for (const id of ['#run-start', '#run-stop']) {
    const item = menubar.querySelector(`[role=menu] [data-name="${$(id).dataset.name}"]`);
    $(id).textContent = item?.textContent ?? '';
  }
}

// The course the window shows: its file's name.
let panelCourse = '';
function showPanelCourse(path) {
  panelCourse = path;
  $('#panel-course').textContent = path ? path.slice(path.lastIndexOf('/') + 1) : words.panelNoCourse;
}
showPanelCourse('');

// The language changed: what the panel wrote, in the new words (the cells'
// names and the lamps' name are written again, not only those that changed).
document.addEventListener('words-changed', () => {
  showPanelCourse(panelCourse);
  shownCells.length = 0;
  $('#panel-mask').dataset.value = '';
  showPanel();
});

// --- The program's side ------------------------------------------------------

// What the program's imports call for the panel (see page_imports.js).
function panelImports(dead) {
  return {
    panelShown,
    overlaysShown,
    panel(text) {
      if (dead()) return;
      panel.snapshot = JSON.parse(text);
      showPanel();
    },
    panelRules(text) {
      if (dead()) return;
      panel.rules = JSON.parse(text);
      panel.snapshot = { opened: false };
      captionButtons();
      showPanelCourse('');
      refreshPanelRules();
      showPanel();
    },
    panelPath(pixels, width, height) {
      if (dead()) return;
      takePath(pixels, width, height);
      drawOverlay();
    },
    breakpoints: () => ({ version: panel.breakVersion, flags: panel.breakFlags }),
  };
}
