#include "core/setup/setup_api.h"

#include "core/config/text_conversions.h"
#include "core/host/message_packet.h"
#include "core/setup/setup_wizard.h"

namespace kp {

TSetupApi::TSetupApi(TApiRegistry& api, TSetupWizard& wizard) : api_(api), wizard_(wizard) {
  api_.Implement("SetupStartWizard", [this](TMessagePacket& p) -> std::int64_t {
    wizard_.StartWizard(p.SenderPlugin);
    return 0;
  });
  api_.Implement("SetupShowWizardPanel", [this](TMessagePacket& p) -> std::int64_t {
    wizard_.ShowWizardPanel(p.SenderPlugin, p.GetObject("sWindowHandle"),
                            LowThirtyTwoBits(p.GetInteger("iStatus")));
    return 0;
  });
}

}  // namespace kp
