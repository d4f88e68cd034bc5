// Whether each transfer section shows its details panel is the user's
// setting: a whole run of the desktop program reads it at the start and
// writes back what the user left.
#include <gtest/gtest.h>

#include <QToolButton>
#include <filesystem>

#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "support/temp_folder.h"
#include "ui/shell/desktop_program.h"
#include "ui/shell/main_form.h"
#include "ui/transfers/transfer_details.h"
#include "ui/transfers/transfer_section.h"

namespace kp {
namespace {

TEST(TransferDetailsSetting, ReadAtTheStartAndWrittenBackAtTheEnd) {
  test::TempFolder temp;
  std::filesystem::create_directories(temp / "Plugins");
  TSimpleConfig settingsStore;
  settingsStore.LoadFromText(
      "[Application]\nSetupComplete = \"TRUE\"\n[Downloads]\nShowStatus = \"TRUE\"\n[Uploads]\nShowStatus = \"FALSE\"\n");
  TSimpleConfig language;
  TMainThreadQueue queue;
  TDispatcher dispatcher{queue};
  TApiRegistry registry{dispatcher};
  TDesktopProgram program(temp.Path(), settingsStore, language, registry, queue);
  ASSERT_TRUE(program.Start());
  TTransferSection& downloads = *program.DownloadsSection();
  TTransferSection& uploads = *program.UploadsSection();
  EXPECT_TRUE(downloads.DetailsShown());
  EXPECT_FALSE(uploads.DetailsShown());
  // Of the two toggle buttons only the one that inverts the panel shows.
  EXPECT_TRUE(downloads.HideDetailsButton().isVisibleTo(&downloads));
  EXPECT_FALSE(downloads.ShowDetailsButton().isVisibleTo(&downloads));
  EXPECT_TRUE(uploads.ShowDetailsButton().isVisibleTo(&uploads));

  downloads.HideDetailsButton().click();
  uploads.ShowDetailsButton().click();
  EXPECT_TRUE(uploads.Details().isVisibleTo(&uploads));
  EXPECT_FALSE(uploads.ShowDetailsButton().isVisibleTo(&uploads));
  program.MainForm().ExitCommand();
  program.Finish();

  TSimpleConfig saved;
  ASSERT_TRUE(saved.LoadFromFile(temp.Path() + "Application4.cfg"));
  ASSERT_TRUE(saved.SelectSection("Downloads"));
  EXPECT_FALSE(saved.ReadBoolean("ShowStatus"));
  ASSERT_TRUE(saved.SelectSection("Uploads"));
  EXPECT_TRUE(saved.ReadBoolean("ShowStatus"));
}

}  // namespace
}  // namespace kp
