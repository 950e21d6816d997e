// The rule tables of controllers as bytes, to send the children of a search
// to the instances that score them, where the two share no memory: which
// rules are set and their numbers, bit for bit. The car's geometry and start
// are not sent: every instance reads them from the same settings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "studies/controller.h"

namespace ormakin::studies {

std::string RuleTablesToBytes(const std::vector<Controller>& controllers);

// Controllers to run: `base`'s settings and start with the rule tables of
// `bytes`. They carry no texts, which are for writing files, not for
// running. Raises Exception for bytes that RuleTablesToBytes did not write.
std::vector<Controller> RuleTablesFromBytes(std::string_view bytes, const Controller& base);

}  // namespace ormakin::studies
