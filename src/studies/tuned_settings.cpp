#include "studies/tuned_settings.h"

namespace ormakin::studies {

std::string TunedSettingsText(const Controller& controller,
                              const std::vector<std::string>& comments) {
  std::string text;
  for (std::string comment : comments) {
    for (char& c : comment) {
      if (c == '\r' || c == '\n') {
        c = ' ';
      }
    }
    text += "; " + comment + "\n";
  }
  text += "\n[";
  text += kCarSection;
  text += "]\n";
  for (std::size_t i = 0; i < kCarKeys.size(); ++i) {
    // A key the input did not give keeps its default by staying out.
    if (!controller.carTexts[i].empty()) {
      text += std::string(kCarKeys[i].name) + "=" + controller.carTexts[i] + "\n";
    }
  }
  text += "\n[";
  text += kStateSection;
  text += "]\n";
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      if (controller.IsSet(s, m)) {
        text += RuleKey(s, m) + "=" + controller.Text(s, m) + "\n";
      }
    }
  }
  return text;
}

}  // namespace ormakin::studies
