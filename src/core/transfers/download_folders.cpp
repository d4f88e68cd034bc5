#include "core/transfers/download_folders.h"

#include <filesystem>
#include <system_error>

#include "core/config/text_basics.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

// Replaces a folder setting that names no existing folder by the default folder
// and creates that; true when it was replaced.
bool EnsureFolder(std::string& folder, std::string_view applicationFolder, std::string_view defaultName) {
  if (IsDirectory(folder)) return false;
  folder = JoinPath(applicationFolder, defaultName);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return true;
}

}  // namespace

std::string CompletedFolderShareName(const TSettings& settings) {
  return std::string(Trim(settings.Application.Name + " Downloads"));
}

TDownloadFolderChanges EnsureDownloadFolders(TSettings& settings, std::string_view applicationFolder,
                                             const TShareCompletedFolder& shareCompletedFolder) {
  TDownloadSettings& downloads = settings.Downloads;
  TDownloadFolderChanges changes;
  changes.TempFolderReplaced = EnsureFolder(downloads.TempFolder, applicationFolder, kDefaultTempFolderName);
  changes.CompletedFolderReplaced =
      EnsureFolder(downloads.CompletedFolder, applicationFolder, kDefaultCompletedFolderName);
  if (shareCompletedFolder)
    shareCompletedFolder({CompletedFolderShareName(settings), downloads.CompletedFolder});
  return changes;
}

}  // namespace kp
