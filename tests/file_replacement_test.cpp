// The operating-system layer's file identity and whole-file writer, as the
// tool's outputs use them; the same cases run on Windows under Wine.
#include "core/os/file_replacement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/errors.h"
#include "core/os/file_identity.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace ormakin {
namespace {

using testing::EntryCount;
using testing::ReadFile;

using ::testing::HasSubstr;
using testing::TempDir;

bool SameFile(const std::string& a, const std::string& b) {
  const auto first = LocateFile(a);
  const auto second = LocateFile(b);
  return first && second && SameLocation(*first, *second);
}

TEST(FileIdentityTest, NamesAreComparedByTheFileOrByTheFolderAndNameTheyWouldTake) {
  const TempDir dir;
  const std::string file = dir.WriteFile("course.bmp", "BM");
  std::filesystem::create_directory(dir.PathOf("sub"));
  struct Case {
    std::string a;
    std::string b;
    bool same;
  };
  const std::vector<Case> cases = {
      {file, dir.PathOf("sub/../course.bmp"), true},
      {file, dir.PathOf("./course.bmp"), true},
      {file, dir.PathOf("course2.bmp"), false},
      // Not taken yet: the same folder and name, however spelled.
      {dir.PathOf("new.csv"), dir.PathOf("sub/../new.csv"), true},
      {dir.PathOf("new.csv"), dir.PathOf("new.png"), false},
      {dir.PathOf("new.csv"), dir.PathOf("sub/new.csv"), false},
      // An existing file and a name not taken are never one file.
      {file, dir.PathOf("course.bmp.new"), false},
      // A folder that does not exist locates nothing, so it clashes with nothing.
      {dir.PathOf("none/a.csv"), dir.PathOf("none/a.csv"), false},
#ifdef _WIN32
      {file, dir.PathOf("COURSE.BMP"), true},
      {dir.PathOf("new.csv"), dir.PathOf("NEW.CSV"), true},
#else
      {dir.PathOf("new.csv"), dir.PathOf("NEW.CSV"), false},
#endif
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameFile(c.a, c.b), c.same) << c.a << " and " << c.b;
  }
}

TEST(FileReplacementTest, TheOldFileStaysUntilTheNewOneIsComplete) {
  const TempDir dir;
  const std::string target = dir.WriteFile("out.txt", "old");
  {
    FileReplacement replacement(target);
    std::fputs("new", replacement.Stream());
    std::fflush(replacement.Stream());
    EXPECT_EQ(ReadFile(target), "old");
    // Abandoned: the temporary file goes with it.
  }
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(EntryCount(dir.Path()), 1u);

  FileReplacement replacement(target);
  std::fputs("new", replacement.Stream());
  replacement.Commit();
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(EntryCount(dir.Path()), 1u);

  // A name not taken yet is made.
  FileReplacement fresh(dir.PathOf("fresh.txt"));
  std::fputs("fresh", fresh.Stream());
  fresh.Commit();
  EXPECT_EQ(ReadFile(dir.PathOf("fresh.txt")), "fresh");
}

TEST(FileReplacementTest, AReadOnlyFileOrAMissingFolderIsRefusedAtOnce) {
  const TempDir dir;
  const std::string locked = dir.WriteFile("locked.txt", "keep");
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
  try {
    FileReplacement replacement(locked);
    ADD_FAILURE() << "a read-only file was opened for replacing";
  } catch (const FileReplacementError& failure) {
    EXPECT_EQ(std::string(failure.what()), "cannot write " + locked + ": the file is read-only");
  }
  EXPECT_EQ(ReadFile(locked), "keep");
  std::filesystem::permissions(locked, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);

  EXPECT_THROW(FileReplacement(dir.PathOf("none/out.txt")), FileReplacementError);
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

#ifdef _WIN32
TEST(FileReplacementTest, AFileThatAnotherProgramHoldsOpenIsReportedSo) {
  const TempDir dir;
  const std::string target = dir.WriteFile("held.txt", "old");
  // Open as an editor opens a file: others may read it, not delete it.
  const HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  FileReplacement replacement(target);
  std::fputs("new", replacement.Stream());
  try {
    replacement.Commit();
    ADD_FAILURE() << "a file held open was replaced";
  } catch (const FileReplacementError& failure) {
    EXPECT_THAT(failure.what(), HasSubstr("another program holds the file open"));
  }
  CloseHandle(held);
  EXPECT_EQ(ReadFile(target), "old");
}
#endif

}  // namespace
}  // namespace ormakin
