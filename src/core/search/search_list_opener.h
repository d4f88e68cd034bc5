#pragma once
// A sent request opens its search in the list of open searches. The search
// just opened is kept by its ID and looked up again for every service asked:
// a plugin told of the search may close it before the next service is asked.

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/search/search_list.h"
#include "core/search/search_request.h"

namespace kp {

class TSearchListOpener final : public ISearchOpener {
 public:
  explicit TSearchListOpener(TSearchList& searches) : searches_(searches) {}

  std::int32_t OpenSearch(std::string_view text1, std::string_view text2, std::int32_t minimumBitrate,
                          std::int64_t minimumSize, std::int64_t maximumSize) override {
    opened_ = &searches_.OpenSearch(text1, text2, minimumBitrate, minimumSize, maximumSize);
    return opened_->SearchID;
  }

  void AddService(std::uint32_t service) override {
    for (TSearchContext* search : searches_.Searches()) {
      if (search == opened_) {
        searches_.AddService(*search, service);
        return;
      }
    }
  }

 private:
  TSearchList& searches_;
  const TSearchContext* opened_ = nullptr;
};

}  // namespace kp
