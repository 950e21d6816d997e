// The main window's menu bar as one table: its menus and their items in
// order, with their captions, object names and the command each item runs.
// Every shell builds its menu from this table and only maps it to its own
// widgets.
#pragma once

#include "core/window/trace_map.h"

namespace ormakin {

struct MenuEntry {
  enum class Kind { Menu, Item, Separator };
  Kind kind;
  const char* name;     // the object name, such as "Open1"
  const char* caption;  // captions carry no mnemonics, items no shortcut keys
  // An item's command, run through TTraceMap::Dispatch.
  void (TTraceMap::*handler)() = nullptr;
};

// The menu bar's object name.
inline constexpr const char* kMainMenuName = "MainMenu1";

// Each menu is followed by its entries; every item is enabled and visible.
inline constexpr MenuEntry kMainMenu[] = {
    {MenuEntry::Kind::Menu, "File1", "ファイル"},
    {MenuEntry::Kind::Item, "Open1", "開く...", &TTraceMap::Open1Click},
    {MenuEntry::Kind::Separator, "N1", "-"},
    {MenuEntry::Kind::Item, "Exit1", "終了", &TTraceMap::Exit1Click},
    {MenuEntry::Kind::Menu, "N2", "実行"},
    {MenuEntry::Kind::Item, "N3", "開始", &TTraceMap::N3Click},
    {MenuEntry::Kind::Item, "N4", "停止", &TTraceMap::N4Click},
    {MenuEntry::Kind::Menu, "About1", "ヘルプ"},
    {MenuEntry::Kind::Item, "About2", "About...", &TTraceMap::About2Click},
};

}  // namespace ormakin
