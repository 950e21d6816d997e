#include "core/settings/profile_scanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>

#include "core/os/read_only_file.h"
#include "core/settings/profile_reader.h"

namespace ormakin {

namespace {

// Longest section or key name kept while scanning; a longer name in the file
// equals no name the program asks for, so only its length is counted.
constexpr std::size_t kMaxName = 1024;

// The blanks dropped around names and values: space, tab, vertical tab, form
// feed, and the old end-of-file mark Ctrl-Z that some editors leave behind.
bool IsBlank(int c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The file read byte by byte through a buffer.
class BufferedFile {
 public:
  explicit BufferedFile(const std::string& path) : file_(path) {}

  bool IsOpen() const { return file_.IsOpen(); }

  // The next byte (0 to 255), or -1 at the end of the file or on an error.
  // A byte from the buffer takes no call: in WebAssembly every call that may
  // throw, made where a scanned line still has to be destroyed, goes out
  // through the page's script and back, which a call per byte cannot afford.
  int Next() {
    if (pos_ != end_) return buffer_[pos_++];
    return Refill();
  }
  // The next byte when the buffer holds it, without taking it, or -1.
  int Buffered() const { return pos_ != end_ ? buffer_[pos_] : -1; }
  void Skip() { ++pos_; }

 private:
  [[gnu::noinline]] int Refill() {
    // Emptied first, so that a read after the end reads the file again
    // and never a stale byte.
    pos_ = 0;
    end_ = file_.ReadAt(offset_, buffer_);
    if (end_ == 0) return -1;
    offset_ += end_;
    return buffer_[pos_++];
  }

  ReadOnlyFile file_;
  std::array<std::uint8_t, 8192> buffer_{};
  std::uint64_t offset_ = 0;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

// The file's text byte by byte, in one form whatever the file's encoding: a
// UTF-8 byte-order mark is dropped, a file that starts with a UTF-16
// byte-order mark (either byte order) is decoded to UTF-8, and every line end
// (LF, CR LF or a CR alone) comes out as one LF.
class ProfileText {
 public:
  explicit ProfileText(BufferedFile& file) : file_(file) {}

  // The next byte (0 to 255), or -1 at the end of the file.
  [[gnu::always_inline]] int Next() {
    // A buffered byte of a file without byte-order mark, other than a CR,
    // goes straight through.
    if (encoding_ == Encoding::Bytes && pending_.empty()) {
      const int c = file_.Buffered();
      if (c >= 0 && c != '\r') {
        file_.Skip();
        return c;
      }
    }
    return NextDecoded();
  }

 private:
  enum class Encoding { Unknown, Bytes, Utf16Le, Utf16Be };

  [[gnu::noinline]] int NextDecoded() {
    int c = Decoded();
    if (c == '\r') {
      const int after = Decoded();
      if (after >= 0 && after != '\n') pending_.push_front(static_cast<unsigned char>(after));
      c = '\n';
    }
    return c;
  }

  int Decoded() {
    if (encoding_ == Encoding::Unknown) DetectEncoding();
    if (pending_.empty() && encoding_ != Encoding::Bytes) DecodeUtf16();
    if (!pending_.empty()) {
      const int c = pending_.front();
      pending_.pop_front();
      return c;
    }
    return encoding_ == Encoding::Bytes ? file_.Next() : -1;
  }

  // Looks at the first bytes for a byte-order mark; bytes that are none are
  // kept to be read as text.
  void DetectEncoding() {
    encoding_ = Encoding::Bytes;
    const int first = file_.Next();
    if (first == 0xFF || first == 0xFE) {
      const int second = file_.Next();
      if (first + second == 0xFF + 0xFE) {
        encoding_ = first == 0xFF ? Encoding::Utf16Le : Encoding::Utf16Be;
        return;
      }
      Keep({first, second});
    } else if (first == 0xEF) {
      const int second = file_.Next();
      const int third = second == 0xBB ? file_.Next() : -1;
      if (third != 0xBF) Keep({first, second, third});
    } else {
      Keep({first});
    }
  }

  void Keep(std::initializer_list<int> bytes) {
    for (const int b : bytes) {
      if (b >= 0) pending_.push_back(static_cast<unsigned char>(b));
    }
  }

  // One 16-bit unit, or -1 at the end (an odd last byte is dropped).
  int Unit() {
    if (heldUnit_ >= 0) {
      const int unit = heldUnit_;
      heldUnit_ = -1;
      return unit;
    }
    const int a = file_.Next();
    const int b = a < 0 ? -1 : file_.Next();
    if (b < 0) return -1;
    return encoding_ == Encoding::Utf16Le ? a | (b << 8) : (a << 8) | b;
  }

  // The next character of a UTF-16 file, as UTF-8 bytes in pending_. A
  // surrogate without its partner becomes U+FFFD.
  void DecodeUtf16() {
    const int unit = Unit();
    if (unit < 0) return;
    std::uint32_t code = static_cast<std::uint32_t>(unit);
    if (unit >= 0xD800 && unit < 0xDC00) {
      const int low = Unit();
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + static_cast<std::uint32_t>(low - 0xDC00);
      } else {
        code = 0xFFFD;
        heldUnit_ = low;
      }
    } else if (unit >= 0xDC00 && unit < 0xE000) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      Keep({static_cast<int>(code)});
    } else if (code < 0x800) {
      Keep({static_cast<int>(0xC0 | (code >> 6)), static_cast<int>(0x80 | (code & 0x3F))});
    } else if (code < 0x10000) {
      Keep({static_cast<int>(0xE0 | (code >> 12)), static_cast<int>(0x80 | ((code >> 6) & 0x3F)),
            static_cast<int>(0x80 | (code & 0x3F))});
    } else {
      Keep({static_cast<int>(0xF0 | (code >> 18)), static_cast<int>(0x80 | ((code >> 12) & 0x3F)),
            static_cast<int>(0x80 | ((code >> 6) & 0x3F)), static_cast<int>(0x80 | (code & 0x3F))});
    }
  }

  BufferedFile& file_;
  Encoding encoding_ = Encoding::Unknown;
  std::deque<unsigned char> pending_;
  int heldUnit_ = -1;
};

// Text collected byte by byte with its leading and trailing blanks dropped:
// blanks are held back until a later byte shows that they lie inside the
// text. Keeps at most `capacity` bytes but knows the full length and the last
// byte, so memory stays bounded however long the line is. A NUL byte ends
// the text (blanks before it stay in it), as it ends a C string; the line
// itself goes on.
class TrimmedText {
 public:
  explicit TrimmedText(std::size_t capacity) : capacity_(capacity) {}

  void Add(char c) {
    if (ended_) return;
    if (c == '\0') {
      ended_ = true;
      if (heldCount_ > 0) last_ = lastBlank_;
      kept_ += held_;
      length_ += heldCount_;
      held_.clear();
      heldCount_ = 0;
      return;
    }
    if (IsBlank(c)) {
      if (length_ == 0) return;
      if (kept_.size() + held_.size() < capacity_) held_ += c;
      ++heldCount_;
      lastBlank_ = c;
      return;
    }
    kept_ += held_;
    length_ += heldCount_;
    held_.clear();
    heldCount_ = 0;
    if (kept_.size() < capacity_) kept_ += c;
    ++length_;
    last_ = c;
  }

  // Remembers the text as it stands, without the blanks held at its end.
  void Mark() {
    marked_ = true;
    markKept_ = kept_.size();
    markLength_ = length_;
    markLast_ = last_;
  }
  // Goes back to the text as it stood at the last mark, if there was one.
  void CutToMark() {
    if (!marked_) return;
    kept_.resize(markKept_);
    length_ = markLength_;
    last_ = markLast_;
  }

  // The first bytes of the text, at most the capacity.
  const std::string& Kept() const { return kept_; }
  // The full length of the text without its trailing blanks.
  std::size_t Length() const { return length_; }
  // The last byte of the text.
  char Last() const { return last_; }
  bool IsComplete() const { return length_ == kept_.size(); }

 private:
  std::size_t capacity_;
  std::string kept_;
  std::string held_;
  std::size_t length_ = 0;
  std::size_t heldCount_ = 0;
  char last_ = '\0';
  char lastBlank_ = ' ';
  bool ended_ = false;
  bool marked_ = false;
  std::size_t markKept_ = 0;
  std::size_t markLength_ = 0;
  char markLast_ = '\0';
};

// The value of a key line: one pair of enclosing quotes (double or single)
// dropped, then cut to kMaxProfileValue bytes.
std::string ValueOf(const TrimmedText& value) {
  const std::string& kept = value.Kept();
  std::size_t start = 0;
  std::size_t length = value.Length();
  if (length >= 2 && (kept[0] == '"' || kept[0] == '\'') && value.Last() == kept[0]) {
    start = 1;
    length -= 2;
  }
  return kept.substr(start, std::min(length, kMaxProfileValue));
}

}  // namespace

std::string FoldAsciiCase(std::string_view name) {
  std::string folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(), AsciiLower);
  return folded;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

class ProfileScanner::File {
 public:
  explicit File(const std::string& path) : bytes_(path) {}
  bool IsOpen() const { return bytes_.IsOpen(); }
  [[gnu::always_inline]] int Next() { return text_.Next(); }

 private:
  BufferedFile bytes_;
  ProfileText text_{bytes_};
};

ProfileScanner::ProfileScanner(const std::string& path) : file_(std::make_unique<File>(path)) {}

ProfileScanner::~ProfileScanner() = default;

bool ProfileScanner::IsOpen() const {
  return file_->IsOpen();
}

std::optional<ProfileLine> ProfileScanner::Next() {
  if (!file_->IsOpen()) return std::nullopt;
  int c = file_->Next();
  if (c < 0) return std::nullopt;
  ++lineNumber_;
  ProfileLine line;
  while (IsBlank(c)) c = file_->Next();
  if (c == '[') {
    // A section header: "[name]", blanks allowed inside the brackets. The
    // name runs to the last "]" of the line; what follows it is ignored.
    TrimmedText name(kMaxName);
    bool closed = false;
    for (c = file_->Next(); c >= 0 && c != '\n'; c = file_->Next()) {
      if (c == ']') {
        name.Mark();
        closed = true;
      }
      name.Add(static_cast<char>(c));
    }
    name.CutToMark();
    line.kind = closed ? ProfileLine::Kind::Section : ProfileLine::Kind::Ignored;
    line.name = name.Kept();
    line.nameComplete = name.IsComplete();
  } else if (c == ';' || c == '\n' || c < 0) {
    line.kind = ProfileLine::Kind::Empty;
  } else {
    TrimmedText name(kMaxName);
    for (; c >= 0 && c != '\n' && c != '='; c = file_->Next()) {
      name.Add(static_cast<char>(c));
    }
    line.name = name.Kept();
    line.nameComplete = name.IsComplete();
    if (c == '=') {
      // Room for one more byte than the longest value plus an opening quote.
      TrimmedText value(kMaxProfileValue + 1);
      for (c = file_->Next(); c >= 0 && c != '\n'; c = file_->Next()) {
        value.Add(static_cast<char>(c));
      }
      line.kind = ProfileLine::Kind::Key;
      line.value = ValueOf(value);
    } else {
      line.kind = ProfileLine::Kind::NameOnly;
    }
  }
  while (c >= 0 && c != '\n') c = file_->Next();
  return line;
}

}  // namespace ormakin
