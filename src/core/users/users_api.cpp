#include "core/users/users_api.h"

#include <cstdint>

#include "core/config/text_conversions.h"
#include "core/host/message_packet.h"
#include "core/users/users.h"

namespace kp {

TUsersApi::TUsersApi(TApiRegistry& api, TUsers& users) : api_(api) {
  api_.Implement("UsersGetCount", [&users](TMessagePacket& p) -> std::int64_t {
    return users.GetCount(p.GetObject("poService"));
  });
  api_.Implement("UsersCheckAccess", [&users](TMessagePacket& p) -> std::int64_t {
    return users.CheckAccess(p.GetObject("poService"), p.GetString("sUserName"), p.GetString("sPassword"))
               ? 1
               : 0;
  });
  api_.Implement("UsersGetName", [&users](TMessagePacket& p) -> std::int64_t {
    // The plugin's buffer travels as its address.
    char* buffer = reinterpret_cast<char*>(static_cast<std::uintptr_t>(p.GetInteger("sName")));
    users.GetName(p.GetObject("poService"), LowThirtyTwoBits(p.GetInteger("iPosition")), buffer);
    return 0;
  });
}

}  // namespace kp
