#include "core/sharing/mpeg_audio.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/config/shared_routines.h"
#include "core/sharing/mp3_tag_text.h"

namespace kp {
namespace {

constexpr std::uint8_t kMpeg1 = 3;
constexpr std::uint8_t kLayer1 = 3;
constexpr std::uint8_t kSingleChannel = 3;

// kbit/s by [MPEG 1 or not][layer I, II, III][index].
constexpr std::uint16_t kBitRates[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}}};

// Hz by [version][index]: MPEG 2.5, reserved, MPEG 2, MPEG 1.
constexpr std::uint16_t kSampleRates[4][4] = {
    {11'025, 12'000, 8'000, 0}, {0, 0, 0, 0}, {22'050, 24'000, 16'000, 0}, {44'100, 48'000, 32'000, 0}};

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         bytes[3];
}

std::uint32_t PaddingSize(const TMpegFrame& frame) {
  if (frame.PaddingBit == 0) return 0;
  return frame.LayerID == kLayer1 ? 4 : 1;
}

}  // namespace

bool IsMpegFrameHeader(std::span<const std::uint8_t, 4> header) noexcept {
  return header[0] == 0xFF && header[1] > 0xDF && ((header[1] >> 3) & 3) != 1 &&
         ((header[1] >> 1) & 3) != 0 && header[2] < 0xF0 && header[2] > 0x0F && ((header[2] >> 2) & 3) != 3 &&
         (header[3] & 3) != 2;
}

void DecodeMpegFrameHeader(std::span<const std::uint8_t, 4> header, TMpegFrame& frame) noexcept {
  std::copy(header.begin(), header.end(), frame.Header.begin());
  frame.VersionID = (header[1] >> 3) & 3;
  frame.LayerID = (header[1] >> 1) & 3;
  frame.BitRateID = header[2] >> 4;
  frame.SampleRateID = (header[2] >> 2) & 3;
  frame.PaddingBit = (header[2] >> 1) & 1;
  frame.ModeID = header[3] >> 6;
  frame.EmphasisID = header[3] & 3;
}

std::uint16_t MpegTableBitRate(const TMpegFrame& frame) noexcept {
  if (frame.VersionID > 3 || frame.VersionID == 1 || frame.LayerID == 0 || frame.LayerID > 3 ||
      frame.BitRateID > 15) {
    return 0;
  }
  return kBitRates[frame.VersionID == kMpeg1 ? 1 : 0][3 - frame.LayerID][frame.BitRateID];
}

std::uint16_t MpegTableSampleRate(const TMpegFrame& frame) noexcept {
  if (frame.VersionID > 3 || frame.SampleRateID > 3) return 0;
  return kSampleRates[frame.VersionID][frame.SampleRateID];
}

std::uint32_t MpegCoefficient(const TMpegFrame& frame) noexcept {
  // Layer I frames carry 384 samples and Layer II frames 1,152 in every version;
  // only Layer III halves its frame (576 samples) below MPEG 1.
  if (frame.LayerID == kLayer1) return 48;
  if (frame.LayerID == 1 && frame.VersionID != kMpeg1) return 72;
  return frame.LayerID == 0 ? 0 : 144;
}

std::uint32_t MpegFrameLength(const TMpegFrame& frame) noexcept {
  const std::uint32_t bitRate = MpegTableBitRate(frame);
  const std::uint32_t sampleRate = MpegTableSampleRate(frame);
  if (bitRate == 0 || sampleRate == 0) return 0;
  // Layer I frames are made of 4-byte slots, so the truncation is per slot.
  if (frame.LayerID == kLayer1) return (12 * bitRate * 1000 / sampleRate) * 4 + PaddingSize(frame);
  return MpegCoefficient(frame) * bitRate * 1000 / sampleRate + PaddingSize(frame);
}

bool TMPEGaudio::ReadFromFile(const std::string& path) {
  TFileByteSource source(path);
  if (!source.IsOpen()) {
    Reset();
    return false;
  }
  return ReadFrom(source);
}

bool TMPEGaudio::ReadFrom(TByteSource& source) {
  Reset();
  const std::uint64_t fileLength = source.Size();
  std::vector<std::uint8_t> head(
      static_cast<std::size_t>(std::min<std::uint64_t>(fileLength, TID3v2::kHeadSize)));
  const auto failed = [this] {
    Reset();
    return false;
  };
  if (!id3v1_.ReadFrom(source)) return failed();
  const auto headRead = source.ReadAt(0, head);
  if (!headRead) return failed();
  head.resize(*headRead);
  if (!id3v2_.ReadFromHead(head, fileLength)) return failed();
  fileLength_ = fileLength;

  // A block that lies in the start of the file, or in a file read whole, costs no read.
  TBlock block;
  const auto readBlock = [&](std::uint64_t offset) -> std::optional<std::size_t> {
    block.fill(0);
    if (offset <= head.size() && (offset + kBlockSize <= head.size() || head.size() == fileLength)) {
      const std::size_t start = static_cast<std::size_t>(offset);
      const std::size_t count = std::min(kBlockSize, head.size() - start);
      std::copy_n(head.begin() + static_cast<std::ptrdiff_t>(start), count, block.begin());
      return count;
    }
    return source.ReadAt(offset, block);
  };

  const auto first = readBlock(id3v2_.Size());
  if (!first) return failed();
  bool found = FindFrame(block);
  if (!found && *first == kBlockSize) {
    // Garbage or an unknown tag in front of the audio: try the middle.
    const auto second = readBlock((fileLength_ - id3v2_.Size()) / 2);
    if (!second) return failed();
    found = FindFrame(block);
  }
  if (!found) Reset();
  return true;
}

bool TMPEGaudio::FindFrame(const TBlock& block) {
  for (std::size_t offset = 0; offset <= kLastSearchOffset; ++offset) {
    const std::span<const std::uint8_t, 4> header(block.data() + offset, 4);
    if (!IsMpegFrameHeader(header)) continue;
    TMpegFrame frame;
    DecodeMpegFrameHeader(header, frame);
    const std::size_t next = offset + MpegFrameLength(frame);
    // A successor past the block is not looked for: the longest frames (up to 2,881
    // bytes) from the last offsets would need more than the block holds.
    if (next + 4 > block.size() ||
        !IsMpegFrameHeader(std::span<const std::uint8_t, 4>(block.data() + next, 4))) {
      continue;
    }
    frame.Found = true;
    frame.Position = static_cast<std::uint32_t>(offset);
    frame.Size = static_cast<std::uint32_t>(next - offset);
    frame_ = frame;
    FindVbrHeader(block);
    return true;
  }
  return false;
}

void TMPEGaudio::FindVbrHeader(const TBlock& block) {
  // Xing follows the side information, whose size depends on version and channels;
  // the VBRI encoder always leaves 32 bytes after the header.
  const bool mono = frame_.ModeID == kSingleChannel;
  const std::size_t sideInfo = frame_.VersionID == kMpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const std::size_t xing = frame_.Position + 4 + sideInfo;
  const std::size_t vbri = frame_.Position + 36;
  if (xing + 128 <= block.size() && std::memcmp(block.data() + xing, "Xing", 4) == 0) {
    vbr_.Found = true;
    vbr_.ID = "Xing";
    vbr_.Frames = BigEndian32(block.data() + xing + 8);
    vbr_.Bytes = BigEndian32(block.data() + xing + 12);
    vbr_.Scale = block[xing + 119];
    vbr_.VendorID = DecodeEightBitText(std::span(block).subspan(xing + 120, 8));
  } else if (vbri + 18 <= block.size() && std::memcmp(block.data() + vbri, "VBRI", 4) == 0) {
    vbr_.Found = true;
    vbr_.ID = "VBRI";
    vbr_.Scale = block[vbri + 9];
    vbr_.Bytes = BigEndian32(block.data() + vbri + 10);
    vbr_.Frames = BigEndian32(block.data() + vbri + 14);
  }
}

void TMPEGaudio::Reset() {
  fileLength_ = 0;
  frame_ = TMpegFrame();
  vbr_ = TMpegVbr();
  id3v1_.Reset();
  id3v2_.Reset();
}

std::uint16_t TMPEGaudio::BitRate() const noexcept {
  const std::uint32_t coefficient = MpegCoefficient(frame_);
  const std::uint16_t sampleRate = SampleRate();
  if (!vbr_.Found || vbr_.Frames == 0 || coefficient == 0 || sampleRate == 0) return MpegTableBitRate(frame_);
  const double frameBytes = static_cast<double>(vbr_.Bytes) / vbr_.Frames - PaddingSize(frame_);
  const std::int64_t rate = RoundHalfEven(frameBytes * sampleRate / coefficient / 1000);
  // Nonsense counts must not wrap round into a plausible rate.
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(rate, 0, 65'535));
}

double TMPEGaudio::Duration() const noexcept {
  if (!frame_.Found) return 0;
  const std::uint16_t sampleRate = SampleRate();
  if (vbr_.Found && vbr_.Frames > 0 && sampleRate > 0) {
    return static_cast<double>(MpegCoefficient(frame_)) * vbr_.Frames * 8 / sampleRate;
  }
  const std::uint16_t bitRate = MpegTableBitRate(frame_);
  if (bitRate == 0) return 0;
  // Position counts within the block where the frame was found: for the middle block
  // of a file that is mostly tag this comes out below zero. An ID3v1 tag counts as audio.
  const double audioBytes = static_cast<double>(fileLength_) - id3v2_.Size() - frame_.Position;
  return std::max(0.0, audioBytes * 8 / bitRate / 1000);
}

bool TMPEGaudio::Valid() const noexcept {
  const std::uint16_t bitRate = BitRate();
  return frame_.Found && bitRate >= 8 && bitRate <= 448 && Duration() >= 0.1;
}

}  // namespace kp
