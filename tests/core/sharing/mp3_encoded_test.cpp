// Files made by the lame encoder from a few seconds of generated sound, once per
// test program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "core/sharing/mpeg_audio.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

constexpr double kSeconds = 3;

struct EncodedCase {
  std::string name;
  int rate;  // Hz of the generated sound
  bool stereo;
  std::string options;
  std::uint16_t bitRate;  // 0 for a variable rate
};

void PrintTo(const EncodedCase& c, std::ostream* out) { *out << c.name; }

bool HaveLame() { return std::system("command -v lame >/dev/null 2>&1") == 0; }

// 16-bit little-endian samples of two tones, one per channel.
std::string Sound(int rate, bool stereo) {
  std::string pcm;
  const int samples = static_cast<int>(kSeconds * rate);
  for (int i = 0; i < samples; ++i) {
    for (int channel = 0; channel < (stereo ? 2 : 1); ++channel) {
      const double t = static_cast<double>(i) / rate;
      const auto value = static_cast<std::int16_t>(8'000 * std::sin(2 * M_PI * (440 + 220 * channel) * t) +
                                                   2'000 * std::sin(2 * M_PI * 3'000 * t * t));
      pcm += static_cast<char>(value & 0xFF);
      pcm += static_cast<char>((value >> 8) & 0xFF);
    }
  }
  return pcm;
}

// The encoded file for a case, made on first use; empty when lame failed.
std::string Encode(const EncodedCase& c) {
  static const auto folder = std::make_unique<test::TempFolder>();
  static std::map<std::string, std::string> made;
  if (const auto it = made.find(c.name); it != made.end()) return it->second;
  const std::string raw = folder->WriteFile(c.name + ".raw", Sound(c.rate, c.stereo));
  const std::string mp3 = *folder / (c.name + ".mp3");
  const std::string command = "lame --quiet -r -s " + std::to_string(c.rate / 1000.0) +
                              " --bitwidth 16 --signed --little-endian -m " + (c.stereo ? "j " : "m ") +
                              c.options + " '" + raw + "' '" + mp3 + "' 2>/dev/null";
  return made[c.name] = std::system(command.c_str()) == 0 ? mp3 : std::string();
}

class Mp3Encoded : public testing::TestWithParam<EncodedCase> {
 protected:
  void SetUp() override {
    if (!HaveLame()) GTEST_SKIP() << "the lame encoder is not installed (apt-get install lame)";
    path_ = Encode(GetParam());
    ASSERT_FALSE(path_.empty()) << "lame failed for " << GetParam().name;
  }
  std::string path_;
};

TEST_P(Mp3Encoded, PropertiesMatchTheEncoding) {
  const EncodedCase& c = GetParam();
  TFileByteSource source(path_);
  TMPEGaudio audio;
  ASSERT_TRUE(audio.ReadFrom(source));
  EXPECT_LE(source.ReadCount(), 4);
  EXPECT_TRUE(audio.Valid());
  EXPECT_EQ(audio.SampleRate(), c.rate);
  // The encoder adds a header frame, its delay and padding: up to five frames.
  const int samplesPerFrame = c.rate >= 32'000 ? 1'152 : 576;
  EXPECT_NEAR(audio.Duration(), kSeconds, 5.0 * samplesPerFrame / c.rate);
  if (c.bitRate != 0) {
    EXPECT_FALSE(audio.VBR().Found);
    EXPECT_EQ(audio.BitRate(), c.bitRate);
  } else {
    EXPECT_EQ(audio.VBR().ID, "Xing");
    const auto audioBytes = static_cast<double>(std::filesystem::file_size(path_) - audio.ID3v2().Size());
    EXPECT_NEAR(audio.BitRate(), audioBytes * 8 / kSeconds / 1000, audio.BitRate() * 0.05);
  }

  TMPEGaudio reused;  // the share tree reuses one reader for every file
  ASSERT_TRUE(reused.ReadFromFile(path_));
  EXPECT_EQ(reused.Duration(), audio.Duration());
}

INSTANTIATE_TEST_SUITE_P(Mp3, Mp3Encoded,
                         testing::Values(EncodedCase{"cbr128", 44'100, true, "-b 128", 128},
                                         EncodedCase{"cbr320", 44'100, true, "-b 320", 320},
                                         EncodedCase{"vbr", 44'100, true, "-V 2", 0},
                                         EncodedCase{"vbr_mono", 48'000, false, "-V 6", 0},
                                         EncodedCase{"mpeg2", 22'050, true, "-b 64", 64},
                                         EncodedCase{"mpeg25_mono", 8'000, false, "-b 16", 16}),
                         [](const auto& param) { return param.param.name; });

class Mp3EncodedTags : public testing::Test {
 protected:
  void SetUp() override {
    if (!HaveLame()) GTEST_SKIP() << "the lame encoder is not installed (apt-get install lame)";
  }
  // The reader after a read of the file made with the given tag options.
  const TMPEGaudio& Read(const std::string& name, const std::string& options) {
    path_ = Encode({name, 44'100, true,
                    "-b 96 --tt 'Song' --ta 'The Band' --tl 'Record' --ty 1999 "
                    "--tc 'Nice one' --tg Rock " +
                        options,
                    96});
    EXPECT_FALSE(path_.empty());
    EXPECT_TRUE(audio_.ReadFromFile(path_));
    EXPECT_TRUE(audio_.Valid());
    EXPECT_EQ(audio_.BitRate(), 96);
    return audio_;
  }
  std::string path_;
  TMPEGaudio audio_;
};

TEST_F(Mp3EncodedTags, Id3v1Point1) {
  const TID3v1& tag = Read("v1", "--tn 7 --id3v1-only").ID3v1();
  EXPECT_FALSE(audio_.ID3v2().Exists());
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.VersionID(), 2);
  EXPECT_EQ(tag.Title(), "Song");
  EXPECT_EQ(tag.Artist(), "The Band");
  EXPECT_EQ(tag.Album(), "Record");
  EXPECT_EQ(tag.Year(), "1999");
  EXPECT_EQ(tag.Comment(), "Nice one");
  EXPECT_EQ(tag.Track(), 7);
  EXPECT_EQ(tag.GenreID(), 17);
  EXPECT_EQ(tag.Genre(), "Rock");
}

TEST_F(Mp3EncodedTags, Id3v2Point3InBothEncodings) {
  for (const std::string encoding : {"latin1", "utf16"}) {
    SCOPED_TRACE(encoding);
    const std::string title = encoding == "utf16" ? "Caf\xC3\xA9 \xE2\x82\xAC" : "Caf\xC3\xA9";
    const TID3v2& tag =
        Read("v2" + encoding, "--tn 3/12 --add-id3v2 --id3v2-" + encoding + " --tt '" + title + "'").ID3v2();
    EXPECT_EQ(tag.VersionID(), 3);
    EXPECT_GT(tag.Size(), 0u);
    EXPECT_EQ(tag.Title(), title);
    EXPECT_EQ(tag.Artist(), "The Band");
    EXPECT_EQ(tag.Album(), "Record");
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(tag.Comment(), "Nice one");
    EXPECT_EQ(tag.Track(), 3);
    EXPECT_EQ(tag.Genre(), "Rock");
    EXPECT_EQ(audio_.ID3v1().Track(), 3);
  }
}

}  // namespace
}  // namespace kp
