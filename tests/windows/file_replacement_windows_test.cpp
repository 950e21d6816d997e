// The whole-file writer's Windows side: what a replacement that the system
// leaves half done does to the target's name, which failures are blamed on
// another program, and targets whose names are as long as a name may be.
// The half-done replacements are played by a stand-in for ReplaceFileW.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/base/errors.h"
#include "core/os/file_replacement.h"
#include "core/os/windows/system_replace_file.h"
#include "core/os/windows/wide_text.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

using testing::EntryCount;
using testing::ReadFile;

using ::testing::HasSubstr;
using testing::TempDir;

// What the stand-in does before it reports its failure.
enum class Partial {
  Nothing,           // both files keep their names
  OldDeleted,        // the old file is gone, the new one keeps its name
  OldAside,          // the old file has the backup's name, the new one its own
  OldAsideNewHeld,   // as OldAside, and the new file cannot be renamed
  OldDeletedNewHeld  // as OldDeleted, and the new file cannot be renamed
};

Partial gPartial = Partial::Nothing;
DWORD gCode = 0;
HANDLE gHeld = INVALID_HANDLE_VALUE;

// Holds `name` open as a program that allows others to read it, not to
// rename it.
void Hold(LPCWSTR name) {
  gHeld = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL WINAPI HalfDoneReplaceFile(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD,
                                LPVOID, LPVOID) {
  switch (gPartial) {
    case Partial::Nothing:
      break;
    case Partial::OldDeleted:
      DeleteFileW(replaced);
      break;
    case Partial::OldAside:
      MoveFileW(replaced, backup);
      break;
    case Partial::OldAsideNewHeld:
      MoveFileW(replaced, backup);
      Hold(replacement);
      break;
    case Partial::OldDeletedNewHeld:
      DeleteFileW(replaced);
      Hold(replacement);
      break;
  }
  SetLastError(gCode);
  return FALSE;
}

// Points the writer at the stand-in for as long as it lives.
struct StandIn {
  StandIn(Partial partial, DWORD code) {
    gPartial = partial;
    gCode = code;
    win::SystemReplaceFile() = &HalfDoneReplaceFile;
  }
  ~StandIn() {
    win::SystemReplaceFile() = &ReplaceFileW;
    LetGo();
  }
  // Closes the file that the stand-in holds open, if any.
  static void LetGo() {
    if (gHeld != INVALID_HANDLE_VALUE) CloseHandle(gHeld);
    gHeld = INVALID_HANDLE_VALUE;
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;
};

constexpr const char* kHeldOpen = "another program holds the file open";

TEST(WindowsFileReplacement, AHalfDoneReplacementNeverLeavesTheTargetsNameEmpty) {
  struct Case {
    const char* what;
    Partial partial;
    DWORD code;
    const char* targetHolds;  // nullptr: nothing has the name
    const char* message;      // part of the failure's message; nullptr: no failure
    bool heldOpen;            // whether the message blames another program
  };
  const Case cases[] = {
      {"the new file not moved, the old one kept", Partial::Nothing,
       ERROR_UNABLE_TO_MOVE_REPLACEMENT, "old", "cannot write", false},
      {"the new file not moved, the old one deleted: the new one is moved in", Partial::OldDeleted,
       ERROR_UNABLE_TO_MOVE_REPLACEMENT, "new", nullptr, false},
      {"the old file aside, the new one not moved: the new one is moved in", Partial::OldAside,
       ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, "new", nullptr, false},
      {"the old file aside, the new one held: the old one is put back", Partial::OldAsideNewHeld,
       ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, "old", "cannot write", false},
      {"the old file deleted, the new one held: the new one is kept and named",
       Partial::OldDeletedNewHeld, ERROR_UNABLE_TO_MOVE_REPLACEMENT, nullptr,
       "the new contents are kept as", false},
      {"a denied access is no other program's doing", Partial::Nothing, ERROR_ACCESS_DENIED, "old",
       "cannot write", false},
      {"a sharing violation", Partial::Nothing, ERROR_SHARING_VIOLATION, "old", kHeldOpen, true},
      {"a lock violation", Partial::Nothing, ERROR_LOCK_VIOLATION, "old", kHeldOpen, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempDir dir;
    const std::string target = dir.WriteFile("out.txt", "old");
    std::string message;
    {
      const StandIn standIn(c.partial, c.code);
      FileReplacement replacement(target);
      std::fputs("new", replacement.Stream());
      try {
        replacement.Commit();
      } catch (const FileReplacementError& failure) {
        message = std::string(failure.what());
      }
      StandIn::LetGo();  // before the writer cleans up after itself
    }
    if (c.message == nullptr) {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_THAT(message, HasSubstr(c.message));
      EXPECT_EQ(message.find(kHeldOpen) != std::string::npos, c.heldOpen) << message;
    }
    if (c.targetHolds != nullptr) {
      EXPECT_EQ(ReadFile(target), c.targetHolds);
      // No scratch file is left beside it.
      EXPECT_EQ(EntryCount(dir.Path()), 1u);
    } else {
      // The new contents are where the message says, and nothing else is left.
      EXPECT_FALSE(std::filesystem::exists(target));
      ASSERT_EQ(EntryCount(dir.Path()), 1u);
      const std::string kept =
          message.substr(message.find(" kept as ") + std::string(" kept as ").size());
      EXPECT_EQ(ReadFile(kept), "new") << kept;
    }
  }
}

TEST(WindowsFileReplacement, ANameAsLongAsANameMayBeIsReplacedAndMade) {
  const TempDir dir;
  // 255 UTF-16 units, the longest leaf; the scratch names beside it need
  // more room than that unless they shorten it.
  for (const std::string& leaf :
       {std::string(251, 'a') + ".txt", std::string(250, 'b') + ".txt", std::string(255, 'c')}) {
    SCOPED_TRACE(leaf.size());
    const std::string target = dir.PathOf(leaf);
    if (leaf[0] == 'a') dir.WriteFile(leaf, "old");
    FileReplacement replacement(target);
    std::fputs("new", replacement.Stream());
    replacement.Commit();
    EXPECT_EQ(ReadFile(target), "new");
  }
  EXPECT_EQ(EntryCount(dir.Path()), 3u);
}

}  // namespace
}  // namespace ormakin
