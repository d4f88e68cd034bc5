#pragma once
// The shared log of the test plugins as C++ lines, for the tests that read it.

#include <string>
#include <vector>

#include "recorder.h"

namespace kp::test {

inline std::vector<std::string> RecordedLines() {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < kp_test_record_count(); ++i) {
    char buffer[1024];
    kp_test_record_at(i, buffer, sizeof buffer);
    lines.emplace_back(buffer);
  }
  return lines;
}

// The same lines with the addresses a startup line carries left out: its
// "name:startup" stays, so whole runs compare with a fixed list.
inline std::vector<std::string> RecordedLinesWithoutAddresses() {
  std::vector<std::string> lines;
  for (const std::string& line : RecordedLines()) {
    const auto startup = line.find(":startup");
    lines.push_back(startup != std::string::npos ? line.substr(0, startup + 8) : line);
  }
  return lines;
}

}  // namespace kp::test
