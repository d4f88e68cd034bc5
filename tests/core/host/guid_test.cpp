#include "core/host/guid.h"

#include <gtest/gtest.h>

namespace kp {
namespace {

TEST(Guid, RegistryTextRoundTripsAndRejectsAnythingElse) {
  const TGuid guid{0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(GuidToText(guid), "{01234567-89AB-CDEF-FEDC-BA9876543210}");
  EXPECT_EQ(GuidFromText("{01234567-89AB-CDEF-FEDC-BA9876543210}"), guid);
  EXPECT_EQ(GuidFromText(" 01234567-89ab-cdef-fedc-ba9876543210\r\n"), guid) << "no braces, lower case, blanks";
  EXPECT_EQ(GuidFromText(GuidToText(TGuid{})), TGuid{});

  for (const char* bad : {"", "{}", "{01234567-89AB-CDEF-FEDC-BA9876543210", "01234567-89AB-CDEF-FEDCBA9876543210",
                          "{01234567-89AB-CDEF-FEDC-BA987654321G}", "{0123456789ABCDEFFEDCBA9876543210}",
                          "{01234567-89AB-CDEF-FEDC-BA98765432101}", "x01234567-89AB-CDEF-FEDC-BA9876543210}"}) {
    EXPECT_FALSE(GuidFromText(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace kp
