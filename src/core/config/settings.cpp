#include "core/config/settings.h"

#include <utility>
#include <variant>

#include "core/config/settings_table.h"
#include "core/config/shared_routines.h"

namespace kp {
namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
// clang 14 does not deduce aggregate bases by itself.
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// Selects the row's section unless it is selected already.
void SelectSectionOf(const TSettingKey& row, TSimpleConfig& store, std::string_view& selected) {
  if (row.Section != selected) {
    store.SelectSection(row.Section);
    selected = row.Section;
  }
}

}  // namespace

void TPatternList::Assign(std::string_view text) {
  text_.assign(text);
  patterns_.clear();
  for (std::string& piece : SplitCommaList(text)) {
    if (!piece.empty()) patterns_.push_back(std::move(piece));
  }
}

std::uint16_t EffectivePortCheckPort(const TApplicationSettings& application) noexcept {
  const std::int32_t port = application.PortCheckPort;
  return static_cast<std::uint16_t>(port > 0 && port <= 65535 ? port : kDefaultPortCheckPort);
}

TSettings LoadSettings(TSimpleConfig& store, std::string_view applicationFolder,
                       ISettingsObserver* observer) {
  TSettings settings;
  std::string_view selected;
  for (const TSettingKey& row : SettingsTable()) {
    SelectSectionOf(row, store, selected);
    std::visit(Overloaded{
                   [&](std::string* text) {
                     *text = store.ReadString(row.Key);
                     if (row.Type == TSettingType::IconFile)
                       *text = ResolveIconFile(*text, {}, applicationFolder);
                   },
                   [&](TPatternList* list) { list->Assign(store.ReadString(row.Key)); },
                   [&](std::int32_t* number) { *number = store.ReadInteger(row.Key); },
                   [&](bool* flag) { *flag = store.ReadBoolean(row.Key); },
               },
               row.Value(settings));
  }
  if (observer) observer->SearchingSettingsLoaded(settings.Searching);
  return settings;
}

void SaveSettings(const TSettings& settings, TSimpleConfig& store) {
  std::string_view selected;
  for (const TSettingKey* row : SettingsSaveOrder()) {
    SelectSectionOf(*row, store, selected);
    std::visit(Overloaded{
                   [&](const std::string* text) { store.WriteString(row->Key, *text); },
                   [&](const TPatternList* list) { store.WriteString(row->Key, list->Text()); },
                   [&](const std::int32_t* number) { store.WriteInteger(row->Key, *number); },
                   [&](const bool* flag) { store.WriteBoolean(row->Key, *flag); },
               },
               row->ConstValue(settings));
  }
}

}  // namespace kp
