#pragma once
// The users store as plugins meet it: a services registry, the store listening
// to it, the Users functions in an API registry, and a stand-in plugin whose
// user events are written down as "event service-description name".

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host/api_registry.h"
#include "core/host/plugin_holder.h"
#include "core/services/service_registry.h"
#include "core/users/users.h"
#include "core/users/users_api.h"
#include "support/temp_folder.h"

namespace kp::test {

// The GUID of test service n: {0000000n-0000-0000-0000-00000000005A}.
inline TGuid ServiceGuid(std::uint32_t n) {
  TGuid guid;
  guid.data1 = n;
  guid.data4[7] = 0x5A;
  return guid;
}

class UsersTest : public ::testing::Test {
 protected:
  using Strings = std::vector<std::string>;

  UsersTest() {
    events_.clear();
    registry_ = &services_;
    removeOnNextAdd_ = false;
    Listen("OnUsersAdd", &Record<'+'>);
    Listen("OnUsersRemove", &Record<'-'>);
    Listen("OnUsersSetupAdd", &Record<'a'>);
    Listen("OnUsersSetupRemove", &Record<'r'>);
    type_ = services_.AddType(&plugin_, "type", "", TGuid{});
  }
  ~UsersTest() override { registry_ = nullptr; }

  TServiceHolder& AddService(const char* description, std::uint32_t guid) {
    return *services_.FindService(
        services_.AddService(&plugin_, type_, description, "", "", 0, ServiceGuid(guid)));
  }
  // "name/password" per account.
  static Strings Accounts(const std::vector<TUserItem>& users) {
    Strings accounts;
    for (const TUserItem& user : users) accounts.push_back(user.Name + "/" + user.Password);
    return accounts;
  }
  void RemoveService(const TServiceHolder& service) { services_.RemoveService(&plugin_, service.Handle()); }

  // Events as "+ S bob" (OnUsersAdd), "- S bob", "a S bob" (setup add), "r S bob".
  static inline Strings events_;
  // The plugin removes the service of its next OnUsersAdd from inside the event.
  static inline bool removeOnNextAdd_ = false;

  // Last in, first out: the plugin outlives the registry that points at it.
  TPluginHolder plugin_{"/plugins/users.so", "USERS.SO"};
  TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TServiceRegistry services_{temp_.Path()};
  TUsers users_{services_};
  TUsersApi usersApi_{api_, users_};
  std::uint32_t type_ = 0;

 private:
  static inline TServiceRegistry* registry_ = nullptr;

  template <char Kind>
  static void Record(std::uint32_t handle, const char* name) {
    const TServiceHolder* service = registry_ ? registry_->FindService(handle) : nullptr;
    events_.push_back(std::string(1, Kind) + " " + (service ? service->description : "?") + " " + name);
    if (Kind == '+' && removeOnNextAdd_ && registry_) {
      removeOnNextAdd_ = false;
      registry_->RemoveService(nullptr, handle);
    }
  }
  void Listen(TEventName event, void (*function)(std::uint32_t, const char*)) {
    plugin_.SetEventSlot(event.index, reinterpret_cast<void*>(function));
  }
};

}  // namespace kp::test
