// The page's side of the shell's imports (see page_imports.h). The page
// script hands its services to the module as Module.page; the functions
// here only convert between the program's memory and the page's values.
mergeInto(LibraryManager.library, {
  page_prepare__deps: ['$FS'],
  page_prepare: function (settingsPath, coursesDir) {
    // The browser's encoder into a buffer: of the ways tried, the quickest
    // for a text of megabytes. A buffer of the text's length holds a text
    // of ASCII alone; any other fits in three bytes a UTF-16 unit. The file
    // system keeps the buffer as the file's contents, without a copy.
    const text = Module['page'].settingsText;
    const encoder = new TextEncoder();
    let bytes = new Uint8Array(text.length);
    let { read, written } = encoder.encodeInto(text, bytes);
    if (read < text.length) {
      bytes = new Uint8Array(text.length * 3);
      ({ written } = encoder.encodeInto(text, bytes));
    }
    FS.writeFile(UTF8ToString(settingsPath), bytes.subarray(0, written), { canOwn: true });
    FS.mkdirTree(UTF8ToString(coursesDir));
  },
  page_menu_entry: function (kind, name, caption) {
    Module['page'].menuEntry(kind, UTF8ToString(name), UTF8ToString(caption));
  },
  page_set_filter: function (filter) {
    Module['page'].setFilter(UTF8ToString(filter));
  },
  page_next_event: function (name, size) {
    const event = Module['page'].nextEvent();
    if (!event) return 0;
    if (event.kind === 'close') return 2;
    stringToUTF8(event.name, name, size);
    return 1;
  },
  page_wait_event__deps: ['$Asyncify'],
  page_wait_event: function () {
    return Asyncify.handleSleep((wakeUp) => Module['page'].waitEvent(() => wakeUp(0)));
  },
  page_next_frame__deps: ['$Asyncify'],
  page_next_frame: function () {
    return Asyncify.handleSleep((wakeUp) => requestAnimationFrame(() => wakeUp(0)));
  },
  page_show_box__deps: ['$Asyncify'],
  page_show_box: function (text, caption, flags) {
    return Asyncify.handleSleep((wakeUp) => {
      Module['page'].showBox(UTF8ToString(text), UTF8ToString(caption), flags).then(wakeUp);
    });
  },
  page_choose_file__deps: ['$Asyncify', '$FS'],
  page_choose_file: function (coursesDir, path, size) {
    return Asyncify.handleSleep((wakeUp) => {
      const answer = (file) => {
        if (!file) return -1;
        // The file keeps its own name, so that a box names it; the browser
        // gives a name without folders, and one that is no name at all is
        // replaced.
        let name = String(file.name).replace(/[\/\0]/g, '_');
        if (name === '' || name === '.' || name === '..') name = 'course.bmp';
        const full = UTF8ToString(coursesDir) + '/' + name;
        if (lengthBytesUTF8(full) >= size) return -1;
        // A file whose bytes the browser could not read, or that the file
        // system could not take, is not there: the window's open then says
        // that it cannot open it.
        const remove = () => {
          if (FS.analyzePath(full).exists) FS.unlink(full);
        };
        remove();
        if (file.bytes) {
          try {
            FS.writeFile(full, file.bytes);
          } catch (failure) {
            // Reported by the open's box, which names the file.
            remove();
          }
        }
        Module['page'].chosen(full, file);
        stringToUTF8(full, path, size);
        return lengthBytesUTF8(full);
      };
      Module['page'].chooseFile().then(
        (file) => wakeUp(answer(file)),
        () => wakeUp(-1),
      );
    });
  },
  page_course_opened: function (path) {
    Module['page'].courseOpened(UTF8ToString(path));
  },
  page_paint: function (pixels, width, height) {
    Module['page'].paint(HEAPU8.subarray(pixels, pixels + width * height * 4), width, height);
  },
  page_set_status: function (line) {
    Module['page'].setStatus(UTF8ToString(line));
  },
  page_set_state: function (state) {
    Module['page'].setState(state);
  },
  page_speed: function () {
    return Module['page'].speed();
  },
  page_stop_tick: function () {
    return Module['page'].stopTick();
  },
  page_car_built: function (built) {
    Module['page'].carBuilt(built !== 0);
  },
  page_panel_shown: function () {
    return Module['page'].panelShown() ? 1 : 0;
  },
  page_overlays_shown: function () {
    return Module['page'].overlaysShown() ? 1 : 0;
  },
  page_panel: function (snapshot) {
    Module['page'].panel(UTF8ToString(snapshot));
  },
  page_panel_rules: function (rules) {
    Module['page'].panelRules(UTF8ToString(rules));
  },
  page_panel_path: function (pixels, width, height) {
    Module['page'].panelPath(HEAPU8.subarray(pixels, pixels + width * height * 4), width, height);
  },
  page_breakpoints: function (version, flags, size) {
    const now = Module['page'].breakpoints();
    if (now.version !== version) HEAPU8.set(now.flags.subarray(0, size), flags);
    return now.version;
  },
  page_ended: function () {
    Module['page'].ended();
  },
});
