// The ID3v2 reader on arbitrary file contents: one read, a size within the file,
// clean bounded texts, and texts only from version 2.3 tags.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/sharing/id3v2.h"
#include "fuzz_check.h"
#include "mp3_fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kp::TMemoryByteSource source(std::span(data, size));
  kp::TID3v2 tag;
  const bool read = tag.ReadFrom(source);
  FUZZ_CHECK(read == (size >= kp::TID3v2::kHeaderSize));
  FUZZ_CHECK(source.ReadCount() <= 1);
  FUZZ_CHECK(tag.Size() == 0 || (tag.Size() >= 10 && tag.Size() <= size));
  FUZZ_CHECK(tag.Exists() || tag.Size() == 0);
  // 250 bytes of frame data give at most 3 bytes of UTF-8 for each.
  for (const auto* text :
       {&tag.Title(), &tag.Artist(), &tag.Album(), &tag.Year(), &tag.Genre(), &tag.Comment()}) {
    FUZZ_CHECK(IsCleanTagText(*text, 750));
    FUZZ_CHECK(text->empty() || (tag.VersionID() == 3 && tag.Size() > 0));
  }
  FUZZ_CHECK(tag.Track() >= 0);
  return 0;
}
