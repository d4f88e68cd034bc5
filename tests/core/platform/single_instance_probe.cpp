// A small real program for the single-instance tests:
//
//   single_instance_probe [--count=N] [--wait=MS] <runtime folder> [link]
//
// The first copy prints "primary" and then one line per request it receives
// ("SHOW" or "LINK <text>"), the way the desktop program does it: the listener
// posts each request to the main thread's queue. It ends after N requests when
// --count is given, and on SIGTERM or SIGINT. A later copy hands over SHOW, or
// the link when one is given, waiting at most MS milliseconds for the answer,
// prints "handed over" or "no listener" and ends with 0; any other outcome is
// printed and ends with 1.

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/host/main_loop.h"
#include "core/host/main_thread_queue.h"
#include "core/platform/single_instance.h"

namespace {

void PrintLine(const std::string& line) {
  std::fputs((line + '\n').c_str(), stdout);
  std::fflush(stdout);
}

int Usage() {
  std::fputs("usage: single_instance_probe [--count=N] [--wait=MS] <runtime folder> [link]\n", stderr);
  return 2;
}

std::optional<long> NumberAfter(std::string_view argument, std::string_view prefix) {
  if (!argument.starts_with(prefix)) return std::nullopt;
  const std::string digits(argument.substr(prefix.size()));
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(digits.c_str(), &end, 10);
  if (digits.empty() || *end != '\0' || errno != 0 || value < 0) return std::nullopt;
  return value;
}

std::string Describe(kp::THandOverStatus status) {
  switch (status) {
    case kp::THandOverStatus::Delivered:
      return "handed over";
    case kp::THandOverStatus::NoListener:
      return "no listener";
    case kp::THandOverStatus::NoAnswer:
      return "no answer";
    case kp::THandOverStatus::Refused:
      return "refused";
    case kp::THandOverStatus::InvalidRequest:
      return "invalid request";
    case kp::THandOverStatus::Failed:
      break;
  }
  return "failed";
}

// Returns the exit code, or -1 when this copy is not the primary instance.
int Serve(kp::TSingleInstance& instance, kp::TMainThreadQueue& queue, kp::TMainLoop& loop, long count) {
  long served = 0;
  const kp::TInstanceStart start = instance.Start([&](kp::TInstanceRequest request) {
    queue.Post([&, request = std::move(request)] {
      PrintLine(request.kind == kp::TInstanceRequest::TKind::Show ? "SHOW" : "LINK " + request.link);
      if (count > 0 && ++served >= count) loop.Quit(0);
    });
  });
  if (start.role != kp::TInstanceRole::Primary) return -1;
  PrintLine("primary");

  // SIGTERM and SIGINT are blocked in every thread; the loop picks them up.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  loop.AddTimer(std::chrono::milliseconds(50), [&] {
    const timespec now{};
    if (sigtimedwait(&stopSignals, nullptr, &now) > 0) loop.Quit(0);
  });
  return loop.Run();
}

}  // namespace

int main(int argc, char** argv) {
  long count = 0;
  long waitMs = kp::kDefaultHandOverWait.count();
  int next = 1;
  for (; next < argc && std::string_view(argv[next]).starts_with("--"); ++next) {
    if (auto value = NumberAfter(argv[next], "--count=")) {
      count = *value;
    } else if (auto wait = NumberAfter(argv[next], "--wait=")) {
      waitMs = *wait;
    } else {
      return Usage();
    }
  }
  if (argc - next < 1 || argc - next > 2) return Usage();
  const std::string folder = argv[next];
  const std::optional<std::string> link = argc - next == 2 ? std::optional<std::string>(argv[next + 1]) : std::nullopt;

  // Blocked before any thread starts, so every thread inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  // The queue outlives the instance, whose listener posts to it until it stops.
  kp::TMainThreadQueue queue;
  kp::TMainLoop loop(queue);
  kp::TSingleInstance instance(folder);
  const int served = Serve(instance, queue, loop, count);
  if (served >= 0) return served;

  if (instance.Role() != kp::TInstanceRole::Secondary) {
    PrintLine("failed to start");
    return 1;
  }
  const kp::THandOverResult result = instance.HandOver(
      link ? kp::TInstanceRequest::Link(*link) : kp::TInstanceRequest::Show(), std::chrono::milliseconds(waitMs));
  std::string text = Describe(result.status);
  if (result.status == kp::THandOverStatus::Failed) text += std::string(": ") + std::strerror(result.error);
  PrintLine(text);
  const bool expected =
      result.status == kp::THandOverStatus::Delivered || result.status == kp::THandOverStatus::NoListener;
  return expected ? 0 : 1;
}
