// Symbolic links followed by name, for a file that may not exist yet.
#pragma once

#include <string>

namespace ormakin::posix {

// The name at the end of the chain of symbolic links that starts at `name`:
// `name` itself when it is no link. A link's relative target is taken from
// the link's own folder. A chain that does not end (a loop) gives up after
// as many links as the system itself follows.
std::string LinkTarget(const std::string& name);

// The folder part of a name ("." when it has none) and its last part.
std::string FolderOf(const std::string& name);
std::string LeafOf(const std::string& name);

}  // namespace ormakin::posix
