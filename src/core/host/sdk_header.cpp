#include "core/host/sdk_header.h"

#include <optional>

#include "core/host/api_table.h"

namespace kp {
namespace {

std::string_view CTypeOf(api::ParamKind kind) {
  switch (kind) {
    case api::ParamKind::Text:
      return "const char *";
    case api::ParamKind::Int32:
      return "int32_t ";
    case api::ParamKind::Int64:
      return "int64_t ";
    case api::ParamKind::Boolean:
      return "kp_bool ";
    case api::ParamKind::Handle:
      return "kp_handle ";
    case api::ParamKind::WindowHandle:
      return "kp_window ";
    case api::ParamKind::Guid:
      return "kp_guid ";
    case api::ParamKind::Value32:
      return "uint32_t ";
    case api::ParamKind::TextBuffer:
      return "char *";
    case api::ParamKind::AnswerByte:
      return "uint8_t *";
  }
  return "void *";
}

std::string_view CTypeOf(api::ResultKind kind) {
  switch (kind) {
    case api::ResultKind::None:
      return "void";
    case api::ResultKind::Int32:
      return "int32_t";
    case api::ResultKind::Handle:
      return "kp_handle";
  }
  return "void";
}

template <typename Spec>
std::string ParameterList(const Spec& spec) {
  if (spec.paramCount == 0) return "(void)";
  std::string list = "(";
  for (std::size_t i = 0; i < spec.paramCount; ++i) {
    if (i > 0) list += ", ";
    list += CTypeOf(spec.params[i].kind);
    list += spec.params[i].packetName;
  }
  return list + ")";
}

std::string_view RouteName(api::Route route) {
  switch (route) {
    case api::Route::Dispatched:
      return "main thread";
    case api::Route::Posted:
      return "main thread, posted";
    case api::Route::CallingThread:
      return "calling thread";
  }
  return "";
}

std::string_view FamilyName(api::Family family) {
  switch (family) {
    case api::Family::Application:
      return "Application";
    case api::Family::Url:
      return "URL";
    case api::Family::Setup:
      return "Setup";
    case api::Family::Service:
      return "Service";
    case api::Family::Search:
      return "Search";
    case api::Family::Upload:
      return "Upload";
    case api::Family::Download:
      return "Download";
    case api::Family::Shared:
      return "Shared";
    case api::Family::Users:
      return "Users";
  }
  return "";
}

// Writes a family's heading before the first of a run of entries of that family.
class TFamilyHeadings {
 public:
  void Before(api::Family family, std::string& text) {
    if (current_ == family) return;
    current_ = family;
    text += "\n/* ---- ";
    text += FamilyName(family);
    text += " */\n";
  }

 private:
  std::optional<api::Family> current_;
};

}  // namespace

std::string GenerateSdkApiHeader() {
  std::string text =
      "/* The plugin contract's functions and events, with their exact C types.\n"
      " * Written from the core's tables by the build; do not edit by hand.\n"
      " * Regenerate with: cmake --build <build folder> --target update_sdk_header */\n"
      "#ifndef KEPLINOR_API_H\n"
      "#define KEPLINOR_API_H\n\n"
      "#include \"keplinor_export.h\"\n"
      "#include \"keplinor_types.h\"\n\n"
      "#ifdef __cplusplus\n"
      "extern \"C\" {\n"
      "#endif\n\n"
      "/* The two functions every plugin exports (define them with KP_STARTUP and\n"
      " * KP_SHUTDOWN). The core calls TPlugin_OnStartup once its API variables are\n"
      " * filled, and TPlugin_OnShutdown before it releases the library. */\n"
      "KP_EXPORT void TPlugin_OnStartup(void *applicationBlock, void *pluginBlock);\n"
      "KP_EXPORT void TPlugin_OnShutdown(void);\n\n"
      "/* API functions, in the order the core binds them. A plugin that wants to call\n"
      " * one defines its variable with KP_IMPORT(Name); the core fills it before\n"
      " * TPlugin_OnStartup. \"main thread\" functions are carried to the core's main\n"
      " * thread and the calling thread waits; \"posted\" ones are carried there too\n"
      " * but answer 0 at once, in order with the thread's other main-thread calls;\n"
      " * \"calling thread\" ones run where they are called. */\n";
  TFamilyHeadings functionHeadings;
  for (std::size_t i = 0; i < api::kApiFunctions.size(); ++i) {
    const api::FunctionSpec& spec = api::kApiFunctions[i];
    functionHeadings.Before(spec.family, text);
    const std::string name(spec.name);
    text += "/* " + std::to_string(i + 1) + ". " + name + " (" + std::string(RouteName(spec.route)) +
            (spec.availability == api::Availability::Built ? ") */\n" : "; not built yet: answers 0) */\n");
    text += "typedef " + std::string(CTypeOf(spec.result)) + " (*kp_" + name + "_fn)" + ParameterList(spec) +
            ";\n";
    text += "extern KP_EXPORT kp_" + name + "_fn " + name + ";\n";
  }

  text +=
      "\n/* Events. A plugin receives those it defines with KP_EVENT(Name) { ... },\n"
      " * always on the core's main thread; it may call the API from inside them. */\n";
  TFamilyHeadings eventHeadings;
  for (const api::EventSpec& spec : api::kEvents) {
    eventHeadings.Before(spec.family, text);
    const std::string name(spec.name);
    const std::string signature = std::string(CTypeOf(spec.result)) + " " + name + ParameterList(spec);
    text += "#define KP_SIGNATURE_" + name + " " + signature + "\n";
    text += "KP_EXPORT " + signature + ";\n";
  }

  text +=
      "\n#ifdef __cplusplus\n"
      "}\n"
      "#endif\n\n"
      "#endif /* KEPLINOR_API_H */\n";
  return text;
}

}  // namespace kp
