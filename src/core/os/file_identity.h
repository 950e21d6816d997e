// Whether two names reach one file, asked of the system rather than read
// from the names: "out.csv", "./out.csv", a symbolic link to it and a hard
// link all reach the same file, and on Windows "OUT.CSV" does too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ormakin {

// What the system tells one file from another by, whatever name reaches it:
// the device and inode on POSIX systems, the volume serial number and file
// index on Windows.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Where a name leads: the file it names, or, for a name that is not taken
// yet, the folder the file would be made in and the file's name there.
struct FileLocation {
  FileIdentity identity;  // the file's, or the folder's when `leaf` is set
  std::optional<std::string> leaf;
};

// Where `name` leads, symbolic links followed (a dangling link leads where
// it points). Nothing when neither the file nor its folder exists.
std::optional<FileLocation> LocateFile(const std::string& name);

// Whether two locations are one file: the same file, or the same name in
// the same folder (without regard to case where the system ignores it).
bool SameLocation(const FileLocation& a, const FileLocation& b);

}  // namespace ormakin
