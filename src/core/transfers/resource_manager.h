#pragma once
// A keyed first-in, first-out set: the waiting queue and the set of active
// transfers. It counts how many held objects carry each key, so "how many
// slots does this user hold" is one lookup. Keys are compared trimmed and
// without regard to letter case.
//
// An object is held at most once: adding one that is already held changes
// nothing. (Holding it twice would leak a slot: its removal frees only one.)

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/config/text_basics.h"

namespace kp {

template <typename T>
class TResourceManager {
 public:
  void Add(std::string_view key, T* object) {
    if (IndexOf(object) >= 0) return;
    std::string normalised = Normalise(key);
    ++counts_[normalised];
    held_.push_back(Held{object, std::move(normalised)});
  }

  void Remove(const T* object) {
    const auto found =
        std::find_if(held_.begin(), held_.end(), [object](const Held& h) { return h.object == object; });
    if (found == held_.end()) return;
    const auto count = counts_.find(found->key);
    if (count != counts_.end() && --count->second <= 0) counts_.erase(count);
    held_.erase(found);
  }

  [[nodiscard]] std::int32_t Count() const noexcept { return static_cast<std::int32_t>(held_.size()); }

  [[nodiscard]] std::int32_t CountFor(std::string_view key) const {
    const auto count = counts_.find(Normalise(key));
    return count == counts_.end() ? 0 : count->second;
  }

  [[nodiscard]] T* First() const noexcept { return held_.empty() ? nullptr : held_.front().object; }

  // 0-based place among the held objects, oldest first; -1 when not held.
  [[nodiscard]] std::int32_t IndexOf(const T* object) const noexcept {
    for (std::size_t i = 0; i < held_.size(); ++i) {
      if (held_[i].object == object) return static_cast<std::int32_t>(i);
    }
    return -1;
  }

  [[nodiscard]] bool Holds(const T* object) const noexcept { return IndexOf(object) >= 0; }

  void Clear() noexcept {
    held_.clear();
    counts_.clear();
  }

 private:
  struct Held {
    T* object;
    std::string key;
  };

  // Blanks and control characters trimmed, ASCII letters upper-cased.
  [[nodiscard]] static std::string Normalise(std::string_view key) { return ToUpperAscii(Trim(key)); }

  std::vector<Held> held_;
  std::unordered_map<std::string, std::int32_t> counts_;
};

}  // namespace kp
