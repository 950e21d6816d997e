// ProfileScanner: reads an initialisation file ("[section]" and "key=value"
// lines) line by line, with the rules of the program's settings file. The
// settings reader reads through it; the settings lint uses it to place its
// findings on lines, and takes the values from the settings reader.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ormakin {

// One line of the file, as the reader sees it.
struct ProfileLine {
  enum class Kind {
    Empty,     // blank, or a comment (";" first)
    Section,   // "[name]"; the name runs to the last "]", whatever follows is ignored
    Key,       // "name=value"
    NameOnly,  // "name" without "=": a key whose value is empty
    Ignored,   // "[" without "]"
  };
  Kind kind = Kind::Empty;
  // The section or key name without its surrounding blanks, at most 1024
  // bytes; a longer name is incomplete and equals no name the program asks for.
  std::string name;
  bool nameComplete = true;
  // A key's value: blanks around it and one pair of enclosing quotes dropped,
  // cut to kMaxProfileValue bytes. A name or a value ends at a NUL byte.
  std::string value;
};

// Whether two names are equal when ASCII letters are compared without case.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// The name with its ASCII letters in lower case: two names are equal without
// regard to case exactly when their folded names are equal.
std::string FoldAsciiCase(std::string_view name);

class ProfileScanner {
 public:
  // Opens the file read-only; only a regular file is read (a directory has
  // nothing to read, and a pipe or a device could block or never end). A
  // UTF-8 byte-order mark at the very start is skipped; a file that starts
  // with a UTF-16 byte-order mark (either byte order) is read as UTF-16 and
  // its names and values come out in UTF-8. Lines end with LF, CR LF or a CR
  // alone. The file is closed when the scanner goes.
  explicit ProfileScanner(const std::string& path);
  ~ProfileScanner();
  ProfileScanner(const ProfileScanner&) = delete;
  ProfileScanner& operator=(const ProfileScanner&) = delete;

  bool IsOpen() const;
  // The next line, or nothing at the end of the file.
  std::optional<ProfileLine> Next();
  // The number of the line that Next returned last, from 1.
  std::uint64_t LineNumber() const { return lineNumber_; }

 private:
  class File;
  std::unique_ptr<File> file_;
  std::uint64_t lineNumber_ = 0;
};

}  // namespace ormakin
