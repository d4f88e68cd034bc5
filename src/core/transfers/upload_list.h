#pragma once
// The uploads: admission by the user's four limits (slots in all and per
// user, queue places in all and per user) or refusal. Everything uploads
// share with downloads lives in TTransferList.

#include <cstdint>
#include <string_view>

#include "core/transfers/transfer_list.h"

namespace kp {

class TUploadList final : public TTransferList {
 public:
  TUploadList(TServiceRegistry& services, TPluginManager& plugins, const TSettings& settings,
              std::string programFolder);

  // UploadAdd: the new upload's handle; 0 for an unknown service, or when it
  // must wait and may not (queueing not allowed, or a queue limit reached).
  std::uint32_t Add(std::uint32_t service, std::string_view nick, std::string_view fileName, bool allowQueue,
                    bool supportPause, std::uint32_t data);
};

}  // namespace kp
