// The files that ormakin-sim writes: never over what a command reads or
// over another of its outputs, whole or not at all, and write errors named
// by their cause.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "sim_runner.h"
#include "support/course_builder.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ormakin::testing {
namespace {

using ::testing::HasSubstr;

constexpr const char* kSettings = "[car]\ninit_x=20\ninit_y=5\n[state]\n1-4=0,1,1\n1-0=0,0,0\n";

// Every entry of a folder tree with its size and a digest of its bytes (a
// link by where it points), short enough to print when two differ.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string path = entry.path().string();
    if (entry.is_symlink()) {
      entries[path] = "-> " + std::filesystem::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      const std::string bytes = ReadFile(path);
      entries[path] = std::to_string(bytes.size()) + " bytes, " +
                      std::to_string(std::hash<std::string>{}(bytes));
    } else {
      entries[path] = "<folder>";
    }
  }
  return entries;
}

// Each {name} in `args` replaced by its value.
std::vector<std::string> Expand(const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& values) {
  std::vector<std::string> expanded;
  for (std::string arg : args) {
    for (const auto& [key, value] : values) {
      for (std::size_t at; (at = arg.find("{" + key + "}")) != std::string::npos;) {
        arg.replace(at, key.size() + 2, value);
      }
    }
    expanded.push_back(arg);
  }
  return expanded;
}

std::uint32_t Permissions(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

class OutputTest : public ::testing::Test {
 protected:
  OutputTest() {
    course_ = dir_.WriteFile("course.bmp", StraightCourse());
    course2_ = dir_.WriteFile("course2.bmp", StraightCourse());
    settings_ = dir_.WriteFile("car.ini", kSettings);
    std::filesystem::create_directory(dir_.PathOf("sub"));
  }

  // A vertical line three pixels wide at x = 19..21 down a 40 x 60 course.
  static std::string StraightCourse() {
    return LineCourseBmp(40, 60, [](int x, int) { return x >= 19 && x <= 21; });
  }

  std::map<std::string, std::string> Values() const {
    return {
        {"course", course_}, {"course2", course2_}, {"settings", settings_}, {"dir", dir_.Path()}};
  }

  TempDir dir_;
  std::string course_;
  std::string course2_;
  std::string settings_;
};

// One case per output option and per way two names reach one file: the same
// name, another spelling, a symbolic and a hard link, a name not taken yet,
// standard output twice, the settings file read by default.
TEST_F(OutputTest, AnOutputOnAnInputOrAnotherOutputIsRefusedBeforeAnythingIsWritten) {
  std::filesystem::create_symlink(course_, dir_.PathOf("course-link.bmp"));
  std::filesystem::create_hard_link(settings_, dir_.PathOf("car-hard.ini"));
  const std::string beside =
      std::filesystem::path(ORMAKIN_SIM_PATH).parent_path().string() + "/ormakin.ini";
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"run", "{course}", "--settings", "{settings}", "--trace", "{settings}"},
       "--trace {settings} is the same file as --settings {settings}"},
      {{"run", "{course}", "--settings", "{settings}", "--frame", "{dir}/sub/../course.bmp"},
       "--frame {dir}/sub/../course.bmp is the same file as COURSE {course}"},
      {{"run", "{course}", "--settings", "{settings}", "--path", "{dir}/course-link.bmp"},
       "--path {dir}/course-link.bmp is the same file as COURSE {course}"},
      {{"run", "{course}", "--settings", "{settings}", "--trace", "{dir}/new.csv", "--frame",
        "{dir}/sub/../new.csv"},
       "--frame {dir}/sub/../new.csv is the same file as --trace {dir}/new.csv"},
      {{"run", "{course}", "--settings", "{settings}", "--trace", "-", "--path", "-"},
       "--path - (standard output) is the same file as --trace - (standard output)"},
      {{"run", "{course}", "--settings", "{dir}/none.ini", "--trace", "{dir}/sub/../none.ini"},
       "--trace {dir}/sub/../none.ini is the same file as --settings {dir}/none.ini"},
      {{"run", "{course}", "--trace", beside},
       "--trace " + beside + " is the same file as the settings file beside the program " + beside},
      {{"check", "{course}", "--mask", "{dir}/./course.bmp"},
       "--mask {dir}/./course.bmp is the same file as COURSE {course}"},
      {{"sweep", "{course}", "--settings", "{settings}", "--map", "{settings}"},
       "--map {settings} is the same file as --settings {settings}"},
      {{"tune", "{course}", "{course2}", "--settings", "{settings}", "--out", "{course2}"},
       "--out {course2} is the same file as COURSE {course2}"},
      {{"tune", "{course}", "--settings", "{settings}", "--out", "{dir}/car-hard.ini"},
       "--out {dir}/car-hard.ini is the same file as --settings {settings}"},
  };
  const bool besideExists = std::filesystem::exists(beside);
  const std::string besideBytes = besideExists ? ReadFile(beside) : "";
  const auto before = Snapshot(dir_.Path());
  for (const Case& c : cases) {
    const std::vector<std::string> args = Expand(c.args, Values());
    const SimResult r = RunSim(args);
    const std::string message = Expand({c.message}, Values()).front();
    EXPECT_EQ(r.status, 2) << message << "\n" << r.err;
    EXPECT_EQ(r.err, "ormakin-sim: " + message +
                         ": an output never replaces what the command reads or writes\n");
    EXPECT_EQ(r.out, "") << message;
    EXPECT_EQ(Snapshot(dir_.Path()), before) << message;
    EXPECT_EQ(std::filesystem::exists(beside), besideExists);
    if (besideExists) {
      EXPECT_EQ(ReadFile(beside), besideBytes);
    }
  }
}

// Every output option, on a device whose every write fails: the cause of the
// first failure is named, and the device is written in place, not replaced.
TEST_F(OutputTest, AWriteErrorNamesItsCauseAndLeavesTheDeviceInPlace) {
  struct stat device {};
  if (::stat("/dev/full", &device) != 0 || !S_ISCHR(device.st_mode)) {
    GTEST_SKIP() << "this system has no /dev/full";
  }
  const std::vector<std::vector<std::string>> cases = {
      {"run", "{course}", "--settings", "{settings}", "--trace", "/dev/full"},
      {"run", "{course}", "--settings", "{settings}", "--frame", "/dev/full"},
      {"run", "{course}", "--settings", "{settings}", "--path", "/dev/full"},
      {"check", "{course}", "--mask", "/dev/full"},
      {"sweep", "{course}", "--settings", "{settings}", "--around", "1", "--ticks", "20", "--map",
       "/dev/full"},
      {"tune", "{course}", "--settings", "{settings}", "--ticks", "20", "--evaluations", "2",
       "--out", "/dev/full"},
  };
  for (const auto& args : cases) {
    const SimResult r = RunSim(Expand(args, Values()));
    EXPECT_EQ(r.status, 1) << args[0] << " " << args[args.size() - 2];
    EXPECT_THAT(r.err, HasSubstr("cannot write /dev/full: No space left on device"))
        << args[0] << " " << args[args.size() - 2];
    struct stat after {};
    ASSERT_EQ(::stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, device.st_rdev);
  }
}

// Outputs written in place to one device do not spoil each other; standard
// output twice still is a clash (above).
TEST_F(OutputTest, TwoOutputsOnOneDeviceAreNoClash) {
  const SimResult r = RunSim({"run", course_, "--settings", settings_, "--ticks", "3", "--trace",
                              "/dev/null", "--frame", "/dev/null", "--path", "/dev/null"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

TEST_F(OutputTest, TheTraceOnAFullStandardOutputNamesTheCause) {
  struct stat device {};
  if (::stat("/dev/full", &device) != 0 || !S_ISCHR(device.st_mode)) {
    GTEST_SKIP() << "this system has no /dev/full";
  }
  SimProcess sim({"run", course_, "--settings", settings_, "--trace", "-"}, "/tmp", "/dev/full");
  const SimResult r = sim.Wait();
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot write -: No space left on device"));
}

// A relative link is followed from its own folder, not from the folder the
// tool was started in, where a file of the link's target's name lies too.
TEST_F(OutputTest, ARelativeLinkLeadsFromItsOwnFolder) {
  std::filesystem::create_directory(dir_.PathOf("elsewhere"));
  const std::string decoy = dir_.WriteFile("elsewhere/trace.csv", "not this one\n");
  const std::string target = dir_.WriteFile("sub/trace.csv", "old trace\n");
  const std::string link = dir_.PathOf("sub/link.csv");
  std::filesystem::create_symlink("trace.csv", link);
  for (const std::string& name : {link, std::string("../sub/link.csv")}) {
    const SimResult r =
        RunSim({"run", course_, "--settings", settings_, "--ticks", "3", "--trace", name},
               dir_.PathOf("elsewhere"));
    ASSERT_EQ(r.status, 0) << name << "\n" << r.err;
    EXPECT_EQ(ReadFile(decoy), "not this one\n") << name;
    EXPECT_THAT(ReadFile(target), ::testing::StartsWith("tick,x,y,direction,sensor_bits,state\n"))
        << name;
    EXPECT_TRUE(std::filesystem::is_symlink(link)) << name;
    std::filesystem::remove(target);
    dir_.WriteFile("sub/trace.csv", "old trace\n");
  }
  // The clash check follows it so too: the link leads to an input.
  const SimResult r =
      RunSim({"run", course_, "--settings", target, "--trace", link}, dir_.PathOf("elsewhere"));
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(ReadFile(decoy), "not this one\n");
}

// Ctrl+C, a request to end and the terminal's hang-up end a command at once,
// without leaving the temporary file of its output beside it. tune makes its
// --out first and then runs the start on a ring for more ticks than a test
// waits for.
TEST_F(OutputTest, AnInterruptedCommandLeavesNoTemporaryFile) {
  const std::string ring =
      dir_.WriteFile("ring.bmp", LineCourseBmp(120, 120, Ring(60, 60, 40, 2.5)));
  const std::string follower = dir_.WriteFile("follower.ini", FollowerSettings(100, 60));
  const std::string out = dir_.WriteFile("sub/tuned.ini", "; my own rules\n");
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SimProcess sim({"tune", ring, "--settings", follower, "--ticks", "4000000000", "--evaluations",
                    "100", "--jobs", "1", "--out", out});
    // Until its temporary file is there (or it ended, which fails below).
    const auto temporaryFiles = [&] {
      std::vector<std::string> names;
      for (const auto& entry : std::filesystem::directory_iterator(dir_.PathOf("sub"))) {
        if (entry.path().filename().string().front() == '.') {
          names.push_back(entry.path().string());
        }
      }
      return names;
    };
    while (temporaryFiles().empty() && sim.Running()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(sim.Running()) << strsignal(signal);
    sim.Signal(signal);
    const SimResult r = sim.Wait();
    EXPECT_EQ(r.signal, signal) << strsignal(signal) << "\n" << r.err;
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{}) << strsignal(signal);
    EXPECT_EQ(ReadFile(out), "; my own rules\n") << strsignal(signal);
  }
}

TEST_F(OutputTest, APipeIsWrittenInPlace) {
  const std::string pipe = dir_.PathOf("trace.pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // Opened for reading first, so that the tool's open does not wait; the few
  // rows fit in the pipe's buffer, so the tool ends before they are read.
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const SimResult r =
      RunSim({"run", course_, "--settings", settings_, "--ticks", "3", "--trace", pipe});
  std::string bytes;
  std::array<char, 4096> buffer{};
  for (ssize_t got; (got = ::read(reader, buffer.data(), buffer.size())) > 0;) {
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
  }
  ::close(reader);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(bytes, ::testing::StartsWith("tick,x,y,direction,sensor_bits,state\n0,"));
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

TEST_F(OutputTest, AnExistingFileIsReplacedWholeThroughALinkWithItsPermissions) {
  std::filesystem::create_directory(dir_.PathOf("kept"));
  const std::string target = dir_.WriteFile("kept/trace.csv", "old trace\n");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const std::string link = dir_.PathOf("trace-link.csv");
  std::filesystem::create_symlink("kept/trace.csv", link);

  const SimResult r = RunSim(
      {"run", course_, "--settings", settings_, "--ticks", "3", "--trace", link}, dir_.Path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_THAT(ReadFile(target), ::testing::StartsWith("tick,x,y,direction,sensor_bits,state\n"));
  EXPECT_EQ(Permissions(target), 0640u);
  // Nothing else appeared: the temporary file became the target.
  EXPECT_EQ(Snapshot(dir_.PathOf("kept")).size(), 1u);
}

TEST_F(OutputTest, AReadOnlyFileIsRefusedAndStaysAsItWas) {
  const std::string locked = dir_.WriteFile("locked.csv", "keep me\n");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  const auto before = Snapshot(dir_.Path());
  const SimResult r = RunSim({"run", course_, "--settings", settings_, "--trace", locked});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot write " + locked + ": the file is read-only"));
  EXPECT_EQ(Snapshot(dir_.Path()), before);
  EXPECT_EQ(Permissions(locked), 0444u);
}

TEST_F(OutputTest, ATuneThatFailsLeavesAnExistingOutUntouched) {
  const std::string out = dir_.WriteFile("tuned.ini", "; my own rules\n");
  const auto before = Snapshot(dir_.Path());
  const std::string missing = dir_.PathOf("missing.bmp");
  const SimResult r = RunSim({"tune", course_, missing, "--settings", settings_, "--ticks", "20",
                              "--evaluations", "2", "--out", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("missing.bmp"));
  EXPECT_EQ(Snapshot(dir_.Path()), before);
}

TEST_F(OutputTest, TuneOpensItsOutBeforeItReadsTheOtherCoursesOrSearches) {
  // Were the output opened at the end, the missing course would be reported.
  const std::string out = dir_.PathOf("no/such/folder/tuned.ini");
  const SimResult r = RunSim({"tune", course_, dir_.PathOf("missing.bmp"), "--settings", settings_,
                              "--evaluations", "100000", "--out", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot write " + out + ": No such file or directory"));
}

}  // namespace
}  // namespace ormakin::testing
