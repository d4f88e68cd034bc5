#pragma once

#include <string>

namespace kp {

// Starts the core without a display: loads the settings and language files from
// the program folder, says that it is up, runs the main loop until SIGINT or
// SIGTERM, then writes the settings back. Returns the process exit code.
int RunHeadless(const std::string& programFolder);

}  // namespace kp
