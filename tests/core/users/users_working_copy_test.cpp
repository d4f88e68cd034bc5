// The settings dialog's copy of the accounts: what reaches the services on OK,
// what the plugins hear and when, and what is refused.
#include "core/users/users_working_copy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "users_fixture.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;
using R = TUserEditResult;

class UsersWorkingCopyTest : public test::UsersTest {
 protected:
  UsersWorkingCopyTest() : service_(AddService("S", 1)) {
    users_.AddUser(service_, "Bob", "old");
    users_.AddUser(service_, "Ann", "ann");
    events_.clear();
  }
  Strings Accounts() const { return UsersTest::Accounts(users_.UsersOf(service_)); }

  TServiceHolder& service_;
};

TEST_F(UsersWorkingCopyTest, AnAccountAddedAndRemovedBeforeOkLeavesTheServiceAsItWas) {
  TUsersWorkingCopy copy(users_);
  const std::uint32_t s = service_.Handle();
  EXPECT_EQ(copy.Add(s, "Cid", "c"), R::Done);
  EXPECT_EQ(copy.Remove(s, "cid"), R::Done);
  EXPECT_EQ(Accounts(), (Strings{"Bob/old", "Ann/ann"})) << "nothing before OK";
  copy.Apply();
  EXPECT_EQ(Accounts(), (Strings{"Bob/old", "Ann/ann"}));
  EXPECT_EQ(events_, (Strings{"a S Cid", "r S Cid"}));
}

TEST_F(UsersWorkingCopyTest, OkAddsThenRemovesThenStoresPasswordsWithTheEventsInThatOrder) {
  TUsersWorkingCopy copy(users_);
  const std::uint32_t s = service_.Handle();
  EXPECT_EQ(copy.Remove(s, "BOB"), R::Done);
  EXPECT_EQ(copy.Add(s, "bob", "new"), R::Done) << "a removed name may come back";
  EXPECT_EQ(copy.ChangePassword(s, "ANN", "changed"), R::Done);
  EXPECT_EQ(copy.Add(s, "Dan", "d"), R::Done);
  EXPECT_EQ(events_, (Strings{"r S Bob", "a S bob", "a S Dan"}));

  events_.clear();
  copy.Apply();
  EXPECT_EQ(events_, (Strings{"+ S bob", "+ S Dan"}))
      << "taking the name back out of Removed keeps the old Bob";
  EXPECT_EQ(Accounts(), (Strings{"Bob/old", "Ann/changed", "bob/new", "Dan/d"}));
  EXPECT_TRUE(users_.CheckAccess(service_, "bob", "old")) << "the old account is found first";
  EXPECT_TRUE(copy.Services().empty()) << "applied once";

  // Removal: the plugin hears of it, then the account goes.
  TUsersWorkingCopy second(users_);
  events_.clear();
  EXPECT_EQ(second.Remove(s, "Ann"), R::Done);
  second.Apply();
  EXPECT_EQ(events_, (Strings{"r S Ann", "- S Ann"}));
  EXPECT_EQ(Accounts(), (Strings{"Bob/old", "bob/new", "Dan/d"})) << "each Bob keeps its own password";

  // Both accounts of one name removed: both go, although the name is listed once.
  TUsersWorkingCopy third(users_);
  EXPECT_EQ(third.Remove(s, "BOB"), R::Done);
  EXPECT_EQ(third.Remove(s, "BOB"), R::Done);
  events_.clear();
  third.Apply();
  EXPECT_EQ(events_, (Strings{"- S Bob", "- S bob"}));
  EXPECT_EQ(Accounts(), (Strings{"Dan/d"}));
}

TEST_F(UsersWorkingCopyTest, WhatTheFileCouldNotCarryIsRefusedAndNothingChanges) {
  TUsersWorkingCopy copy(users_);
  const std::uint32_t s = service_.Handle();
  struct Case {
    std::string name;
    std::string password;
    R expected;
  };
  const std::vector<Case> cases = {
      {"a:b", "p", R::NameContainsColon},
      {"a\nb", "p", R::NameContainsLineEnd},
      {"a\rb", "p", R::NameContainsLineEnd},
      {std::string("a\0b", 3), "p", R::NameContainsNul},
      {" \t ", "p", R::EmptyName},
      {std::string(255, 'n'), "p", R::NameTooLong},
      {"ann", "p", R::NameTaken},
      {"Eve", std::string("p\0q", 3), R::PasswordContainsNul},
      {"Eve", std::string(kMaxUserPasswordLength + 1, 'p'), R::PasswordTooLong},
  };
  for (const Case& c : cases) EXPECT_EQ(copy.Add(s, c.name, c.password), c.expected) << c.name;
  EXPECT_EQ(copy.ChangePassword(s, "Bob", std::string("\0", 1)), R::PasswordContainsNul);
  EXPECT_EQ(copy.ChangePassword(s, "Eve", "p"), R::UnknownUser);
  EXPECT_EQ(copy.Remove(s, "Eve"), R::UnknownUser);
  EXPECT_EQ(copy.Add(s + 1, "Eve", "p"), R::UnknownService);
  // Everything else survives the file: a long password with line ends and colons.
  EXPECT_EQ(copy.Add(s, std::string(254, 'n'), std::string(100, ':') + "\r\n"), R::Done);
  EXPECT_EQ(events_.size(), 1u);

  // A service that goes while the dialog is open is passed over.
  RemoveService(service_);
  EXPECT_EQ(copy.Add(s, "Eve", "p"), R::UnknownService);
  events_.clear();
  copy.Apply();
  EXPECT_TRUE(events_.empty());
}

}  // namespace
}  // namespace kp
