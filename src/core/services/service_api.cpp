#include "core/services/service_api.h"

#include "core/config/text_conversions.h"
#include "core/host/api_registry.h"
#include "core/host/guid.h"
#include "core/host/message_packet.h"
#include "core/services/service_registry.h"
#include "core/services/service_wizard.h"

namespace kp {
namespace {

TGuid GuidOf(const TMessagePacket& packet) { return GuidFromText(packet.GetString("sGUID")).value_or(TGuid{}); }

}  // namespace

TServiceApi::TServiceApi(TApiRegistry& api, TServiceRegistry& services) : api_(api), services_(services) {
  Register();
}

void TServiceApi::Register() {
  api_.Implement("ServiceAddType", [this](TMessagePacket& p) -> std::int64_t {
    return services_.AddType(p.SenderPlugin, p.GetString("sDescription"), p.GetString("sIconFileName"), GuidOf(p));
  });
  api_.Implement("ServiceEditType", [this](TMessagePacket& p) -> std::int64_t {
    services_.EditType(p.GetObject("poServiceType"), p.GetString("sDescription"));
    return 0;
  });
  api_.Implement("ServiceRemoveType", [this](TMessagePacket& p) -> std::int64_t {
    services_.RemoveType(p.SenderPlugin, p.GetObject("poServiceType"));
    return 0;
  });
  api_.Implement("ServiceAdd", [this](TMessagePacket& p) -> std::int64_t {
    return services_.AddService(p.SenderPlugin, p.GetObject("poServiceType"), p.GetString("sDescription"),
                                p.GetString("sOnlineIconFileName"), p.GetString("sOfflineIconFileName"),
                                p.GetObject("pData"), GuidOf(p));
  });
  api_.Implement("ServiceEdit", [this](TMessagePacket& p) -> std::int64_t {
    services_.EditService(p.SenderPlugin, p.GetObject("poService"), p.GetString("sDescription"),
                          p.GetString("sOnlineIconFileName"), p.GetString("sOfflineIconFileName"),
                          p.GetObject("pData"));
    return 0;
  });
  api_.Implement("ServiceRemove", [this](TMessagePacket& p) -> std::int64_t {
    services_.RemoveService(p.SenderPlugin, p.GetObject("poService"));
    return 0;
  });
  api_.Implement("ServiceShowWizardPanel", [this](TMessagePacket& p) -> std::int64_t {
    if (wizard_) {
      wizard_->ShowWizardPanel(p.SenderPlugin, p.GetObject("sHWND"), LowThirtyTwoBits(p.GetInteger("iStatus")),
                               p.GetBoolean("bAllowBack"));
    }
    return 0;
  });
  api_.Implement("ServiceShowMainPanel", [this](TMessagePacket& p) -> std::int64_t {
    services_.ShowMainPanel(p.GetObject("sHWND"));
    return 0;
  });
  api_.Implement("ServiceSetOnline", [this](TMessagePacket& p) -> std::int64_t {
    services_.SetOnline(p.GetObject("poService"), p.GetBoolean("bValue"));
    return 0;
  });
  api_.Implement("ServiceSetCheck", [this](TMessagePacket& p) -> std::int64_t {
    services_.SetCheck(p.SenderPlugin, p.GetObject("poService"), p.GetBoolean("bValue"));
    return 0;
  });
  api_.Implement("ServiceSetIcon", [this](TMessagePacket& p) -> std::int64_t {
    services_.SetIcon(p.GetObject("poService"), p.GetString("sIconFileName"));
    return 0;
  });
  api_.Implement("ServiceSetActive", [this](TMessagePacket& p) -> std::int64_t {
    services_.SetActive(p.GetObject("poService"));
    return 0;
  });
}

}  // namespace kp
