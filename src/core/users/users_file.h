#pragma once
// "Users.dat": one account per line, "{GUID}:name:password-in-Base64", lines ended
// by CR LF. The file comes from disk and is read as untrusted bytes.
//
// The password's Base64 text is written on one line. Files of older versions broke
// it after every 80 characters, so a password longer than 60 bytes went on in a
// line of its own; such a continuation (a line of Base64 characters only, right
// after a full 80-character piece) is joined back to its account instead of being
// lost.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/host/guid.h"

namespace kp {

inline constexpr std::string_view kUsersFileName = "Users.dat";
// Far beyond any real list of accounts; a larger file is not read at all.
inline constexpr std::size_t kMaxUsersFileSize = 16u * 1024u * 1024u;

// One account as the file holds it, before or without its service.
struct TSavedUser {
  TGuid service;
  std::string name;
  std::string password;

  friend bool operator==(const TSavedUser&, const TSavedUser&) = default;
};

// Every account line of the file, in order. A line is cut at its first two ":"
// (name before the second, Base64 after it, further ":" included); with fewer the
// password, then the name, is empty. Lines whose GUID part is not a GUID can match
// no service and are left out.
[[nodiscard]] std::vector<TSavedUser> ParseUsersFile(std::string_view content);

// The account's line with its CR LF, appended to the text.
void AppendUsersLine(std::string& text, const TGuid& service, std::string_view name,
                     std::string_view password);

}  // namespace kp
