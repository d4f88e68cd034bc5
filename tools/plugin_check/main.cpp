// keplinor-plugin-check: runs a plugin library in the real core, headless,
// through scripted scenarios, each in a process of its own so that a plugin
// that crashes or hangs fails that scenario and no other.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/host/process_dispatch.h"
#include "kit_harness.h"

namespace kp::kit {
namespace {

namespace fs = std::filesystem;

// The descriptor a scenario's process writes its report to; its standard
// output and error belong to the plugin.
constexpr int kReportFd = 3;
constexpr int kUsageError = 2;

struct TArguments {
  std::string plugin;
  std::vector<std::string> scenarios;  // empty: all
  std::vector<std::string> files;
  int timeoutSeconds = 10;
  bool verbose = false;
  std::string childFolder;  // set: this process runs one scenario there
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: keplinor-plugin-check <plugin library> [--scenario NAME]... [--timeout SECONDS]\n"
               "                             [--file PATH]... [--verbose]\n"
               "  --scenario NAME  run only this scenario (may be repeated)\n"
               "  --timeout N      seconds a plugin may take to answer (default 10)\n"
               "  --file PATH      a file the plugin needs beside its library (may be repeated)\n"
               "scenarios:\n");
  for (const TScenario& scenario : Scenarios()) std::fprintf(stderr, "  %-10s %s\n", scenario.name, scenario.what);
}

const TScenario* FindScenario(std::string_view name) {
  for (const TScenario& scenario : Scenarios()) {
    if (name == scenario.name) return &scenario;
  }
  return nullptr;
}

bool ParseArguments(int argc, char** argv, TArguments& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--verbose") {
      out.verbose = true;
    } else if (argument == "--scenario" && hasValue) {
      out.scenarios.emplace_back(argv[++i]);
      if (!FindScenario(out.scenarios.back())) {
        std::fprintf(stderr, "unknown scenario: %s\n", out.scenarios.back().c_str());
        return false;
      }
    } else if (argument == "--timeout" && hasValue) {
      char* end = nullptr;
      const long seconds = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || seconds < 1 || seconds > 3600) return false;
      out.timeoutSeconds = static_cast<int>(seconds);
    } else if (argument == "--file" && hasValue) {
      out.files.emplace_back(argv[++i]);
    } else if (argument == "--child-folder" && hasValue) {
      out.childFolder = argv[++i];
    } else if (!argument.starts_with("--") && out.plugin.empty()) {
      out.plugin = argument;
    } else {
      return false;
    }
  }
  return !out.plugin.empty();
}

// ---- one scenario, in this process ----------------------------------------------

int RunChild(const TArguments& arguments) {
  const TScenario* scenario = arguments.scenarios.size() == 1 ? FindScenario(arguments.scenarios[0]) : nullptr;
  if (!scenario) return kUsageError;
  TReport report(kReportFd);
  int exitCode = 0;
  {
    TKit kit(TKitOptions{arguments.plugin, arguments.childFolder, arguments.files,
                         std::chrono::seconds(arguments.timeoutSeconds)},
             report);
    const bool started = kit.Start([scenario](TKit& k) {
      if (scenario->beforeStart) scenario->beforeStart(k);
    });
    if (started) scenario->body(kit);
    kit.Finish();
    exitCode = report.Failed() ? 1 : 0;
  }
  ProcessMainThreadQueue().Close();
  report.Done();
  return exitCode;
}

// ---- the scenarios, each in a child -------------------------------------------

struct TOutcome {
  bool passed = false;
  bool done = false;
  std::string reason;
  std::vector<std::string> faults, notes, details;
};

std::string SelfPath(const char* argv0) {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string(argv0) : self.string();
}

void TakeLines(std::string& buffer, TOutcome& outcome) {
  std::size_t end = 0;
  while ((end = buffer.find('\n')) != std::string::npos) {
    const std::string line = buffer.substr(0, end);
    buffer.erase(0, end + 1);
    const std::size_t blank = line.find(' ');
    const std::string kind = line.substr(0, blank);
    const std::string text = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (kind == "fault") outcome.faults.push_back(text);
    if (kind == "note") outcome.notes.push_back(text);
    if (kind == "detail") outcome.details.push_back(text);
    if (kind == "done") outcome.done = true;
  }
}

TOutcome RunScenarioProcess(const TArguments& arguments, const std::string& self, const std::string& name,
                            const std::string& folder) {
  TOutcome outcome;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    outcome.reason = "the kit could not make a pipe";
    return outcome;
  }
  std::vector<std::string> words = {self, arguments.plugin, "--scenario", name, "--timeout",
                                    std::to_string(arguments.timeoutSeconds), "--child-folder", folder};
  for (const std::string& file : arguments.files) words.insert(words.end(), {"--file", file});
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t child = ::fork();
  if (child == 0) {
    // Only async-signal-safe calls until exec.
    ::dup2(pipeFds[1], kReportFd);  // dup2 clears close-on-exec on the copy
    if (!arguments.verbose) {
      const int null = ::open("/dev/null", O_WRONLY);
      if (null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
      }
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  if (child < 0) {
    ::close(pipeFds[0]);
    outcome.reason = "the kit could not start a process";
    return outcome;
  }
  // Every wait of a scenario is bounded by the time-out; a few of them in a
  // row, the start and the end fit in this.
  const int limitSeconds = arguments.timeoutSeconds * 3 + 20;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  std::string buffer;
  int status = 0;
  bool ended = false;
  bool timedOut = false;
  while (!ended) {
    pollfd entry{pipeFds[0], POLLIN, 0};
    if (::poll(&entry, 1, 50) > 0) {
      char chunk[4096];
      const ssize_t got = ::read(pipeFds[0], chunk, sizeof chunk);
      if (got > 0) buffer.append(chunk, static_cast<std::size_t>(got));
    }
    const pid_t waited = ::waitpid(child, &status, WNOHANG);
    if (waited == child) {
      ended = true;
    } else if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(child, SIGKILL);  // our own child, and only it
      ::waitpid(child, &status, 0);
      ended = timedOut = true;
    }
  }
  // What the child wrote just before it ended.
  for (;;) {
    char chunk[4096];
    pollfd entry{pipeFds[0], POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0) break;
    const ssize_t got = ::read(pipeFds[0], chunk, sizeof chunk);
    if (got <= 0) break;
    buffer.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(pipeFds[0]);
  buffer += '\n';
  TakeLines(buffer, outcome);

  if (timedOut) {
    outcome.reason = "did not finish within " + std::to_string(limitSeconds) + " s";
  } else if (WIFSIGNALED(status)) {
    outcome.reason = "crashed with signal " + std::to_string(WTERMSIG(status)) + " (" +
                     ::strsignal(WTERMSIG(status)) + ")";
  } else if (!outcome.faults.empty()) {
    outcome.reason = outcome.faults.front();
    outcome.faults.erase(outcome.faults.begin());
  } else if (!outcome.done) {
    outcome.reason = "ended the process before the scenario's end (exit code " +
                     std::to_string(WEXITSTATUS(status)) + ")";
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    outcome.passed = true;
  } else {
    outcome.reason = "ended with exit code " + std::to_string(WEXITSTATUS(status));
  }
  return outcome;
}

int RunAll(const TArguments& arguments, const char* argv0) {
  std::error_code error;
  if (!fs::is_regular_file(arguments.plugin, error)) {
    std::fprintf(stderr, "no such file: %s\n", arguments.plugin.c_str());
    return kUsageError;
  }
  const std::string self = SelfPath(argv0);
  const char* temp = std::getenv("TMPDIR");
  std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/keplinor-kit-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::fprintf(stderr, "cannot make a temporary folder: %s\n", std::strerror(errno));
    return kUsageError;
  }
  TArguments forChildren = arguments;
  forChildren.plugin = fs::absolute(arguments.plugin).string();
  int failed = 0;
  for (const TScenario& scenario : Scenarios()) {
    if (!arguments.scenarios.empty() &&
        std::find(arguments.scenarios.begin(), arguments.scenarios.end(), scenario.name) ==
            arguments.scenarios.end()) {
      continue;
    }
    const std::string folder = pattern + "/" + scenario.name + "/";
    fs::create_directories(folder, error);
    const TOutcome outcome = RunScenarioProcess(forChildren, self, scenario.name, folder);
    if (outcome.passed) {
      std::printf("ok   %s\n", scenario.name);
    } else {
      ++failed;
      std::printf("FAIL %s: %s\n", scenario.name, outcome.reason.c_str());
    }
    for (const std::string& fault : outcome.faults) std::printf("       also: %s\n", fault.c_str());
    for (const std::string& note : outcome.notes) std::printf("       note: %s\n", note.c_str());
    if (arguments.verbose || !outcome.passed) {
      for (const std::string& detail : outcome.details) std::printf("       %s\n", detail.c_str());
    }
    std::fflush(stdout);
  }
  fs::remove_all(pattern, error);
  std::printf("%s: %d scenario(s) failed\n", failed ? "FAILED" : "PASSED", failed);
  return failed ? 1 : 0;
}

}  // namespace
}  // namespace kp::kit

int main(int argc, char** argv) {
  kp::kit::TArguments arguments;
  if (!kp::kit::ParseArguments(argc, argv, arguments)) {
    kp::kit::PrintUsage();
    return kp::kit::kUsageError;
  }
  if (!arguments.childFolder.empty()) return kp::kit::RunChild(arguments);
  return kp::kit::RunAll(arguments, argv[0]);
}
