// The files that a command reads and writes, and the rule that no output
// lands on one of them: an output that named the course, the settings file
// or another output would destroy what the command reads, or half of what it
// writes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace ormakin::cli {

struct NamedFile {
  std::string role;  // where the command line named it: "COURSE", "--settings", "--trace"
  std::string name;
};

struct CommandFiles {
  std::vector<NamedFile> inputs;
  std::vector<NamedFile> outputs;  // "-" is standard output
};

// What `command` reads and writes. The settings file read by default, the
// one beside the program, is an input too, whether it exists or not.
CommandFiles FilesOf(const Command& command);

// A message naming the first output that is the same file as an input or as
// another output, and that file; nothing when every output is a file of its
// own. Files are told apart by what the system knows them by, not by their
// names, and a name not taken yet by its folder and its name there. Two
// outputs to one character device (/dev/null, NUL) are no clash: each is
// written in place; standard output twice is one.
std::optional<std::string> FindOutputClash(const CommandFiles& files);

}  // namespace ormakin::cli
