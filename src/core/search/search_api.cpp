#include "core/search/search_api.h"

#include "core/config/text_conversions.h"
#include "core/host/message_packet.h"
#include "core/search/search_list.h"

namespace kp {

TSearchApi::TSearchApi(TApiRegistry& api, TSearchList& searches)
    : api_(api), registry_(api), searches_(searches) {
  Register();
}

void TSearchApi::Register() {
  api_.Implement("SearchResultAdd",
                 [this](TMessagePacket& p) -> std::int64_t { return searches_.AddResult(p); });
  api_.Implement("SearchComplete",
                 [this](TMessagePacket& p) -> std::int64_t { return searches_.Complete(p); });
  // These two run on the plugin's own thread; the search state belongs to the
  // main thread, so a call from anywhere else is refused.
  api_.Implement("SearchResultButtonAdd", [this](TMessagePacket& p) -> std::int64_t {
    if (!registry_.MainThreadQueue().IsOwnerThread()) return 0;
    searches_.AddResultButton(p.SenderPlugin, LowThirtyTwoBits(p.GetInteger("iCommand")),
                              p.GetString("sDescription"), p.GetString("sIconFileName"));
    return 0;
  });
  api_.Implement("SearchResultMenuAdd", [this](TMessagePacket& p) -> std::int64_t {
    if (!registry_.MainThreadQueue().IsOwnerThread()) return 0;
    return searches_.AddResultMenuEntry(p.SenderPlugin, LowThirtyTwoBits(p.GetInteger("iCommand")),
                                        p.GetObject("poParentMenu"), p.GetString("sDescription"),
                                        p.GetString("sIconFileName"));
  });
}

}  // namespace kp
