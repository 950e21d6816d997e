// What only the Windows build does: the settings file through the system's
// own reader, its place beside the executable, code page 932 through the
// system's tables, the shell's text conversions and the x87 precision.
#include <gtest/gtest.h>

#include <string>

#include "core/base/text_encoding.h"
#include "core/extended/x87.h"
#include "core/os/windows/wide_text.h"
#include "core/picture/byte_source.h"
#include "core/settings/decimal_mark.h"
#include "core/settings/ini_file.h"
#include "core/settings/profile_reader.h"
#include "support/temp_dir.h"
#include "win/win_platform.h"

namespace ormakin {
namespace {

TEST(WindowsSettingsFile, LiesBesideTheExecutable) {
  char buffer[4096] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  ASSERT_GT(length, 0u);
  std::string expected(buffer, length);
  expected = expected.substr(0, expected.rfind('\\') + 1) + "ormakin.ini";
  EXPECT_EQ(SettingsFilePath(), expected);
}

struct DirectoryCase {
  const char* path;
  const char* directory;
};

TEST(WindowsSettingsFile, DirectoryCutSkipsTrailBytesThatLookLikeBackslashes) {
  // "表" is 0x95 0x5C in code page 932: its second byte is the byte of "\".
  const DirectoryCase cases[] = {
      {"C:\\\x95\x5C\\ormakin.exe", "C:\\\x95\x5C\\"},
      {"C:\\a\\\x95\x5C", "C:\\a\\"},
      {"C:\\\x83\x5C\x83\x74\x83\x67\\b.exe", "C:\\\x83\x5C\x83\x74\x83\x67\\"},
      {"C:/dir/b.exe", "C:/dir/"},
      {"C:b.exe", "C:"},
      {"b.exe", ""},
      {"\x95", ""},  // a lead byte with nothing after it
  };
  for (const DirectoryCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(win::DirectoryOfAnsiPath(c.path, 932), c.directory);
  }
}

TEST(WindowsSettingsFile, ReadsThroughTheSystemReader) {
  const testing::TempDir dir;
  const std::string path = dir.WriteFile(
      "ormakin.ini",
      "; comment\r\n[Car]\r\nInit_X = 12.5 \r\ninit_y=\"7\"\r\ninit_x=99\r\n[state]\r\n"
      "s1_0='1,2,3'\r\nlong=" +
          std::string(3000, 'a') + "\r\n");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadEntry("car", "init_x"), "12.5");  // first match, any case
  EXPECT_EQ(ini.ReadEntry("car", "init_y"), "7");     // quotes dropped
  EXPECT_EQ(ini.ReadEntry("state", "s1_0"), "1,2,3");
  EXPECT_EQ(ini.ReadEntry("state", "missing"), "");
  EXPECT_EQ(ini.ReadEntry("nowhere", "init_x"), "");
  EXPECT_EQ(ini.ReadEntry("state", "long").size(), kMaxProfileValue);
  EXPECT_EQ(ini.ReadNumber("car", "init_x", 5.0), 12.5);
  EXPECT_EQ(TIniFile(dir.PathOf("missing.ini")).ReadEntry("car", "init_x"), "");
}

TEST(WindowsSettingsFile, RelativePathIsTheCurrentDirectorysFile) {
  // The system alone would look for a bare name in the Windows directory.
  const testing::TempDir dir;
  dir.WriteFile("relative.ini", "[car]\ninit_x=3\n");
  char previous[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
  const std::string value = TIniFile("relative.ini").ReadEntry("car", "init_x");
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(value, "3");
}

TEST(WindowsTextEncoding, DecodesCodePage932WithTheSystemTables) {
  // "データ" in code page 932, then a lead byte cut short at the end.
  EXPECT_EQ(ToDisplayText("\x83\x66\x81\x5B\x83\x5E"), "データ");
  EXPECT_EQ(ToDisplayText("a\x83"), "a\xEF\xBF\xBD");
  EXPECT_EQ(ToDisplayText("\xB1"), "ｱ");  // a half-width katakana, one byte
}

TEST(WindowsShell, DialogFilterEndsEachPartWithANul) {
  EXPECT_EQ(win::ToDialogFilter("コースデータ|*.bmp"),
            std::wstring(L"\x30B3\x30FC\x30B9\x30C7\x30FC\x30BF\0*.bmp\0\0", 14));
  EXPECT_EQ(win::ToUtf8(win::ToWide("開く...")), "開く...");
  EXPECT_EQ(win::ToWide(""), L"");
}

TEST(WindowsShell, ASettingsChangeTakesTheUsersLocaleAgain) {
  // German writes "1,5"; the user's own locale is taken back on the notice.
  ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT)));
  RefreshDecimalMark();
  EXPECT_EQ(DecimalMark(), ',');
  win::FollowUserSettings();
  EXPECT_EQ(GetThreadLocale(), GetUserDefaultLCID());
  char mark[2] = {};
  ASSERT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, mark, 2), 2);
  EXPECT_EQ(DecimalMark(), mark[0]);
  SetDecimalMark('.');
}

TEST(WindowsFiles, AnOpenCourseFileMayBeReadButNotWritten) {
  const testing::TempDir dir;
  const std::string path = dir.WriteFile("course.bmp", "BM");
  const FileSource source(path);
  for (const DWORD access : {static_cast<DWORD>(GENERIC_READ), static_cast<DWORD>(GENERIC_WRITE)}) {
    const HANDLE other =
        CreateFileW(win::ToWide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(other != INVALID_HANDLE_VALUE, access == GENERIC_READ) << access;
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
  }
}

TEST(WindowsShell, TheX87RunsAtExtendedPrecision) {
  EXPECT_EQ(PrecisionControl(), 3u);
  volatile long double third = 1.0L;
  third /= 3;
  // A 64-bit mantissa keeps bits that a 53-bit one has rounded away.
  EXPECT_NE(static_cast<long double>(static_cast<double>(third)), third);
}

}  // namespace
}  // namespace ormakin
