#include "sim_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ormakin::testing {

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

SimResult RunSim(const std::vector<std::string>& args, const std::string& workDir) {
  return SimProcess(args, workDir).Wait();
}

SimProcess::SimProcess(const std::vector<std::string>& args, const std::string& workDir,
                       const std::string& standardOutput)
    : outPath_(standardOutput.empty() ? outputs_.PathOf("out") : standardOutput),
      errPath_(outputs_.PathOf("err")) {
  std::vector<std::string> argv{ORMAKIN_SIM_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (std::string& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  // The interruptions as a program started from a terminal has them, even
  // where the tests run with some ignored or blocked (in the background).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t interruptions;
  sigemptyset(&interruptions);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&interruptions, signal);
  }
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &interruptions);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, pointers.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    throw std::runtime_error("cannot start " + argv[0]);
  }
  pid_ = pid;
}

SimProcess::~SimProcess() {
  if (!ended_) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
}

void SimProcess::Ended(int status) {
  ended_ = true;
  status_ = status;
}

bool SimProcess::Running() {
  int status = 0;
  if (!ended_ && waitpid(pid_, &status, WNOHANG) == pid_) {
    Ended(status);
  }
  return !ended_;
}

void SimProcess::Signal(int signal) {
  if (!ended_) {
    ::kill(pid_, signal);
  }
}

SimResult SimProcess::Wait() {
  int status = 0;
  while (!ended_) {
    if (waitpid(pid_, &status, 0) == pid_) {
      Ended(status);
    }
  }
  SimResult result;
  result.status = WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
  result.signal = WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
  result.out = outPath_.rfind("/dev/", 0) == 0 ? std::string() : ReadAll(outPath_);
  result.err = ReadAll(errPath_);
  return result;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string LastLine(const std::string& text) {
  const auto lines = Lines(text);
  return lines.empty() ? std::string() : lines.back();
}

}  // namespace ormakin::testing
