#include "core/os/terminal.h"

#include <io.h>

namespace ormakin {

bool IsTerminal(std::FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

}  // namespace ormakin
