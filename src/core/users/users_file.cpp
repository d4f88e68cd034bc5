#include "core/users/users_file.h"

#include <algorithm>
#include <optional>

#include "core/config/base64.h"

namespace kp {
namespace {

// The piece length after which older versions broke the Base64 text.
constexpr std::size_t kOldBase64PieceLength = 80;

constexpr bool IsBase64Character(char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
         c == '=';
}

// A full piece of an older version's broken Base64 text: the password may go on
// in the next line.
bool IsFullOldPiece(std::string_view base64) noexcept {
  return base64.size() == kOldBase64PieceLength &&
         std::all_of(base64.begin(), base64.end(), [](char c) { return IsBase64Character(c) && c != '='; });
}

bool IsContinuation(std::string_view line) noexcept {
  return !line.empty() && std::all_of(line.begin(), line.end(), IsBase64Character);
}

// The next line of the text from position on; CR, LF or CR LF end it.
std::string_view NextLine(std::string_view text, std::size_t& position) noexcept {
  const std::size_t start = position;
  const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
  position = end;
  if (position < text.size() && text[position] == '\r') ++position;
  if (position < text.size() && text[position] == '\n') ++position;
  return text.substr(start, end - start);
}

}  // namespace

std::vector<TSavedUser> ParseUsersFile(std::string_view content) {
  std::vector<TSavedUser> users;
  // The account whose password may go on in the next line.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t open = kNone;
  std::size_t position = 0;
  while (position < content.size()) {
    const std::string_view line = NextLine(content, position);
    const std::size_t first = line.find(':');
    if (first == std::string_view::npos && open != kNone && IsContinuation(line)) {
      users[open].password += Base64Decode(line);
      if (!IsFullOldPiece(line)) open = kNone;
      continue;
    }
    open = kNone;
    const std::optional<TGuid> guid = GuidFromText(line.substr(0, first));
    if (!guid) continue;
    TSavedUser& user = users.emplace_back();
    user.service = *guid;
    if (first == std::string_view::npos) continue;
    const std::size_t second = line.find(':', first + 1);
    user.name = std::string(
        line.substr(first + 1, second == std::string_view::npos ? line.npos : second - first - 1));
    if (second == std::string_view::npos) continue;
    const std::string_view base64 = line.substr(second + 1);
    user.password = Base64Decode(base64);
    if (IsFullOldPiece(base64)) open = users.size() - 1;
  }
  return users;
}

void AppendUsersLine(std::string& text, const TGuid& service, std::string_view name,
                     std::string_view password) {
  text += GuidToText(service);
  text += ':';
  text += name;
  text += ':';
  for (const char c : Base64Encode(password)) {
    if (c != '\r' && c != '\n') text += c;
  }
  text += "\r\n";
}

}  // namespace kp
