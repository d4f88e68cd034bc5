#pragma once
// The Users functions of the plugin API: how many accounts a service has, their
// names, and whether a name and password are valid for it. Each call is answered
// by the users store.

#include "core/host/api_registry.h"

namespace kp {

class TUsers;

class TUsersApi {
 public:
  TUsersApi(TApiRegistry& api, TUsers& users);
  TUsersApi(const TUsersApi&) = delete;
  TUsersApi& operator=(const TUsersApi&) = delete;

 private:
  // Withdraws the functions when this goes: they answer 0 again.
  TApiRegistry::TScope api_;
};

}  // namespace kp
