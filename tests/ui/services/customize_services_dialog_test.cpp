// The Customize dialog over a registry filled by real plugins: the tree of
// types and services, the buttons, and what editing and removing do to the
// list and tell the owning plugin.
#include "ui/services/customize_services_dialog.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "core/config/simple_config.h"
#include "support/service_plugins_fixture.h"
#include "ui/services/delete_service_dialog.h"
#include "ui/shell/image_list.h"

namespace kp {
namespace {

using Handles = std::vector<std::uint32_t>;

constexpr const char* kLanguage = R"(
[General]
00001 = "Change"
00002 = "Drop"
00003 = "Fine"
00004 = "Abort"
[ModifyService]
00001 = "Accounts"
[DeleteService]
00001 = "Really drop it?"
)";

// Two plugins: "net.so" with a type of two services and a type without any,
// "chat.so" with a type of one service.
class CustomizeServicesDialogTest : public test::ServicePluginsTest {
 protected:
  void SetUp() override {
    language_.LoadFromText(kLanguage);
    temp_.MakeFolder("Icons");
    WriteImage("Icons/net.bmp", Qt::blue);
    WriteImage("Icons/on.bmp", Qt::green);
    WriteImage("Icons/off.bmp", Qt::gray);
    net_ = std::make_unique<test::TServicePlugin>(Load(KP_TP_SERVICES, "net.so"));
    chat_ = std::make_unique<test::TServicePlugin>(Load(KP_TP_SERVICES, "chat.so"));
    network_ = net_->AddType("Network", "net.bmp");
    net_->AddType("Empty");
    one_ = net_->Add(network_, "One", "on.bmp", "off.bmp");
    two_ = net_->Add(network_, "Two");
    chatType_ = chat_->AddType("Chat");
    room_ = chat_->Add(chatType_, "Room", "on.bmp", "off.bmp");
    kp_test_record_clear();
  }

  void Open() {
    dialog_ = std::make_unique<TCustomizeServicesDialog>(services_, language_, images_,
                                                         [this](std::uint32_t service) {
                                                           edited_.push_back(service);
                                                           if (onEdit_) onEdit_(service);
                                                         });
    dialog_->confirmDeletion = [this](const QString& description) {
      asked_.push_back(description.toStdString());
      if (onAsk_) onAsk_();
      return answer_;
    };
    dialog_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
  }

  void WriteImage(const std::string& relative, Qt::GlobalColor color) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(temp_ / relative), "BMP"));
  }

  QTreeWidget* Tree() const { return dialog_->Tree(); }
  // The tree as text, service rows indented under their type rows.
  Strings Rows() const {
    Strings rows;
    for (int t = 0; t < Tree()->topLevelItemCount(); ++t) {
      const QTreeWidgetItem* type = Tree()->topLevelItem(t);
      rows.push_back(type->text(0).toStdString());
      for (int s = 0; s < type->childCount(); ++s)
        rows.push_back("  " + type->child(s)->text(0).toStdString());
    }
    return rows;
  }
  QTreeWidgetItem* Row(const QString& text) const {
    const QList<QTreeWidgetItem*> found = Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
  }
  void ClickRow(const QString& text) {
    QTreeWidgetItem* row = Row(text);
    ASSERT_NE(row, nullptr) << text.toStdString();
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, Tree()->visualItemRect(row).center());
  }
  void DoubleClickRow(const QString& text) {
    QTreeWidgetItem* row = Row(text);
    ASSERT_NE(row, nullptr) << text.toStdString();
    // As the window system delivers one: a click, then the second press as a double click.
    const QPoint at = Tree()->visualItemRect(row).center();
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, {}, at);
  }
  bool EditOn() const { return dialog_->EditButton()->isEnabled(); }
  bool DeleteOn() const { return dialog_->DeleteButton()->isEnabled(); }
  // The buttons as the first selected row says they should be.
  bool ButtonsFollowSelection() const {
    const QList<QTreeWidgetItem*> selected = Tree()->selectedItems();
    const bool service = !selected.isEmpty() && TCustomizeServicesDialog::IsServiceRow(selected.first());
    return EditOn() == service && DeleteOn() == service;
  }

  TSimpleConfig language_;
  TImageList images_;
  std::unique_ptr<test::TServicePlugin> net_;
  std::unique_ptr<test::TServicePlugin> chat_;
  std::uint32_t network_ = 0, chatType_ = 0, one_ = 0, two_ = 0, room_ = 0;

  std::unique_ptr<TCustomizeServicesDialog> dialog_;
  Handles edited_;
  std::function<void(std::uint32_t)> onEdit_;
  Strings asked_;
  std::function<void()> onAsk_;
  bool answer_ = true;
};

// ---- the list

TEST_F(CustomizeServicesDialogTest, ListsTypesThatHaveServicesWithTheirServicesExpanded) {
  Open();
  EXPECT_EQ(Rows(), (Strings{"Network", "  One", "  Two", "Chat", "  Room"}))
      << "a type without services is left out";
  for (int t = 0; t < Tree()->topLevelItemCount(); ++t) EXPECT_TRUE(Tree()->topLevelItem(t)->isExpanded());
  EXPECT_EQ(Tree()->columnCount(), 1);
  EXPECT_EQ(Tree()->headerItem()->text(0), "Description");
  EXPECT_EQ(dialog_->windowTitle(), "Accounts");
  EXPECT_EQ(dialog_->findChild<QLabel*>("heading")->text(), "Accounts");
  EXPECT_EQ(dialog_->EditButton()->text(), "Change");
  EXPECT_EQ(dialog_->DeleteButton()->text(), "Drop");
  EXPECT_EQ(dialog_->OkButton()->text(), "Fine");

  EXPECT_EQ(TCustomizeServicesDialog::HandleOf(Row("Network")), network_);
  EXPECT_EQ(TCustomizeServicesDialog::HandleOf(Row("Room")), room_);
  EXPECT_FALSE(TCustomizeServicesDialog::IsServiceRow(Row("Chat")));
  EXPECT_TRUE(TCustomizeServicesDialog::IsServiceRow(Row("Room")));

  // Icons: the type's, and each service's online icon whatever its state.
  const TServiceHolder* one = services_.FindService(one_);
  EXPECT_EQ(Row("Network")->icon(0).cacheKey(),
            images_.ImageFor(services_.FindType(network_)->iconFileName).cacheKey());
  EXPECT_FALSE(one->online);
  EXPECT_EQ(Row("One")->icon(0).cacheKey(), images_.ImageFor(one->onlineIconFileName).cacheKey());
  EXPECT_NE(Row("One")->icon(0).cacheKey(), images_.ImageFor(one->offlineIconFileName).cacheKey());
  EXPECT_TRUE(Row("Two")->icon(0).isNull());
  EXPECT_TRUE(Row("Chat")->icon(0).isNull());
}

TEST_F(CustomizeServicesDialogTest, AnEmptyRegistryGivesAnEmptyListAndOkCloses) {
  services_.RemoveService(nullptr, one_);
  services_.RemoveService(nullptr, two_);
  services_.RemoveService(nullptr, room_);
  Open();
  EXPECT_EQ(Tree()->topLevelItemCount(), 0);
  EXPECT_FALSE(EditOn());
  QTest::mouseClick(dialog_->OkButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
}

TEST_F(CustomizeServicesDialogTest, EditAndDeleteAreOnlyForServiceRows) {
  Open();
  EXPECT_FALSE(EditOn());
  EXPECT_FALSE(DeleteOn());
  ClickRow("Two");
  EXPECT_TRUE(EditOn());
  EXPECT_TRUE(DeleteOn());
  ClickRow("Chat");
  EXPECT_FALSE(EditOn());
  EXPECT_FALSE(DeleteOn());
  ClickRow("Room");
  EXPECT_TRUE(EditOn());
  Tree()->clearSelection();
  EXPECT_FALSE(EditOn());
  EXPECT_FALSE(DeleteOn());

  // Keys on a type row do nothing to services.
  ClickRow("Network");
  QTest::keyClick(Tree(), Qt::Key_Delete);
  EXPECT_TRUE(asked_.empty());
  EXPECT_EQ(services_.Services().size(), 3u);
}

// ---- removing

TEST_F(CustomizeServicesDialogTest, RemovingATypesOnlyServiceTakesTheTypeRowAndTellsItsPlugin) {
  Open();
  ClickRow("Room");
  QTest::mouseClick(dialog_->DeleteButton(), Qt::LeftButton);
  EXPECT_EQ(asked_, Strings{"Room"});
  EXPECT_EQ(Rows(), (Strings{"Network", "  One", "  Two"}));
  EXPECT_EQ(services_.FindService(room_), nullptr);
  EXPECT_EQ(Events(), Strings{"chat.so:OnServiceWizardRemove " + H(room_) + " Room"})
      << "on behalf of the service's own plugin, while its record still reads";
  EXPECT_TRUE(ButtonsFollowSelection());
  EXPECT_TRUE(dialog_->isVisible());
}

TEST_F(CustomizeServicesDialogTest, TheDeleteKeyAsksAndADeclinedQuestionKeepsTheService) {
  Open();
  ClickRow("Two");
  answer_ = false;
  QTest::keyClick(Tree(), Qt::Key_Delete);
  EXPECT_EQ(asked_, Strings{"Two"});
  EXPECT_EQ(Rows(), (Strings{"Network", "  One", "  Two", "Chat", "  Room"}));
  EXPECT_NE(services_.FindService(two_), nullptr);
  EXPECT_TRUE(Events().empty());
  EXPECT_TRUE(EditOn());

  answer_ = true;
  QTest::keyClick(Tree(), Qt::Key_Delete);
  EXPECT_EQ(Rows(), (Strings{"Network", "  One", "Chat", "  Room"})) << "the type keeps its other service";
  EXPECT_EQ(services_.FindService(two_), nullptr);
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardRemove " + H(two_) + " Two"});
  EXPECT_TRUE(ButtonsFollowSelection());
}

TEST_F(CustomizeServicesDialogTest, AServiceThePluginRemovedIsDroppedFromTheListUnasked) {
  Open();
  net_->Remove(two_);
  kp_test_record_clear();
  ClickRow("Two");
  QTest::mouseClick(dialog_->DeleteButton(), Qt::LeftButton);
  EXPECT_TRUE(asked_.empty());
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(Rows(), (Strings{"Network", "  One", "Chat", "  Room"}));

  chat_->Remove(room_);
  ClickRow("Room");
  QTest::mouseClick(dialog_->EditButton(), Qt::LeftButton);
  EXPECT_TRUE(edited_.empty()) << "nothing left to edit";
  EXPECT_EQ(Rows(), (Strings{"Network", "  One"}));
  EXPECT_TRUE(ButtonsFollowSelection());
}

TEST_F(CustomizeServicesDialogTest, APluginThatRemovesTheServiceDuringTheQuestionIsNotAskedAgain) {
  Open();
  ClickRow("Room");
  onAsk_ = [this] { chat_->Remove(room_); };
  QTest::mouseClick(dialog_->DeleteButton(), Qt::LeftButton);
  EXPECT_EQ(Events(), Strings{"chat.so:OnServiceWizardRemove " + H(room_) + " Room"})
      << "only the plugin's own removal";
  EXPECT_EQ(Rows(), (Strings{"Network", "  One", "  Two"}));
}

TEST_F(CustomizeServicesDialogTest, TheDefaultQuestionIsTheDeleteDialog) {
  // No stand-in for the question this time.
  dialog_ = std::make_unique<TCustomizeServicesDialog>(services_, language_, images_, nullptr);
  dialog_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));

  Strings seen;
  auto answerWith = [&](bool ok) {
    QTimer::singleShot(0, [&seen, ok] {
      auto* question = qobject_cast<TDeleteServiceDialog*>(QApplication::activeModalWidget());
      if (!question) {
        seen.push_back("no question");
        return;
      }
      seen.push_back(question->findChild<QLabel*>("question")->text().toStdString() + " / " +
                     question->findChild<QLabel*>("description")->text().toStdString() + " / " +
                     question->OkButton()->text().toStdString() + " / " +
                     question->CancelButton()->text().toStdString());
      QTest::mouseClick(ok ? question->OkButton() : question->CancelButton(), Qt::LeftButton);
    });
  };

  ClickRow("Room");
  answerWith(false);
  QTest::mouseClick(dialog_->DeleteButton(), Qt::LeftButton);
  EXPECT_NE(services_.FindService(room_), nullptr);
  answerWith(true);
  QTest::mouseClick(dialog_->DeleteButton(), Qt::LeftButton);
  EXPECT_EQ(services_.FindService(room_), nullptr);
  EXPECT_EQ(seen,
            (Strings{"Really drop it? / Room / Fine / Abort", "Really drop it? / Room / Fine / Abort"}));
}

// ---- editing

TEST_F(CustomizeServicesDialogTest, EditingPassesTheServiceAndTheListShowsWhatTheEditLeft) {
  Open();
  onEdit_ = [this](std::uint32_t service) {
    // What a plugin might do while its wizard pages are open.
    services_.EditService(nullptr, service, "One renamed", "off.bmp", "on.bmp", 0);
    services_.EditService(nullptr, two_, "Two renamed", "", "", 0);
    chat_->Remove(room_);
  };
  ClickRow("One");
  QTest::mouseClick(dialog_->EditButton(), Qt::LeftButton);
  EXPECT_EQ(edited_, Handles{one_});
  EXPECT_EQ(Rows(), (Strings{"Network", "  One renamed", "  Two renamed"}));
  EXPECT_EQ(Row("One renamed")->icon(0).cacheKey(),
            images_.ImageFor(services_.FindService(one_)->onlineIconFileName).cacheKey());
  EXPECT_TRUE(ButtonsFollowSelection());
}

TEST_F(CustomizeServicesDialogTest, DoubleClickAndEnterEditAServiceButNotAType) {
  Open();
  DoubleClickRow("Two");
  EXPECT_EQ(edited_, Handles{two_});
  DoubleClickRow("Chat");
  EXPECT_EQ(edited_, Handles{two_});
  EXPECT_FALSE(Row("Chat")->isExpanded()) << "a type row folds instead";
  DoubleClickRow("Chat");
  EXPECT_TRUE(Row("Chat")->isExpanded());

  ClickRow("Room");
  QTest::keyClick(Tree(), Qt::Key_Return);
  EXPECT_EQ(edited_, (Handles{two_, room_}));
  EXPECT_TRUE(dialog_->isVisible()) << "Enter on a service edits it rather than pressing OK";

  // On a type row Enter is the dialog's own: OK, also once the focus has passed it.
  QApplication::setActiveWindow(dialog_.get());
  dialog_->OkButton()->setFocus(Qt::TabFocusReason);
  ClickRow("Chat");
  QTest::keyClick(Tree(), Qt::Key_Return);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
}

// ---- the question itself

TEST(DeleteServiceDialog, ShowsTheDescriptionAsPlainTextAndAnswersByButton) {
  TSimpleConfig language;
  language.LoadFromText(kLanguage);
  TDeleteServiceDialog question(language, "<b>Mine</b>");
  const auto* description = question.findChild<QLabel*>("description");
  EXPECT_EQ(description->text(), "<b>Mine</b>");
  EXPECT_EQ(description->textFormat(), Qt::PlainText);
  EXPECT_EQ(question.windowTitle(), "Drop");

  question.show();
  QTest::mouseClick(question.OkButton(), Qt::LeftButton);
  EXPECT_EQ(question.result(), QDialog::Accepted);
  question.show();
  QTest::mouseClick(question.CancelButton(), Qt::LeftButton);
  EXPECT_EQ(question.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace kp
