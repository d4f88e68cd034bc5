#pragma once
// The downloads: what a plugin adds and reports, the groups plugins make,
// and the folders and the custom row texts only downloads have. Everything
// downloads share with uploads lives in TTransferList.

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/transfers/transfer_list.h"

namespace kp {

class TDownloadList final : public TTransferList {
 public:
  TDownloadList(TServiceRegistry& services, TPluginManager& plugins, const TSettings& settings,
                std::string programFolder);

  // DownloadAdd: the new download's handle, or 0 for an unknown service. It
  // waits in the queue when the limits say so; otherwise its plugin hears
  // OnDownloadStart before this returns.
  std::uint32_t Add(std::uint32_t group, std::uint32_t service, std::string_view nick,
                    std::string_view fileName, bool supportResume, bool supportPause, std::int64_t size,
                    std::string_view url, std::uint32_t data);
  // DownloadGroupAdd: under the plugin group `parent`, else under the
  // service's group. 0 for an unknown service.
  std::uint32_t AddGroup(TPluginHolder* caller, std::uint32_t parent, std::uint32_t service,
                         std::string_view description, std::string_view statusInfo,
                         std::string_view iconFile);
  void EditGroup(TPluginHolder* caller, std::uint32_t group, std::string_view description,
                 std::string_view statusInfo, std::string_view iconFile);
  void CustomInfo(TPluginHolder* caller, std::uint32_t download, std::string_view description,
                  std::string_view iconFile);
  void Queued(std::uint32_t download, std::int32_t position, std::int32_t size);
  // The final file name; the sharing code hears of it.
  void Finished(std::uint32_t download, std::string_view fileName);
  // Where the sharing code hears of a finished file (its real path); none
  // in a list without sharing (tests).
  std::function<void(std::string_view fileName)> OnFileFinished;
  // -1 the folder for incomplete files, -2 the completed folder; other types
  // leave the buffer as it was.
  void SuggestedDirectory(std::int32_t directoryType, char* buffer) const;
};

}  // namespace kp
