#include "core/host/api_closure.h"

#include <ffi.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <thread>

#include "core/host/api_registry.h"
#include "core/host/api_table.h"
#include "core/host/guid.h"
#include "core/host/message_packet.h"
#include "core/host/plugin_holder.h"

namespace kp {
namespace {

// The GUID passed by value: a structure of a 32-bit, two 16-bit numbers and 8 bytes.
ffi_type* GuidType() {
  static std::array<ffi_type*, 12> elements = [] {
    std::array<ffi_type*, 12> list{};
    list[0] = &ffi_type_uint32;
    list[1] = &ffi_type_uint16;
    list[2] = &ffi_type_uint16;
    for (std::size_t i = 3; i < 11; ++i) list[i] = &ffi_type_uint8;
    list[11] = nullptr;
    return list;
  }();
  static ffi_type type = [] {
    ffi_type made{};
    made.type = FFI_TYPE_STRUCT;
    made.elements = elements.data();
    return made;
  }();
  return &type;
}

ffi_type* TypeOf(api::ParamKind kind) {
  switch (kind) {
    case api::ParamKind::Text:
    case api::ParamKind::TextBuffer:
    case api::ParamKind::AnswerByte:
      return &ffi_type_pointer;
    case api::ParamKind::Int32:
    case api::ParamKind::Boolean:
      return &ffi_type_sint32;
    case api::ParamKind::Int64:
      return &ffi_type_sint64;
    case api::ParamKind::Handle:
    case api::ParamKind::WindowHandle:
    case api::ParamKind::Value32:
      return &ffi_type_uint32;
    case api::ParamKind::Guid:
      return GuidType();
  }
  return &ffi_type_pointer;
}

ffi_type* TypeOf(api::ResultKind kind) {
  switch (kind) {
    case api::ResultKind::None:
      return &ffi_type_void;
    case api::ResultKind::Int32:
      return &ffi_type_sint32;
    case api::ResultKind::Handle:
      return &ffi_type_uint32;
  }
  return &ffi_type_void;
}

// One call interface per API function, prepared once and shared by every
// plugin's closures: libffi only reads it while a call is made.
struct CallInterfaces {
  std::array<ffi_cif, api::kApiFunctionCount> cifs{};
  std::array<std::array<ffi_type*, api::kMaxParams>, api::kApiFunctionCount> argumentTypes{};
  bool ready = true;

  CallInterfaces() {
    for (std::size_t f = 0; f < api::kApiFunctionCount; ++f) {
      const api::FunctionSpec& spec = api::kApiFunctions[f];
      for (std::size_t p = 0; p < spec.paramCount; ++p) argumentTypes[f][p] = TypeOf(spec.params[p].kind);
      ready = ready && ffi_prep_cif(&cifs[f], FFI_DEFAULT_ABI, static_cast<unsigned>(spec.paramCount),
                                    TypeOf(spec.result), argumentTypes[f].data()) == FFI_OK;
    }
  }
};

const CallInterfaces& Interfaces() {
  static const CallInterfaces interfaces;
  return interfaces;
}

void AddArgument(TMessagePacket& packet, const api::Param& param, void* argument) {
  switch (param.kind) {
    case api::ParamKind::Text:
      packet.AddString(param.packetName, *static_cast<const char* const*>(argument));
      break;
    case api::ParamKind::Int32:
      packet.AddInteger(param.packetName, *static_cast<const std::int32_t*>(argument));
      break;
    case api::ParamKind::Int64:
      packet.AddInteger(param.packetName, *static_cast<const std::int64_t*>(argument));
      break;
    case api::ParamKind::Boolean:
      // Only the low byte of the slot counts.
      packet.AddBoolean(param.packetName, (*static_cast<const std::uint32_t*>(argument) & 0xFFu) != 0);
      break;
    case api::ParamKind::Handle:
    case api::ParamKind::Value32:
      packet.AddObject(param.packetName, *static_cast<const std::uint32_t*>(argument));
      break;
    case api::ParamKind::WindowHandle:
      packet.AddWindowHandle(param.packetName, *static_cast<const std::uint32_t*>(argument));
      break;
    case api::ParamKind::Guid: {
      TGuid guid;
      std::memcpy(&guid, argument, sizeof guid);
      packet.AddString(param.packetName, GuidToText(guid));
      break;
    }
    case api::ParamKind::TextBuffer:
    case api::ParamKind::AnswerByte:
      // The buffer's address, for the implementation to fill.
      packet.AddInteger(
          param.packetName,
          static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(*static_cast<void* const*>(argument))));
      break;
  }
}

// libffi wants integer results widened to a whole register.
void SetResult(const api::FunctionSpec& spec, void* result, std::int32_t value) noexcept {
  switch (spec.result) {
    case api::ResultKind::None:
      break;
    case api::ResultKind::Int32:
      *static_cast<ffi_arg*>(result) = static_cast<ffi_arg>(static_cast<ffi_sarg>(value));
      break;
    case api::ResultKind::Handle:
      *static_cast<ffi_arg*>(result) = static_cast<ffi_arg>(static_cast<std::uint32_t>(value));
      break;
  }
}

void EnterClosure(ffi_cif* /*cif*/, void* result, void** arguments, void* self) {
  static_cast<const TApiClosure*>(self)->Enter(result, arguments);
}

}  // namespace

TApiClosure::TApiClosure(TPluginHolder& plugin, std::size_t functionIndex, TApiRegistry& registry)
    : plugin_(plugin), function_(functionIndex), registry_(registry) {
  const CallInterfaces& interfaces = Interfaces();
  if (!interfaces.ready || functionIndex >= api::kApiFunctionCount) throw std::bad_alloc();
  auto* closure = static_cast<ffi_closure*>(ffi_closure_alloc(sizeof(ffi_closure), &entry_));
  if (!closure) throw std::bad_alloc();
  // libffi only reads the interface; the const_cast meets its C signature.
  auto* cif = const_cast<ffi_cif*>(&interfaces.cifs[functionIndex]);
  if (ffi_prep_closure_loc(closure, cif, &EnterClosure, this, entry_) != FFI_OK) {
    ffi_closure_free(closure);
    throw std::bad_alloc();
  }
  closure_ = closure;
}

TApiClosure::~TApiClosure() { ffi_closure_free(closure_); }

void TApiClosure::Enter(void* result, void** arguments) const noexcept {
  const api::FunctionSpec& spec = api::kApiFunctions[function_];
  std::int32_t value = 0;
  TCallingThreads& threads = plugin_.CallingThreads();
  // A stopping plugin's other threads get 0 at once and touch nothing else: by
  // then the registry may be gone, and only the main thread is still served.
  if (threads.Refuses(std::this_thread::get_id())) {
    threads.Enter();
    SetResult(spec, result, 0);
    threads.Leave();
    return;
  }
  // The main thread's calls end before it can unload the plugin; only the
  // plugin's own threads are counted.
  const bool fromPluginThread = !registry_.MainThreadQueue().IsOwnerThread();
  if (fromPluginThread) threads.Enter();
  try {
    if (fromPluginThread) threads.Note();
    TMessagePacket packet(&plugin_);
    for (std::size_t i = 0; i < spec.paramCount; ++i) AddArgument(packet, spec.params[i], arguments[i]);
    value = registry_.Call(function_, std::move(packet));
  } catch (...) {
    // Out of memory while building the packet: the plugin gets 0, never an exception.
    value = 0;
  }
  SetResult(spec, result, value);
  if (fromPluginThread) threads.Leave();
}

}  // namespace kp
