#include "cli/command_files.h"

#include <type_traits>
#include <variant>

#include "core/os/character_device.h"
#include "core/os/file_identity.h"
#include "core/settings/ini_file.h"

namespace ormakin::cli {

namespace {

constexpr const char* kStandardOutput = "-";

void AddSettings(CommandFiles& files, const std::optional<std::string>& settings) {
  if (settings) {
    files.inputs.push_back({"--settings", *settings});
  } else {
    files.inputs.push_back({"the settings file beside the program", SettingsFilePath()});
  }
}

void AddOutput(CommandFiles& files, const char* role, const std::optional<std::string>& name) {
  if (name) {
    files.outputs.push_back({role, *name});
  }
}

// One file of the command with where its name leads.
struct Located {
  const NamedFile* file;
  bool standardOutput;
  bool device;  // an output written in place to a character device
  std::optional<FileLocation> location;
};

bool Same(const Located& a, const Located& b) {
  if (a.standardOutput || b.standardOutput) {
    return a.standardOutput && b.standardOutput;
  }
  // Two outputs to one device (/dev/null twice) each write in place; no
  // file holds their bytes for the other to spoil.
  if (a.device && b.device) {
    return false;
  }
  return a.location && b.location && SameLocation(*a.location, *b.location);
}

std::string Describe(const NamedFile& file) {
  return file.role + " " + (file.name == kStandardOutput ? "- (standard output)" : file.name);
}

}  // namespace

CommandFiles FilesOf(const Command& command) {
  CommandFiles files;
  std::visit(
      [&](const auto& options) {
        using T = std::decay_t<decltype(options)>;
        if constexpr (std::is_same_v<T, RunOptions>) {
          files.inputs.push_back({"COURSE", options.course});
          AddSettings(files, options.settings);
          AddOutput(files, "--trace", options.trace);
          AddOutput(files, "--frame", options.frame);
          AddOutput(files, "--path", options.path);
        } else if constexpr (std::is_same_v<T, CheckOptions>) {
          files.inputs.push_back({"COURSE", options.course});
          AddOutput(files, "--mask", options.mask);
        } else if constexpr (std::is_same_v<T, SweepOptions>) {
          files.inputs.push_back({"COURSE", options.course});
          AddSettings(files, options.settings);
          AddOutput(files, "--map", options.map);
        } else if constexpr (std::is_same_v<T, TuneOptions>) {
          for (const std::string& course : options.courses) {
            files.inputs.push_back({"COURSE", course});
          }
          AddSettings(files, options.settings);
          AddOutput(files, "--out", options.out);
        }
        // lint, --help and --version write no file.
      },
      command);
  return files;
}

std::optional<std::string> FindOutputClash(const CommandFiles& files) {
  // Inputs are always read as files: "-" is a file of that name for them.
  std::vector<Located> inputs;
  inputs.reserve(files.inputs.size());
  for (const NamedFile& input : files.inputs) {
    inputs.push_back({&input, false, false, LocateFile(input.name)});
  }
  std::vector<Located> outputs;
  outputs.reserve(files.outputs.size());
  for (const NamedFile& output : files.outputs) {
    const bool standardOutput = output.name == kStandardOutput;
    Located here{&output, standardOutput, !standardOutput && IsCharacterDevice(output.name),
                 standardOutput ? std::nullopt : LocateFile(output.name)};
    for (const auto* others : {&inputs, &outputs}) {
      for (const Located& other : *others) {
        if (Same(here, other)) {
          return Describe(output) + " is the same file as " + Describe(*other.file) +
                 ": an output never replaces what the command reads or writes";
        }
      }
    }
    outputs.push_back(here);
  }
  return std::nullopt;
}

}  // namespace ormakin::cli
