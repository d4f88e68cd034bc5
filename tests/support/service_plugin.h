#pragma once
// The services test plugin as the tests drive it: its tps_ functions make
// Service calls on the plugin's behalf, its tps_ variables steer how its wizard
// events answer.

#include <dlfcn.h>

#include <cstdint>
#include <string>

#include "core/host/guid.h"
#include "core/host/plugin_holder.h"
#include "keplinor_plugin.h"

namespace kp::test {

class TServicePlugin {
 public:
  explicit TServicePlugin(const TPluginHolder& plugin) : module_(plugin.Module) {}

  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(::dlsym(module_, name));
  }
  template <typename T>
  T& Variable(const char* name) const {
    return *static_cast<T*>(::dlsym(module_, name));
  }

  std::uint32_t AddType(const char* description, const char* icon = "", std::uint32_t guidData1 = 0x7E570001u) {
    return Find<kp_handle (*)(const char*, const char*, kp_guid)>("tps_add_type")(description, icon,
                                                                                  Guid(guidData1));
  }
  std::uint32_t Add(std::uint32_t type, const char* description, const char* online = "", const char* offline = "",
                    std::uint32_t data = 0, std::uint32_t guidData1 = 0x5E7C0001u) {
    return Find<kp_handle (*)(kp_handle, const char*, const char*, const char*, std::uint32_t, kp_guid)>("tps_add")(
        type, description, online, offline, data, Guid(guidData1));
  }
  void Edit(std::uint32_t service, const char* description, const char* online, const char* offline,
            std::uint32_t data) {
    Find<void (*)(kp_handle, const char*, const char*, const char*, std::uint32_t)>("tps_edit")(
        service, description, online, offline, data);
  }
  void EditType(std::uint32_t type, const char* description) {
    Find<void (*)(kp_handle, const char*)>("tps_edit_type")(type, description);
  }
  void Remove(std::uint32_t service) { Find<std::int32_t (*)(kp_handle)>("tps_remove")(service); }
  void RemoveType(std::uint32_t type) { Find<std::int32_t (*)(kp_handle)>("tps_remove_type")(type); }
  void SetOnline(std::uint32_t service, bool value) {
    Find<std::int32_t (*)(kp_handle, kp_bool)>("tps_set_online")(service, value ? 1 : 0);
  }
  void SetCheck(std::uint32_t service, bool value) {
    Find<std::int32_t (*)(kp_handle, kp_bool)>("tps_set_check")(service, value ? 1 : 0);
  }
  void SetIcon(std::uint32_t service, const char* icon) {
    Find<void (*)(kp_handle, const char*)>("tps_set_icon")(service, icon);
  }
  void SetActive(std::uint32_t service) { Find<std::int32_t (*)(kp_handle)>("tps_set_active")(service); }
  void ShowMainPanel(std::uint32_t window) { Find<std::int32_t (*)(kp_window)>("tps_show_main_panel")(window); }
  void ShowWizardPanel(std::uint32_t window, std::int32_t status, bool allowBack = true) {
    Find<std::int32_t (*)(kp_window, std::int32_t, kp_bool)>("tps_show_wizard_panel")(window, status,
                                                                                       allowBack ? 1 : 0);
  }
  // Records what the plugin reads at the handle.
  void Describe(std::uint32_t service) { Find<void (*)(kp_handle)>("tps_describe")(service); }
  void DescribeType(std::uint32_t type) { Find<void (*)(kp_handle)>("tps_describe_type")(type); }

  // How the wizard events answer: a page of this status and window; a negative
  // status gives no answer.
  void AnswerWithPage(std::int32_t status, std::uint32_t window = 0, bool allowBack = true) {
    Variable<std::int32_t>("tps_page_status") = status;
    Variable<std::uint32_t>("tps_page_window") = window;
    Variable<std::int32_t>("tps_page_allow_back") = allowBack ? 1 : 0;
  }
  void AnswerCompletion(bool canClose) { Variable<std::int32_t>("tps_complete_answer") = canClose ? 1 : 0; }
  // The next OnServiceSelect removes the service it is told of.
  void RemoveOnNextSelect() { Variable<std::int32_t>("tps_remove_on_select") = 1; }
  void AddOnRemove(std::uint32_t type) { Variable<std::uint32_t>("tps_add_on_remove") = type; }

  static kp_guid Guid(std::uint32_t data1) {
    return kp_guid{data1, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
  }

 private:
  void* module_;
};

}  // namespace kp::test
