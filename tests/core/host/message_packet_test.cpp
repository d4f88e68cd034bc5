#include "core/host/message_packet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace kp {
namespace {

TEST(MessagePacket, NamesAreNormalisedAndFoundHoweverTheyAreWritten) {
  TMessagePacket packet;
  packet.AddObject("  poMenu \t", 42);
  packet.AddString("\r\nsDescription\x01", "text");

  ASSERT_EQ(packet.Count(), 2u);
  EXPECT_EQ(packet.NameAt(0), "POMENU");
  EXPECT_EQ(packet.NameAt(1), "SDESCRIPTION");

  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("POMENU")), 42u);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("  poMenu \t")), 42u);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("pomenu")), 42u);
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sdescription  ")), "text");

  // Only blanks and control characters at the ends are dropped; a near miss is no match.
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("poMen")), 0u);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("poMenuX")), 0u);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("po Menu")), 0u);
}

TEST(MessagePacket, AbsentNamesReadAsEmptyZeroFalseAndNoHandle) {
  TMessagePacket empty;
  EXPECT_EQ(empty.Count(), 0u);
  EXPECT_EQ(empty.SenderPlugin, nullptr);
  EXPECT_EQ(empty.GetString(TPacketName::Unchecked("sName")), "");
  EXPECT_EQ(empty.GetInteger(TPacketName::Unchecked("iValue")), 0);
  EXPECT_FALSE(empty.GetBoolean(TPacketName::Unchecked("bFlag")));
  EXPECT_EQ(empty.GetObject(TPacketName::Unchecked("poItem")), 0u);

  TMessagePacket other;
  other.AddString("sName", "x");
  other.AddInteger("iValue", 9);
  EXPECT_EQ(other.GetString(TPacketName::Unchecked("sOther")), "");
  EXPECT_EQ(other.GetInteger(TPacketName::Unchecked("iOther")), 0);
  EXPECT_FALSE(other.GetBoolean(TPacketName::Unchecked("bOther")));
  EXPECT_EQ(other.GetObject(TPacketName::Unchecked("poOther")), 0u);
  EXPECT_EQ(other.GetString(TPacketName::Unchecked("")), "");
}

TEST(MessagePacket, BooleansAddOnlyTrueAndReadOnlyCapitalT) {
  TMessagePacket packet;
  packet.AddBoolean("bOff", false);
  EXPECT_EQ(packet.Count(), 0u) << "false adds no entry at all";
  EXPECT_FALSE(packet.GetBoolean(TPacketName::Unchecked("bOff")));

  packet.AddBoolean("bOn", true);
  ASSERT_EQ(packet.Count(), 1u);
  EXPECT_EQ(packet.ValueAt(0), "T");
  EXPECT_TRUE(packet.GetBoolean(TPacketName::Unchecked("bOn")));
  EXPECT_TRUE(packet.GetBoolean(TPacketName::Unchecked(" BON ")));

  // Values written by hand: exactly "T" and nothing else is true.
  for (const char* text : {"t", "TRUE", "true", " T", "T ", "1", "Y", ""}) {
    TMessagePacket written;
    written.AddString("bValue", text);
    EXPECT_FALSE(written.GetBoolean(TPacketName::Unchecked("bValue"))) << '"' << text << '"';
  }
}

TEST(MessagePacket, ObjectHandlesKeepTheirSignWindowHandlesDoNot) {
  TMessagePacket packet;
  packet.AddObject("poTop", 0x80000000u);
  packet.AddObject("poAll", 0xFFFFFFFFu);
  packet.AddObject("poMax", 0x7FFFFFFFu);
  packet.AddWindowHandle("sWindowHandle", 0x80000000u);
  packet.AddWindowHandle("sHWND", 0xFFFFFFFFu);

  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("poTop")), "-2147483648");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("poAll")), "-1");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("poMax")), "2147483647");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sWindowHandle")), "2147483648");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sHWND")), "4294967295");

  // Either way the same 32-bit handle comes back.
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("poTop")), 0x80000000u);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("poAll")), 0xFFFFFFFFu);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("poMax")), 0x7FFFFFFFu);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("sWindowHandle")), 0x80000000u);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("sHWND")), 0xFFFFFFFFu);
  EXPECT_EQ(packet.GetInteger(TPacketName::Unchecked("poTop")), -2147483648LL);
  EXPECT_EQ(packet.GetInteger(TPacketName::Unchecked("sWindowHandle")), 2147483648LL);
}

TEST(MessagePacket, IntegersKeepTheirFullRange) {
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  TMessagePacket packet;
  packet.AddInteger("iMin", kMin);
  packet.AddInteger("iMax", kMax);
  packet.AddInteger("iNarrow", std::int32_t{-5});
  packet.AddInteger("iWide", (std::int64_t{1} << 32) + 5);

  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("iMin")), "-9223372036854775808");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("iMax")), "9223372036854775807");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("iNarrow")), "-5");
  EXPECT_EQ(packet.GetInteger(TPacketName::Unchecked("iMin")), kMin);
  EXPECT_EQ(packet.GetInteger(TPacketName::Unchecked("iMax")), kMax);
  EXPECT_EQ(packet.GetInteger(TPacketName::Unchecked("iNarrow")), -5);
  EXPECT_EQ(packet.GetObject(TPacketName::Unchecked("iWide")), 5u) << "a handle is the low 32 bits";

  // Reading a text as a number keeps only its digits and minus signs.
  packet.AddString("sSize", "1,024 KB");
  packet.AddString("sWords", "none");
  packet.AddString("sBroken", "12-3");
  EXPECT_EQ(packet.GetInteger(TPacketName::Unchecked("sSize")), 1024);
  EXPECT_EQ(packet.GetInteger(TPacketName::Unchecked("sWords")), 0);
  EXPECT_EQ(packet.GetInteger(TPacketName::Unchecked("sBroken")), 0);
}

TEST(MessagePacket, TextsAreCopiedAsWritten) {
  TMessagePacket packet;
  const char* nothing = nullptr;
  packet.AddString("sNull", nothing);
  ASSERT_EQ(packet.Count(), 1u) << "a null text is an entry with empty text";
  EXPECT_EQ(packet.ValueAt(0), "");

  packet.AddString("sPadded", "  Mixed Case \t");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sPadded")), "  Mixed Case \t") << "values are not trimmed";

  packet.AddString("sUtf8", "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sUtf8")), "Gr\xC3\xBC\xC3\x9F" "e");

  packet.AddString("sBinary", std::string_view("a\0b", 3));
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sBinary")), std::string_view("a\0b", 3));

  // The packet holds its own copy: the caller's buffer may change or go away.
  char buffer[] = "original text that is longer than a short-string buffer";
  packet.AddString("sBuffer", buffer);
  std::string owned = "another long text that needs a heap allocation of its own";
  packet.AddString("sOwned", std::string_view(owned));
  buffer[0] = 'X';
  owned.assign("short");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sBuffer")), "original text that is longer than a short-string buffer");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sOwned")), "another long text that needs a heap allocation of its own");
}

TEST(MessagePacket, SameNameTwiceKeepsBothAndReadsTheFirst) {
  TMessagePacket packet;
  packet.AddString("sName", "first");
  packet.AddInteger("iBetween", 1);
  packet.AddString(" SNAME ", "second");

  ASSERT_EQ(packet.Count(), 3u);
  EXPECT_EQ(packet.NameAt(2), "SNAME");
  EXPECT_EQ(packet.ValueAt(2), "second");
  EXPECT_EQ(packet.GetString(TPacketName::Unchecked("sName")), "first");

  // Also across kinds: the first entry decides what a later read sees.
  TMessagePacket mixed;
  mixed.AddObject("poItem", 7);
  mixed.AddObject("poItem", 8);
  mixed.AddBoolean("bFlag", false);
  mixed.AddBoolean("bFlag", true);
  EXPECT_EQ(mixed.GetObject(TPacketName::Unchecked("poItem")), 7u);
  EXPECT_TRUE(mixed.GetBoolean(TPacketName::Unchecked("bFlag"))) << "the false one added nothing";
}

}  // namespace
}  // namespace kp
