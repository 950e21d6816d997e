#include "cli/cli_platform.h"

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

CliSession::CliSession(std::string course, const std::optional<std::string>& settings,
                       std::FILE* err)
    : platform_(std::move(course), err),
      traceMap_(platform_, settings ? *settings : SettingsFilePath()) {
  TraceMap = &traceMap_;
}

CliSession::~CliSession() {
  TraceMap = nullptr;
}

bool CliSession::Open() {
  traceMap_.Create();
  if (platform_.Failed() || !traceMap_.Car) {
    return false;
  }
  traceMap_.Dispatch(&TTraceMap::Open1Click);
  return !platform_.Failed();
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
