// The setup wizard's window over its model, the first start that it ends when
// cancelled, and the settings dialog's plugin pages.
#include "ui/setup/setup_wizard_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <filesystem>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "core/host/message_packet.h"
#include "core/sharing/share_manager.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"
#include "ui/settings/settings_dialog.h"
#include "ui/shell/desktop_program.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

class SetupWizardDialogTest : public ::testing::Test {
 protected:
  SetupWizardDialogTest() {
    language_.LoadFromText(
        "[General]\n00006 = \"Next\"\n00008 = \"Finish\"\n[SetupWizard]\n00001 = \"License Agreement\"\n"
        "00005 = \"Shared Files\"\n");
  }

  TSettings settings_;
  TSimpleConfig language_;
  TShareManager shares_;
  TSetupWizard wizard_{TSetupWizardContext{settings_, nullptr, shares_, nullptr, {}}};
  TSetupWizardDialog dialog_{wizard_, language_};
};

TEST_F(SetupWizardDialogTest, TheWindowShowsWhatTheModelDecides) {
  wizard_.EnablePages(true, false);
  ASSERT_TRUE(wizard_.Open());
  dialog_.show();
  EXPECT_EQ(dialog_.Heading()->text(), "License Agreement");
  EXPECT_TRUE(dialog_.AgreeNo()->isChecked());
  EXPECT_FALSE(dialog_.BackButton()->isEnabled());
  EXPECT_TRUE(dialog_.NextButton()->isDefault()) << "Enter presses Next";

  dialog_.AgreeYes()->click();
  EXPECT_TRUE(wizard_.Agreed());
  dialog_.NextButton()->click();
  EXPECT_EQ(dialog_.Heading()->text(), "Shared Files");
  EXPECT_TRUE(dialog_.ScanYes()->isChecked());
  EXPECT_EQ(dialog_.focusWidget(), dialog_.ScanYes()) << "the keyboard follows the page";
  EXPECT_TRUE(dialog_.BackButton()->isEnabled());

  dialog_.ScanNo()->click();
  dialog_.NextButton()->click();
  EXPECT_TRUE(settings_.Application.SetupComplete) << "no scan and no participants: finished";
  EXPECT_FALSE(dialog_.isVisible());
}

TEST_F(SetupWizardDialogTest, EscapeCancelsAndTheFrameClosesWithoutSaving) {
  for (const bool byFrame : {false, true}) {
    ASSERT_TRUE(wizard_.Open());
    dialog_.show();
    dialog_.AgreeYes()->click();
    if (byFrame) {
      dialog_.close();
    } else {
      dialog_.reject();
    }
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_FALSE(wizard_.IsOpen());
    EXPECT_FALSE(settings_.Application.SetupComplete);
  }
}

class SetupDesktopTest : public ::testing::Test {
 protected:
  SetupDesktopTest() {
    kp_test_record_clear();
    std::filesystem::create_directories(temp_ / "Plugins");
    std::filesystem::copy_file(KP_TP_RECORDING_A, temp_ / "Plugins/rec.so");
  }
  TDesktopProgram& Program() {
    if (!program_)
      program_ = std::make_unique<TDesktopProgram>(temp_.Path(), store_, language_, registry_, queue_);
    return *program_;
  }

  test::TempFolder temp_;
  TSimpleConfig store_;
  TSimpleConfig language_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  std::unique_ptr<TDesktopProgram> program_;
};

TEST_F(SetupDesktopTest, CancellingTheFirstStartEndsTheProgramUnset) {
  // The user, once the wizard shows (start-up handles events before that too).
  QTimer user;
  user.setInterval(5);
  QObject::connect(&user, &QTimer::timeout, [this, &user] {
    TSetupWizardDialog* wizard = Program().SetupWizard();
    if (!wizard || !wizard->isVisible()) return;
    user.stop();
    wizard->AgreeYes()->click();
    wizard->CancelButton()->click();
  });
  user.start();
  EXPECT_FALSE(Program().Start());
  Program().Finish();
  const Strings records = test::RecordedLinesWithoutAddresses();
  EXPECT_EQ(std::count(records.begin(), records.end(), "rec.so:OnApplicationStart"), 0);
  EXPECT_EQ(std::count(records.begin(), records.end(), "rec.so:shutdown"), 1);
  TSimpleConfig written;
  ASSERT_TRUE(written.LoadFromFile(temp_.Path() + "Application4.cfg"));
  ASSERT_TRUE(written.SelectSection("Application"));
  EXPECT_FALSE(written.ReadBoolean("SetupComplete"));
}

TEST_F(SetupDesktopTest, PluginPagesInTheSettingsDialog) {
  store_.LoadFromText("[Application]\nSetupComplete = \"TRUE\"\n");
  ASSERT_TRUE(Program().Start());
  TSettingsDialog& dialog = *Program().SettingsDialog();
  QTabWidget& pages = *dialog.Pages();
  const int builtIn = pages.count();
  auto call = [this](std::string_view function, auto fill) {
    TMessagePacket packet(Program().Plugins().GetPlugin(0));
    fill(packet);
    return registry_.Call(*ApiFunctionIndex(function), std::move(packet));
  };
  QWidget window;
  const auto tab = static_cast<std::uint32_t>(call("SetupTabAdd", [&](TMessagePacket& p) {
    p.AddString("sDescription", "Plugin");
    p.AddObject("sWindowHandle", static_cast<std::uint32_t>(window.winId()));
  }));
  ASSERT_NE(tab, 0u);
  ASSERT_EQ(pages.count(), builtIn + 1);
  EXPECT_EQ(pages.tabText(builtIn), "Plugin");
  EXPECT_NE(pages.currentIndex(), builtIn) << "a new page does not become the active one";
  EXPECT_TRUE(pages.widget(builtIn)->isAncestorOf(&window));

  call("SetupTabEdit", [&](TMessagePacket& p) {
    p.AddObject("poTab", tab);
    p.AddString("sDescription", "Renamed");
    p.AddObject("sWindowHandle", 0u);
  });
  EXPECT_EQ(pages.tabText(builtIn), "Renamed");
  call("SetupTabActivate", [&](TMessagePacket& p) { p.AddObject("poTab", tab); });
  EXPECT_EQ(pages.currentIndex(), builtIn);
  for (int twice = 0; twice < 2; ++twice) {
    call("SetupTabRemove", [&](TMessagePacket& p) { p.AddObject("poTab", tab); });
    EXPECT_EQ(pages.count(), builtIn) << "a handle already removed does nothing";
  }
}

}  // namespace
}  // namespace kp
