#pragma once
// What the benchmarks that race `find` over the same tree share: the best
// times of each side, one timed run of find, and the counters that report
// both with their ratio. Processor time is given beside wall time because it
// holds steadier while other work competes for the machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace kp {

// The best (smallest) of the rounds, for each measure.
struct Times {
  double wall = std::numeric_limits<double>::max();
  double processor = std::numeric_limits<double>::max();

  void KeepBest(const Times& other) {
    wall = std::min(wall, other.wall);
    processor = std::min(processor, other.processor);
  }
};

inline double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

inline double ElapsedSeconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// User and system time of the whole process (RUSAGE_SELF) or this thread.
inline double ProcessorSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// One run of `find <root> <arguments...> > /dev/null`; nothing when it could
// not be run or failed.
inline std::optional<Times> TimeFind(const std::string& root, std::vector<std::string> arguments = {}) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = "find";
  std::string path = root;
  std::vector<char*> argv{program.data(), path.data()};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = ::posix_spawnp(&child, "find", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  Times times;
  times.wall = ElapsedSeconds(start);
  times.processor = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  return times;
}

// "<ours>_s", "find_s", "ratio" and their processor-time twins.
inline void ReportAgainstFind(benchmark::State& state, const std::string& ours, const Times& mine,
                              const Times& find) {
  state.counters[ours + "_s"] = mine.wall;
  state.counters["find_s"] = find.wall;
  state.counters["ratio"] = mine.wall / find.wall;
  state.counters[ours + "_cpu_s"] = mine.processor;
  state.counters["find_cpu_s"] = find.processor;
  state.counters["cpu_ratio"] = mine.processor / find.processor;
}

}  // namespace kp
