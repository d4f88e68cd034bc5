// The service wizard's window driven by real plugins: what the user sees on
// each page, where the keyboard goes, and the plugin's pages hosted from inside
// its own events. Which button does what on which page is the model's, tested
// without a window.
#include "ui/services/service_wizard_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "core/config/simple_config.h"
#include "support/service_plugins_fixture.h"
#include "ui/host/plugin_panel.h"
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
00004 = "Changing Connection"
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
  // A page with a caption and two fields, as a plugin lays out a form.
  Page* NewFormPage() {
    Page* page = NewPage();
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Name:")));
    layout->addWidget(new QLineEdit());
    layout->addWidget(new QLineEdit());
    return page;
  }
  static QLineEdit* FirstField(QWidget* page) { return page->findChildren<QLineEdit*>().value(0); }
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

// ---- buttons and captions

TEST_F(ServiceWizardDialogTest, TheButtonsShowTheModelsStateInThePlatformsOrder) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  const std::uint32_t page = IdOf(NewPage());
  QPushButton* back = dialog_->BackButton();
  QPushButton* next = dialog_->NextButton();

  plugin.AnswerWithPage(wizard_status::kBusy, page);
  OpenToAdd();
  Next();
  EXPECT_FALSE(back->isEnabled());
  EXPECT_FALSE(next->isEnabled());
  plugin.ShowWizardPanel(page, wizard_status::kLastPage);
  EXPECT_TRUE(back->isEnabled());
  EXPECT_TRUE(next->isEnabled());
  EXPECT_EQ(next->text(), "Done");
  plugin.ShowWizardPanel(page, wizard_status::kMiddlePage);
  EXPECT_EQ(next->text(), "Onward");

  // Back and Next stay together in that order; the platform places Cancel.
  auto* box = dialog_->findChild<QDialogButtonBox*>();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->buttonRole(back), QDialogButtonBox::ActionRole);
  EXPECT_EQ(box->buttonRole(next), QDialogButtonBox::ActionRole);
  EXPECT_EQ(box->buttonRole(dialog_->CancelButton()), QDialogButtonBox::RejectRole);
  EXPECT_LT(box->buttons().indexOf(back), box->buttons().indexOf(next));
}

// ---- where the keyboard goes

TEST_F(ServiceWizardDialogTest, TheFocusGoesToTheFirstFieldOfEachNewPage) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  Page* first = NewFormPage();
  Page* second = NewFormPage();
  plugin.AnswerWithPage(wizard_status::kFirstPage, IdOf(first));
  OpenToAdd();
  QApplication::setActiveWindow(dialog_.get());

  Next();
  EXPECT_EQ(QApplication::focusWidget(), FirstField(first)) << "not the Next button the mouse pressed";
  plugin.AnswerWithPage(wizard_status::kMiddlePage, IdOf(second));
  QTest::keyClick(FirstField(first), Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), FirstField(second)) << "Enter pressed Next once";

  // A page the plugin replaces by itself takes the keyboard from the old one.
  plugin.ShowWizardPanel(IdOf(first), wizard_status::kFirstPage);
  EXPECT_EQ(QApplication::focusWidget(), FirstField(first));

  Back();
  EXPECT_TRUE(dialog_->ShowsTypePage());
  EXPECT_EQ(dialog_->TypeCombo()->count(), 1);
  EXPECT_EQ(QApplication::focusWidget(), dialog_->TypeCombo());

  // The page the plugin shows again is hosted again.
  plugin.AnswerWithPage(wizard_status::kFirstPage, IdOf(first));
  Next();
  EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), FirstField(first));
}

// ---- moving between pages

TEST_F(ServiceWizardDialogTest, TheHostedPageFollowsThePluginAndTheReplacedOneIsClosed) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  Page* first = NewPage();
  Page* second = NewPage();
  plugin.AnswerWithPage(wizard_status::kFirstPage, IdOf(first));
  OpenToAdd();
  Next();
  EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), first);
  EXPECT_EQ(first->parentWidget(), dialog_->PluginPanel());
  EXPECT_TRUE(first->isVisible());

  plugin.ShowWizardPanel(IdOf(first), wizard_status::kMiddlePage);
  plugin.AnswerWithPage(wizard_status::kLastPage, IdOf(second));
  Next();
  EXPECT_TRUE(second->isVisible());
  EXPECT_FALSE(first->isVisible());
  EXPECT_EQ(first->closeRequests, 1) << "the page it replaced is asked to close";

  plugin.AnswerWithPage(wizard_status::kMiddlePage, IdOf(first));
  Back();
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(second->isVisible());
}

// ---- finishing and cancelling

TEST_F(ServiceWizardDialogTest, FinishingAcceptsAndLetsThePageGo) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  plugin.AddType("Network");
  Page* page = NewPage();
  plugin.AnswerWithPage(wizard_status::kOnlyPage, IdOf(page));
  OpenToAdd();
  Next();
  Next();
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_EQ(dialog_->PluginPanel()->HostedWindow(), 0u) << "the finished page is let go";
  EXPECT_FALSE(page->isVisible());

  // The same through the modal run the program uses.
  plugin.AnswerWithPage(wizard_status::kOnlyPage, IdOf(page));
  const int result = RunAndAct([this] { return dialog_->RunToAdd(); },
                               [this] {
                                 Next();
                                 Next();
                               });
  EXPECT_EQ(result, QDialog::Accepted);
}

TEST_F(ServiceWizardDialogTest, EditingRunsOnTheServicesPagesUnderAnEditTitle) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t service = plugin.Add(plugin.AddType("Network"), "One");
  Page* page = NewPage();
  plugin.AnswerWithPage(wizard_status::kOnlyPage, IdOf(page));
  kp_test_record_clear();

  const int result =
      RunAndAct([&] { return dialog_->RunToEdit(service); },
                [&] {
                  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardEdit " + H(service)});
                  EXPECT_EQ(dialog_->windowTitle(), "Changing Connection");
                  EXPECT_EQ(dialog_->findChild<QLabel*>("heading")->text(), "Changing Connection");
                  EXPECT_FALSE(dialog_->ShowsTypePage());
                  EXPECT_EQ(dialog_->PluginPanel()->HostedWidget(), page);
                  EXPECT_TRUE(page->isVisible());
                  Cancel();
                });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(Events().back(), "net.so:OnServiceWizardCancel " + H(service));

  // Adding afterwards says so again.
  OpenToAdd();
  EXPECT_EQ(dialog_->windowTitle(), "New Connection");
  EXPECT_EQ(dialog_->findChild<QLabel*>("heading")->text(), "New Connection");
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
  plugin.AnswerWithPage(wizard_status::kMiddlePage, IdOf(NewPage()));

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

// ---- shutdown and later runs

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
