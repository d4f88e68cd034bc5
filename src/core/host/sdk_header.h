#pragma once

#include <string>

namespace kp {

// The plugin SDK's declarations of every API function and event, written from
// the core's tables, so the header plugins compile against cannot drift from
// what the core binds. The build checks that sdk/keplinor_api.h equals this text.
[[nodiscard]] std::string GenerateSdkApiHeader();

}  // namespace kp
