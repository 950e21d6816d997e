// The main window's menu bar: its menus and their items in order, with their
// captions, object names and the command each item runs. Every shell builds
// its menu from this table and only maps it to its own widgets.
#pragma once

#include <span>

#include "trace_map.h"

namespace ormakin {

// One item of a menu: a command, or a separator line (no handler).
struct MenuItem {
  const char* name;              // the object name, such as "Open1"
  const char* caption;           // "-" for a separator
  void (TTraceMap::*handler)();  // run through TTraceMap::Dispatch
  bool IsSeparator() const { return handler == nullptr; }
};

struct Menu {
  const char* name;
  const char* caption;
  std::span<const MenuItem> items;
};

// The menu bar's object name.
inline constexpr const char* kMainMenuName = "MainMenu1";

// The captions carry no keyboard mnemonics and the items no shortcut keys;
// every item is enabled and visible.
inline constexpr MenuItem kFileMenuItems[] = {
    {"Open1", "開く...", &TTraceMap::Open1Click},
    {"N1", "-", nullptr},
    {"Exit1", "終了", &TTraceMap::Exit1Click},
};
inline constexpr MenuItem kRunMenuItems[] = {
    {"N3", "開始", &TTraceMap::N3Click},
    {"N4", "停止", &TTraceMap::N4Click},
};
inline constexpr MenuItem kHelpMenuItems[] = {
    {"About2", "About...", &TTraceMap::About2Click},
};

inline constexpr Menu kMainMenu[] = {
    {"File1", "ファイル", kFileMenuItems},
    {"N2", "実行", kRunMenuItems},
    {"About1", "ヘルプ", kHelpMenuItems},
};

}  // namespace ormakin
