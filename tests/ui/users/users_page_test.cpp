// The Users page and the user dialog over the accounts store, with a stand-in
// plugin that writes down the user events; the dialog is answered by filling
// its fields and pressing its OK button.
#include "ui/users/users_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <string>

#include "core/config/simple_config.h"
#include "core/platform/shell_services.h"
#include "core/users/users_fixture.h"
#include "core/users/users_working_copy.h"
#include "ui/users/user_dialog.h"

namespace kp {
namespace {

constexpr const char* kLanguage = R"lang(
[ModifyUser]
00005 = "No name."
00007 = "Taken."
00009 = "No colons."
00010 = "Too long."
)lang";

class UsersPageTest : public test::UsersTest {
 protected:
  UsersPageTest() {
    language_.LoadFromText(kLanguage);
    HeadlessShell().PrintMessages = false;
    HeadlessShell().Forget();
  }

  // The next user dialog is answered with these entries; whether OK took them.
  void Answer(std::string name, std::string password) {
    page_.RunUserDialog = [this, name, password](TUserDialog& dialog) {
      dialog.NameField()->setText(QString::fromStdString(name));
      dialog.PasswordField()->setText(QString::fromStdString(password));
      dialog.OkButton()->click();
      accepted_ = dialog.result() == QDialog::Accepted;
      return accepted_;
    };
  }
  // Selects the first row of the name.
  void Select(const QString& name) {
    const auto rows = page_.Tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(rows.isEmpty()) << name.toStdString();
    page_.Tree()->setCurrentItem(rows.front());
  }

  TSimpleConfig language_;
  TUsersPage page_{users_, language_};
  bool accepted_ = false;
};

TEST_F(UsersPageTest, AnAccountAddedThenRemovedBeforeOkChangesNothingButRaisesBothEvents) {
  TServiceHolder& service = AddService("S", 1);
  page_.Load();
  Answer("bob", "pw");
  page_.AddUser();
  ASSERT_TRUE(accepted_);
  Select("bob");
  EXPECT_TRUE(page_.RemoveButton()->isEnabled());
  page_.ConfirmRemoval = [] { return true; };
  page_.RemoveSelected();
  page_.Apply();
  EXPECT_TRUE(users_.UsersOf(service).empty());
  EXPECT_EQ(events_, (Strings{"a S bob", "r S bob"}));
}

TEST_F(UsersPageTest, RemovingThenAddingTheSameNameKeepsBothAccountsTheOldOneFirst) {
  TServiceHolder& service = AddService("S", 1);
  users_.AddUser(service, "bob", "old");
  events_.clear();
  page_.Load();
  Select("bob");
  page_.ConfirmRemoval = [] { return true; };
  page_.RemoveSelected();
  Answer("bob", "new");
  page_.AddUser();
  page_.Apply();
  EXPECT_EQ(Accounts(users_.UsersOf(service)), (Strings{"bob/old", "bob/new"}));
  EXPECT_EQ(users_.FindUser(service, "BOB")->Password, "old");
}

TEST_F(UsersPageTest, TheUserDialogRefusesWhatCannotBeStoredWithItsMessage) {
  TServiceHolder& service = AddService("S", 1);
  users_.AddUser(service, "bob", "pw");
  page_.Load();
  struct Case {
    std::string name;
    const char* message;
  };
  for (const Case& c : {Case{"  ", "No name."}, Case{"a:b", "No colons."}, Case{"BOB", "Taken."}}) {
    HeadlessShell().Forget();
    Answer(c.name, "pw");
    page_.AddUser();
    EXPECT_FALSE(accepted_) << c.name;
    EXPECT_EQ(HeadlessShell().Messages(), Strings{c.message}) << c.name;
  }
  EXPECT_TRUE(page_.WorkingCopy()->Services().front().Added.empty());
  EXPECT_TRUE(events_.size() == 1u) << "only the account made before the page opened";
}

TEST_F(UsersPageTest, EditChangesOnlyThePasswordAndOnlyOnOk) {
  TServiceHolder& service = AddService("S", 1);
  users_.AddUser(service, "bob", "old");
  events_.clear();
  page_.Load();
  EXPECT_FALSE(page_.EditButton()->isEnabled()) << "no user row chosen";
  Select("bob");
  ASSERT_TRUE(page_.EditButton()->isEnabled());
  page_.RunUserDialog = [](TUserDialog& dialog) {
    EXPECT_FALSE(dialog.AddMode());
    EXPECT_TRUE(dialog.NameField()->isReadOnly());
    EXPECT_EQ(dialog.PasswordField()->text(), "old");
    dialog.PasswordField()->setText("new");
    dialog.OkButton()->click();
    return dialog.result() == QDialog::Accepted;
  };
  page_.EditSelected();
  EXPECT_EQ(users_.FindUser(service, "bob")->Password, "old");
  page_.Apply();
  EXPECT_EQ(users_.FindUser(service, "bob")->Password, "new");
  EXPECT_TRUE(events_.empty());
}

}  // namespace
}  // namespace kp
