#include "cli_platform.h"

namespace ormakin::cli {

std::string OneLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;  // the LF that follows makes the separator
    }
    if (text[i] == '\n' || text[i] == '\r') {
      line += ": ";
    } else {
      line += text[i];
    }
  }
  return line;
}

bool StartAndOpen(TTraceMap& traceMap, const CliPlatform& platform) {
  traceMap.Create();
  if (platform.Failed() || !traceMap.Car) {
    return false;
  }
  traceMap.Dispatch(&TTraceMap::Open1Click);
  return !platform.Failed();
}

int CliPlatform::ShowMessageBox(const std::string& text, const std::string& /*caption*/,
                                MessageBoxFlags flags) {
  if (flags == MessageBoxFlags::OkWithErrorIcon) {
    failed_ = true;
  }
  const std::string line = OneLine(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), err_);
  std::fflush(err_);
  return 1;
}

}  // namespace ormakin::cli
