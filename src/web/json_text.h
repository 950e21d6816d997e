// Text as a JSON string, for what the page's instances hand the page and
// the tests.
#pragma once

#include <string>
#include <string_view>

namespace ormakin::web {

// `text` (UTF-8 already) between quotes, with quotes, backslashes and
// control characters escaped.
std::string JsonText(std::string_view text);

}  // namespace ormakin::web
