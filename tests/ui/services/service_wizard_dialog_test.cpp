// The service wizard's window driven by real plugins: what the user sees on
// each page, what the plugin hears when a button is pressed, and the plugin's
// pages hosted from inside its own events.
#include "ui/services/service_wizard_dialog.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "core/config/simple_config.h"
#include "ui/host/plugin_panel.h"
#include "support/service_plugins_fixture.h"
#include "ui/shell/image_list.h"

namespace kp {
namespace {

// Captions unlike the shipped ones, so that a caption written into the code
// instead of read from the language file shows.
constexpr const char* kLanguage = R"(
[General]
00006 = "Onward"
00008 = "Done"
[ServiceWizard]
00001 = "New Connection"
00002 = "Pick a kind of connection."
00003 = "Kind:"
)";

constexpr int kHung = 4711;

// A plugin's page that counts the close requests it gets and may act in them.
class Page : public QWidget {
 public:
  int closeRequests = 0;
  std::function<void()> onClose;

 protected:
  void closeEvent(QCloseEvent* event) override {
    ++closeRequests;
    if (onClose) onClose();
    QWidget::closeEvent(event);
  }
};

class ServiceWizardDialogTest : public test::ServicePluginsTest {
 protected:
  void SetUp() override {
    language_.LoadFromText(kLanguage);
    dialog_ = std::make_unique<TServiceWizardDialog>(wizard_, services_, language_, images_);
  }

  void TearDown() override {
    dialog_.reset();
    for (const QPointer<Page>& page : pages_) delete page.data();
  }

  Page* NewPage() {
    auto* page = new Page();
    pages_.emplace_back(page);
    return page;
  }
  // A plugin names its page by the id its widget has at the time.
  static std::uint32_t IdOf(QWidget* widget) { return static_cast<std::uint32_t>(widget->winId()); }

  // Opens to add without a modal loop, as the program's RunToAdd does before exec.
  void OpenToAdd() {
    wizard_.BeginAdd();
    dialog_->show();
  }
  static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  void Next() { Click(dialog_->NextButton()); }
  void Back() { Click(dialog_->BackButton()); }
  void Cancel() { Click(dialog_->CancelButton()); }

  // Runs the dialog modally and acts inside its loop; a dialog that does not
  // close ends with kHung instead of hanging the test.
  int RunAndAct(const std::function<int()>& run, const std::function<void()>& act) {
    QTimer actor;
    actor.setSingleShot(true);
    bool acted = false;
    QObject::connect(&actor, &QTimer::timeout, [&] {
      acted = true;
      act();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [this] { dialog_->done(kHung); });
    actor.start(0);
    watchdog.start(5000);
    const int result = run();
    EXPECT_TRUE(acted);
    return result;
  }

  TSimpleConfig language_;
  TImageList images_;
  std::unique_ptr<TServiceWizardDialog> dialog_;
  std::vector<QPointer<Page>> pages_;
};

// ---- the type page

TEST_F(ServiceWizardDialogTest, WithoutTypesNextShowsAnEmptyAreaAndCancelRejects) {
  const int result = RunAndAct([this] { return dialog_->RunToAdd(); },
                               [this] {
                                 EXPECT_TRUE(dialog_->isVisible());
                                 EXPECT_TRUE(dialog_->ShowsTypePage());
                                 EXPECT_EQ(dialog_->TypeCombo()->count(), 0);
                                 Next();
                                 EXPECT_FALSE(dialog_->ShowsTypePage());
                                 EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), nullptr);
                                 EXPECT_TRUE(dialog_->isVisible())
                                     << "Next with nothing chosen does not close";
                                 Cancel();
                               });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_TRUE(Events().empty());
}

TEST_F(ServiceWizardDialogTest, TypePageListsEveryTypeInRegistryOrderWithTextsFromTheLanguageFile) {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::red);
  temp_.MakeFolder("Icons");
  ASSERT_TRUE(image.save(QString::fromStdString(temp_ / "Icons/net.bmp"), "BMP"));
  test::TServicePlugin first = Load(KP_TP_SERVICES, "first.so");
  test::TServicePlugin second = Load(KP_TP_SERVICES, "second.so");
  const std::uint32_t network = first.AddType("Network", "net.bmp");
  const std::uint32_t chat = second.AddType("Chat");
  first.AnswerWithPage(1, IdOf(NewPage()));
  second.AnswerWithPage(1, IdOf(NewPage()));

  OpenToAdd();
  EXPECT_EQ(dialog_->windowTitle(), "New Connection");
  EXPECT_EQ(dialog_->findChild<QLabel*>("heading")->text(), "New Connection");
  EXPECT_EQ(dialog_->findChild<QLabel*>("instructions")->text(), "Pick a kind of connection.");
  EXPECT_EQ(dialog_->findChild<QLabel*>("typeLabel")->text(), "Kind:");
  QComboBox* combo = dialog_->TypeCombo();
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), "Network");
  EXPECT_EQ(combo->itemText(1), "Chat");
  EXPECT_FALSE(combo->itemIcon(0).isNull()) << "the type's icon through the image list";
  EXPECT_TRUE(combo->itemIcon(1).isNull());
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_EQ(dialog_->NextButton()->text(), "Onward");
  EXPECT_FALSE(dialog_->BackButton()->isEnabled());
  EXPECT_TRUE(dialog_->NextButton()->isEnabled());

  combo->setCurrentIndex(1);
  EXPECT_EQ(wizard_.ChosenType(), 1);
  Next();
  EXPECT_EQ(Events(), Strings{"second.so:OnServiceWizardAdd " + H(chat)});

  // A second run starts over at the first type, even though the user chose another before.
  Cancel();
  kp_test_record_clear();
  OpenToAdd();
  EXPECT_TRUE(dialog_->ShowsTypePage());
  EXPECT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->currentIndex(), 0);
  Next();
  EXPECT_EQ(Events(), Strings{"first.so:OnServiceWizardAdd " + H(network)});
}

// ---- buttons as the plugin's page status sets them

TEST_F(ServiceWizardDialogTest, PageStatusesSetTheButtonsWhileAdding) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  const std::uint32_t page = IdOf(NewPage());
  QPushButton* back = dialog_->BackButton();
  QPushButton* next = dialog_->NextButton();

  plugin.AnswerWithPage(5, page);
  OpenToAdd();
  Next();
  EXPECT_FALSE(back->isEnabled());
  EXPECT_FALSE(next->isEnabled()) << "busy";

  plugin.ShowWizardPanel(page, 2);
  EXPECT_FALSE(next->isEnabled()) << "the first page leaves Next as the busy state left it";
  EXPECT_TRUE(back->isEnabled()) << "back to the type page";
  EXPECT_EQ(next->text(), "Onward");

  struct Case {
    int status;
    bool finish;
  };
  for (const Case c : {Case{1, false}, Case{3, true}, Case{4, true}}) {
    plugin.ShowWizardPanel(page, 5);
    plugin.ShowWizardPanel(page, c.status);
    EXPECT_TRUE(next->isEnabled()) << "status " << c.status;
    EXPECT_TRUE(back->isEnabled()) << "status " << c.status;
    EXPECT_EQ(next->text(), c.finish ? "Done" : "Onward") << "status " << c.status;
  }

  plugin.ShowWizardPanel(page, 2);
  plugin.ShowWizardPanel(page, 1, false);
  EXPECT_FALSE(back->isEnabled()) << "the plugin forbids going back";
  EXPECT_TRUE(next->isEnabled());
  plugin.ShowWizardPanel(page, 3, false);
  EXPECT_FALSE(back->isEnabled());
  EXPECT_EQ(next->text(), "Done");
}

TEST_F(ServiceWizardDialogTest, WhileEditingTheFirstAndOnlyPagesHaveNoBack) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t service = plugin.Add(plugin.AddType("Network"), "One");
  const std::uint32_t page = IdOf(NewPage());

  plugin.AnswerWithPage(2, page);
  ASSERT_TRUE(wizard_.BeginEdit(service));
  dialog_->show();
  EXPECT_FALSE(dialog_->ShowsTypePage());
  EXPECT_FALSE(dialog_->BackButton()->isEnabled());
  plugin.ShowWizardPanel(page, 4);
  EXPECT_FALSE(dialog_->BackButton()->isEnabled());
  EXPECT_EQ(dialog_->NextButton()->text(), "Done");
  plugin.ShowWizardPanel(page, 1);
  EXPECT_TRUE(dialog_->BackButton()->isEnabled());
  EXPECT_EQ(dialog_->NextButton()->text(), "Onward");
}

// ---- moving between pages

TEST_F(ServiceWizardDialogTest, BackFromTheFirstPageReturnsToTheTypePageUntoldAndNextAsksAgain) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network");
  Page* page = NewPage();
  plugin.AnswerWithPage(2, IdOf(page));

  OpenToAdd();
  Next();
  EXPECT_FALSE(dialog_->ShowsTypePage());
  kp_test_record_clear();
  Back();
  EXPECT_TRUE(dialog_->ShowsTypePage());
  EXPECT_TRUE(Events().empty()) << "the plugin is not told";
  EXPECT_FALSE(dialog_->BackButton()->isEnabled());
  EXPECT_TRUE(dialog_->NextButton()->isEnabled());
  EXPECT_EQ(dialog_->NextButton()->text(), "Onward");
  EXPECT_EQ(dialog_->TypeCombo()->count(), 1);

  Next();
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardAdd " + H(type)});
  EXPECT_FALSE(dialog_->ShowsTypePage());
  EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), page);
  EXPECT_TRUE(page->isVisible());
}

TEST_F(ServiceWizardDialogTest, MiddlePagesReportTheDirectionAndTheHostedPageFollows) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  Page* first = NewPage();
  Page* second = NewPage();
  plugin.AnswerWithPage(2, IdOf(first));
  OpenToAdd();
  Next();
  EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), first);
  EXPECT_EQ(first->parentWidget(), dialog_->PluginPanel());
  EXPECT_TRUE(first->isVisible());

  kp_test_record_clear();
  plugin.ShowWizardPanel(IdOf(first), 1);
  plugin.AnswerWithPage(3, IdOf(second));
  Next();
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardChange 0 6"});
  EXPECT_TRUE(second->isVisible());
  EXPECT_FALSE(first->isVisible());
  EXPECT_EQ(first->closeRequests, 1) << "the page it replaced is asked to close";

  plugin.AnswerWithPage(1, IdOf(first));
  Back();
  EXPECT_EQ(Events().back(), "net.so:OnServiceWizardChange 0 7");
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(second->isVisible());
}

// ---- finishing

TEST_F(ServiceWizardDialogTest, ThePluginDecidesWhetherTheLastPageCloses) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network");
  Page* page = NewPage();
  plugin.AnswerWithPage(4, IdOf(page));
  OpenToAdd();
  Next();
  EXPECT_EQ(dialog_->NextButton()->text(), "Done");

  plugin.AnswerCompletion(false);
  Next();
  EXPECT_EQ(Events().back(), "net.so:OnServiceWizardComplete " + H(type) + " 0 1");
  EXPECT_TRUE(dialog_->isVisible()) << "the plugin keeps the wizard open";
  EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), page);
  EXPECT_TRUE(page->isVisible());

  plugin.AnswerCompletion(true);
  Next();
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_EQ(dialog_->PluginPanel()->HostedWindow(), 0u) << "the finished page is let go";
  EXPECT_FALSE(page->isVisible());

  // The same through the modal run the program uses.
  plugin.AnswerWithPage(4, IdOf(page));
  const int result = RunAndAct([this] { return dialog_->RunToAdd(); },
                               [this] {
                                 Next();
                                 Next();
                               });
  EXPECT_EQ(result, QDialog::Accepted);
}

// ---- cancelling

TEST_F(ServiceWizardDialogTest, CancelTellsThePluginOnlyOnceItsPagesAreUnderWay) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  plugin.AnswerWithPage(1, IdOf(NewPage()));

  OpenToAdd();
  Cancel();
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
  EXPECT_TRUE(Events().empty()) << "on the type page nobody is told";

  OpenToAdd();
  Next();
  kp_test_record_clear();
  Cancel();
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardCancel 0"}) << "no service yet while adding";
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
}

TEST_F(ServiceWizardDialogTest, EditingRunsOnTheServicesPagesAndCancelNamesTheService) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t service = plugin.Add(plugin.AddType("Network"), "One");
  Page* page = NewPage();
  plugin.AnswerWithPage(4, IdOf(page));
  kp_test_record_clear();

  const int result = RunAndAct([&] { return dialog_->RunToEdit(service); },
                               [&] {
                                 EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardEdit " + H(service)});
                                 EXPECT_FALSE(dialog_->ShowsTypePage());
                                 EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), page);
                                 EXPECT_TRUE(page->isVisible());
                                 Cancel();
                               });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(Events().back(), "net.so:OnServiceWizardCancel " + H(service));
}

TEST_F(ServiceWizardDialogTest, EditingAnUnknownServiceRejectsWithoutShowing) {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [this] { dialog_->done(kHung); });
  watchdog.start(2000);
  EXPECT_EQ(dialog_->RunToEdit(0x1234), QDialog::Rejected);
  EXPECT_EQ(dialog_->RunToEdit(0), QDialog::Rejected);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_TRUE(Events().empty());
}

TEST_F(ServiceWizardDialogTest, EscapeAndTheCloseButtonCancelThroughThePlugin) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t service = plugin.Add(plugin.AddType("Network"), "One");
  plugin.AnswerWithPage(1, IdOf(NewPage()));

  OpenToAdd();
  Next();
  kp_test_record_clear();
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardCancel 0"}) << "told exactly once";

  ASSERT_TRUE(wizard_.BeginEdit(service));
  dialog_->show();
  kp_test_record_clear();
  EXPECT_TRUE(dialog_->close());
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardCancel " + H(service)});

  const int result = RunAndAct([this] { return dialog_->RunToAdd(); },
                               [this] { QTest::keyClick(dialog_.get(), Qt::Key_Escape); });
  EXPECT_EQ(result, QDialog::Rejected);
}

// ---- re-entry and shutdown

TEST_F(ServiceWizardDialogTest, AStepUnderWayIgnoresASecondOne) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  Page* first = NewPage();
  Page* second = NewPage();
  plugin.AnswerWithPage(1, IdOf(first));
  OpenToAdd();
  Next();

  // The first page closes from inside the plugin's Change event, while Next is
  // still running; what the user does meanwhile must not start another step.
  first->onClose = [this] {
    dialog_->reject();
    Click(dialog_->NextButton());
  };
  plugin.AnswerWithPage(1, IdOf(second));
  kp_test_record_clear();
  Next();
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardChange 0 6"});
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_TRUE(second->isVisible());

  // Outside a step Escape works again.
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(ServiceWizardDialogTest, APageIsHostedAgainInALaterRun) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  Page* page = NewPage();
  plugin.AnswerWithPage(1, IdOf(page));
  OpenToAdd();
  Next();
  Cancel();
  EXPECT_EQ(page->closeRequests, 1) << "the page is let go when the wizard closes";
  EXPECT_EQ(dialog_->PluginPanel()->HostedWindow(), 0u);

  // The plugin offers the page it kept, by the id its widget has now.
  plugin.AnswerWithPage(1, IdOf(page));

  OpenToAdd();
  Next();
  EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), page);
  EXPECT_TRUE(page->isVisible());
}

}  // namespace
}  // namespace kp
