#pragma once
// The two records plugins read at a service type's and a service's handle:
// packed, little-endian, texts stored inside the record (at most 254 bytes and
// a NUL), rewritten whole from the core's own fields after every change.

#include <cstddef>

namespace kp {

struct ServiceTypeRecordLayout {
  static constexpr std::size_t kSize = 532;
  static constexpr std::size_t kGuid = 0;
  static constexpr std::size_t kDescription = 16;
  static constexpr std::size_t kIconFileName = 272;
  static constexpr std::size_t kReserved = 528;
};

struct ServiceRecordLayout {
  static constexpr std::size_t kSize = 1050;
  static constexpr std::size_t kServiceType = 0;  // the owning type's handle
  static constexpr std::size_t kGuid = 4;
  static constexpr std::size_t kOnline = 20;
  static constexpr std::size_t kChecked = 21;
  static constexpr std::size_t kDescription = 22;
  static constexpr std::size_t kOnlineIconFileName = 278;
  static constexpr std::size_t kOfflineIconFileName = 534;
  static constexpr std::size_t kCurrentIconFileName = 790;
  static constexpr std::size_t kData = 1046;
};

struct TServiceTypeHolder;
struct TServiceHolder;

// Rewrite the record at the holder's handle from its fields.
void WriteServiceTypeRecord(TServiceTypeHolder& type) noexcept;
void WriteServiceRecord(TServiceHolder& service) noexcept;

}  // namespace kp
