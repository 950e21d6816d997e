// One rule of the table in detail: the line of the settings text the
// program reads it from, the lint's findings on that line, and an edit that
// changes that line only. Where the line is and how it is rewritten come
// from the core's own reading of the settings (studies_rule_line and
// studies_rule_edit), never from a reading of the text here.

const ruleDetail = $('#rule-detail');
let ruleShown = null; // { state, mask, number, text, parts } of the rule shown
let ruleReturnFocus = null; // where Escape in the edit form goes back to
let ruleRefusal = null; // why the last write was refused, in the words now chosen
const kRuleFields = ['rule-turn', 'rule-advance', 'rule-next'];

// The rule's line in the editor's text as it is now.
async function ruleLineOf(state, mask) {
  const module = await studies();
  module.FS.writeFile('/study/edit.ini', settings.value);
  const number = module._studies_rule_line(state, mask);
  const answer = output(module);
  if (number < 0) throw new Error(answer);
  const [text, ...parts] = answer.split('\n');
  return { state, mask, number, text, parts: parts.length >= 3 ? parts.slice(0, 3) : null };
}

function ruleElement(tag, id, text = '') {
  const element = document.createElement(tag);
  if (id) element.id = id;
  element.textContent = text;
  return element;
}

function ruleField(id, key, value) {
  const label = document.createElement('label');
  const input = ruleElement('input', id);
  input.value = value ?? '';
  input.spellcheck = false;
  input.size = 8;
  label.append(words[key], ' ', input);
  return label;
}

// The findings of the lint shown now that lie on the rule's line.
function showRuleFindings() {
  const list = $('#rule-findings');
  if (!list || !ruleShown) return;
  list.setAttribute('aria-busy', $('#lint').getAttribute('aria-busy') ?? 'false');
  const found = ruleShown.number > 0 ? lintShown.filter((f) => f.line === ruleShown.number) : [];
  list.replaceChildren(...found.map((f) => ruleElement('li', null, f.text)));
}

function ruleLineElement() {
  const { number, text } = ruleShown;
  const line = ruleElement('p', 'rule-line');
  line.dataset.line = number;
  if (number > 0) {
    line.append(words.ruleLineNumber.replace('{line}', number), ' ', ruleElement('code', 'rule-line-text', text));
  } else {
    line.textContent = words.ruleNoLine;
  }
  return line;
}

function showRuleRefusal() {
  const error = $('#rule-error');
  if (!error) return;
  error.textContent = ruleRefusal?.() ?? '';
}

// What the user has in the edit form: the typed values, the field with the
// focus and its selection.
function typedIntoRuleForm() {
  const focused = document.activeElement;
  return {
    values: kRuleFields.map((id) => $(`#${id}`)?.value),
    focus: kRuleFields.includes(focused?.id) ? focused.id : null,
    selection: [focused?.selectionStart, focused?.selectionEnd],
  };
}

// The detail afresh from the rule's reading; with `typed`, the form keeps
// what the user had in it (the language changed under it).
function renderRuleDetail(typed = null) {
  if (!ruleShown) {
    ruleDetail.replaceChildren();
    return;
  }
  if (!typed) ruleRefusal = null;
  const { state, mask, parts } = ruleShown;
  const heading = ruleElement('h3', 'rule-key', words.ruleTitle.replace('{key}', `${state}-${mask}`));
  const line = ruleLineElement();
  const findings = ruleElement('ul', 'rule-findings');
  findings.setAttribute('aria-label', words.ruleFindings);

  const form = ruleElement('form', 'rule-edit');
  form.setAttribute('aria-label', words.ruleEdit);
  const write = ruleElement('button', 'rule-write', words.ruleWrite);
  write.type = 'submit';
  const clear = ruleElement('button', 'rule-clear', words.ruleClear);
  clear.type = 'button';
  const error = ruleElement('p', 'rule-error');
  error.setAttribute('role', 'alert');
  form.append(
    ruleField('rule-turn', 'ruleTurn', parts?.[0]),
    ruleField('rule-advance', 'ruleAdvance', parts?.[1]),
    ruleField('rule-next', 'ruleNext', parts?.[2]),
    write,
    clear,
    error,
  );
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    editRule([$('#rule-turn').value, $('#rule-advance').value, $('#rule-next').value]);
  });
  clear.addEventListener('click', () => editRule(null));
  form.addEventListener('keydown', (event) => {
    if (event.key !== 'Escape') return;
    event.preventDefault();
    renderRuleDetail();
    (ruleReturnFocus?.isConnected ? ruleReturnFocus : $('#rule-show'))?.focus();
  });
  ruleDetail.replaceChildren(heading, line, findings, form);
  showRuleFindings();
  if (!typed) return;
  kRuleFields.forEach((id, i) => {
    if (typed.values[i] !== undefined) $(`#${id}`).value = typed.values[i];
  });
  showRuleRefusal();
  if (typed.focus) {
    const field = $(`#${typed.focus}`);
    field.focus();
    field.setSelectionRange(...typed.selection);
  }
}

// Shows the rule of `state` (1..20) and `mask` (0..7); a rule that is no
// rule of the table shows why.
async function showRuleDetail(state, mask) {
  ruleDetail.setAttribute('aria-busy', 'true');
  try {
    ruleShown = await ruleLineOf(state, mask);
    renderRuleDetail();
  } catch (failure) {
    ruleShown = null;
    ruleDetail.replaceChildren(ruleElement('p', 'rule-error', failure.message));
  } finally {
    ruleDetail.setAttribute('aria-busy', 'false');
  }
}

// The text has changed (its lint has answered): the shown rule's line and
// findings follow it; what is being typed into the form stays.
async function refreshRuleDetail() {
  if (!ruleShown || !$('#rule-line')) return;
  const { state, mask } = ruleShown;
  ruleDetail.setAttribute('aria-busy', 'true');
  try {
    const fresh = await ruleLineOf(state, mask);
    if (ruleShown?.state !== state || ruleShown?.mask !== mask || !$('#rule-line')) return;
    ruleShown = { ...fresh, parts: ruleShown.parts };
    $('#rule-line').replaceWith(ruleLineElement());
    showRuleFindings();
  } finally {
    ruleDetail.setAttribute('aria-busy', 'false');
  }
}

// Shows the rule and puts the focus in its edit form.
async function editRuleAt(state, mask) {
  ruleReturnFocus = document.activeElement;
  await showRuleDetail(state, mask);
  $('#rule-turn')?.focus();
  $('#rule-turn')?.select();
}

// Writes the shown rule (its three parts, or null to clear it) into the
// editor's text; the text is kept and linted at once.
async function editRule(parts) {
  const { state, mask } = ruleShown;
  const module = await studies();
  module.FS.writeFile('/study/edit.ini', settings.value);
  if (module.FS.analyzePath('/study/rule.txt').exists) module.FS.unlink('/study/rule.txt');
  if (parts) module.FS.writeFile('/study/rule.txt', parts.map((p) => p.trim()).join('\n'));
  const result = module._studies_rule_edit(state, mask);
  if (result !== 0) {
    const refused = { '-2': () => words.ruleBadTurn, '-3': () => words.ruleBadAdvance, '-4': () => words.ruleBadNext };
    const message = output(module);
    ruleRefusal = refused[result] ?? (() => message);
    showRuleRefusal();
    return;
  }
  settings.value = output(module);
  textSettled();
  await showRuleDetail(state, mask);
}

// The panel's own chooser of a rule, for keyboards and scripts.
$('#rule-choose').addEventListener('submit', (event) => {
  event.preventDefault();
  showRuleDetail($('#rule-state').valueAsNumber, $('#rule-mask').valueAsNumber);
});
document.addEventListener('words-changed', () => {
  if (ruleShown && $('#rule-edit')) renderRuleDetail(typedIntoRuleForm());
  else renderRuleDetail();
});
