#include "core/web/socket_lines.h"

namespace kp {

int TryReadLine(TSocket& socket, std::string& line, std::size_t maxLength) noexcept {
  line.clear();
  for (;;) {
    const int byte = socket.TryReadByte();
    if (byte < 0) return byte;
    if (byte == '\n') return 0;
    if (byte == '\r') continue;
    if (line.size() >= maxLength) return socket_error::kOther;
    try {
      line.push_back(static_cast<char>(byte));
    } catch (...) {
      return socket_error::kNoBuffers;
    }
  }
}

std::string ReadLine(TSocket& socket, std::size_t maxLength) {
  std::string line;
  const int result = TryReadLine(socket, line, maxLength);
  if (result < 0) throw ESocket(result);
  return line;
}

std::string_view FirstWord(std::string_view line) noexcept { return line.substr(0, line.find(' ')); }

}  // namespace kp
