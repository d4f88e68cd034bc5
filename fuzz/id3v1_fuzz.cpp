// The ID3v1 reader on arbitrary file contents: one read, clean bounded texts.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/sharing/id3v1.h"
#include "fuzz_check.h"
#include "mp3_fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kp::TMemoryByteSource source(std::span(data, size));
  kp::TID3v1 tag;
  const bool read = tag.ReadFrom(source);
  FUZZ_CHECK(read == (size >= kp::TID3v1::kTagSize));
  FUZZ_CHECK(source.ReadCount() <= 1);
  // A 30-byte field doubles at most, when it is read as Latin-1.
  for (const auto* text : {&tag.Title(), &tag.Artist(), &tag.Album(), &tag.Comment()}) {
    FUZZ_CHECK(IsCleanTagText(*text, 60));
  }
  FUZZ_CHECK(IsCleanTagText(tag.Year(), 8));
  if (!tag.Exists()) {
    FUZZ_CHECK(tag.GenreID() == kp::TID3v1::kNoGenre && tag.Title().empty() && tag.VersionID() == 0);
  } else {
    FUZZ_CHECK(tag.VersionID() == 1 || tag.VersionID() == 2);
    FUZZ_CHECK(tag.VersionID() == 2 || tag.Track() == 0);
    FUZZ_CHECK(tag.Genre().empty() == (tag.GenreID() >= 148));
  }
  return 0;
}
