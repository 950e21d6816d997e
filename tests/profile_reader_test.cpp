#include "core/settings/profile_reader.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_dir.h"

namespace ormakin {
namespace {

using testing::TempDir;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct LookupCase {
  const char* name;
  const char* file;
  const char* section;
  const char* key;
  const char* expected;
};

TEST(ReadProfileString, FindsValuesByTheFileFormatRules) {
  const LookupCase cases[] = {
      {"plain", "[car]\ninit_x=250\n", "car", "init_x", "250"},
      {"missing key", "[car]\ninit_x=250\n", "car", "init_y", ""},
      {"missing section", "[car]\ninit_x=250\n", "state", "init_x", ""},
      {"key in other section", "[state]\ninit_x=1\n[car]\n", "car", "init_x", ""},
      {"key before any section", "init_x=1\n[car]\n", "car", "init_x", ""},
      {"empty value", "[car]\ninit_x=\n", "car", "init_x", ""},
      {"no final newline", "[car]\ninit_x=250", "car", "init_x", "250"},
      {"CR LF", "[car]\r\ninit_x=250\r\ninit_y=20\r\n", "car", "init_y", "20"},
      {"byte-order mark", "\xEF\xBB\xBF[car]\ninit_x=250\n", "car", "init_x", "250"},
      {"mark only at start", "[car]\n\xEF\xBB\xBFinit_x=250\n", "car", "init_x", ""},
      {"section case", "[CAR]\ninit_x=250\n", "car", "init_x", "250"},
      {"key case", "[car]\nINIT_X=250\n", "car", "init_x", "250"},
      {"asked in upper case", "[car]\ninit_x=250\n", "Car", "Init_X", "250"},
      {"blanks around =", "[car]\n  init_x \t=\t 250  \t\n", "car", "init_x", "250"},
      {"blanks in header", "  [ car ]  ; note\ninit_x=250\n", "car", "init_x", "250"},
      {"blanks inside value kept", "[car]\nk= a \t b \n", "car", "k", "a \t b"},
      {"double quotes", "[car]\nk=\" 25 \"\n", "car", "k", " 25 "},
      {"single quotes", "[car]\nk=' 25 '\n", "car", "k", " 25 "},
      {"one pair only", "[car]\nk=\"\"x\"\"\n", "car", "k", "\"x\""},
      {"unmatched quote", "[car]\nk=\"25\n", "car", "k", "\"25"},
      {"mixed quotes", "[car]\nk=\"25'\n", "car", "k", "\"25'"},
      {"lone quote", "[car]\nk=\"\n", "car", "k", "\""},
      {"comment", "[car]\n;init_x=1\ninit_x=2\n", "car", "init_x", "2"},
      {"indented comment", "[car]\n  ; init_x=1\ninit_x=2\n", "car", "init_x", "2"},
      {"semicolon in value", "[car]\nk=1;2\n", "car", "k", "1;2"},
      {"first key wins", "[car]\nk=1\nk=2\n", "car", "k", "1"},
      {"first section only", "[car]\na=1\n[car]\nk=2\n", "car", "k", ""},
      {"line without =", "[car]\ninit_x 250\ninit_x=3\n", "car", "init_x", "3"},
      {"header without ]", "[car\ninit_x=3\n", "car", "init_x", ""},
      {"equals in value", "[car]\nk=a=b\n", "car", "k", "a=b"},
      {"rule key", "[state]\n1-0=0,0,0\n", "state", "1-0", "0,0,0"},
      {"leading zero key", "[state]\n01-0=9,9,9\n", "state", "1-0", ""},
      {"distinct keys", "[state]\n01-0=9,9,9\n1-0=0,0,0\n", "state", "1-0", "0,0,0"},
      {"other key asked", "[state]\n1-0=0,0,0\n01-0=9,9,9\n", "state", "01-0", "9,9,9"},
      {"empty file", "", "car", "init_x", ""},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const std::string path = dir.WriteFile("case.ini", c.file);
    EXPECT_EQ(ReadProfileString(path, c.section, c.key), c.expected) << c.name;
  }
}

// Files that other readers of the format take differently: line ends, keys
// without "=", NUL bytes, UTF-16, brackets and blanks.
TEST(ReadProfileString, ReadsOddFilesAsTheSystemReaderDoes) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string file;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"CR alone", "[car]\rinit_y=1\rinit_x=2\r", "init_x", "2"},
      {"mixed line ends", "[car]\r\ninit_y=1\rinit_x=2\n", "init_x", "2"},
      {"name without = hides the key", "[car]\n init_X \ninit_x=3\n", "init_x", ""},
      {"NUL ends the value", "[car]\ninit_x= 1 \0 2\n"s, "init_x", "1 "},
      {"NUL before the closing quote", "[car]\ninit_x=\"1\0\"\n"s, "init_x", "\"1"},
      {"NUL ends the name", "[car]\ninit_x\0junk=4\n"s, "init_x", "4"},
      {"NUL ends the section name", "[car\0junk]\ninit_x=5\n"s, "init_x", "5"},
      {"UTF-16", "\xFF\xFE[\0c\0a\0r\0]\0\r\0\n\0k\0=\0\x11\xFF\0\0x\0"s, "k", "\uFF11"},
      {"UTF-16 big-endian", "\xFE\xFF\0[\0c\0a\0r\0]\0\n\0k\0=\xD8\x3D\xDE\x00\0x"s, "k",
       "\U0001F600x"},
      {"UTF-16 lone surrogate", "\xFF\xFE[\0c\0a\0r\0]\0\n\0k\0=\0\x00\xD8x\0"s, "k", "\uFFFDx"},
      {"the name runs to the last ]", "[car]]\ninit_x=1\n[car] ; [x]\ninit_x=2\n", "init_x", ""},
      {"blanks",
       "[car]\n\vinit_x\f=\x1A"
       "6\t\x1A\n",
       "init_x", "6"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.WriteFile("case.ini", c.file);
    EXPECT_EQ(ReadProfileString(path, "car", c.key), c.expected) << c.name;
  }
}

TEST(ReadProfileString, ReadsTheExampleSettingsFile) {
  TempDir dir;
  const std::string path = dir.WriteFile("ormakin.ini",
                                         "[car]\n"
                                         "init_x=250\n"
                                         "init_y=20\n"
                                         "sensor_left=4\n"
                                         "sensor_right=4\n"
                                         "sensor_pos=12\n"
                                         "[state]\n"
                                         "1-4=0,1,1\n"
                                         "1-5=5,1,1\n"
                                         "1-1=10,0.5,1\n"
                                         "1-6=-5,1,1\n"
                                         "1-2=-10,0.5,1\n"
                                         "1-7=0,1,1\n"
                                         "1-0=0,0,0\n");
  const LookupCase cases[] = {
      {"", "", "car", "init_x", "250"},    {"", "", "car", "init_y", "20"},
      {"", "", "car", "sensor_left", "4"}, {"", "", "car", "sensor_right", "4"},
      {"", "", "car", "sensor_pos", "12"}, {"", "", "state", "1-4", "0,1,1"},
      {"", "", "state", "1-5", "5,1,1"},   {"", "", "state", "1-1", "10,0.5,1"},
      {"", "", "state", "1-6", "-5,1,1"},  {"", "", "state", "1-2", "-10,0.5,1"},
      {"", "", "state", "1-7", "0,1,1"},   {"", "", "state", "1-0", "0,0,0"},
      {"", "", "state", "1-3", ""},        {"", "", "state", "2-0", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadProfileString(path, c.section, c.key), c.expected) << c.key;
  }
}

TEST(ReadProfileString, ReadsNothingStaleAfterTheLastLine) {
  // The file ends without a line end in its second buffer's worth, 7 bytes
  // long; in the first, the 7 bytes before "zz=stale" are a comment's start.
  // A reader that served the old buffer after the end would find zz.
  std::string first = "[car]\n;zz=stale\n";
  while (first.size() < 8192) first += first.size() + 6 <= 8192 ? ";pad\n" : "\n";
  const testing::TempDir dir;
  const std::string path = dir.WriteFile("ormakin.ini", first + "k=12345");
  EXPECT_EQ(ReadProfileString(path, "car", "zz"), "");
  EXPECT_EQ(ReadProfileString(path, "car", "k"), "12345");
}

TEST(ReadProfileString, CutsLongValuesTo2047Bytes) {
  TempDir dir;
  const std::string value(5000, 'v');
  const std::string path = dir.WriteFile(
      "long.ini", "[car]\nk=" + value + "\nq=\"" + value + "\"\nt=" + value +
                      std::string(9000, ' ') + "\nexact=" + std::string(2047, 'e') + "\n");
  EXPECT_EQ(ReadProfileString(path, "car", "k"), std::string(kMaxProfileValue, 'v'));
  EXPECT_EQ(ReadProfileString(path, "car", "q"), std::string(kMaxProfileValue, 'v'));
  EXPECT_EQ(ReadProfileString(path, "car", "t"), std::string(kMaxProfileValue, 'v'));
  EXPECT_EQ(ReadProfileString(path, "car", "exact"), std::string(2047, 'e'));
}

TEST(ReadProfileString, HandlesHugeLinesAndNames) {
  TempDir dir;
  const std::string path = dir.WriteFile(
      "huge.ini", "[" + std::string(100000, 'c') + "]\nk=1\n[car]\n" + std::string(100000, 'k') +
                      "=2\n" + "k" + std::string(100000, ' ') + "=" + std::string(100000, ' ') +
                      "3\n");
  EXPECT_EQ(ReadProfileString(path, "car", "k"), "3");
  EXPECT_EQ(ReadProfileString(path, std::string(100000, 'c'), "k"), "");
}

TEST(ReadProfileString, GivesEmptyTextWhenThereIsNothingToRead) {
  TempDir dir;
  EXPECT_EQ(ReadProfileString(dir.PathOf("missing.ini"), "car", "init_x"), "");
  EXPECT_EQ(ReadProfileString(dir.Path(), "car", "init_x"), "");
  EXPECT_EQ(ReadProfileString("", "car", "init_x"), "");
  const std::string fifo = dir.PathOf("pipe.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A pipe without a writer would block a reader that waited for it.
  EXPECT_EQ(ReadProfileString(fifo, "car", "init_x"), "");
}

TEST(ReadProfileString, SeesEveryEditOfTheFile) {
  TempDir dir;
  const std::string path = dir.WriteFile("ormakin.ini", "[car]\ninit_x=1\n");
  EXPECT_EQ(ReadProfileString(path, "car", "init_x"), "1");
  dir.WriteFile("ormakin.ini", "[car]\ninit_x=2\n");
  EXPECT_EQ(ReadProfileString(path, "car", "init_x"), "2");
  std::filesystem::remove(path);
  EXPECT_EQ(ReadProfileString(path, "car", "init_x"), "");
}

TEST(ReadProfileString, LeavesTheFileUnchanged) {
  TempDir dir;
  const std::string content = "\xEF\xBB\xBF[car]\r\ninit_x = \"250\" \r\n[state]\n1-0=0,0,0";
  const std::string path = dir.WriteFile("ormakin.ini", content);
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(ReadProfileString(path, "car", "init_x"), "250");
    ASSERT_EQ(ReadProfileString(path, "state", "1-0"), "0,0,0");
  }
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_EQ(ReadAll(path), content);
  EXPECT_EQ(before.st_size, after.st_size);
  EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
  EXPECT_EQ(before.st_ctim.tv_nsec, after.st_ctim.tv_nsec);
}

TEST(ReadProfileString, OpensTheFileForReadingOnlyAndClosesIt) {
  // The kernel reports how the file was opened and closed: a close without
  // writing proves a read-only open, even for a user whom permissions do not
  // stop (root).
  TempDir dir;
  const std::string path = dir.WriteFile("ormakin.ini", "[car]\ninit_x=250\n");
  const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watcher, 0);
  ASSERT_GE(inotify_add_watch(watcher, path.c_str(),
                              IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_MODIFY),
            0);
  EXPECT_EQ(ReadProfileString(path, "car", "init_x"), "250");
  EXPECT_EQ(ReadProfileString(path, "car", "init_y"), "");

  int opens = 0;
  int readOnlyCloses = 0;
  int writes = 0;
  std::array<char, 4096> buffer{};
  ssize_t got = 0;
  while ((got = read(watcher, buffer.data(), buffer.size())) > 0) {
    for (ssize_t at = 0; at < got;) {
      inotify_event event{};
      std::memcpy(&event, buffer.data() + at, sizeof event);
      if (event.mask & IN_OPEN) ++opens;
      if (event.mask & IN_CLOSE_NOWRITE) ++readOnlyCloses;
      if (event.mask & (IN_CLOSE_WRITE | IN_MODIFY)) ++writes;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
    }
  }
  close(watcher);
  EXPECT_EQ(opens, 2);
  EXPECT_EQ(readOnlyCloses, 2);
  EXPECT_EQ(writes, 0);
}

TEST(ReadProfileString, ReadsAFileInAReadOnlyDirectory) {
  TempDir dir;
  const std::string path = dir.WriteFile("ormakin.ini", "[car]\ninit_x=250\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  std::filesystem::permissions(
      dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_EQ(ReadProfileString(path, "car", "init_x"), "250");
}

}  // namespace
}  // namespace ormakin
