#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/sharing/id3v1.h"
#include "core/sharing/id3v2.h"
#include "core/sharing/mp3_tag_text.h"
#include "mp3_test_bytes.h"

namespace kp {
namespace {

using namespace std::literals;
using test::Bytes;

// Some audio-like bytes and then a tag whose bytes 125 and 126 are given.
Bytes FileWithId3v1(char byte125, char byte126) {
  Bytes file(200, 0x55);
  file.resize(file.size() + 128, 0);
  const std::size_t tag = file.size() - 128;
  test::Put(file, tag, "TAG");
  test::Put(file, tag + 3, "Title  \t\0junk"sv);  // a NUL ends the text
  test::Put(file, tag + 33, "Caf\xE9");           // Latin-1
  test::Put(file, tag + 63, "Caf\xC3\xA9");       // UTF-8
  test::Put(file, tag + 93, "1999");
  test::Put(file, tag + 97, "abcdefghijklmnopqrstuvwxyzABCD");
  file[tag + 125] = static_cast<std::uint8_t>(byte125);
  file[tag + 126] = static_cast<std::uint8_t>(byte126);
  file[tag + 127] = 17;
  return file;
}

struct Id3v1Case {
  char byte125, byte126;
  std::uint8_t version, track;
  std::string_view comment;
};

class Id3v1Versions : public testing::TestWithParam<Id3v1Case> {};

TEST_P(Id3v1Versions, TrackTakesTheCommentsLastBytes) {
  const Id3v1Case& c = GetParam();
  const Bytes file = FileWithId3v1(c.byte125, c.byte126);
  TMemoryByteSource source(file);
  TID3v1 tag;
  ASSERT_TRUE(tag.ReadFrom(source));
  EXPECT_EQ(source.ReadCount(), 1);
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.VersionID(), c.version);
  EXPECT_EQ(tag.Track(), c.track);
  EXPECT_EQ(tag.Comment(), c.comment);
  EXPECT_EQ(tag.Title(), "Title");
  EXPECT_EQ(tag.Artist(), "Caf\xC3\xA9");
  EXPECT_EQ(tag.Album(), "Caf\xC3\xA9");
  EXPECT_EQ(tag.Year(), "1999");
  EXPECT_EQ(tag.Genre(), "Rock");
}

INSTANTIATE_TEST_SUITE_P(ID3v1, Id3v1Versions,
                         testing::Values(Id3v1Case{'\0', '\7', 2, 7, "abcdefghijklmnopqrstuvwxyzAB"},
                                         Id3v1Case{' ', 'x', 2, 'x', "abcdefghijklmnopqrstuvwxyzAB"},
                                         Id3v1Case{'\0', '\0', 1, 0, "abcdefghijklmnopqrstuvwxyzAB"},
                                         Id3v1Case{'C', 'D', 1, 0, "abcdefghijklmnopqrstuvwxyzABCD"}));

TEST(ID3v1, ShortFilesFailAndFilesWithoutTagSucceed) {
  TID3v1 tag;
  const Bytes shortFile(127, 'T');
  TMemoryByteSource shortSource(shortFile);
  EXPECT_FALSE(tag.ReadFrom(shortSource));
  const Bytes plain(128, 'x');
  TMemoryByteSource plainSource(plain);
  EXPECT_TRUE(tag.ReadFrom(plainSource));
  EXPECT_FALSE(tag.Exists());
  EXPECT_EQ(tag.GenreID(), TID3v1::kNoGenre);
  EXPECT_EQ(tag.Genre(), "");
}

TEST(ID3v1, GenreListKeepsItsTraditionalSpellings) {
  EXPECT_EQ(Id3GenreName(0), "Blues");
  EXPECT_EQ(Id3GenreName(67), "Psychadelic");
  EXPECT_EQ(Id3GenreName(85), "Bebob");
  EXPECT_EQ(Id3GenreName(92), "Progessive Rock");
  EXPECT_EQ(Id3GenreName(123), "A capella");
  EXPECT_EQ(Id3GenreName(144), "Trash Metal");
  EXPECT_EQ(Id3GenreName(147), "Synthpop");
  EXPECT_EQ(Id3GenreName(148), "");
  EXPECT_EQ(Id3GenreName(-1), "");
}

struct TextCase {
  std::uint8_t encoding;
  std::string_view bytes, text;
};

class ID3v2TextDecoding : public testing::TestWithParam<TextCase> {};

TEST_P(ID3v2TextDecoding, GivesUtf8WithoutNuls) {
  const TextCase& c = GetParam();
  const auto* data = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
  EXPECT_EQ(DecodeId3v2Text(c.encoding, {data, c.bytes.size()}), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    ID3v2, ID3v2TextDecoding,
    testing::Values(TextCase{0, "Caf\xE9\0rest"sv, "Caf\xC3\xA9"}, TextCase{0, "Caf\xC3\xA9", "Caf\xC3\xA9"},
                    TextCase{1, "\xFF\xFEH\0i\0\0\0x\0"sv, "Hi"}, TextCase{1, "\xFE\xFF\0H\0i"sv, "Hi"},
                    TextCase{1, "H\0i\0!"sv, "Hi"},  // no mark: little-endian; a lone last byte is dropped
                    TextCase{2, "\0H\0\xE9"sv, "H\xC3\xA9"},
                    TextCase{1, "\xFF\xFE\x3D\xD8\x00\xDE"sv, "\xF0\x9F\x98\x80"},  // a surrogate pair
                    TextCase{1, "\xFF\xFE\x00\xDEz\0"sv, "\xEF\xBF\xBDz"},          // a lone low surrogate
                    TextCase{3, "a\xC0\xAFz", "a\xEF\xBF\xBD\xEF\xBF\xBDz"},        // an overlong "/"
                    TextCase{3, "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}));  // a surrogate

// A version 2.3 tag in front of a little audio.
Bytes FileWithTag(std::uint8_t version, const Bytes& frames, std::uint32_t padding = 20) {
  Bytes file = test::Id3v2Header(version, static_cast<std::uint32_t>(10 + frames.size() + padding));
  test::Append(file, frames);
  file.resize(file.size() + padding + 500, 0);
  return file;
}

TEST(ID3v2, ReadsTheTextsOfVersion3Tags) {
  Bytes frames;
  test::AppendId3v2Frame(frames, "TIT2", "\0Old"sv);
  test::AppendId3v2Frame(frames, "TIT2", "\0  Title \0junk"sv);  // a later frame replaces an earlier one
  test::AppendId3v2Frame(frames, "TPE1", "\1\xFF\xFE\xC9\0t\0\xE9\0"sv);
  test::AppendId3v2Frame(frames, "TALB", "\3Caf\xC3\xA9"sv);
  test::AppendId3v2Frame(frames, "TXXX", "");  // empty frames move on by their header
  test::AppendId3v2Frame(frames, "TYER",
                         "\0"
                         "2001"sv);
  test::AppendId3v2Frame(frames, "TRCK",
                         "\0"
                         "3/12"sv);
  test::AppendId3v2Frame(frames, "TCON", "\0(17)Rock"sv);
  test::AppendId3v2Frame(frames, "COMM", "\0engdesc\0The comment"sv);
  const Bytes file = FileWithTag(3, frames);
  TMemoryByteSource source(file);
  TID3v2 tag;
  ASSERT_TRUE(tag.ReadFrom(source));
  EXPECT_EQ(source.ReadCount(), 1);
  EXPECT_EQ(tag.Size(), 10 + frames.size() + 20);
  EXPECT_EQ(tag.Title(), "Title");
  EXPECT_EQ(tag.Artist(), "\xC3\x89t\xC3\xA9");
  EXPECT_EQ(tag.Album(), "Caf\xC3\xA9");
  EXPECT_EQ(tag.Year(), "2001");
  EXPECT_EQ(tag.Track(), 3);
  EXPECT_EQ(tag.Genre(), "Rock");
  EXPECT_EQ(tag.Comment(), "The comment");
}

struct FieldCase {
  std::string_view genreFrame, trackFrame, genre;
  std::int32_t track;
};

class ID3v2Fields : public testing::TestWithParam<FieldCase> {};

TEST_P(ID3v2Fields, GenreDropsReferencesAndTrackStopsAtTheSlash) {
  Bytes frames;
  test::AppendId3v2Frame(frames, "TCON", GetParam().genreFrame);
  test::AppendId3v2Frame(frames, "TRCK", GetParam().trackFrame);
  const Bytes file = FileWithTag(3, frames);
  TMemoryByteSource source(file);
  TID3v2 tag;
  ASSERT_TRUE(tag.ReadFrom(source));
  EXPECT_EQ(tag.Genre(), GetParam().genre);
  EXPECT_EQ(tag.Track(), GetParam().track);
}

INSTANTIATE_TEST_SUITE_P(ID3v2, ID3v2Fields,
                         testing::Values(FieldCase{"\0(17)"sv, "\0 12 "sv, "Rock", 12},
                                         FieldCase{"\0(4)(9) Metal "sv, "\0x/3"sv, "Metal", 0},
                                         FieldCase{"\0Jazz"sv,
                                                   "\0"
                                                   "7"sv,
                                                   "Jazz", 7},
                                         FieldCase{"\0Rock (Live)"sv,
                                                   "\0"
                                                   "1"sv,
                                                   "Rock (Live)", 1},
                                         FieldCase{"\0(200)"sv,
                                                   "\0"
                                                   "9999999999"sv,
                                                   "", 0}));

TEST(ID3v2, SizeAndFramesFollowTheHeaderOnly) {
  Bytes frames;
  test::AppendId3v2Frame(frames, "TIT2", "\0Title"sv);
  TID3v2 tag;
  {  // version 2.4: the size counts, the frames are not read
    const Bytes file = FileWithTag(4, frames);
    TMemoryByteSource source(file);
    ASSERT_TRUE(tag.ReadFrom(source));
    EXPECT_EQ(tag.VersionID(), 4);
    EXPECT_EQ(tag.Size(), 10 + frames.size() + 20);
    EXPECT_EQ(tag.Title(), "");
  }
  {  // a tag larger than the file
    Bytes file = test::Id3v2Header(3, 100'000);
    test::Append(file, frames);
    TMemoryByteSource source(file);
    ASSERT_TRUE(tag.ReadFrom(source));
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.Size(), 0u);
    EXPECT_EQ(tag.Title(), "");
  }
  {  // a frame that claims more than the file holds ends the walk after one read
    Bytes file = test::Id3v2Header(3, 1'000);
    test::Append(file, "TIT2\xFF\xFF\xFF\xF0\0\0\0Big"sv);
    file.resize(1'000, 'A');
    TMemoryByteSource source(file);
    ASSERT_TRUE(tag.ReadFrom(source));
    EXPECT_EQ(source.ReadCount(), 1);
    EXPECT_EQ(tag.Title(), "Big" + std::string(246, 'A')) << "frame data is cut at 250 bytes";
  }
  const Bytes tiny{'I', 'D', '3', 3, 0, 0, 0, 0, 0};
  TMemoryByteSource tinySource(tiny);
  EXPECT_FALSE(tag.ReadFrom(tinySource));
}

}  // namespace
}  // namespace kp
