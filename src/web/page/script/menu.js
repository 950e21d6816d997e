// The menu bar, built from the program's menu table.

const menubar = $('#menubar');
let currentPopup = null;

function addMenuEntry(kind, name, caption) {
  if (kind === 0) {
    const holder = document.createElement('div');
    holder.className = 'menu';
    const top = document.createElement('button');
    top.setAttribute('role', 'menuitem');
    top.setAttribute('aria-haspopup', 'menu');
    top.setAttribute('aria-expanded', 'false');
    top.dataset.name = name;
    top.textContent = caption;
    top.tabIndex = menubar.childElementCount === 0 ? 0 : -1;
    const popup = document.createElement('div');
    popup.setAttribute('role', 'menu');
    popup.setAttribute('aria-label', caption);
    popup.dataset.menu = name;
    popup.hidden = true;
    holder.append(top, popup);
    menubar.append(holder);
    currentPopup = popup;
  } else if (kind === 1) {
    const item = document.createElement('button');
    item.setAttribute('role', 'menuitem');
    item.dataset.name = name;
    item.textContent = caption;
    item.tabIndex = -1;
    currentPopup.append(item);
  } else {
    const line = document.createElement('div');
    line.setAttribute('role', 'separator');
    currentPopup.append(line);
  }
}

const topItems = () => [...menubar.querySelectorAll(':scope > .menu > button[role=menuitem]')];
const popupOf = (top) => top.nextElementSibling;
const itemsOf = (popup) => [...popup.querySelectorAll('button[role=menuitem]')];

function closeMenus() {
  for (const top of topItems()) {
    top.setAttribute('aria-expanded', 'false');
    popupOf(top).hidden = true;
  }
}

function openMenu(top, focusFirst) {
  closeMenus();
  top.setAttribute('aria-expanded', 'true');
  popupOf(top).hidden = false;
  if (focusFirst) itemsOf(popupOf(top))[0]?.focus();
  else top.focus();
}

// Runs a menu item. The file chooser opens here, in the click's own
// handler, as browsers require; its answer follows the command.
function runItem(name) {
  closeMenus();
  if (!program || program.dead) return;
  if (name === 'Open1') {
    const input = $('#course-file');
    input.value = '';
    input.click();
  }
  program.post({ kind: 'command', name });
}

menubar.addEventListener('click', (event) => {
  const button = event.target.closest('button[role=menuitem]');
  if (!button) return;
  if (button.hasAttribute('aria-haspopup')) {
    if (button.getAttribute('aria-expanded') === 'true') closeMenus();
    else openMenu(button, false);
  } else {
    runItem(button.dataset.name);
  }
});

menubar.addEventListener('keydown', (event) => {
  const button = event.target.closest('button[role=menuitem]');
  if (!button) return;
  const tops = topItems();
  const isTop = button.hasAttribute('aria-haspopup');
  const top = isTop ? button : button.closest('.menu').firstElementChild;
  const index = tops.indexOf(top);
  const step = (delta) => tops[(index + delta + tops.length) % tops.length];
  switch (event.key) {
    case 'ArrowLeft':
    case 'ArrowRight': {
      const next = step(event.key === 'ArrowLeft' ? -1 : 1);
      if (isTop && top.getAttribute('aria-expanded') !== 'true') {
        next.focus();
      } else {
        openMenu(next, !isTop);
      }
      break;
    }
    case 'ArrowDown':
    case 'ArrowUp':
      if (isTop) {
        openMenu(top, true);
      } else {
        const items = itemsOf(popupOf(top));
        const at = items.indexOf(button) + (event.key === 'ArrowDown' ? 1 : -1);
        items[(at + items.length) % items.length].focus();
      }
      break;
    case 'Enter':
    case ' ':
      if (isTop) openMenu(top, true);
      else runItem(button.dataset.name);
      break;
    case 'Escape':
      if (isTop && top.getAttribute('aria-expanded') !== 'true') top.blur();
      else {
        closeMenus();
        top.focus();
      }
      break;
    default:
      return;
  }
  event.preventDefault();
});

document.addEventListener('click', (event) => {
  if (!menubar.contains(event.target)) closeMenus();
});

// F10, or Alt pressed and released alone, goes to the menu bar.
let altAlone = false;
document.addEventListener('keydown', (event) => {
  altAlone = event.key === 'Alt' && !event.repeat;
  if (event.key === 'F10' && !box.open) {
    event.preventDefault();
    topItems()[0]?.focus();
  }
});
document.addEventListener('keyup', (event) => {
  if (event.key === 'Alt' && altAlone && !box.open) {
    event.preventDefault();
    topItems()[0]?.focus();
  }
  altAlone = false;
});
