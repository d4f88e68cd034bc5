// The settings dialog over a headless run's working lists: the pages the
// layout chooses, the number fields, the enabling rules, and what OK puts in
// force, as the recording plugin and the transfer lists see it.
#include "ui/settings/settings_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QLabel>
#include <QTabWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/config/autostart_entry.h"
#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/config/text_ids.h"
#include "core/host/main_loop.h"
#include "core/platform/shell_services.h"
#include "core/services/service_registry.h"
#include "core/shell/program_run.h"
#include "core/transfers/download_list.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"
#include "ui/settings/number_field.h"
#include "ui/shell/desktop_program.h"
#include "ui/shell/main_form.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kp_test_record_clear();
    HeadlessShell().PrintMessages = false;
    HeadlessShell().Forget();
    std::filesystem::create_directories(temp_ / "Plugins");
  }

  // A headless run from the settings text, with the recording plugin under the
  // name given (none when empty), and the dialog over its lists.
  TSettingsDialog& Open(const std::string& settings, const std::string& plugin = {}) {
    if (!plugin.empty()) std::filesystem::copy_file(KP_TP_RECORDING_A, temp_ / ("Plugins/" + plugin));
    store_.LoadFromText(settings);
    run_ = std::make_unique<TProgramRun>(temp_.Path(), store_, registry_, [this] { loop_.ProcessPendingMessages(); });
    EXPECT_TRUE(run_->Start(nullptr));
    dialog_ = std::make_unique<TSettingsDialog>(TSettingsDialogContext{
        run_->Settings(), language_, run_->Plugins(), run_->Users(), run_->SharedItems(), run_->SearchRequest(),
        run_->Downloads(), run_->Uploads(), temp_.Path(), autostartHome_, executable_,
        [this] { EXPECT_TRUE(run_->SaveSettingsFile()); }});
    dialog_->ShowSettingsDialog();
    kp_test_record_clear();
    return *dialog_;
  }

  test::TempFolder temp_;
  TSimpleConfig store_;
  TSimpleConfig language_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  TMainLoop loop_{queue_};
  std::string autostartHome_;
  std::string executable_;
  std::unique_ptr<TProgramRun> run_;
  std::unique_ptr<TSettingsDialog> dialog_;
};

TEST_F(SettingsDialogTest, TheLayoutChoosesTheBuiltInPagesAndPluginPagesFollow) {
  temp_.WriteFile("Layout.cfg",
                  "<!SETTINGS_SECTIONS><SECTION NAME=\" advanced \"><SECTION NAME=\"SEARCH\">"
                  "<SECTION NAME=\"NOT_A_PAGE\"><!/SETTINGS_SECTIONS>");
  store_.LoadFromText("[Application]\nSetupComplete = \"TRUE\"\n");
  TMainThreadQueue queue;
  TDispatcher dispatcher{queue};
  TApiRegistry registry{dispatcher};
  // Set up before: the first start's wizard is not what this test is about.
  store_.FindSection("Application", true)->SetValue("SetupComplete", "TRUE");
  TDesktopProgram program(temp_.Path(), store_, language_, registry, queue);
  ASSERT_TRUE(program.Start());
  TSettingsDialog& dialog = *program.SettingsDialog();
  QWidget pluginPage;
  dialog.AddPluginPage(&pluginPage, QStringLiteral("Plugin"));

  // The settings command opens it, not modally.
  ASSERT_TRUE(program.MainForm().OnOpenSettings);
  program.MainForm().OnOpenSettings();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.isModal());
  std::vector<QWidget*> shown;
  for (int i = 0; i < dialog.Pages()->count(); ++i) shown.push_back(dialog.Pages()->widget(i));
  EXPECT_EQ(shown, (std::vector<QWidget*>{dialog.BuiltInPage(TSettingsPage::Advanced),
                                          dialog.BuiltInPage(TSettingsPage::Search), &pluginPage}));
  // The plugin's page goes back to it before the plugins go.
  program.Finish();
  EXPECT_EQ(pluginPage.parent(), nullptr);
}

TEST_F(SettingsDialogTest, AnUntickedLimitDisablesItsFieldYetKeepsAndStoresItsValue) {
  TSettingsDialog& dialog = Open("[Uploads]\nLimit = \"TRUE\"\nMaximum = \"5\"\n");
  QCheckBox* box = dialog.CheckBox(text::kSettingsLimitUploads);
  TNumberField* field = dialog.NumberField(text::kSettingsMaximumUploads);
  ASSERT_TRUE(box && field);
  EXPECT_TRUE(field->isEnabled());
  box->click();
  EXPECT_FALSE(field->isEnabled());
  EXPECT_FALSE(dialog.Label(text::kSettingsMaximumUploads)->isEnabled());
  EXPECT_EQ(field->text(), "5");

  dialog.OkButton()->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(run_->Settings().Uploads.Limit);
  EXPECT_EQ(run_->Settings().Uploads.Maximum, 5);
  // Written at once, not only at the end of the run.
  TSimpleConfig saved;
  ASSERT_TRUE(saved.LoadFromFile(temp_ / "Application4.cfg"));
  saved.SelectSection("Uploads");
  EXPECT_FALSE(saved.ReadBoolean("Limit"));
  EXPECT_EQ(saved.ReadInteger("Maximum"), 5);
}

TEST_F(SettingsDialogTest, NumberFieldsCountDigitsOnlyAndShowThroughTheirPattern) {
  TSettingsDialog& dialog = Open("[Searching]\nMaximumResults = \"0\"\n[Uploads]\nMaximumBandwidth = \"0\"\n");
  EXPECT_EQ(dialog.NumberField(text::kSettingsMaximumResults)->text(), "") << "a zero \"#\" field is empty";
  EXPECT_EQ(dialog.NumberField(text::kSettingsMaximumUploadBandwidth)->text(), "0") << "this one shows a zero";

  struct Case {
    const char* typed;
    std::int32_t stored;
    const char* shown;
  };
  for (const Case& c : {Case{"1a2", 12, "12"}, Case{"", 0, ""}, Case{"-7 s", -7, "-7"},
                        Case{"99999999999", 2147483647, "2147483647"}}) {
    TNumberField* field = dialog.NumberField(text::kSettingsUploadTimeout);
    field->setText(c.typed);
    dialog.OkButton()->click();
    EXPECT_EQ(run_->Settings().Uploads.Timeout, c.stored) << c.typed;
    EXPECT_EQ(field->text(), c.shown) << c.typed;
  }
}

TEST_F(SettingsDialogTest, APluginThatRefusesKeepsTheDialogOpenWithTheLimitsInForce) {
  TSettingsDialog& dialog = Open("[Downloads]\nLimit = \"TRUE\"\nMaximum = \"1\"\n", "refuse.so");
  dialog.NumberField(text::kSettingsMaximumDownloads)->setText("3");
  dialog.OkButton()->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(run_->Settings().Downloads.Maximum, 3);
  EXPECT_EQ(test::RecordedLinesWithoutAddresses(), Strings{"refuse.so:OnSetupApply asked yes"});

  // Escape is Cancel: the plugins hear of it and the dialog goes.
  kp_test_record_clear();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&dialog, &escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(test::RecordedLinesWithoutAddresses(), Strings{"refuse.so:OnSetupCancel"});
}

TEST_F(SettingsDialogTest, ARaisedDownloadLimitAdmitsAQueuedDownloadAtOnce) {
  TSettingsDialog& dialog = Open("[Downloads]\nLimit = \"TRUE\"\nMaximum = \"1\"\n", "rec.so");
  TPluginHolder* plugin = run_->Plugins().GetPlugin(0);
  const std::uint32_t type = run_->Services().AddType(plugin, "type", "", TGuid{});
  const std::uint32_t service = run_->Services().AddService(plugin, type, "S", "", "", 0, TGuid{});
  TDownloadList& downloads = run_->Downloads();
  downloads.Add(0, service, "nick", "a.mp3", false, false, 10, "", 0);
  const std::uint32_t second = downloads.Add(0, service, "nick", "b.mp3", false, false, 10, "", 0);
  ASSERT_EQ(downloads.FindItem(second)->State, TransferState::Queued);

  dialog.ShowSettingsDialog();
  dialog.NumberField(text::kSettingsMaximumDownloads)->setText("2");
  dialog.OkButton()->click();
  EXPECT_EQ(downloads.FindItem(second)->State, TransferState::Starting);
}

TEST_F(SettingsDialogTest, OkMakesTheLogOnEntryFollowTheBox) {
  autostartHome_ = temp_.Path() + "config";
  executable_ = "/opt/keplinor/keplinor";
  TSettingsDialog& dialog = Open("[Application]\nName = \"Keplinor\"\n");
  const std::filesystem::path entry =
      std::filesystem::path(temp_.Path()) / "config/autostart" / std::string(kAutostartEntryFileName);
  dialog.CheckBox(text::kSettingsLaunchAtStartup)->click();
  dialog.OkButton()->click();
  EXPECT_TRUE(std::filesystem::exists(entry));
  dialog.ShowSettingsDialog();
  dialog.CheckBox(text::kSettingsLaunchAtStartup)->click();
  dialog.OkButton()->click();
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_TRUE(HeadlessShell().Messages().empty());
}

// The next widget the Tab key reaches.
QWidget* NextByTab(QWidget* widget) {
  for (QWidget* next = widget->nextInFocusChain(); next && next != widget; next = next->nextInFocusChain()) {
    if ((next->focusPolicy() & Qt::TabFocus) && next->isVisibleTo(widget->window())) return next;
  }
  return nullptr;
}

TEST_F(SettingsDialogTest, WithTheShippedTextsEveryPageFitsTheScreenAndTabGoesFromBoxToField) {
  ASSERT_TRUE(language_.LoadFromFile(
      (std::filesystem::path(__FILE__).parent_path() / "../../../dist/Application.flf").string()));
  TSettingsDialog& dialog = Open("");
  for (int i = 0; i < dialog.Pages()->count(); ++i) {
    dialog.Pages()->setCurrentIndex(i);
    const QSize size = dialog.minimumSizeHint();
    EXPECT_LE(size.width(), 1280) << i;
    EXPECT_LE(size.height(), 760) << i;
  }
  EXPECT_LE(dialog.width(), 1280);
  EXPECT_LE(dialog.height(), 760);
  dialog.Pages()->setCurrentWidget(dialog.BuiltInPage(TSettingsPage::Uploads));
  EXPECT_EQ(NextByTab(dialog.CheckBox(text::kSettingsLimitUploads)),
            dialog.NumberField(text::kSettingsMaximumUploads));
  EXPECT_EQ(dialog.CheckBox(text::kSettingsLimitUploads)->text(), "Limit total uploads");
}

TEST_F(SettingsDialogTest, ClearHistoryNowFollowsKeepHistoryAndSaysItIsDone) {
  language_.LoadFromText("[Settings]\n00083 = \"Cleared.\"\n");
  TSettingsDialog& dialog = Open("[Searching]\nKeepHistory = \"FALSE\"\n");
  EXPECT_FALSE(dialog.ClearHistoryButton()->isEnabled());
  dialog.CheckBox(text::kSettingsKeepHistory)->click();
  ASSERT_TRUE(dialog.ClearHistoryButton()->isEnabled());
  dialog.ClearHistoryButton()->click();
  EXPECT_EQ(HeadlessShell().Messages(), Strings{"Cleared."});
}

}  // namespace
}  // namespace kp
