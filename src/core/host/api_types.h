#pragma once
// The shape of the two tables of api_table.h: a function's or an event's name,
// its parameters with their packet names and kinds, and its result.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace kp::api {

// How an argument crosses the boundary (x86-64 System V, plain C types).
enum class ParamKind : std::uint8_t {
  Text,          // const char*: NUL-terminated UTF-8; a null pointer reads as empty text
  Int32,         // int32_t
  Int64,         // int64_t
  Boolean,       // a 32-bit slot of which only the low byte counts
  Handle,        // uint32_t: an object handle (the low-memory address of a core record)
  WindowHandle,  // uint32_t: a native window id
  Guid,          // a 16-byte GUID passed by value; travels in the packet as its registry text
  Value32,       // uint32_t: a plugin's own value that the core keeps for it ("pData")
  TextBuffer,    // char*: a plugin's buffer of 256 bytes that the core fills
  AnswerByte,    // std::uint8_t*: a real pointer to one core byte, 1 on entry; the plugin writes 0 to refuse
};

enum class ResultKind : std::uint8_t {
  None,    // void
  Int32,   // int32_t
  Handle,  // uint32_t
};

enum class Route : std::uint8_t {
  Dispatched,     // a packet carried to the main thread; the caller waits for the result
  CallingThread,  // runs directly on the plugin's thread, under its family's locks
  // A packet carried to the main thread without waiting: for functions whose
  // result is fixed (always 0), so the caller has nothing to wait for. It runs
  // in the order of the calling thread's other main-thread calls.
  Posted,
};

// Whether the core has built the function's family yet. A function that is not
// built is bound all the same and answers 0 (and does nothing) until it is.
enum class Availability : std::uint8_t { NotYetBuilt, Built };

enum class Family : std::uint8_t {
  Application,
  Url,
  Setup,
  Service,
  Search,
  Upload,
  Download,
  Shared,
  Users
};

struct Param {
  std::string_view packetName;  // also the parameter's name in the SDK
  ParamKind kind;
};

inline constexpr std::size_t kMaxParams = 14;

struct FunctionSpec {
  std::string_view name;
  Family family;
  ResultKind result;
  Route route;
  // Bytes of arguments that the 32-bit build pushed: a check on this table.
  std::uint8_t legacyArgumentBytes;
  std::array<Param, kMaxParams> params{};
  std::size_t paramCount = 0;
  Availability availability = Availability::NotYetBuilt;

  constexpr FunctionSpec(std::string_view name_, Family family_, ResultKind result_, Route route_,
                         std::uint8_t legacyBytes, std::initializer_list<Param> list,
                         Availability availability_ = Availability::NotYetBuilt)
      : name(name_),
        family(family_),
        result(result_),
        route(route_),
        legacyArgumentBytes(legacyBytes),
        availability(availability_) {
    for (const Param& param : list) params[paramCount++] = param;
  }
};

struct EventSpec {
  std::string_view name;
  Family family;
  // Events whose result the core reads return int32_t; the others' is ignored.
  ResultKind result;
  std::array<Param, kMaxParams> params{};
  std::size_t paramCount = 0;

  constexpr EventSpec(std::string_view name_, Family family_, ResultKind result_,
                      std::initializer_list<Param> list)
      : name(name_), family(family_), result(result_) {
    for (const Param& param : list) params[paramCount++] = param;
  }
};

inline constexpr std::size_t kApiFunctionCount = 87;
inline constexpr std::size_t kEventCount = 51;

}  // namespace kp::api
