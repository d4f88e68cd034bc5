#include "core/transfers/upload_list.h"

#include "core/config/settings.h"

namespace kp {

TUploadList::TUploadList(TServiceRegistry& services, TPluginManager& plugins, const TSettings& settings,
                         std::string programFolder)
    : TTransferList(TransferDirection::Upload, services, plugins, settings, std::move(programFolder)) {}

std::uint32_t TUploadList::Add(std::uint32_t service, std::string_view nick, std::string_view fileName,
                               bool allowQueue, bool supportPause, std::uint32_t data) {
  TServiceHolder* owner = Services().FindService(service);
  if (!owner) return 0;
  const std::string userKey = UserKeyOf(nick, *owner);
  const bool mustWait = MustWait(userKey);
  if (mustWait) {
    if (!allowQueue) return 0;
    const TUploadSettings& limits = Settings().Uploads;
    if (limits.LimitQueues && Queue().Count() >= limits.MaximumQueues) return 0;
    if (limits.LimitQueuesPerUser && Queue().CountFor(userKey) >= limits.MaximumQueuesPerUser) return 0;
  }
  TTransferItem& item = AddItem(ServiceGroup(*owner), *owner, nick, fileName, mustWait);
  item.SupportPause = supportPause;
  item.Data = data;
  RefreshAllRows();
  item.FillRecord(Now());
  return item.Handle();
}

}  // namespace kp
