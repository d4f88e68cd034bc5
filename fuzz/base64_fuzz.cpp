// Any text decodes without harm, and every byte string survives encoding and
// decoding, zero bytes included.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/config/base64.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string decoded = kp::Base64Decode(input);
  FUZZ_CHECK(decoded.size() <= input.size());

  const std::string encoded = kp::Base64Encode(input);
  FUZZ_CHECK(kp::Base64Decode(encoded) == input);
  std::size_t lineStart = 0;
  for (std::size_t at = encoded.find("\r\n"); at != std::string::npos; at = encoded.find("\r\n", lineStart)) {
    FUZZ_CHECK(at - lineStart == 80);
    lineStart = at + 2;
  }
  FUZZ_CHECK(encoded.size() - lineStart <= 80);
  return 0;
}
