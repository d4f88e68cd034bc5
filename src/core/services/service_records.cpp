#include "services/service_records.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "config/shared_routines.h"
#include "services/service_registry.h"

namespace kp {
namespace {

void Put(std::byte* record, std::size_t offset, const void* value, std::size_t size) noexcept {
  std::memcpy(record + offset, value, size);
}

void PutText(std::byte* record, std::size_t offset, const std::string& text) noexcept {
  CopyToFixedText(reinterpret_cast<char*>(record + offset), text);
}

}  // namespace

// Records are built whole and copied over the old one in one go: a plugin
// thread that reads a field meanwhile sees the old or the new bytes of an
// unchanged field, never a cleared one.
void WriteServiceTypeRecord(TServiceTypeHolder& type) noexcept {
  if (!type.record) return;
  std::array<std::byte, ServiceTypeRecordLayout::kSize> built{};
  std::byte* record = built.data();
  Put(record, ServiceTypeRecordLayout::kGuid, &type.guid, sizeof type.guid);
  PutText(record, ServiceTypeRecordLayout::kDescription, type.description);
  PutText(record, ServiceTypeRecordLayout::kIconFileName, type.iconFileName);
  std::memcpy(type.record.get(), built.data(), built.size());
}

void WriteServiceRecord(TServiceHolder& service) noexcept {
  if (!service.record) return;
  std::array<std::byte, ServiceRecordLayout::kSize> built{};
  std::byte* record = built.data();
  const std::uint32_t type = service.type ? service.type->Handle() : 0;
  const std::uint8_t online = service.online ? 1 : 0;
  const std::uint8_t checked = service.checked ? 1 : 0;
  Put(record, ServiceRecordLayout::kServiceType, &type, sizeof type);
  Put(record, ServiceRecordLayout::kGuid, &service.guid, sizeof service.guid);
  Put(record, ServiceRecordLayout::kOnline, &online, 1);
  Put(record, ServiceRecordLayout::kChecked, &checked, 1);
  PutText(record, ServiceRecordLayout::kDescription, service.description);
  PutText(record, ServiceRecordLayout::kOnlineIconFileName, service.onlineIconFileName);
  PutText(record, ServiceRecordLayout::kOfflineIconFileName, service.offlineIconFileName);
  PutText(record, ServiceRecordLayout::kCurrentIconFileName, service.currentIconFileName);
  Put(record, ServiceRecordLayout::kData, &service.data, sizeof service.data);
  std::memcpy(service.record.get(), built.data(), built.size());
}

}  // namespace kp
