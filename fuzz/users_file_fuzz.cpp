// Loads any bytes as a saved list of user accounts. Every account read must be
// one the file can hold again (no field separator or line end in its name), the
// lines written for them must read back to exactly the same accounts, and a
// service that registers takes exactly the accounts of its GUID.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/services/service_registry.h"
#include "core/users/users.h"
#include "core/users/users_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<kp::TSavedUser> users = kp::ParseUsersFile(input);
  std::string written;
  for (const kp::TSavedUser& user : users) {
    FUZZ_CHECK(user.name.find_first_of(":\r\n") == std::string::npos);
    kp::AppendUsersLine(written, user.service, user.name, user.password);
  }
  FUZZ_CHECK(kp::ParseUsersFile(written) == users);
  if (users.empty()) return 0;

  kp::TServiceRegistry services("/nonexistent/");
  kp::TUsers store(services);
  store.LoadUsersFromText(input);
  const std::uint32_t type = services.AddType(nullptr, "type", "", kp::TGuid{});
  const kp::TServiceHolder* service =
      services.FindService(services.AddService(nullptr, type, "service", "", "", 0, users.front().service));
  FUZZ_CHECK(service != nullptr);
  std::size_t ofService = 0;
  for (const kp::TSavedUser& user : users)
    if (user.service == users.front().service) ++ofService;
  FUZZ_CHECK(store.UsersOf(*service).size() == ofService);
  FUZZ_CHECK(store.Pending().size() == users.size() - ofService);
  FUZZ_CHECK(store.CheckAccess(*service, users.front().name, users.front().password));
  FUZZ_CHECK(kp::ParseUsersFile(store.UsersFileText()).size() == users.size());
  return 0;
}
