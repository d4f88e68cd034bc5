#include "lan_peer_answers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "lan_downloads.h"
#include "lan_hash.h"
#include "lan_search.h"
#include "support/temp_folder.h"

namespace {

const std::string kHash = "ABCDEF0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789";
const std::string kLowerHash = "abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789";

std::string AnswerWith(const std::string& hit) { return R"({"node":"Desk","hits":[)" + hit + "]}"; }

struct HitCase {
  const char* label;
  std::string hit;  // one JSON object
  bool kept;
  std::string name;
  std::int64_t size;
  std::string hash;
};

class LanPeerHit : public testing::TestWithParam<HitCase> {};

TEST_P(LanPeerHit, IsCheckedFieldByField) {
  const HitCase& c = GetParam();
  lan::PeerSearchAnswer answer;
  ASSERT_TRUE(lan::ParseSearchAnswer(AnswerWith(c.hit), answer));
  ASSERT_EQ(answer.hits.size(), c.kept ? 1u : 0u);
  if (!c.kept) return;
  EXPECT_EQ(answer.hits[0].name, c.name);
  EXPECT_EQ(answer.hits[0].size, c.size);
  EXPECT_EQ(answer.hits[0].hash, c.hash);
  EXPECT_TRUE(lan::IsValidVirtualPath(answer.hits[0].path));
}

const std::string kHugeName(10u << 20, 'n');

INSTANTIATE_TEST_SUITE_P(
    Hostile, LanPeerHit,
    testing::Values(
        HitCase{"good", R"({"path":"/M/a.mp3","name":"a.mp3","size":123,"hash":")" + kHash + R"("})", true,
                "a.mp3", 123, kLowerHash},
        HitCase{"biggest_size", R"({"path":"/a","name":"a","size":9223372036854775807})", true, "a",
                9223372036854775807LL, ""},
        HitCase{"size_as_text", R"({"path":"/a","name":"a","size":"123"})", false, "", 0, ""},
        HitCase{"negative_size", R"({"path":"/a","name":"a","size":-1})", false, "", 0, ""},
        HitCase{"float_size", R"({"path":"/a","name":"a","size":1e30})", false, "", 0, ""},
        HitCase{"size_past_int64", R"({"path":"/a","name":"a","size":18446744073709551615})", false, "", 0,
                ""},
        HitCase{"no_size", R"({"path":"/a","name":"a"})", false, "", 0, ""},
        HitCase{"no_path", R"({"name":"a","size":1})", false, "", 0, ""},
        HitCase{"path_up", R"({"path":"/M/../etc/passwd","name":"passwd","size":1})", false, "", 0, ""},
        HitCase{"relative_path", R"({"path":"M/a","name":"a","size":1})", false, "", 0, ""},
        HitCase{"root_path", R"({"path":"/","name":"a","size":1})", false, "", 0, ""},
        HitCase{"nul_in_path", R"({"path":"/M/a\u0000b","name":"a","size":1})", false, "", 0, ""},
        HitCase{"backslash_in_path", R"({"path":"/M\\..\\a","name":"a","size":1})", false, "", 0, ""},
        HitCase{"name_up", R"({"path":"/M/b.txt","name":"..","size":1})", true, "b.txt", 1, ""},
        HitCase{"name_with_slash", R"({"path":"/M/b.txt","name":"x/../../y","size":1})", true, "b.txt", 1,
                ""},
        HitCase{"name_only_nul", R"({"path":"/M/b.txt","name":"\u0000","size":1})", true, "b.txt", 1, ""},
        HitCase{"name_controls", R"({"path":"/M/b","name":"a\u0001\u001b[2Jb\u007f","size":1})", true,
                "a[2Jb", 1, ""},
        HitCase{"name_wrong_type", R"({"path":"/M/b","name":42,"size":1})", true, "b", 1, ""},
        HitCase{"huge_name", R"({"path":"/M/b","name":")" + kHugeName + R"(","size":1})", true,
                std::string(lan::kMaxPeerNameBytes, 'n'), 1, ""},
        HitCase{"bad_hash", R"({"path":"/a","name":"a","size":1,"hash":"xyz"})", true, "a", 1, ""},
        HitCase{"hash_wrong_type", R"({"path":"/a","name":"a","size":1,"hash":[1]})", true, "a", 1, ""},
        HitCase{"not_an_object", R"("hit")", false, "", 0, ""}),
    [](const testing::TestParamInfo<HitCase>& param) { return std::string(param.param.label); });

TEST(LanPeerAnswer, WholeAnswerIsBoundedAndTyped) {
  lan::PeerSearchAnswer answer;
  for (const char* body : {"", "nonsense", "[1,2]", "\"text\"", "{\"hits\":", "{\"a\":1e99999}"}) {
    EXPECT_FALSE(lan::ParseSearchAnswer(body, answer)) << body;
  }
  EXPECT_FALSE(lan::ParseSearchAnswer(std::string(200000, '[') + std::string(200000, ']'), answer));

  std::string many = R"({"node":"A\u0007\nB","hits":[)";
  for (int i = 0; i < 1500; ++i) many += std::string(i ? "," : "") + R"({"path":"/a","size":1})";
  ASSERT_TRUE(lan::ParseSearchAnswer(many + "]}", answer));
  EXPECT_EQ(answer.node, "AB");
  EXPECT_EQ(answer.hits.size(), lan::kMaxHitsPerAnswer);

  ASSERT_TRUE(
      lan::ParseSearchAnswer(R"({"node":")" + std::string(500, 'x') + R"(","hits":{"a":1}})", answer));
  EXPECT_EQ(answer.node.size(), lan::kMaxNodeNameChars);
  EXPECT_TRUE(answer.hits.empty());

  // Audio facts out of range read as none; the hit stays.
  ASSERT_TRUE(lan::ParseSearchAnswer(
      AnswerWith(R"({"path":"/a","size":1,"mp3":"yes","bitrate":-5,"length":1e10,"frequency":4294967296})"),
      answer));
  ASSERT_EQ(answer.hits.size(), 1u);
  EXPECT_FALSE(answer.hits[0].mp3);
  EXPECT_EQ(answer.hits[0].bitrate + answer.hits[0].length + answer.hits[0].frequency, 0);
}

TEST(LanPeerAnswer, ListingKeepsGoodEntriesOnly) {
  lan::PeerListing listing;
  ASSERT_TRUE(lan::ParseListing(R"({"node":"Desk","path":"/../x","entries":[
      {"name":"Sub","dir":true},
      {"name":"a.mp3","dir":false,"size":5,"mp3":true,"bitrate":128},
      {"name":"no size"},
      {"name":"..","dir":true},
      {"name":"a/b","size":1}]})",
                                listing));
  EXPECT_EQ(listing.path, "/");
  ASSERT_EQ(listing.entries.size(), 2u);
  EXPECT_TRUE(listing.entries[0].directory);
  EXPECT_EQ(listing.entries[1].size, 5);
  EXPECT_EQ(listing.entries[1].bitrate, 128);
}

struct UrlCase {
  const char* label;
  std::string path;
  std::int64_t size;
  std::string hash;
};

class LanResultUrl : public testing::TestWithParam<UrlCase> {};

TEST_P(LanResultUrl, RoundTrips) {
  const UrlCase& c = GetParam();
  const std::string url = lan::MakeResultUrl("127.0.0.1:18441", c.path, c.size, c.hash);
  lan::ResultUrl parsed;
  ASSERT_TRUE(lan::ParseResultUrl(url, parsed)) << url;
  EXPECT_EQ(parsed.peer, "127.0.0.1:18441");
  EXPECT_EQ(parsed.size, c.size);
  EXPECT_EQ(parsed.hash, c.hash.empty() ? "" : kLowerHash);
  EXPECT_EQ(parsed.address.find_first_of("#? "), std::string::npos) << parsed.address;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LanResultUrl,
    testing::Values(UrlCase{"plain", "/Music/a.mp3", 123, kHash}, UrlCase{"no_hash", "/a", 0, ""},
                    UrlCase{"odd_names", "/My Music/a#b?c&size=1%20.mp3", 5000000000LL, kHash},
                    UrlCase{"unicode", "/Musik/Größe \xE2\x99\xAB.mp3", 9223372036854775807LL, kHash}),
    [](const testing::TestParamInfo<UrlCase>& param) { return std::string(param.param.label); });

TEST(LanResultUrl, RefusesWhatWeNeverMake) {
  lan::ResultUrl parsed;
  for (const std::string& url : std::vector<std::string>{
           "https://h:1/a#size=1", "http://h:1/a", "http://h:1/a#hash=" + kHash, "http://h:1/a#size=-1",
           "http://h:1/a#size=99999999999999999999", "http://h:1/a#size=1&hash=zz", "http://u@h:1/a#size=1",
           "http://h:1/a b#size=1", "http://h:1/#size=1", "http://h:99999/a#size=1", "http://h:1/a%zz#size=1",
           "http://h:1/a%2#size=1", "http://h/a#size=1", "http://h:1#size=1", "http://h:1/a?x=1#size=1",
           "http://h:1/" + std::string(9000, 'a') + "#size=1"}) {
    EXPECT_FALSE(lan::ParseResultUrl(url, parsed)) << url;
  }
}

TEST(LanSafeNames, FileNamesStayInTheFolder) {
  const std::string e = "\xC3\xA9";  // é, two bytes
  std::string e100;
  for (int i = 0; i < 101; ++i) e100 += e;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "download"},
      {".", "download"},
      {"..", "download"},
      {"../../etc/passwd", "_.._etc_passwd"},
      {".hidden", "hidden"},
      {std::string("a\0b\n", 4), "ab"},
      {"a\\b", "a_b"},
      {std::string(300, 'x'), std::string(200, 'x')},
      {e100, e100.substr(0, 200)},
      {std::string(199, 'x') + e, std::string(199, 'x')},
      {"\xFF\xFEok", "ok"},
  };
  for (const auto& [name, safe] : cases) EXPECT_EQ(lan::SafeFileName(name), safe) << name;

  EXPECT_EQ(lan::NumberedName("song.mp3", 2), "song (2).mp3");
  EXPECT_EQ(lan::NumberedName("archive", 3), "archive (3)");
  EXPECT_EQ(lan::NumberedName("a.tar.gz", 2), "a.tar (2).gz");
  EXPECT_EQ(lan::NumberedName("x.mp3", 1), "x.mp3");

  EXPECT_EQ(lan::PartFileName(kLowerHash, "http://h:1/a", "a.mp3"), "abcdef0123456789-a.mp3.part");
  const std::string byAddress = lan::PartFileName("", "http://h:1/a", "a.mp3");
  EXPECT_EQ(byAddress.size(), kLowerHash.size() / 4 + std::string("-a.mp3.part").size());
  EXPECT_NE(byAddress, lan::PartFileName("", "http://h:2/a", "a.mp3"));
}

TEST(LanHeaders, RetryAfterAndContentRange) {
  const std::vector<std::pair<std::string, int>> waits = {{"", 10},
                                                          {"5", 5},
                                                          {"0", 1},
                                                          {"121", 120},
                                                          {" 30 \r\n", 30},
                                                          {"Wed, 21 Oct 2015 07:28:00 GMT", 10},
                                                          {"99999999999999999999", 120},
                                                          {"-5", 10},
                                                          {"3x", 10}};
  for (const auto& [header, seconds] : waits) EXPECT_EQ(lan::RetryAfterSeconds(header), seconds) << header;

  std::int64_t first = 0;
  std::int64_t last = 0;
  std::int64_t total = 0;
  ASSERT_TRUE(lan::ParseContentRange("bytes 100-199/200", first, last, total));
  EXPECT_EQ(first + last + total, 100 + 199 + 200);
  ASSERT_TRUE(lan::ParseContentRange("bytes 0-0/*", first, last, total));
  EXPECT_EQ(total, -1);
  for (const char* bad : {"bytes */200", "bytes 5-4/200", "bytes 0-200/200", "items 0-1/2", "bytes 0-1",
                          "bytes -1-2/3", "bytes 0-99999999999999999999/1"}) {
    EXPECT_FALSE(lan::ParseContentRange(bad, first, last, total)) << bad;
  }

  std::int32_t place = 0;
  std::int32_t length = 0;
  ASSERT_TRUE(lan::ParseQueuedAnswer(R"({"queued":true,"position":3,"size":7})", place, length));
  EXPECT_EQ(place * 10 + length, 37);
  EXPECT_FALSE(lan::ParseQueuedAnswer(R"({"queued":false})", place, length));
  EXPECT_FALSE(lan::ParseQueuedAnswer("busy", place, length));
}

TEST(LanSearchQuery, TextsAreEncodedAndBlankAsksNothing) {
  EXPECT_EQ(lan::SearchQuery("  ", "title", false, 0, 0, 0), "");
  EXPECT_EQ(lan::SearchQuery("a&b c", "ignored", false, 0, 0, 0), "/?format=json&search=a%26b%20c");
  EXPECT_EQ(lan::SearchQuery("Art\n", "Song", true, 900, 10, 128),
            "/?format=json&search=Art%20Song&min=10&max=900&bitrate=128&mp3=1&artist=Art&title=Song");
}

TEST(LanMoveIntoFolder, NeverReplacesAFile) {
  kp::test::TempFolder folder;
  const std::string part = folder.WriteFile("tmp/x.part", "new");
  folder.WriteFile("done/a.mp3", "old");
  folder.WriteFile("done/a (2).mp3", "older");
  std::string finalPath;
  ASSERT_TRUE(lan::MoveIntoFolder(part, folder / "done", "a.mp3", finalPath));
  EXPECT_EQ(finalPath, folder / "done/a (3).mp3");
  EXPECT_EQ(folder.ReadFile("done/a (3).mp3"), "new");
  EXPECT_EQ(folder.ReadFile("done/a.mp3"), "old");
  EXPECT_EQ(folder.ReadFile("done/a (2).mp3"), "older");
  EXPECT_FALSE(folder.Exists("tmp/x.part"));
  // A folder that is not there: the part stays for a later try.
  const std::string second = folder.WriteFile("tmp/y.part", "y");
  EXPECT_FALSE(lan::MoveIntoFolder(second, folder / "missing", "y", finalPath));
  EXPECT_TRUE(folder.Exists("tmp/y.part"));
}

TEST(LanBlockWriter, PiecesAcrossBlocksArriveInOrderAndHashed) {
  kp::test::TempFolder folder;
  const std::string path = folder / "x.part";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  // Pieces of odd sizes so blocks are cut inside pieces; a resume starts at an
  // offset; long enough that the page cache is let go of behind the writes.
  std::string bytes(static_cast<std::size_t>(lan::BlockWriter::kCachedBytes + 2 * lan::BlockWriter::kStreamChunk) +
                        12345,
                    '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
  const std::size_t resumeAt = 1000;
  ASSERT_EQ(::pwrite(fd, bytes.data(), resumeAt, 0), static_cast<ssize_t>(resumeAt));
  lan::Sha256 hasher;
  hasher.Update(bytes.data(), resumeAt);
  {
    lan::BlockWriter writer(fd, hasher);
    std::size_t at = resumeAt;
    for (std::size_t piece = 1; at < bytes.size(); piece = piece * 3 % 700001 + 1) {
      const std::size_t size = std::min(piece, bytes.size() - at);
      ASSERT_TRUE(writer.Append(bytes.data() + at, size, static_cast<std::int64_t>(at)));
      at += size;
    }
    ASSERT_TRUE(writer.Drain());
  }
  ::close(fd);
  EXPECT_EQ(folder.ReadFile("x.part"), bytes);
  lan::Sha256 whole;
  whole.Update(bytes.data(), bytes.size());
  EXPECT_EQ(hasher.FinishHex(), whole.FinishHex());
}

}  // namespace
