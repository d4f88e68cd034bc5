#pragma once
// The two records plugins read at a service type's and a service's handle
// (kp_service_type_record and kp_service_record of the SDK), rewritten whole
// from the core's own fields after every change.

namespace kp {

struct TServiceTypeHolder;
struct TServiceHolder;

// Rewrite the record at the holder's handle from its fields.
void WriteServiceTypeRecord(TServiceTypeHolder& type) noexcept;
void WriteServiceRecord(TServiceHolder& service) noexcept;

}  // namespace kp
