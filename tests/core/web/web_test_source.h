#pragma once
// A byte source over memory that hands its bytes out in pieces of a chosen
// size, so the reader's buffering is exercised at every cut.

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "core/web/web_response.h"

namespace kp::test {

class TMemoryByteSource : public IWebByteSource {
 public:
  // endCode: what Receive gives once the bytes are used up (0 a clean close, negative a failure).
  TMemoryByteSource(std::string_view bytes, std::size_t pieceSize, int endCode = 0)
      : bytes_(bytes), pieceSize_(std::max<std::size_t>(pieceSize, 1)), endCode_(endCode) {}

  int Receive(char* buffer, int size) override {
    const std::size_t take =
        std::min({pieceSize_, bytes_.size() - position_, static_cast<std::size_t>(size)});
    if (take == 0) return endCode_;
    std::memcpy(buffer, bytes_.data() + position_, take);
    position_ += take;
    return static_cast<int>(take);
  }

 private:
  std::string bytes_;
  std::size_t pieceSize_;
  int endCode_;
  std::size_t position_ = 0;
};

}  // namespace kp::test
