#pragma once

#include <string>
#include <string_view>

namespace kp {

// Standard Base64 with "=" padding. A CR LF follows every 60 input bytes (80
// characters), also at the very end; a padded final group has no line break.
[[nodiscard]] std::string Base64Encode(std::string_view bytes);

// Characters outside the alphabet (line breaks, blanks, anything else) are
// skipped; "=" counts as padding. Every group of four characters gives up to three
// bytes, each only when both characters that make it are present and neither is
// padding; a final incomplete group gives what its characters complete.
[[nodiscard]] std::string Base64Decode(std::string_view text);

}  // namespace kp
