#include "core/services/service_records.h"

#include <cstring>

#include "core/config/shared_routines.h"
#include "keplinor_records.h"
#include "core/services/service_registry.h"

namespace kp {
namespace {

static_assert(sizeof(kp_guid) == sizeof(TGuid), "the core's GUID and the SDK's have one binary form");

kp_guid SdkGuid(const TGuid& guid) noexcept {
  kp_guid sdk;
  std::memcpy(&sdk, &guid, sizeof sdk);
  return sdk;
}

}  // namespace

// Records are built whole and copied over the old one in one go: a plugin
// thread that reads a field meanwhile sees the old or the new bytes of an
// unchanged field, never a cleared one.
void WriteServiceTypeRecord(TServiceTypeHolder& type) noexcept {
  if (!type.record) return;
  kp_service_type_record built{};
  built.GUID = SdkGuid(type.guid);
  CopyToFixedText(built.Description, type.description);
  CopyToFixedText(built.IconFileName, type.iconFileName);
  std::memcpy(type.record.get(), &built, sizeof built);
}

void WriteServiceRecord(TServiceHolder& service) noexcept {
  if (!service.record) return;
  kp_service_record built{};
  built.ServiceType = service.type ? service.type->Handle() : 0;
  built.GUID = SdkGuid(service.guid);
  built.Online = service.online ? 1 : 0;
  built.Checked = service.checked ? 1 : 0;
  CopyToFixedText(built.Description, service.description);
  CopyToFixedText(built.OnlineIconFileName, service.onlineIconFileName);
  CopyToFixedText(built.OfflineIconFileName, service.offlineIconFileName);
  CopyToFixedText(built.CurrentIconFileName, service.currentIconFileName);
  built.Data = service.data;
  std::memcpy(service.record.get(), &built, sizeof built);
}

}  // namespace kp
