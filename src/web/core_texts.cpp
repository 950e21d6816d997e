// ormakin-core-texts: writes the core's menu table and the texts of its own
// boxes as one JSON object to the file named by its argument. The web build
// runs it under Node, so that the page's tests compare what the page shows
// with the very constants the program is built from.
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/base/errors.h"
#include "core/base/message_box.h"
#include "core/settings/settings_model.h"
#include "core/window/main_menu.h"
#include "core/window/trace_map.h"
#include "web/json_text.h"

namespace ormakin::web {
namespace {

std::string Field(std::string_view name, std::string_view text) {
  return JsonText(name) + ":" + JsonText(text);
}

const char* KindName(MenuEntry::Kind kind) {
  return kind == MenuEntry::Kind::Item ? "item" : "separator";
}

// The menu bar: each menu with its entries, as the menu table lists them.
std::string MenusJson() {
  std::string out = "[";
  bool inMenu = false;
  for (const MenuEntry& entry : kMainMenu) {
    if (entry.kind == MenuEntry::Kind::Menu) {
      out += inMenu ? "]}," : "";
      out += "{" + Field("name", entry.name) + "," + Field("caption", entry.caption) +
             ",\"entries\":[";
      inMenu = true;
    } else {
      if (!inMenu) {
        throw std::logic_error(std::string("menu entry ") + entry.name + " before any menu");
      }
      out += out.back() == '[' ? "" : ",";
      out += "{" + Field("kind", KindName(entry.kind)) + "," + Field("name", entry.name) + "," +
             Field("caption", entry.caption) + "}";
    }
  }
  return out + (inMenu ? "]}]" : "]");
}

std::string CoreTextsJson() {
  return "{\"menus\":" + MenusJson() + "," + Field("applicationTitle", kApplicationTitle) + "," +
         Field("aboutCaption", kAboutCaption) + "," + Field("aboutText", kAboutText) + "," +
         Field("noCourse", kNoCourseMessage) + "," + Field("openFilter", TOpenDialog{}.Filter) +
         "," + Field("invalidBitmap", kInvalidBitmapMessage) + "," +
         Field("malformedRule", kMalformedRuleMessage) + "}\n";
}

}  // namespace
}  // namespace ormakin::web

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ormakin-core-texts OUTPUT.json\n");
    return 2;
  }
  const std::string json = ormakin::web::CoreTextsJson();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << json;
  out.close();
  if (!out) {
    std::fprintf(stderr, "ormakin-core-texts: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
