#include "core/transfers/download_list.h"

#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/host/api_names.h"

namespace kp {

TDownloadList::TDownloadList(TServiceRegistry& services, TPluginManager& plugins, const TSettings& settings,
                             std::string programFolder)
    : TTransferList(TransferDirection::Download, services, plugins, settings, std::move(programFolder)) {}

std::uint32_t TDownloadList::Add(std::uint32_t group, std::uint32_t service, std::string_view nick,
                                 std::string_view fileName, bool supportResume, bool supportPause,
                                 std::int64_t size, std::string_view url, std::uint32_t data) {
  TServiceHolder* owner = Services().FindService(service);
  if (!owner) return 0;
  // A plugin group of another service would take this download with it when
  // that service goes: the download then stays under its own service.
  TTransferGroup* parent = FindPluginGroup(group);
  if (parent && parent->Service != owner) parent = nullptr;
  if (!parent) parent = &ServiceGroup(*owner);

  const std::string userKey = UserKeyOf(nick, *owner);
  TTransferItem& item = AddItem(*parent, *owner, nick, fileName, MustWait(userKey));
  item.SupportResume = supportResume;
  item.SupportPause = supportPause;
  item.URL = std::string(url);
  item.Data = data;
  item.EndPosition = size < 0 ? 0 : size;
  const std::uint32_t handle = item.Handle();

  RefreshAllRows();
  item.FillRecord(Now());
  if (item.State != TransferState::Queued) SendItemEvent(EventNumber("OnDownloadStart"), item);
  return handle;
}

std::uint32_t TDownloadList::AddGroup(TPluginHolder* caller, std::uint32_t parent, std::uint32_t service,
                                      std::string_view description, std::string_view statusInfo,
                                      std::string_view iconFile) {
  TServiceHolder* owner = Services().FindService(service);
  if (!owner) return 0;
  TTransferGroup* under = FindPluginGroup(parent);
  if (under && under->Service != owner) under = nullptr;  // as for downloads: never under another service
  if (!under) under = &ServiceGroup(*owner);

  auto group = std::make_unique<TTransferGroup>(TransferNodeKind::PluginGroup);
  group->Service = owner;
  group->Owner = caller;
  group->Description = std::string(description);
  group->StatusInfo = std::string(statusInfo);
  group->IconFile = ResolveIcon(iconFile, caller);
  TTransferGroup& added = TTransferList::AddGroup(*under, std::move(group));
  RegisterPluginGroup(added);
  return added.Handle();
}

void TDownloadList::EditGroup(TPluginHolder* caller, std::uint32_t group, std::string_view description,
                              std::string_view statusInfo, std::string_view iconFile) {
  TTransferGroup* edited = FindPluginGroup(group);
  if (!edited) return;
  edited->Description = std::string(description);
  edited->StatusInfo = std::string(statusInfo);
  edited->IconFile = ResolveIcon(iconFile, caller);
  RefreshGroupRow(*edited);
}

void TDownloadList::CustomInfo(TPluginHolder* caller, std::uint32_t download, std::string_view description,
                               std::string_view iconFile) {
  TTransferItem* item = FindItem(download);
  if (!item) return;
  // Shown until the row's next refresh puts the state's cells back.
  item->CustomStatus = std::string(description);
  item->IconFile = ResolveIcon(iconFile, caller);
  item->CustomEpoch = RefreshEpoch();
  if (ITransferListView* view = View()) view->RowChanged(*item);
}

void TDownloadList::Queued(std::uint32_t download, std::int32_t position, std::int32_t size) {
  TTransferItem* item = FindItem(download);
  if (!item) return;
  // The core's tables stay as they are: a download holding a slot keeps it.
  item->QueuePosition = position;
  item->QueueSize = size;
  item->State = TransferState::RemotelyQueued;
  RefreshRow(*item);
}

void TDownloadList::Finished(std::uint32_t download, std::string_view fileName) {
  TTransferItem* item = FindItem(download);
  if (!item) return;
  item->SetFileName(std::string(fileName));
  // The shared files section shows the file when its folder is open.
  if (OnFileFinished) OnFileFinished(fileName);
}

void TDownloadList::SuggestedDirectory(std::int32_t directoryType, char* buffer) const {
  if (!buffer) return;
  if (directoryType == -1) {
    CopyToFixedText(buffer, Settings().Downloads.TempFolder);
  } else if (directoryType == -2) {
    CopyToFixedText(buffer, Settings().Downloads.CompletedFolder);
  }
}

}  // namespace kp
