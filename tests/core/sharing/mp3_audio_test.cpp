#include <gtest/gtest.h>

#include <string>

#include "core/sharing/mpeg_audio.h"
#include "mp3_test_bytes.h"

namespace kp {
namespace {

using test::Bytes;
using test::Header;

struct HeaderCase {
  Header header;
  bool valid;
  std::uint16_t bitRate, sampleRate;
  std::uint32_t length;
};

class MpegHeaders : public testing::TestWithParam<HeaderCase> {};

TEST_P(MpegHeaders, TablesAndFrameLength) {
  const HeaderCase& c = GetParam();
  EXPECT_EQ(IsMpegFrameHeader(c.header), c.valid);
  TMpegFrame frame;
  DecodeMpegFrameHeader(c.header, frame);
  EXPECT_EQ(MpegTableBitRate(frame), c.bitRate);
  EXPECT_EQ(MpegTableSampleRate(frame), c.sampleRate);
  EXPECT_EQ(MpegFrameLength(frame), c.length);
}

INSTANTIATE_TEST_SUITE_P(
    Mpeg, MpegHeaders,
    testing::Values(HeaderCase{test::kCbr128, true, 128, 44'100, 417},
                    HeaderCase{{0xFF, 0xFB, 0x92, 0x44}, true, 128, 44'100, 418},    // padded
                    HeaderCase{{0xFF, 0xFD, 0xEA, 0x00}, true, 384, 32'000, 1'729},  // the longest frame
                    HeaderCase{{0xFF, 0xFF, 0x10, 0x00}, true, 32, 44'100, 32},      // Layer I: whole slots
                    HeaderCase{{0xFF, 0xF5, 0xE4, 0x00}, true, 160, 24'000, 960},    // MPEG 2 Layer II
                    HeaderCase{{0xFF, 0xF3, 0x80, 0xC0}, true, 64, 22'050, 208},     // MPEG 2 Layer III
                    HeaderCase{{0xFF, 0xE3, 0x28, 0xC0}, true, 16, 8'000, 144},      // MPEG 2.5 Layer III
                    HeaderCase{{0xFF, 0xFB, 0xF0, 0x44}, false, 0, 44'100, 0},       // bitrate index 15
                    HeaderCase{{0xFF, 0xFB, 0x00, 0x44}, false, 0, 44'100, 0},       // free format
                    HeaderCase{{0xFF, 0xFB, 0x9C, 0x44}, false, 128, 0, 0},          // sampling index 3
                    HeaderCase{{0xFF, 0xEB, 0x90, 0x44}, false, 0, 0, 0},            // reserved version
                    HeaderCase{{0xFF, 0xF9, 0x90, 0x44}, false, 0, 44'100, 0},       // reserved layer
                    HeaderCase{{0xFF, 0xFB, 0x90, 0x46}, false, 128, 44'100, 417},   // emphasis 2
                    HeaderCase{{0xFE, 0xFB, 0x90, 0x44}, false, 128, 44'100, 417}));

struct Reading {
  bool result;
  int reads;
};

Reading Read(TMPEGaudio& audio, const Bytes& file) {
  TMemoryByteSource source(file);
  const bool result = audio.ReadFrom(source);
  return {result, source.ReadCount()};
}

Bytes WithTag(std::uint32_t tagSize, const Bytes& audio) {
  Bytes file = test::Id3v2Header(4, tagSize);
  file.resize(tagSize, 0);
  test::Append(file, audio);
  return file;
}

TEST(MpegAudio, ConstantBitRateAfterA4096ByteTag) {
  const Bytes file = WithTag(4'096, test::Frames(test::kCbr128, 417, 100));
  TMPEGaudio audio;
  const Reading reading = Read(audio, file);
  EXPECT_TRUE(reading.result);
  EXPECT_LE(reading.reads, 4);
  EXPECT_EQ(audio.ID3v2().Size(), 4'096u);
  EXPECT_EQ(audio.Frame().Position, 0u);
  EXPECT_FALSE(audio.VBR().Found);
  EXPECT_EQ(audio.BitRate(), 128);
  EXPECT_EQ(audio.SampleRate(), 44'100);
  EXPECT_DOUBLE_EQ(audio.Duration(), static_cast<double>(file.size() - 4'096) * 8 / 128'000);
  EXPECT_TRUE(audio.Valid());
}

// The first frame carries the VBR header; the counts say 10,000 frames of 417.5 bytes.
TEST(MpegAudio, XingAndVbriHeadersGiveTheCounts) {
  Bytes xing = test::Frames(test::kCbr128, 417, 20);
  test::Put(xing, 36, "Xing");
  test::PutBigEndian(xing, 44, 10'000);
  test::PutBigEndian(xing, 48, 4'175'000);
  test::Put(xing, 36 + 120, "LAME3.100");
  TMPEGaudio audio;
  EXPECT_TRUE(Read(audio, WithTag(4'096, xing)).result);
  EXPECT_EQ(audio.VBR().ID, "Xing");
  EXPECT_EQ(audio.VBR().VendorID, "LAME3.10");
  EXPECT_NEAR(audio.Duration(), 1'152 * 10'000 / 44'100.0, 1e-9);
  EXPECT_EQ(audio.BitRate(), 128);  // 417.5 bytes at 44,100 Hz: 127.8 kbit/s
  EXPECT_TRUE(audio.Valid());

  // MPEG 2 mono frames; VBRI stands 32 bytes after the header whatever the mode.
  const Header mpeg2 = {0xFF, 0xF3, 0x80, 0xC0};
  Bytes vbri = test::Frames(mpeg2, 208, 20);
  test::Put(vbri, 36, "VBRI");
  vbri[36 + 9] = 75;
  test::PutBigEndian(vbri, 46, 104'000);
  test::PutBigEndian(vbri, 50, 500);
  EXPECT_TRUE(Read(audio, vbri).result);
  EXPECT_EQ(audio.VBR().ID, "VBRI");
  EXPECT_EQ(audio.VBR().Scale, 75);
  EXPECT_NEAR(audio.Duration(), 576 * 500 / 22'050.0, 1e-9);
  EXPECT_EQ(audio.BitRate(), 64);  // 208 bytes at 22,050 Hz: 63.7 kbit/s
}

TEST(MpegAudio, AverageBitRateRoundsHalvesToEven) {
  // 48 kHz frames of 385.5 bytes on average are 128.5 kbit/s.
  Bytes file = test::Frames({0xFF, 0xFB, 0x94, 0x44}, 384, 20);
  test::Put(file, 36, "Xing");
  test::PutBigEndian(file, 44, 2);
  test::PutBigEndian(file, 48, 771);
  TMPEGaudio audio;
  EXPECT_TRUE(Read(audio, file).result);
  EXPECT_EQ(audio.BitRate(), 128);
}

TEST(MpegAudio, GarbageBeforeTheAudioSendsTheSearchToTheMiddle) {
  Bytes file(2'000, 'x');
  test::Append(file, test::Frames(test::kCbr128, 417, 40));
  TMPEGaudio audio;
  const Reading reading = Read(audio, file);
  EXPECT_TRUE(reading.result);
  EXPECT_LE(reading.reads, 4);
  ASSERT_TRUE(audio.Frame().Found);
  const std::size_t middle = file.size() / 2;
  EXPECT_EQ(audio.Frame().Position, (417 - (middle - 2'000) % 417) % 417);
  EXPECT_DOUBLE_EQ(audio.Duration(), static_cast<double>(file.size() - audio.Frame().Position) * 8 / 128'000);
  EXPECT_TRUE(audio.Valid());
}

TEST(MpegAudio, WithoutTwoHeadersInARowEverythingIsReset) {
  TMPEGaudio audio;
  ASSERT_TRUE(Read(audio, WithTag(4'096, test::Frames(test::kCbr128, 417, 10))).result);
  ASSERT_TRUE(audio.Valid());

  // A lone header; and the longest frame from the last offset, whose successor
  // starts right at the end of the block.
  Bytes lone = test::Frames(test::kCbr128, 417, 1);
  lone.resize(20'000, 0);
  const Header longest = {0xFF, 0xFD, 0xEA, 0x00};
  Bytes edge(TMPEGaudio::kBlockSize + 100, 0);
  std::copy(longest.begin(), longest.end(), edge.begin() + TMPEGaudio::kLastSearchOffset);
  std::copy(longest.begin(), longest.end(), edge.begin() + TMPEGaudio::kBlockSize);
  for (const Bytes& file : {lone, edge, Bytes(100, 0xFF)}) {
    const Reading reading = Read(audio, file);
    EXPECT_EQ(reading.result, file.size() >= 128);
    EXPECT_LE(reading.reads, 4);
    EXPECT_FALSE(audio.Valid());
    EXPECT_EQ(audio.BitRate(), 0);
    EXPECT_EQ(audio.SampleRate(), 0);
    EXPECT_EQ(audio.Duration(), 0);
    EXPECT_EQ(audio.FileLength(), 0u);
    EXPECT_EQ(audio.ID3v2().Size(), 0u);
  }
}

TEST(MpegAudio, AFrameAcrossTheEndOfTheFirstRead) {
  Bytes file = WithTag(15'000, Bytes(1'500, 'x'));
  test::Append(file, test::Frames(test::kCbr128, 417, 20));
  TMPEGaudio audio;
  const Reading reading = Read(audio, file);
  EXPECT_LE(reading.reads, 4);
  EXPECT_EQ(audio.Frame().Position, 1'500u);
  EXPECT_TRUE(audio.Valid());
}

TEST(MpegAudio, LargeTagsAndEmptyBlocksStayWithinFourReads) {
  Bytes file = test::Id3v2Header(3, 200'000);
  file.resize(400'000, 0);
  TMPEGaudio audio;
  const Reading reading = Read(audio, file);
  EXPECT_TRUE(reading.result);
  EXPECT_EQ(reading.reads, 4);
  EXPECT_FALSE(audio.Valid());
}

}  // namespace
}  // namespace kp
