// The studies for the page's other module instances: the settings' lint, a
// rule's line and its edit, and the sweep, whose starts the page's workers run in ranges, each
// worker an instance that opens the course and settings itself, and whose results the page's own
// studies instance joins in start order. They exchange their inputs and results with the page
// through files in the instance's own file system under /study; the window's instance never calls
// them.
#include <emscripten.h>

#include <array>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/base/errors.h"
#include "core/base/text_encoding.h"
#include "core/settings/ini_file.h"
#include "core/settings/settings_model.h"
#include "core/window/platform.h"
#include "core/window/trace_map.h"
#include "studies/bmp_file.h"
#include "studies/controller.h"
#include "studies/lint_report.h"
#include "studies/rule_line.h"
#include "studies/run_score_bytes.h"
#include "studies/settings_lint.h"
#include "studies/sweep.h"

namespace ormakin::web {
namespace {

constexpr const char* kStudySettings = "/study/ormakin.ini";
constexpr const char* kStudyCourse = "/study/course.bmp";
constexpr const char* kStudyOutput = "/study/output.txt";
constexpr const char* kStudyResults = "/study/results.bin";
// The text whose rules the page shows and edits, and an edit's parts.
constexpr const char* kStudyEdit = "/study/edit.ini";
constexpr const char* kStudyRule = "/study/rule.txt";

// UTF-8 text as a JSON string.
std::string JsonText(const std::string& text) {
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      json += "\\u00";
      json += kHex[byte >> 4];
      json += kHex[byte & 0xF];
    } else {
      json += c;
    }
  }
  return json + "\"";
}

void CheckRulePlace(int state, int mask) {
  if (!HasRow(state) || mask < 0 || mask >= kMaskCount) {
    throw Exception("no rule has state " + std::to_string(state) + " and mask " +
                    std::to_string(mask));
  }
}

void WriteText(const std::string& text) {
  std::ofstream out(kStudyOutput, std::ios::binary | std::ios::trunc);
  out << text;
}

// A window that never waits: the course is the one the page put down (none
// when it put none down), and an error box ends the study with its text.
class StudyPlatform : public Platform {
 public:
  int ShowMessageBox(const std::string& text, const std::string& /*caption*/,
                     MessageBoxFlags flags) override {
    if (flags == MessageBoxFlags::OkWithErrorIcon && !error) {
      error = text;
    }
    return 1;
  }
  void ProcessMessages() override {}
  void Pause(int /*milliseconds*/) override {}
  std::optional<std::string> ChooseFile(const std::string& /*filter*/,
                                        const std::string& /*lastName*/) override {
    if (!std::ifstream(kStudyCourse)) {
      return std::nullopt;
    }
    return std::string(kStudyCourse);
  }
  void InvalidateImage() override {}
  void CancelMouseCapture() override {}
  void Terminate() override {}
  std::optional<std::string> error;
};

struct SweepSession {
  StudyPlatform platform;
  TTraceMap window{platform, kStudySettings};
  std::unique_ptr<studies::Sweep> sweep;
};

std::unique_ptr<SweepSession> session;

}  // namespace
}  // namespace ormakin::web

using namespace ormakin;

extern "C" {

// Lints /study/ormakin.ini; writes its findings on lines to
// /study/output.txt as JSON, for the page to word each from its code:
// {"findings":[{"line":N,"code":"name","values":{"name":"value",...}},...]},
// or {"failure":"text"}.
EMSCRIPTEN_KEEPALIVE void studies_lint() {
  std::string text;
  try {
    const TIniFile settings(web::kStudySettings);
    const studies::SettingsLint lint = studies::LintSettings(settings);
    text = "{\"findings\":[";
    const char* separator = "";
    for (const studies::LintFinding& finding : lint.findings) {
      if (finding.line == 0) continue;
      text += separator;
      separator = ",";
      text += "{\"line\":" + std::to_string(finding.line) +
              ",\"code\":" + web::JsonText(studies::LintCodeName(finding.code)) + ",\"values\":{";
      const char* comma = "";
      for (const auto& [name, value] : finding.values) {
        text += comma + web::JsonText(name) + ":" + web::JsonText(value);
        comma = ",";
      }
      text += "}}";
    }
    text += "]}";
  } catch (const std::exception& failure) {
    text = "{\"failure\":" + web::JsonText(WithFinalPeriod(ToDisplayText(failure.what()))) + "}";
  }
  web::WriteText(text);
}

// The rule of `state` and `mask` in /study/edit.ini: writes its line's text
// to /study/output.txt, then, when the program reads a rule there, the
// rule's three parts (turn, advance, next state), a line each. Returns the
// line's number, 0 when no line gives the rule, or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_rule_line(int state, int mask) {
  try {
    web::CheckRulePlace(state, mask);
    const studies::RuleLine line = studies::FindRuleLine(web::kStudyEdit, state, mask);
    std::string text = line.text + "\n";
    const TIniFile settings(web::kStudyEdit);
    const auto rule = ParseRule(settings.ReadEntry(kStateSection, RuleKey(state, mask)));
    if (const auto* parsed = std::get_if<TStateRule>(&rule)) {
      for (const std::string& part : RuleParts(*parsed)) text += part + "\n";
    }
    web::WriteText(text);
    return static_cast<int>(line.number);
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
    return -1;
  }
}

// /study/edit.ini with the rule of `state` and `mask` set to the parts in
// /study/rule.txt (turn, advance, next state, a line each), or cleared when
// there is no such file: writes the new text to /study/output.txt and
// returns 0. A part that does not convert (or holds a comma) returns
// -2 (the turn), -3 (the advance) or -4 (the next state); any other failure
// -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_rule_edit(int state, int mask) {
  try {
    web::CheckRulePlace(state, mask);
    std::optional<TStateRule> rule;
    if (std::ifstream in{web::kStudyRule, std::ios::binary}) {
      std::array<std::string, 3> parts;
      for (int i = 0; i < 3; ++i) {
        std::getline(in, parts[i]);
        if (parts[i].find(',') != std::string::npos) return -2 - i;
      }
      const auto parsed = ParseRule(JoinRuleParts(parts));
      if (const auto* error = std::get_if<RuleError>(&parsed)) {
        return -2 - static_cast<int>(error->kind) + static_cast<int>(RuleError::Kind::Turn);
      }
      rule = std::get<TStateRule>(parsed);
    }
    web::WriteText(studies::RewriteRule(web::kStudyEdit, state, mask, rule));
    return 0;
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
    return -1;
  }
}

// Starts a sweep of /study/course.bmp with /study/ormakin.ini, opened as the
// window opens them, with the default options. Returns the number of
// starts, or -1 with the error's text in /study/output.txt.
EMSCRIPTEN_KEEPALIVE int studies_sweep_begin() {
  web::session = std::make_unique<web::SweepSession>();
  web::SweepSession& s = *web::session;
  s.window.Create();
  if (!s.platform.error && s.window.Car) {
    s.window.Dispatch(&TTraceMap::Open1Click);
    // The window holds the course now; its file is not needed any more.
    std::remove(web::kStudyCourse);
    if (!s.platform.error && s.window.OpenDialog1.FileName.empty()) {
      s.platform.error = kNoCourseMessage;
    }
  }
  if (!s.platform.error && !s.window.Car) {
    s.platform.error = "the car could not be built from the settings";
  }
  if (!s.platform.error) {
    try {
      const TBitmap* picture = s.window.CourseImage->Picture.Bitmap();
      if (picture == nullptr) {
        throw EInvalidOperation(kBitmapOnlyMessage);
      }
      s.sweep = std::make_unique<studies::Sweep>(
          *picture, studies::Controller::Read(*s.window.IniFile, *s.window.Car),
          studies::SweepOptions{});
    } catch (...) {
      s.window.HandleException(std::current_exception());
    }
  }
  if (s.platform.error) {
    web::WriteText(*s.platform.error);
    web::session.reset();
    return -1;
  }
  return static_cast<int>(s.sweep->Starts().size());
}

// Runs the `count` starts from `first` on and writes their results to
// /study/results.bin; returns how many ran, or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_sweep_run(int first, int count) {
  try {
    if (!web::session || first < 0 || count < 0) {
      throw Exception("no sweep is under way");
    }
    const std::vector<studies::RunScore> results = web::session->sweep->RunRange(
        static_cast<std::size_t>(first), static_cast<std::size_t>(count));
    std::ofstream out(web::kStudyResults, std::ios::binary | std::ios::trunc);
    const std::string bytes = studies::ScoresToBytes(results);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      throw Exception("cannot write the sweep's results");
    }
    return static_cast<int>(results.size());
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
    return -1;
  }
}

// Takes the results in /study/results.bin as those of the next starts;
// returns the number done in all, or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_sweep_take() {
  try {
    if (!web::session) {
      throw Exception("no sweep is under way");
    }
    std::ifstream in(web::kStudyResults, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    std::remove(web::kStudyResults);
    return static_cast<int>(web::session->sweep->Take(studies::ScoresFromBytes(bytes)));
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
    return -1;
  }
}

// Writes the summary to /study/output.txt, the map's pixels (0xFFRRGGBB,
// row after row) to /study/map.rgb and the map as the tool's BMP file to
// /study/map.bmp; returns the map's width, its height in
// the high half (both below 65536), or -1 with the error's text.
EMSCRIPTEN_KEEPALIVE int studies_sweep_finish() {
  if (!web::session) {
    return -1;
  }
  int size = -1;
  try {
    const TBitmap map = web::session->sweep->Map();
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(map.Width()) *
                                      static_cast<std::size_t>(map.Height()));
    map.CopyToRgb32(map.Width(), map.Height(), pixels.data(),
                    static_cast<std::size_t>(map.Width()));
    std::ofstream out("/study/map.rgb", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(pixels.data()),
              static_cast<std::streamsize>(pixels.size() * sizeof(std::uint32_t)));
    out.close();
    std::ofstream bmp("/study/map.bmp", std::ios::binary | std::ios::trunc);
    studies::WriteBmp(map, "/study/map.bmp", [&](const void* data, std::size_t count) {
      bmp.write(static_cast<const char*>(data), static_cast<std::streamsize>(count));
    });
    if (!out || !bmp.flush()) {
      throw Exception("cannot write the sweep's map");
    }
    size = map.Width() | (map.Height() << 16);
    web::WriteText(web::session->sweep->Summary());
  } catch (const std::exception& failure) {
    web::WriteText(WithFinalPeriod(ToDisplayText(failure.what())));
  }
  web::session.reset();
  return size;
}
}
