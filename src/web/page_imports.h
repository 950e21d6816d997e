// The page's side of the shell: functions that the page script provides
// (page_imports.js). Those marked "suspends" let the program wait for the
// page through Asyncify: the program's stack is saved, the browser runs, and
// the call returns when the page answers. Nothing of the program is called
// from the page meanwhile: the page only queues its events.
#pragma once

#include <cstddef>

extern "C" {

// Writes the settings text that the page holds to `settingsPath` and makes
// the folder for chosen courses.
void page_prepare(const char* settingsPath, const char* coursesDir);
// One entry of the menu table (kind: 0 menu, 1 item, 2 separator).
void page_menu_entry(int kind, const char* name, const char* caption);
// The file dialog's filter ("description|pattern"), for the page's label.
void page_set_filter(const char* filter);

// Takes the next queued page event: 0 none, 1 a menu command (its object
// name written to `name`), 2 a close.
int page_next_event(char* name, int size);
// Suspends until an event is queued (returns at once when one is).
void page_wait_event();
// Suspends until the next animation frame.
void page_next_frame();
// Shows the box and suspends until it is answered; returns the button.
int page_show_box(const char* text, const char* caption, int flags);
// Suspends until the file chooser (or a sample) answers: the chosen file is
// written under `coursesDir` and its path to `path`; returns the path's
// length, or -1 for a cancel. A file the browser could not read is not
// written, so that its open fails as that of a file that cannot be opened.
int page_choose_file(const char* coursesDir, char* path, int size);

// A command that chose files or opened a course has ended: the window now
// shows the course at `path`, or, for "", the one it showed before.
void page_course_opened(const char* path);

// Paints width x height pixels of 0xFFRRGGBB values, row after row.
void page_paint(const void* pixels, int width, int height);
void page_set_status(const char* line);
// 0 starting, 1 idle, 2 running.
void page_set_state(int state);
// The pace the panel asks for: 1 (the program's own), 10 (ten times as
// fast) or 0 (every tick, one frame per animation frame).
int page_speed();
// The tick after which a run stops; 0 for none.
double page_stop_tick();
// The window has been made: with a car (1) or without one (0), when the
// settings could not build it.
void page_car_built(int built);
// Whether the page shows the run panel (0: its updates are off) and the
// overlays over the view.
int page_panel_shown();
int page_overlays_shown();
// The run panel's snapshot (JSON, see RunPanel::SnapshotJson).
void page_panel(const char* snapshot);
// The rules of the car the program built (JSON, see RunPanel::RulesJson).
void page_panel_rules(const char* rules);
// The path so far over the view, as page_paint's pixels.
void page_panel_path(const void* pixels, int width, int height);
// The panel's breakpoints (kBreakpointFlags flags): the page writes them to
// `flags` when they changed since `version`, and returns their version.
int page_breakpoints(int version, unsigned char* flags, int size);
// The program has ended.
void page_ended();
}
