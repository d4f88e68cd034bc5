// The users store: saved accounts joining their services, "Users.dat" as read
// and written, and the Users functions as a plugin calls them.
#include "core/users/users.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/config/base64.h"
#include "core/config/text_basics.h"
#include "core/host/message_packet.h"
#include "users_fixture.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

std::string Line(std::uint32_t guid, std::string_view name, std::string_view password) {
  std::string line;
  AppendUsersLine(line, test::ServiceGuid(guid), name, password);
  return line;
}

class UsersStoreTest : public test::UsersTest {
 protected:
  std::int32_t Count(std::uint32_t service) {
    TMessagePacket packet;
    packet.AddObject("poService", service);
    return api_.Call(*ApiFunctionIndex("UsersGetCount"), std::move(packet));
  }
  std::int32_t Check(std::uint32_t service, const char* name, const char* password) {
    TMessagePacket packet;
    packet.AddObject("poService", service);
    packet.AddString("sUserName", name);
    packet.AddString("sPassword", password);
    return api_.Call(*ApiFunctionIndex("UsersCheckAccess"), std::move(packet));
  }
  // The buffer after the call; it starts filled with "#".
  std::string Name(std::uint32_t service, std::int32_t position) {
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    TMessagePacket packet;
    packet.AddObject("poService", service);
    packet.AddInteger("iPosition", position);
    packet.AddInteger("sName", static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(buffer)));
    EXPECT_EQ(api_.Call(*ApiFunctionIndex("UsersGetName"), std::move(packet)), 0);
    return buffer;
  }
};

TEST_F(UsersStoreTest, SavedAccountsJoinTheirServiceAsItRegistersAndThePluginHearsOfEachMeanwhile) {
  users_.LoadUsersFromText(Line(1, "Bob", "secret") + Line(2, "Ann", "a") + Line(1, "Bob", "second") +
                           "not a guid:Eve:ZXZl\r\n");
  ASSERT_EQ(users_.Pending().size(), 3u) << "a line without a GUID can match no service";

  const TServiceHolder& one = AddService("S1", 1);
  EXPECT_EQ(events_, (Strings{"+ S1 Bob", "+ S1 Bob"})) << "both lines restore, in file order";
  EXPECT_EQ(Accounts(users_.UsersOf(one)), (Strings{"Bob/secret", "Bob/second"}));
  ASSERT_EQ(users_.Pending().size(), 1u);
  EXPECT_EQ(users_.Pending()[0].name, "Ann");

  // Through the API: the first account of a name decides; names in any case,
  // passwords exactly.
  const std::uint32_t h = one.Handle();
  EXPECT_EQ(Count(h), 2);
  EXPECT_EQ(Check(h, "Bob", "secret"), 1);
  EXPECT_EQ(Check(h, "bOB", "secret"), 1);
  EXPECT_EQ(Check(h, "Bob", "Secret"), 0);
  EXPECT_EQ(Check(h, "Bob", "second"), 0) << "only the first Bob counts";
  EXPECT_EQ(Check(h, "Eve", ""), 0);
  EXPECT_TRUE(users_.CheckAccess(one, "BOB", "secret"));

  // A plugin that removes its service from inside OnUsersAdd hears of no more
  // of its accounts, and the rest of them are gone with it.
  events_.clear();
  users_.LoadUsersFromText(Line(3, "x", "") + Line(3, "y", "") + Line(3, "z", ""));
  removeOnNextAdd_ = true;
  static_cast<void>(services_.AddService(&plugin_, type_, "S3", "", "", 0, test::ServiceGuid(3)));
  EXPECT_EQ(events_, (Strings{"+ S3 x"}));
  EXPECT_EQ(services_.Services().size(), 1u);
  EXPECT_EQ(users_.Pending().size(), 1u) << "only Ann still waits";
}

TEST_F(UsersStoreTest, GetNameFillsTheBufferOnlyForAPositionInRangeAndCutsToTheFixedText) {
  const std::string longName(300, 'n');
  users_.LoadUsersFromText(Line(1, "Bob", "") + Line(1, longName, ""));
  const std::uint32_t h = AddService("S1", 1).Handle();
  const std::string untouched(299, '#');
  EXPECT_EQ(Name(h, 0), "Bob");
  EXPECT_EQ(Name(h, 1), std::string(254, 'n'));
  EXPECT_EQ(Name(h, 2), untouched) << "the position equal to the count";
  EXPECT_EQ(Name(h, -1), untouched);
  EXPECT_EQ(Name(h + 1, 0), untouched) << "not a service";
  EXPECT_EQ(Count(h + 1), 0);
  EXPECT_EQ(Check(h + 1, "Bob", ""), 0);
}

// A line of the file and the account it gives, if any.
struct ParseCase {
  const char* what;
  std::string text;
  Strings accounts;  // "name/password"
};

TEST(UsersFileTest, LinesAreCutAtTheirFirstTwoColonsAndUnreadableOnesAreLeftOut) {
  const std::string g = "{00000001-0000-0000-0000-00000000005A}";
  const std::string hundred(100, 'p');
  const std::string oldStyle = Base64Encode(hundred);  // broken after 80 characters, as older versions wrote
  const std::vector<ParseCase> cases = {
      {"whole line", g + ":Bob:c2VjcmV0\r\n", {"Bob/secret"}},
      {"further colons belong to the Base64 text", g + ":Bob:c2Vj:cmV0\n", {"Bob/secret"}},
      {"one colon: no password", g + ":Bob", {"Bob/"}},
      {"no colon: no name", g, {"/"}},
      {"GUID in lower case, blanks around it", " " + ToLowerAscii(g) + " :Bob:", {"Bob/"}},
      {"Base64 of nothing but bad characters", g + ":Bob:*!*", {"Bob/"}},
      {"not a GUID", "{0001}:Bob:c2VjcmV0\r\n:Ann:", {}},
      {"a lone CR ends a line", g + ":a:\r" + g + ":b:", {"a/", "b/"}},
      {"an older file's long password", g + ":Bob:" + oldStyle, {"Bob/" + hundred}},
      {"a continuation needs a full piece before it", g + ":Bob:cA==\r\ncA==\r\n", {"Bob/p"}},
  };
  for (const ParseCase& c : cases) {
    Strings accounts;
    for (const TSavedUser& user : ParseUsersFile(c.text)) accounts.push_back(user.name + "/" + user.password);
    EXPECT_EQ(accounts, c.accounts) << c.what;
  }
}

TEST_F(UsersStoreTest, TheFileRoundTripKeepsEveryAccountAndThoseOfServicesThatDidNotRegister) {
  // Passwords the older one-line-per-60-bytes format could not carry whole.
  const std::string hundred = std::string(50, 'x') + ":\r\n" + std::string(46, 'y');
  users_.LoadUsersFromText(Line(2, "Ann", "waiting") + Line(4, "Gone", "g"));
  TServiceHolder& one = AddService("S1", 1);
  users_.AddUser(one, "Bob", "first");
  users_.AddUser(one, "Bob", hundred);
  RemoveService(AddService("S4", 4));
  ASSERT_TRUE(users_.SaveUsers(temp_ / "Users.dat"));

  const std::string saved = temp_.ReadFile("Users.dat");
  EXPECT_EQ(saved, Line(1, "Bob", "first") + Line(1, "Bob", hundred) + Line(2, "Ann", "waiting"))
      << "registered services first, then the waiting accounts; a removed service's are gone";
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3) << "one line per account";

  // The next run: the service that was missing registers now.
  TServiceRegistry nextServices(temp_.Path());
  TUsers next(nextServices);
  next.LoadUsers(temp_ / "Users.dat");
  const std::uint32_t type = nextServices.AddType(nullptr, "t", "", TGuid{});
  const TServiceHolder* two =
      nextServices.FindService(nextServices.AddService(nullptr, type, "S2", "", "", 0, test::ServiceGuid(2)));
  const TServiceHolder* again =
      nextServices.FindService(nextServices.AddService(nullptr, type, "S1", "", "", 0, test::ServiceGuid(1)));
  EXPECT_EQ(Accounts(next.UsersOf(*two)), (Strings{"Ann/waiting"}));
  EXPECT_EQ(Accounts(next.UsersOf(*again)), (Strings{"Bob/first", "Bob/" + hundred}));
  EXPECT_TRUE(next.Pending().empty());

  next.LoadUsers(temp_ / "missing.dat");
  EXPECT_TRUE(next.Pending().empty());
}

}  // namespace
}  // namespace kp
