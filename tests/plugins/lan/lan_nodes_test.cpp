#include "lan_nodes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const kGuidA = "{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9}";
const char* const kGuidB = "{11111111-2222-4333-8444-555555555555}";

std::string Node(const std::string& guid, const std::string& rest) {
  return "[Node]\nGUID=" + guid + "\n" + rest;
}

// What a parsed node is compared by.
std::string Describe(const lan::NodeSettings& node) {
  std::string text = lan::GuidText(node.guid) + "|" + node.name + "|" + std::to_string(node.port) + "|";
  for (const std::string& peer : node.peers) text += peer + ",";
  return text + "|" + node.user + "|" + node.password + "|" + (node.discover ? "1" : "0");
}

struct FileCase {
  const char* label;
  std::string text;
  std::vector<std::string> expected;  // Describe() of each node read
};

class LanNodesFile : public testing::TestWithParam<FileCase> {};

TEST_P(LanNodesFile, ReadsWhatIsGoodAndSkipsWhatIsNot) {
  std::vector<std::string> read;
  for (const lan::NodeSettings& node : lan::ParseNodesFile(GetParam().text)) read.push_back(Describe(node));
  EXPECT_EQ(read, GetParam().expected);
}

const std::string kA = kGuidA;
const std::string kB = kGuidB;

INSTANTIATE_TEST_SUITE_P(
    Cases, LanNodesFile,
    testing::Values(
        FileCase{"crlf_full",
                 "\xEF\xBB\xBF; comment\r\n[Node]\r\nGUID=" + kA +
                     "\r\nName = Desk \r\nPort=18441\r\nPeers=127.0.0.1:18442, Box.local:18443\r\n"
                     "User=alice\r\nPassword= p w \r\nDiscover=0\r\nColour=blue\r\n",
                 {kA + "|Desk|18441|127.0.0.1:18442,Box.local:18443,|alice| p w |0"}},
        FileCase{"defaults_for_bad_values",
                 Node(kA,
                      "Name=\x01"
                      "bad\nPort=65536\nDiscover=yes\nUser=a:b\nPassword=x\x7fy\n"),
                 {kA + "|This computer|8441||||1"}},
        FileCase{"bad_ports",
                 Node(kA, "Port=0\n") + Node(kB, "Port=12a\n"),
                 {kA + "|This computer|8441||||1", kB + "|This computer|8441||||1"}},
        FileCase{"bad_peers_skipped_one_by_one",
                 Node(kA,
                      "Peers=300.1.1.1:5, 10.1:5, host:0, a_b:1, -x.y:1, ok.host:80, 10.0.0.1:99999, "
                      "10.0.0.1:1, OK.HOST:80\n"),
                 {kA + "|This computer|8441|ok.host:80,10.0.0.1:1,|||1"}},
        FileCase{"no_guid_nil_guid_bad_guid_and_repeats_dropped",
                 "[Node]\nName=NoGuid\n" + Node("{00000000-0000-0000-0000-000000000000}", "") +
                     Node("{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8FZ}", "") + Node(kA, "Name=First\n") +
                     Node(kA, "Name=Second\n"),
                 {kA + "|First|8441||||1"}},
        FileCase{"other_sections_and_keys_outside_ignored",
                 "Port=1\n[Other]\nGUID=" + kB + "\n" + Node(kA, "Port=2\n") + "[Other]\nPort=3\n",
                 {kA + "|This computer|2||||1"}},
        FileCase{"overlong_line_skipped",
                 Node(kA, "Name=" + std::string(5000, 'x') + "\nPort=7\n"),
                 {kA + "|This computer|7||||1"}},
        FileCase{"garbage", std::string("\0\0[Node\x00]\n=\n==\n[\n]\nGUID\n", 24), {}},
        FileCase{"name_too_long",
                 Node(kA, "Name=" + std::string(65, 'n') + "\n"),
                 {kA + "|This computer|8441||||1"}}),
    [](const testing::TestParamInfo<FileCase>& param) { return std::string(param.param.label); });

lan::NodeSettings Sample(unsigned seed) {
  lan::NodeSettings node;
  lan::ParseGuidText("{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8" + std::to_string(10 + seed % 90) + "}", node.guid);
  node.name = "Schreibtisch \xC3\xBC " + std::to_string(seed);
  node.port = static_cast<std::uint16_t>(18400 + seed);
  node.user = "bob";
  node.password = "  pass word=;# ";
  node.discover = seed % 2 == 0;
  return node;
}

TEST(LanNodesFileLimits, WrittenFileReadsBackTheSameEvenWithLongPeerLists) {
  std::vector<lan::NodeSettings> nodes = {Sample(1), Sample(2)};
  for (int i = 0; i < 256; ++i)
    nodes[0].peers.push_back("host-" + std::to_string(i) + "." + std::string(40, 'a') + ":1");
  nodes[1].peers = {"10.0.0.2:8441"};
  const std::string text = lan::FormatNodesFile(nodes);
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos;
       start = end + 1, end = text.find('\n', start)) {
    ASSERT_LE(end - start, lan::kMaxLineBytes);
  }
  const std::vector<lan::NodeSettings> read = lan::ParseNodesFile(text);
  ASSERT_EQ(read.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(Describe(read[i]), Describe(nodes[i]));
}

TEST(LanNodesFileLimits, AtMost64NodesAnd256Peers) {
  std::string text;
  for (unsigned i = 0; i < 70; ++i) {
    char guid[40];
    std::snprintf(guid, sizeof guid, "{%08X-0000-4000-8000-000000000001}", i + 1);
    std::string peers = "Peers=";
    if (i == 0) {
      for (int p = 1; p <= 300; ++p)
        peers += "10.0." + std::to_string(p / 256) + "." + std::to_string(p % 256) + ":1,";
    }
    text += Node(guid, peers + "\n");
  }
  const std::vector<lan::NodeSettings> read = lan::ParseNodesFile(text);
  ASSERT_EQ(read.size(), lan::kMaxNodes);
  EXPECT_EQ(read[0].peers.size(), lan::kMaxPeers);
}

struct DraftCase {
  const char* label;
  lan::SettingsDraft draft;
  bool accepted;
  const char* problemPart;  // in the message when refused
};

class LanNodesDraft : public testing::TestWithParam<DraftCase> {};

TEST_P(LanNodesDraft, ChecksWhatTheUserTyped) {
  lan::NodeSettings settings;
  std::string problem;
  EXPECT_EQ(lan::SettingsFromDraft(GetParam().draft, settings, problem), GetParam().accepted) << problem;
  if (!GetParam().accepted) {
    EXPECT_NE(problem.find(GetParam().problemPart), std::string::npos) << problem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanNodesDraft,
    testing::Values(
        DraftCase{"empty_name", {"  ", "8441", "", "", "", true}, false, "name"},
        DraftCase{"port_zero", {"Desk", "0", "", "", "", true}, false, "port"},
        DraftCase{"port_too_big", {"Desk", "65536", "", "", "", true}, false, "port"},
        DraftCase{"bad_peer", {"Desk", "1", "10.0.0.1:1\nfoo bar:2", "", "", true}, false, "foo bar:2"},
        DraftCase{"peer_without_port", {"Desk", "1", "10.0.0.1", "", "", true}, false, "10.0.0.1"},
        DraftCase{"colon_in_user", {"Desk", "1", "", "a:b", "", true}, false, "user"},
        DraftCase{"newline_in_password", {"Desk", "1", "", "", "a\nb", true}, false, "password"}),
    [](const testing::TestParamInfo<DraftCase>& param) { return std::string(param.param.label); });

TEST(LanNodesDraft, GoodDraftIsTrimmedAndKeepsTheGuid) {
  lan::NodeSettings settings;
  ASSERT_TRUE(lan::ParseGuidText(kGuidA, settings.guid));
  std::string problem;
  ASSERT_TRUE(lan::SettingsFromDraft(
      {" Desk ", "8441", "10.0.0.1:1\n\n box.lan:2 \n10.0.0.1:1", "u", " p ", false}, settings, problem));
  EXPECT_EQ(Describe(settings), kA + "|Desk|8441|10.0.0.1:1,box.lan:2,|u| p |0");
  EXPECT_EQ(lan::GuidText(settings.guid), kGuidA);
}

struct PeerCase {
  const char* peer;
  bool valid;
};

class LanNodesPeer : public testing::TestWithParam<PeerCase> {};

TEST_P(LanNodesPeer, AcceptsHostPortOnly) { EXPECT_EQ(lan::IsValidPeer(GetParam().peer), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(Cases, LanNodesPeer,
                         testing::Values(PeerCase{"192.168.1.20:8441", true}, PeerCase{"box.local:1", true},
                                         PeerCase{"a-b.c:65535", true}, PeerCase{"255.255.255.255:80", true},
                                         PeerCase{"256.1.1.1:80", false}, PeerCase{"1.2.3:80", false},
                                         PeerCase{"1.2.3.4.5:80", false}, PeerCase{"1.2.3.4:0", false},
                                         PeerCase{"1.2.3.4:65536", false}, PeerCase{"1.2.3.4:+80", false},
                                         PeerCase{":80", false}, PeerCase{"host", false},
                                         PeerCase{"host:", false}, PeerCase{"ho st:80", false},
                                         PeerCase{"a..b:80", false}, PeerCase{".a:80", false},
                                         PeerCase{"a-.b:80", false}, PeerCase{"[::1]:80", false},
                                         PeerCase{"user@host:80", false}, PeerCase{"h_x:80", false}));

TEST(LanNodesGuid, TextRoundTripAndBadForms) {
  kp_guid guid{};
  ASSERT_TRUE(lan::ParseGuidText("{0a1b2c3d-4e5f-4071-8293-a4b5c6d7e8f9}", guid));
  EXPECT_EQ(guid.Data1, 0x0A1B2C3Du);
  EXPECT_EQ(guid.Data4[0], 0x82);
  EXPECT_EQ(guid.Data4[7], 0xF9);
  EXPECT_EQ(lan::GuidText(guid), kGuidA);
  for (const char* bad :
       {"", "{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F}", "{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9",
        "{0A1B2C3D_4E5F-4071-8293-A4B5C6D7E8F9}", "{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8FG}",
        "{00000000-0000-0000-0000-000000000000}"}) {
    kp_guid untouched = guid;
    EXPECT_FALSE(lan::ParseGuidText(bad, untouched)) << bad;
    EXPECT_TRUE(lan::SameGuid(untouched, guid)) << bad;
  }
}

}  // namespace
