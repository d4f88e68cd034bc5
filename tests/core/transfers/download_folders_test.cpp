#include "core/transfers/download_folders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/config/simple_config.h"
#include "core/platform/file_io.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

struct ShareRecorder {
  TShareCompletedFolder Hook() {
    return [this](const TCompletedFolderShare& share) { shares.push_back(share); };
  }
  std::vector<TCompletedFolderShare> shares;
};

TEST(DownloadFolders, MissingSettingsFileEndsWithWorkingFolders) {
  test::TempFolder app;
  TSimpleConfig missing;
  TSettings settings = LoadSettings(missing, app.Path());
  ASSERT_TRUE(settings.Downloads.TempFolder.empty());

  ShareRecorder recorder;
  const TDownloadFolderChanges changes = EnsureDownloadFolders(settings, app.Path(), recorder.Hook());

  EXPECT_TRUE(changes.TempFolderReplaced);
  EXPECT_TRUE(changes.CompletedFolderReplaced);
  EXPECT_EQ(settings.Downloads.TempFolder, app / "Temp");
  EXPECT_EQ(settings.Downloads.CompletedFolder, app / "Downloads");
  EXPECT_TRUE(IsDirectory(settings.Downloads.TempFolder));
  EXPECT_TRUE(IsDirectory(settings.Downloads.CompletedFolder));
  ASSERT_EQ(recorder.shares.size(), 1u);
  EXPECT_EQ(recorder.shares[0].VirtualName, "Downloads") << "no leading blank when the name is empty";
  EXPECT_EQ(recorder.shares[0].RealPath, app / "Downloads");

  const TDownloadFolderChanges again = EnsureDownloadFolders(settings, app.Path());
  EXPECT_FALSE(again.TempFolderReplaced || again.CompletedFolderReplaced) << "the defaults now exist";
}

TEST(DownloadFolders, KeepsExistingFoldersAndReplacesOnlyWhatIsMissing) {
  test::TempFolder app;
  TSettings settings;
  settings.Application.Name = "Keplinor";
  settings.Downloads.TempFolder = app.MakeFolder("elsewhere/incoming");
  settings.Downloads.CompletedFolder = app.WriteFile("not-a-folder", "x");

  ShareRecorder recorder;
  const TDownloadFolderChanges changes = EnsureDownloadFolders(settings, app.Path(), recorder.Hook());

  EXPECT_FALSE(changes.TempFolderReplaced);
  EXPECT_EQ(settings.Downloads.TempFolder, app / "elsewhere/incoming/");
  EXPECT_FALSE(app.Exists("Temp")) << "no default folder is made for a setting that works";
  EXPECT_TRUE(changes.CompletedFolderReplaced) << "a file is not a folder";
  EXPECT_EQ(settings.Downloads.CompletedFolder, app / "Downloads");
  ASSERT_EQ(recorder.shares.size(), 1u);
  EXPECT_EQ(recorder.shares[0].VirtualName, "Keplinor Downloads");
  EXPECT_EQ(recorder.shares[0].RealPath, app / "Downloads");

  // A folder chosen in the settings dialog is shared in place of the default.
  settings.Downloads.CompletedFolder = app.MakeFolder("chosen");
  EnsureDownloadFolders(settings, app.Path(), recorder.Hook());
  ASSERT_EQ(recorder.shares.size(), 2u);
  EXPECT_EQ(recorder.shares[1].RealPath, app / "chosen/");
}

TEST(DownloadFolders, FolderThatCannotBeCreatedStillGetsTheDefaultPath) {
  test::TempFolder app;
  const std::string blocked = app.WriteFile("program", "a file where the program folder should be");
  TSettings settings;
  settings.Downloads.TempFolder = app / "gone";

  const TDownloadFolderChanges changes = EnsureDownloadFolders(settings, blocked);  // no trailing "/"
  EXPECT_TRUE(changes.TempFolderReplaced);
  EXPECT_EQ(settings.Downloads.TempFolder, blocked + "/Temp");
  EXPECT_FALSE(IsDirectory(settings.Downloads.TempFolder));
}

}  // namespace
}  // namespace kp
