#include "profile_scanner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

#include "profile_reader.h"

namespace ormakin {

namespace {

// Longest section or key name kept while scanning; a longer name in the file
// equals no name the program asks for, so only its length is counted.
constexpr std::size_t kMaxName = 1024;

// Space and tab are blanks; a carriage return counts as one too, so that a
// line ending in CR LF reads like one ending in LF.
bool IsBlank(int c) {
  return c == ' ' || c == '\t' || c == '\r';
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The file, opened read-only and closed when the object goes, read byte by
// byte through a buffer.
class ReadOnlyFile {
 public:
  // Opens only a regular file: a directory has nothing to read, and a pipe or
  // a device could block the program or never end. O_NONBLOCK keeps the open
  // itself from waiting for a pipe's writer.
  explicit ReadOnlyFile(const std::string& path)
#ifdef _WIN32
      // Binary: line ends are the reader's business, not the runtime's.
      : fd_(open(path.c_str(), O_RDONLY | O_BINARY | O_NOINHERIT)) {
#else
      : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {
#endif
    struct stat info {};
    if (fd_ >= 0 && (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~ReadOnlyFile() {
    if (fd_ >= 0) close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool IsOpen() const {
    return fd_ >= 0;
  }

  // The next byte (0 to 255), or -1 at the end of the file or on an error.
  int Next() {
    if (pos_ == end_ && !Fill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_++]);
  }

 private:
  bool Fill() {
    ssize_t got = 0;
    do {
      got = read(fd_, buffer_.data(), buffer_.size());
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return false;
    pos_ = 0;
    end_ = static_cast<std::size_t>(got);
    if (first_) {
      first_ = false;
      // A UTF-8 byte-order mark at the very start is no part of the text.
      // A regular file's first read returns its first bytes in one piece.
      if (end_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' && buffer_[2] == '\xBF') {
        pos_ = 3;
        if (pos_ == end_) return Fill();
      }
    }
    return true;
  }

  int fd_;
  std::array<char, 8192> buffer_{};
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool first_ = true;
};

// Text collected byte by byte with its leading and trailing blanks dropped:
// blanks are held back until a later byte shows that they lie inside the
// text. Keeps at most `capacity` bytes but knows the full length and the last
// byte, so memory stays bounded however long the line is.
class TrimmedText {
 public:
  explicit TrimmedText(std::size_t capacity) : capacity_(capacity) {}

  void Add(char c) {
    if (IsBlank(c)) {
      if (length_ == 0) return;
      if (kept_.size() + held_.size() < capacity_) held_ += c;
      ++heldCount_;
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

  // The first bytes of the text, at most the capacity.
  const std::string& Kept() const { return kept_; }
  // The full length of the text without its trailing blanks.
  std::size_t Length() const { return length_; }
  // The last byte that is not a blank.
  char Last() const { return last_; }
  bool IsComplete() const { return length_ == kept_.size(); }

 private:
  std::size_t capacity_;
  std::string kept_;
  std::string held_;
  std::size_t length_ = 0;
  std::size_t heldCount_ = 0;
  char last_ = '\0';
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

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

class ProfileScanner::File : public ReadOnlyFile {
 public:
  using ReadOnlyFile::ReadOnlyFile;
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
    // A section header: "[name]", blanks allowed inside the brackets.
    TrimmedText name(kMaxName);
    for (c = file_->Next(); c >= 0 && c != '\n' && c != ']'; c = file_->Next()) {
      name.Add(static_cast<char>(c));
    }
    line.kind = c == ']' ? ProfileLine::Kind::Section : ProfileLine::Kind::Ignored;
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
      line.kind = ProfileLine::Kind::Ignored;
    }
  }
  while (c >= 0 && c != '\n') c = file_->Next();
  return line;
}

}  // namespace ormakin
