// The settings file that `tune` writes: the car values as the input gave
// them, the rule table found, and comments, each on a line of its own, that
// say how it was found.
#pragma once

#include <string>
#include <vector>

#include "studies/controller.h"

namespace ormakin::studies {

// The file's text: every comment as a line of its own beginning with ";",
// then the sections "car" and "state". A line break inside a comment would
// end it; it is written as a blank.
std::string TunedSettingsText(const Controller& controller,
                              const std::vector<std::string>& comments);

}  // namespace ormakin::studies
