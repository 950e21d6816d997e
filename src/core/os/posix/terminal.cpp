#include "core/os/terminal.h"

#include <unistd.h>

namespace ormakin {

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) != 0;
}

}  // namespace ormakin
