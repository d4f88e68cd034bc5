// The audio reader on arbitrary file contents: at most four reads, values in
// range, and a reused reader that gives the same answer again.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/sharing/mpeg_audio.h"
#include "fuzz_check.h"

namespace {

bool IsTableSampleRate(std::uint16_t rate) {
  for (const int known : {8'000, 11'025, 12'000, 16'000, 22'050, 24'000, 32'000, 44'100, 48'000}) {
    if (rate == known) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static kp::TMPEGaudio audio;  // reused like a share folder's reader
  kp::TMemoryByteSource source(std::span(data, size));
  const bool read = audio.ReadFrom(source);
  FUZZ_CHECK(read == (size >= 128));
  FUZZ_CHECK(source.ReadCount() <= 4);

  const kp::TMpegFrame& frame = audio.Frame();
  const double duration = audio.Duration();
  FUZZ_CHECK(std::isfinite(duration) && duration >= 0);
  if (frame.Found) {
    FUZZ_CHECK(frame.Position <= kp::TMPEGaudio::kLastSearchOffset);
    FUZZ_CHECK(frame.Size >= 20 && frame.Position + frame.Size + 4 <= kp::TMPEGaudio::kBlockSize);
    FUZZ_CHECK(IsTableSampleRate(audio.SampleRate()));
    FUZZ_CHECK(audio.FileLength() == size);
    // The header comes from the first block (after the tag) or the second one (the middle).
    const std::uint32_t tag = audio.ID3v2().Size();
    bool inFile = false;
    for (const std::size_t block : {std::size_t{tag}, (size - tag) / 2}) {
      const std::size_t at = block + frame.Position;
      inFile = inFile || (at + 4 <= size && std::equal(frame.Header.begin(), frame.Header.end(), data + at));
    }
    FUZZ_CHECK(inFile);
  } else {
    FUZZ_CHECK(audio.BitRate() == 0 && audio.SampleRate() == 0 && duration == 0 && audio.FileLength() == 0);
    FUZZ_CHECK(!audio.VBR().Found && !audio.ID3v1().Exists() && !audio.ID3v2().Exists());
  }
  if (audio.Valid()) {
    FUZZ_CHECK(audio.BitRate() >= 8 && audio.BitRate() <= 448 && duration >= 0.1);
  }

  const std::uint16_t bitRate = audio.BitRate();
  const bool found = frame.Found;
  kp::TMemoryByteSource again(std::span(data, size));
  FUZZ_CHECK(audio.ReadFrom(again) == read);
  FUZZ_CHECK(audio.BitRate() == bitRate && audio.Duration() == duration && audio.Frame().Found == found);
  return 0;
}
