#pragma once
// Small routines that many parts of the program share. Wildcards, Base64 and the
// display formats have files of their own (wildcard.h, base64.h, text_format.h).

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kp {

// Cuts the text at every comma and trims each piece; empty pieces are kept, but a
// comma at the very end adds none ("mp3,,wav" gives three items, "mp3, wav," two).
[[nodiscard]] std::vector<std::string> SplitCommaList(std::string_view text);

// The first existing file among: the name itself; the plugin's folder and the
// name (when a plugin folder is given); the program folder's "Icons/" and the
// name; the program folder and the name. Otherwise the name unchanged, so
// "RESOURCE://n" names of built-in images pass through.
[[nodiscard]] std::string ResolveIconFile(std::string_view name, std::string_view pluginFolder,
                                          std::string_view applicationFolder);

using TimeStamp = std::chrono::steady_clock::time_point;
// Whole seconds from the stamp to now (rounded down; negative when the stamp is
// later), within the 32-bit range.
[[nodiscard]] std::int32_t SecondsSince(TimeStamp since);
[[nodiscard]] std::int32_t SecondsSince(TimeStamp since, TimeStamp now);

// The nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4);
// values beyond the 64-bit range are clamped, NaN gives 0.
[[nodiscard]] std::int64_t RoundHalfEven(double value) noexcept;

// Copies at most maxCharacters of the text (up to an embedded NUL) and a
// terminating NUL, so the destination needs maxCharacters + 1 bytes.
void CopyBoundedText(char* destination, std::size_t maxCharacters, std::string_view text) noexcept;

// The size of the text fields of records that plugins read.
inline constexpr std::size_t kFixedTextSize = 256;
// Copies at most 254 characters (up to an embedded NUL) and a terminating NUL into
// a 256-byte field or a plugin's buffer of that size.
void CopyToFixedText(char* destination, std::string_view text) noexcept;

// Asks the desktop to open a file, folder or address, with the text's folder part
// as working folder; a text that is empty when trimmed does nothing.
void ShellOpen(std::string_view target);
// Shows the text in a modal message box with one OK button.
void ShowTextMessage(std::string_view text);

// The program's version as major.minor.release.build.
[[nodiscard]] std::string GetVersionText();

}  // namespace kp
