#pragma once
// The audio properties of an MP3 file: the first MPEG audio frame (two headers in
// a row at the right distance), an optional Xing or VBRI header, and from them
// bitrate, sampling frequency and duration. Each share folder keeps one reader
// and reuses it for every new file.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "core/sharing/id3v1.h"
#include "core/sharing/id3v2.h"
#include "core/sharing/mp3_byte_source.h"

namespace kp {

// The header fields; the defaults are the reset values, which every table lookup
// turns into 0.
struct TMpegFrame {
  bool Found = false;
  // The first frame's offset within the block in which it was found.
  std::uint32_t Position = 0;
  // Its length in bytes.
  std::uint32_t Size = 0;
  std::array<std::uint8_t, 4> Header{};
  std::uint8_t VersionID = 1;  // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
  std::uint8_t LayerID = 0;    // 1 Layer III, 2 Layer II, 3 Layer I
  std::uint8_t BitRateID = 0;
  std::uint8_t SampleRateID = 3;
  std::uint8_t PaddingBit = 0;
  std::uint8_t ModeID = 4;  // 3 single channel
  std::uint8_t EmphasisID = 2;
};

struct TMpegVbr {
  bool Found = false;
  std::string ID;  // "Xing" or "VBRI"
  std::uint32_t Frames = 0;
  std::uint32_t Bytes = 0;
  std::uint8_t Scale = 0;
  std::string VendorID;  // Xing only, at most 8 characters
};

// The frame header rules, for the reader and for whoever checks it.
[[nodiscard]] bool IsMpegFrameHeader(std::span<const std::uint8_t, 4> header) noexcept;
// The fields of a header, with Found, Position and Size left as they are.
void DecodeMpegFrameHeader(std::span<const std::uint8_t, 4> header, TMpegFrame& frame) noexcept;
// kbit/s and Hz from the tables; 0 for free format, reserved and invalid indices.
[[nodiscard]] std::uint16_t MpegTableBitRate(const TMpegFrame& frame) noexcept;
[[nodiscard]] std::uint16_t MpegTableSampleRate(const TMpegFrame& frame) noexcept;
// Bytes per frame for each kbit/s per Hz: a frame's samples ÷ 8.
[[nodiscard]] std::uint32_t MpegCoefficient(const TMpegFrame& frame) noexcept;
// The length of the frame in bytes, its padding included; 0 for an invalid header.
[[nodiscard]] std::uint32_t MpegFrameLength(const TMpegFrame& frame) noexcept;

class TMPEGaudio {
 public:
  static constexpr std::size_t kBlockSize = 3'458;
  // Frames are looked for at offsets 0 to this one of a block.
  static constexpr std::size_t kLastSearchOffset = 1'729;

  // True when the file could be opened and read, whether or not audio was found.
  // At most four reads: the ID3v1 tag, the start of the file (ID3v2 tag and,
  // mostly, the first block), and up to two blocks.
  [[nodiscard]] bool ReadFromFile(const std::string& path);
  [[nodiscard]] bool ReadFrom(TByteSource& source);
  void Reset();

  [[nodiscard]] std::uint64_t FileLength() const noexcept { return fileLength_; }
  [[nodiscard]] const TMpegFrame& Frame() const noexcept { return frame_; }
  [[nodiscard]] const TMpegVbr& VBR() const noexcept { return vbr_; }
  [[nodiscard]] const TID3v1& ID3v1() const noexcept { return id3v1_; }
  [[nodiscard]] const TID3v2& ID3v2() const noexcept { return id3v2_; }

  // kbit/s: the average from the VBR header when it counts frames, else the first frame's.
  [[nodiscard]] std::uint16_t BitRate() const noexcept;
  // Hz, from the first frame.
  [[nodiscard]] std::uint16_t SampleRate() const noexcept { return MpegTableSampleRate(frame_); }
  // Seconds, never negative; 0 without audio.
  [[nodiscard]] double Duration() const noexcept;
  [[nodiscard]] bool Valid() const noexcept;

 private:
  using TBlock = std::array<std::uint8_t, kBlockSize>;
  // Looks for the first frame in the block; true when found.
  bool FindFrame(const TBlock& block);
  void FindVbrHeader(const TBlock& block);

  std::uint64_t fileLength_ = 0;
  TMpegFrame frame_;
  TMpegVbr vbr_;
  TID3v1 id3v1_;
  TID3v2 id3v2_;
};

}  // namespace kp
