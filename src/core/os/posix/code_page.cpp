#include "core/os/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace ormakin {

std::optional<std::string> DecodeCodePage932(std::string_view bytes, std::string_view replacement) {
  iconv_t converter = iconv_open("UTF-8", "CP932");
  // (iconv_t)-1 is iconv_open's failure value.
  if (converter == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
    return std::nullopt;
  }

  std::string text;
  // A byte of code page 932 never becomes more than 3 bytes of UTF-8.
  std::vector<char> out(bytes.size() * 3 + 16);
  std::vector<char> in(bytes.begin(), bytes.end());
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  while (inLeft > 0) {
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    text.append(out.data(), out.size() - outLeft);
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;  // the output was flushed; go on
    // An undecodable byte (EILSEQ) or a double-byte character cut short at
    // the end (EINVAL): one replacement for its first byte, then go on after it,
    // so every turn of the loop takes at least one byte.
    text += replacement;
    ++inPtr;
    --inLeft;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);  // reset the state
  }
  iconv_close(converter);
  return text;
}

}  // namespace ormakin
