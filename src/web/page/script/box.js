// The message box: one at a time, each waiting for its own answer.

const box = $('#box');
const kBoxAnswers = { ok: 1, cancel: 2, yes: 6, no: 7 };
let boxAnswer = null; // resolves the box that is shown

function showBox(text, caption, flags) {
  return new Promise((resolve) => {
    box.querySelector('.caption').textContent = caption;
    box.querySelector('.text').textContent = text.replace(/\r\n/g, '\n');
    box.classList.toggle('error', (flags & 0xf0) === 0x10);
    const buttons = box.querySelector('.buttons');
    buttons.replaceChildren();
    const ok = document.createElement('button');
    ok.dataset.answer = 'ok';
    ok.textContent = 'OK';
    buttons.append(ok);
    boxAnswer = (answer) => {
      boxAnswer = null;
      if (box.open) box.close();
      resolve(kBoxAnswers[answer] ?? 1);
    };
    box.showModal();
    ok.focus();
  });
}

box.addEventListener('click', (event) => {
  const button = event.target.closest('button[data-answer]');
  if (button && boxAnswer) boxAnswer(button.dataset.answer);
});
box.addEventListener('keydown', (event) => {
  if (event.key === 'Enter' && boxAnswer) {
    event.preventDefault();
    const chosen = event.target.closest('button[data-answer]') ?? box.querySelector('button[data-answer]');
    boxAnswer(chosen.dataset.answer);
  }
});
// Escape answers the Cancel button; a box without one stays.
box.addEventListener('cancel', (event) => {
  const cancel = box.querySelector('button[data-answer=cancel]');
  event.preventDefault();
  if (cancel && boxAnswer) boxAnswer('cancel');
});
// Should the browser close the box by itself, that is its default answer.
// The close event comes after the box has closed, and the program may have
// shown its next box by then: that one is open and waits for its own answer.
box.addEventListener('close', () => {
  if (boxAnswer && !box.open) boxAnswer(box.querySelector('button[data-answer]')?.dataset.answer ?? 'ok');
});
