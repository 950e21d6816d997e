// What an interruption does, decided by the handler that the system's signal
// handler and the Windows console's handler call: called here directly, with
// outputs under way in memory.
#include "cli/interruption.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/output_file.h"
#include "support/read_file.h"
#include "support/temp_dir.h"

namespace ormakin::cli {
namespace {

using testing::ReadFile;

// The hidden temporary files in a folder.
std::vector<std::string> HiddenFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.front() == '.') {
      names.push_back(name);
    }
  }
  return names;
}

// Ctrl+C, a request to end, and Ctrl+C while a command waits for one to
// stop its work: each with two outputs under way, one over an existing file.
TEST(Interruption, AnInterruptionThatEndsTheProgramRemovesTheTemporaryFilesFirst) {
  struct Case {
    const char* name;
    bool ctrlCStop;
    std::vector<Interruption> interruptions;
    std::vector<bool> goesOn;  // what the handler says to each
  };
  const std::vector<Case> cases = {
      {"Ctrl+C", false, {Interruption::kCtrlC}, {false}},
      {"a request to end", false, {Interruption::kEndRequest}, {false}},
      {"Ctrl+C twice while a command stops on Ctrl+C",
       true,
       {Interruption::kCtrlC, Interruption::kCtrlC},
       {true, false}},
      {"a request to end while a command stops on Ctrl+C",
       true,
       {Interruption::kEndRequest},
       {false}},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    const std::string kept = dir.WriteFile("kept.csv", "old\n");
    OutputFile first(kept);
    OutputFile second(dir.PathOf("new.csv"));
    first.Write(std::string_view("new\n"));
    ASSERT_EQ(HiddenFiles(dir.Path()).size(), 2u) << c.name;
    std::optional<CtrlCStop> stop;
    if (c.ctrlCStop) {
      stop.emplace();
    }
    for (std::size_t i = 0; i < c.interruptions.size(); ++i) {
      const bool goesOn = OnInterruption(c.interruptions[i]);
      EXPECT_EQ(goesOn, c.goesOn[i]) << c.name << ", interruption " << i + 1;
      if (goesOn) {
        // The command goes on to write its outputs: they stay.
        EXPECT_EQ(HiddenFiles(dir.Path()).size(), 2u) << c.name;
        EXPECT_TRUE(stop && stop->Requested()) << c.name;
      }
    }
    EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{}) << c.name;
    EXPECT_EQ(ReadFile(kept), "old\n") << c.name;
    EXPECT_FALSE(std::filesystem::exists(dir.PathOf("new.csv"))) << c.name;
  }
}

}  // namespace
}  // namespace ormakin::cli
