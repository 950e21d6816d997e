#include "core/os/windows/system_replace_file.h"

namespace ormakin::win {

ReplaceFileFunction& SystemReplaceFile() {
  static ReplaceFileFunction function = &ReplaceFileW;
  return function;
}

}  // namespace ormakin::win
