#pragma once

#include <string>

namespace kp {

// The folder of the running executable with a trailing "/" (from /proc/self/exe),
// computed once. Every data file of the program lives there. Code that reads or
// writes those files takes the folder as an argument, so tests pass a temporary one.
[[nodiscard]] const std::string& ApplicationFolder();
// The running executable's full path; empty when it cannot be read.
[[nodiscard]] const std::string& ExecutablePath();

}  // namespace kp
