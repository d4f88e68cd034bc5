#pragma once
// Link schemes made known to the desktop: one XDG desktop entry per scheme in the
// user's data folder ("applications/keplinor-url-<scheme>.desktop", opening this
// executable with the link) made the scheme's default handler in the user's
// "mimeapps.list". The marker line kUrlSchemeMarker makes an entry this program's;
// a scheme whose handler lacks it belongs to another program and is left alone
// unless registration is forced.

#include <string>
#include <string_view>
#include <vector>

namespace kp {

inline constexpr std::string_view kUrlSchemeMarker = "X-Keplinor-DDE=KEPLINOR_4_DDE";
// Longer scheme names are refused: none in use comes near it.
inline constexpr std::size_t kMaxUrlSchemeLength = 64;

// Where the desktop keeps its handlers, most important first.
struct TXdgPlaces {
  std::string DataHome;    // the user's; entries are written here
  std::string ConfigHome;  // the user's; its mimeapps.list is written
  std::vector<std::string> DataDirs;    // the system's, read only
  std::vector<std::string> ConfigDirs;  // the system's, read only
};

// The user's places from the environment (XDG base directory rules).
[[nodiscard]] TXdgPlaces DefaultXdgPlaces();

// A scheme the desktop accepts: a letter, then letters, digits, "+", "-" or ".".
[[nodiscard]] bool IsValidUrlScheme(std::string_view scheme);

class TUrlSchemeEntries {
 public:
  TUrlSchemeEntries(TXdgPlaces places, std::string executable);

  // Without force, a scheme that has a handler already is left as it is: true
  // when that handler is this program's. Otherwise the entry is (re)written and
  // made the default handler; false when a file could not be written or the
  // scheme is not one the desktop accepts.
  bool RegisterUrlScheme(std::string_view scheme, bool force);
  // Removes this program's entry and default; another program's handler stays.
  void UnregisterUrlScheme(std::string_view scheme);
  // Whether the scheme's handler, as the desktop would choose it, is this program's.
  [[nodiscard]] bool IsOurs(std::string_view scheme) const;

  [[nodiscard]] std::string EntryPath(std::string_view scheme) const;
  [[nodiscard]] std::string EntryText(std::string_view scheme) const;

 private:
  // The desktop file that handles the scheme, as the first place that names one
  // says; empty when none does.
  [[nodiscard]] std::string Handler(const std::string& mimeType) const;
  [[nodiscard]] bool SetDefault(const std::string& mimeType, const std::string& desktopId, bool set) const;

  TXdgPlaces places_;
  std::string executable_;
};

}  // namespace kp
