#include "core/search/search_history.h"

#include <optional>

#include "core/config/text_basics.h"
#include "core/platform/file_io.h"

namespace kp {

THistoryList ParseHistory(std::string_view content) { return SplitLines(content, kMaxHistoryEntries); }

std::string FormatHistory(const THistoryList& entries) {
  std::string content;
  for (const std::string& entry : entries) {
    // A line end inside an entry would come back as two entries.
    for (const char c : entry) content += (c == '\r' || c == '\n') ? ' ' : c;
    content += "\r\n";
  }
  return content;
}

THistoryList ReadHistoryFile(const std::string& path) {
  const std::optional<std::string> content = ReadWholeFile(path, kMaxHistoryFileSize);
  return content ? ParseHistory(*content) : THistoryList{};
}

bool WriteHistoryFile(const std::string& path, const THistoryList& entries) {
  return WriteFileAtomically(path, FormatHistory(entries));
}

void AddToHistory(THistoryList& entries, std::string_view text, std::int32_t maximum) {
  if (Trim(text).empty()) return;
  entries.insert(entries.begin(), std::string(text));
  if (static_cast<std::int64_t>(entries.size()) > maximum) entries.pop_back();
}

}  // namespace kp
