// The line of the settings file that a rule is read from, found with the
// program's own reading of the file, and that one line rewritten.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/settings/settings_model.h"

namespace ormakin::studies {

struct RuleLine {
  std::uint64_t number = 0;  // from 1; 0 when no line of the file gives the rule
  std::string text;          // the line's bytes as the file holds them, without the line end
};

// The line that the program reads the rule for `state` and `mask` from in
// the settings file at `path`: the first line of its key in the first
// section named "state", names compared without regard to case.
RuleLine FindRuleLine(const std::string& path, int state, int mask);

// The text of the settings file at `path` with the rule for `state` and
// `mask` set to `rule`, or cleared (given an empty value, so that no later
// line of the key takes its place) when there is none. Only the rule's line
// changes; a rule without a line gets one after the last line of the
// "state" section that is read, and a file without that section gets the
// section at its end. Every other byte stays, line ends included; a new line
// ends as the line before it, or as the file's first line does, and the
// file ends with a line end exactly when it did before. Raises Exception for
// a file in UTF-16, whose bytes are not its text.
std::string RewriteRule(const std::string& path, int state, int mask,
                        const std::optional<TStateRule>& rule);

}  // namespace ormakin::studies
