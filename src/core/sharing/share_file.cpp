#include "core/sharing/share_file.h"

#include <mutex>
#include <shared_mutex>

#include "core/sharing/share_directory.h"
#include "core/sharing/share_paths.h"

namespace kp {

TShareFile::TShareFile(TShareManager& manager, std::shared_ptr<TShareDirectory> parent, std::string name,
                       const TShareFileFacts& facts)
    : TShareEntry(manager, std::move(parent), std::move(name), false), facts_(facts) {}

TFileDescriptor TShareFile::OpenContent(int flags) const {
  return OpenSharedFile(TopLevelRealPath(), RealPath(), flags);
}

void TShareFile::SetRealPath(std::string realPath) {
  if (!IsTopLevel()) return;
  std::unique_lock lock(Parent()->listLock_);
  topLevelRealPath_ = std::move(realPath);
}

double UnixTimeToDays(std::int64_t seconds) noexcept {
  constexpr double kDaysFrom1899To1970 = 25'569.0;
  return static_cast<double>(seconds) / 86'400.0 + kDaysFrom1899To1970;
}

}  // namespace kp
