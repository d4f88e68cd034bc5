#pragma once
// Text lines over a TSocket, for the line protocols the core speaks.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/web/socket.h"

namespace kp {

// Reads one line: the bytes up to LF, with every CR dropped, so CR LF and a
// bare LF both end a line. A line longer than maxLength bytes is refused with
// socket_error::kOther before the rest of it is read. Returns 0 or a negative
// socket code; the line is complete only on 0.
[[nodiscard]] int TryReadLine(TSocket& socket, std::string& line, std::size_t maxLength) noexcept;
// The same, raising ESocket.
[[nodiscard]] std::string ReadLine(TSocket& socket, std::size_t maxLength);

// The bytes of a line before its first blank.
[[nodiscard]] std::string_view FirstWord(std::string_view line) noexcept;

}  // namespace kp
