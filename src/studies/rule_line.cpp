#include "studies/rule_line.h"

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "core/base/errors.h"
#include "core/os/read_only_file.h"
#include "core/settings/profile_index.h"

namespace ormakin::studies {

namespace {

std::string FileBytes(const std::string& path) {
  const ReadOnlyFile file(path);
  std::string bytes;
  std::array<std::uint8_t, 65536> buffer{};
  for (std::size_t got = 0; (got = file.ReadAt(bytes.size(), buffer)) > 0;) {
    bytes.append(reinterpret_cast<const char*>(buffer.data()), got);
  }
  return bytes;
}

// One line of the file's bytes: [begin, end) its text, [end, next) its line
// end (LF, CR LF or a CR alone, as the profile scanner ends lines).
struct LineSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

std::vector<LineSpan> Lines(std::string_view text) {
  std::vector<LineSpan> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = std::min(text.find_first_of("\r\n", begin), text.size());
    std::size_t next = end;
    if (next < text.size()) {
      next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
    }
    lines.push_back({begin, end, next});
    begin = next;
  }
  return lines;
}

bool IsUtf16(std::string_view text) {
  return text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
}

// The line end that new lines take: that of the line they follow, else the
// file's first, else LF.
std::string_view LineEndFor(std::string_view text, const std::vector<LineSpan>& lines,
                            std::size_t after) {
  if (after < lines.size() && lines[after].next > lines[after].end) {
    return text.substr(lines[after].end, lines[after].next - lines[after].end);
  }
  for (const LineSpan& line : lines) {
    if (line.next > line.end) return text.substr(line.end, line.next - line.end);
  }
  return "\n";
}

// `added` lines put in after the bytes up to `at`, where the line `after`
// (an index into `lines`, or lines.size() for the start of an empty file)
// ends; the file keeps or lacks its final line end.
std::string Inserted(std::string_view text, const std::vector<LineSpan>& lines, std::size_t after,
                     const std::vector<std::string>& added) {
  const std::string_view end = LineEndFor(text, lines, after);
  const std::size_t at = after < lines.size() ? lines[after].next : text.size();
  const bool endsLine = after >= lines.size() || lines[after].next > lines[after].end;
  std::string block;
  for (std::size_t i = 0; i < added.size(); ++i) {
    if (!endsLine && i == 0) block += end;
    block += added[i];
    if (endsLine || i + 1 < added.size()) block += end;
  }
  std::string result(text.substr(0, at));
  result += block;
  result += text.substr(at);
  return result;
}

}  // namespace

RuleLine FindRuleLine(const std::string& path, int state, int mask) {
  const auto number = ProfileIndex(path).LineOf(kStateSection, RuleKey(state, mask));
  if (!number) return {};
  const std::string bytes = FileBytes(path);
  if (IsUtf16(bytes)) return {*number, {}};
  const std::vector<LineSpan> lines = Lines(bytes);
  const LineSpan& line = lines.at(*number - 1);
  return {*number, bytes.substr(line.begin, line.end - line.begin)};
}

std::string RewriteRule(const std::string& path, int state, int mask,
                        const std::optional<TStateRule>& rule) {
  std::string bytes = FileBytes(path);
  if (IsUtf16(bytes)) {
    throw Exception("a settings file in UTF-16 cannot be edited rule by rule");
  }
  const std::string key = RuleKey(state, mask);
  const std::string value = rule ? RuleText(*rule) : std::string();
  const ProfileIndex index(path);
  const std::vector<LineSpan> lines = Lines(bytes);

  if (const auto number = index.LineOf(kStateSection, key)) {
    // The key as written stays, with the blanks after its "="; the value
    // after them is replaced. A name without "=" is given one.
    const LineSpan& line = lines.at(*number - 1);
    const std::string_view text = std::string_view(bytes).substr(line.begin, line.end - line.begin);
    const std::size_t equals = text.find('=');
    std::size_t keep = text.size();
    std::string replacement;
    if (equals == std::string_view::npos) {
      if (!rule) return bytes;  // already empty
      while (keep > 0 && (text[keep - 1] == ' ' || text[keep - 1] == '\t')) --keep;
      replacement = "=" + value;
    } else {
      keep = text.find_first_not_of(" \t", equals + 1);
      if (keep == std::string_view::npos) keep = text.size();
      replacement = value;
    }
    std::string result = bytes.substr(0, line.begin);
    result += text.substr(0, keep);
    result += replacement;
    result += std::string_view(bytes).substr(line.end);
    return result;
  }
  if (!rule) return bytes;  // no line gives the rule: it is unset already

  const std::string ruleLine = key + "=" + value;
  if (const auto section = index.SectionOf(kStateSection)) {
    return Inserted(bytes, lines, section->last - 1, {ruleLine});
  }
  const std::size_t last = lines.empty() ? lines.size() : lines.size() - 1;
  return Inserted(bytes, lines, last, {std::string("[") + kStateSection + "]", ruleLine});
}

}  // namespace ormakin::studies
