#pragma once
// The history of the two search texts: a list of earlier texts per field,
// newest first, kept between runs in two text files beside the executable.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kp {

using THistoryList = std::vector<std::string>;

// The files of the first and the second search text, in the program folder.
inline constexpr std::string_view kSearchHistory1FileName = "SearchHistory1.dat";
inline constexpr std::string_view kSearchHistory2FileName = "SearchHistory2.dat";

// A history file is the user's, but anything may have put it there: a larger
// one is not read, and entries past this many (the oldest) are left out, so
// neither the memory nor the drop-down list grows without bound.
inline constexpr std::size_t kMaxHistoryFileSize = 1024u * 1024u;
inline constexpr std::size_t kMaxHistoryEntries = 10000;

// One entry per line; CR LF, a lone CR and a lone LF all end a line, the last
// line needs no end, and an empty line is an empty entry.
[[nodiscard]] THistoryList ParseHistory(std::string_view content);
// Every entry followed by CR LF (the last one too); no entries, no bytes.
[[nodiscard]] std::string FormatHistory(const THistoryList& entries);

// An empty list when the file is missing, unreadable or too large.
[[nodiscard]] THistoryList ReadHistoryFile(const std::string& path);
// Replaces the file atomically; false when it could not be written.
[[nodiscard]] bool WriteHistoryFile(const std::string& path, const THistoryList& entries);

// A sent request's text enters the top of its list when it is not blank, kept
// as typed, even when the list holds it already. A list that then exceeds
// maximum loses its oldest entry: one, so a lowered maximum shortens a long
// list by one entry per request.
void AddToHistory(THistoryList& entries, std::string_view text, std::int32_t maximum);

}  // namespace kp
