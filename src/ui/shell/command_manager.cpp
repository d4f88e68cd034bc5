#include "ui/shell/command_manager.h"

#include <QMenuBar>
#include <QToolBar>

#include <algorithm>
#include <memory>

#include "core/config/text_basics.h"
#include "core/platform/low_memory_heap.h"
#include "ui/shell/image_list.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

template <typename T>
using LowOwner = std::unique_ptr<T, LowDeleter<T>>;

void ApplyMenuCaption(QAction& action, std::string_view caption) {
  const bool separator = Trim(caption) == "-";
  action.setSeparator(separator);
  // Some styles draw a separator's text beside its line.
  action.setText(separator ? QString() : ToQString(caption) + u' ');
}

// Takes an action out of every widget that shows it and frees it once control is
// back in the event loop: it may be the very action whose click is being reported
// (a plugin may remove its entry from inside OnApplicationMenu). Its click no
// longer reaches the manager, whose handle may by then name a new record at the
// same address.
void DiscardAction(QAction* action, const QObject* manager) {
  if (!action) return;
  QObject::disconnect(action, nullptr, manager, nullptr);
  for (QObject* shownIn : action->associatedObjects()) {
    if (auto* widget = qobject_cast<QWidget*>(shownIn)) widget->removeAction(action);
  }
  action->deleteLater();
}

void DiscardSubMenu(TMenuHolder& entry) {
  if (!entry.SubEntries) return;
  if (entry.MenuItem) entry.MenuItem->setMenu(static_cast<QMenu*>(nullptr));
  entry.SubEntries->hide();
  entry.SubEntries->deleteLater();
  entry.SubEntries = nullptr;
}

}  // namespace

TCommandManager::TCommandManager(QWidget* menu, QToolBar* buttonBar, TImageList* images, QObject* parent)
    : QObject(parent), menu_(menu), bar_(buttonBar), images_(images) {}

TCommandManager::TCommandManager(QMenuBar* menu, QToolBar* buttonBar, TImageList* images, QObject* parent)
    : TCommandManager(static_cast<QWidget*>(menu), buttonBar, images, parent) {}

TCommandManager::TCommandManager(QMenu* menu, QToolBar* buttonBar, TImageList* images, QObject* parent)
    : TCommandManager(static_cast<QWidget*>(menu), buttonBar, images, parent) {}

TCommandManager::TCommandManager(std::nullptr_t, QToolBar* buttonBar, TImageList* images, QObject* parent)
    : TCommandManager(static_cast<QWidget*>(nullptr), buttonBar, images, parent) {}

TCommandManager::~TCommandManager() { DiscardAll(); }

void TCommandManager::DiscardAll() noexcept {
  for (TMenuHolder* entry : entries_) {
    DiscardSubMenu(*entry);
    DiscardAction(entry->MenuItem, this);
    LowDelete(entry);
  }
  entries_.clear();
  for (TButtonHolder* button : buttons_) {
    DiscardAction(button->Button, this);
    LowDelete(button);
  }
  buttons_.clear();
}

QIcon TCommandManager::ImageFor(std::string_view iconFile) const {
  return images_ ? images_->ImageFor(iconFile) : QIcon();
}

TMenuHolder* TCommandManager::FindMenuEntry(std::uint32_t handle) const noexcept {
  return FindByHandle(entries_, handle);
}

TButtonHolder* TCommandManager::FindButton(std::uint32_t handle) const noexcept {
  return FindByHandle(buttons_, handle);
}

TMenuHolder* TCommandManager::EntryShownBy(const QAction* item) const noexcept {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [item](const TMenuHolder* entry) { return entry->MenuItem == item; });
  return found != entries_.end() ? *found : nullptr;
}

void TCommandManager::SetCoreEntryCaptions(const QWidget& menu, std::int32_t command,
                                           std::string_view caption) {
  // Every entry's action belongs to the manager that added it. Sub-menus are
  // walked with a list of their own, as deep as plugins nested them.
  std::vector<const QWidget*> menus{&menu};
  while (!menus.empty()) {
    const QWidget* current = menus.back();
    menus.pop_back();
    for (QAction* item : current->actions()) {
      if (item->menu()) menus.push_back(item->menu());
      const auto* manager = qobject_cast<const TCommandManager*>(item->parent());
      const TMenuHolder* entry = manager ? manager->EntryShownBy(item) : nullptr;
      if (entry && entry->Command == command && !entry->Plugin && !entry->Destination) {
        ApplyMenuCaption(*item, caption);
      }
    }
  }
}

QMenu* TCommandManager::SubMenuOf(TMenuHolder& entry) {
  if (entry.SubEntries) return entry.SubEntries;
  if (!entry.MenuItem) return nullptr;
  // An entry of a menu bar that has sub-entries is a menu of its own; an entry of
  // a menu that has them is a submenu. Either way the action now opens this menu
  // instead of reporting a click.
  auto* subMenu = new QMenu(menu_);
  entry.MenuItem->setMenu(subMenu);
  entry.SubEntries = subMenu;
  return subMenu;
}

void TCommandManager::DropEmptySubMenu(TMenuHolder& entry) {
  if (entry.SubEntries && entry.SubEntries->actions().isEmpty()) DiscardSubMenu(entry);
}

std::uint32_t TCommandManager::AddMenuEntry(std::int32_t command, std::uint32_t parent, TPluginHolder* plugin,
                                            std::string_view iconFile, std::string_view caption) {
  TMenuHolder* parentEntry = FindMenuEntry(parent);
  entries_.reserve(entries_.size() + 1);
  LowOwner<TMenuHolder> entry(LowNew<TMenuHolder>());
  const std::uint32_t handle = LowAddress(entry.get());
  entry->Command = command;
  entry->Plugin = plugin;
  entry->IconFile = std::string(iconFile);
  entry->Parent = parentEntry;

  if (menu_) {
    QWidget* container = parentEntry ? SubMenuOf(*parentEntry) : nullptr;
    if (!container) container = menu_;
    auto* action = new QAction(this);
    ApplyMenuCaption(*action, caption);
    action->setIcon(ImageFor(iconFile));
    connect(action, &QAction::triggered, this, [this, handle] { MenuItemChosen(handle); });
    container->addAction(action);
    entry->MenuItem = action;
  }
  entries_.push_back(entry.release());
  return handle;
}

bool TCommandManager::EditMenuEntry(std::uint32_t handle, std::int32_t command, TPluginHolder* plugin,
                                    std::string_view iconFile, std::string_view caption) {
  TMenuHolder* entry = FindMenuEntry(handle);
  if (!entry) return false;
  if (entry->MenuItem) {
    ApplyMenuCaption(*entry->MenuItem, caption);
    entry->MenuItem->setIcon(ImageFor(iconFile));
  }
  entry->Command = command;
  entry->Plugin = plugin;
  entry->IconFile = std::string(iconFile);
  entry->Destination.reset();  // the owner is now the one given here
  return true;
}

bool TCommandManager::RemoveMenuEntry(std::uint32_t handle) {
  TMenuHolder* entry = FindMenuEntry(handle);
  if (!entry) return false;
  // The entry and everything under it. A sub-entry is always added after its
  // parent, so one pass in list order finds every descendant.
  const auto first = std::find(entries_.begin(), entries_.end(), entry);
  std::vector<TMenuHolder*> doomed{entry};
  for (auto it = std::next(first); it != entries_.end(); ++it) {
    if (std::find(doomed.begin(), doomed.end(), (*it)->Parent) != doomed.end()) doomed.push_back(*it);
  }
  TMenuHolder* parent = entry->Parent;
  for (TMenuHolder* gone : doomed) {
    DiscardSubMenu(*gone);
    DiscardAction(gone->MenuItem, this);
  }
  std::erase_if(entries_, [&doomed](const TMenuHolder* held) {
    return std::find(doomed.begin(), doomed.end(), held) != doomed.end();
  });
  for (TMenuHolder* gone : doomed) LowDelete(gone);
  // An entry whose last sub-entry went reports its clicks again.
  if (parent) DropEmptySubMenu(*parent);
  return true;
}

void TCommandManager::ApplyButtonLook(QAction& action, std::string_view caption,
                                      std::string_view iconFile) const {
  const bool separator = caption == "-";
  action.setSeparator(separator);
  if (!separator) {
    const QString text = ToQString(caption);
    action.setText(text);
    // A tool button shows the icon text; set explicitly it keeps its "&", which
    // gives the button its access key.
    action.setIconText(text);
  }
  if (images_) action.setIcon(ImageFor(iconFile));
}

QAction* TCommandManager::MakeButtonAction(std::uint32_t handle) {
  auto* action = new QAction(this);
  connect(action, &QAction::triggered, this, [this, handle] { ButtonClicked(handle); });
  return action;
}

std::uint32_t TCommandManager::AddButton(std::int32_t command, TPluginHolder* plugin,
                                         std::string_view iconFile, std::string_view caption) {
  buttons_.reserve(buttons_.size() + 1);
  LowOwner<TButtonHolder> button(LowNew<TButtonHolder>());
  const std::uint32_t handle = LowAddress(button.get());
  button->Command = command;
  button->Plugin = plugin;
  button->IconFile = std::string(iconFile);

  if (bar_) {
    QAction* action = MakeButtonAction(handle);
    // The bar makes a separator or a tool button when the action arrives, so the
    // action's kind is set first.
    ApplyButtonLook(*action, caption, iconFile);
    bar_->addAction(action);
    button->Button = action;
  }
  buttons_.push_back(button.release());
  return handle;
}

bool TCommandManager::EditButton(std::uint32_t handle, std::int32_t command, TPluginHolder* plugin,
                                 std::string_view iconFile, std::string_view caption) {
  TButtonHolder* button = FindButton(handle);
  if (!button) return false;
  if (QAction* old = button->Button) {
    if (old->isSeparator() == (caption == "-")) {
      ApplyButtonLook(*old, caption, iconFile);
    } else {
      // A change between button and separator needs a new action in the same place.
      QAction* action = MakeButtonAction(handle);
      ApplyButtonLook(*action, caption, iconFile);
      if (bar_) bar_->insertAction(old, action);
      DiscardAction(old, this);
      button->Button = action;
    }
  }
  button->Command = command;
  button->IconFile = std::string(iconFile);
  button->Plugin = plugin;
  button->Destination.reset();
  return true;
}

bool TCommandManager::RemoveButton(std::uint32_t handle) {
  TButtonHolder* button = FindButton(handle);
  if (!button) return false;
  DiscardAction(button->Button, this);
  std::erase(buttons_, button);
  LowDelete(button);
  return true;
}

void TCommandManager::ClearCommands() {
  DiscardAll();
  if (images_) images_->Clear();
}

void TCommandManager::ResolveDestination(TPluginHolder*& plugin, std::optional<TGuid>& destination) const {
  if (plugin || !destination || !PluginLookup) return;
  if (TPluginHolder* found = PluginLookup(*destination)) {
    plugin = found;
    destination.reset();
  }
}

void TCommandManager::MenuItemChosen(std::uint32_t handle) {
  TMenuHolder* entry = FindMenuEntry(handle);
  // An entry with sub-entries only opens them.
  if (!entry || (entry->SubEntries && !entry->SubEntries->actions().isEmpty())) return;
  ResolveDestination(entry->Plugin, entry->Destination);
  if (!OnMenuClick) return;
  const ClickHandler handler = OnMenuClick;  // the handler may replace itself
  handler(*this, handle, entry->Command, entry->Plugin);
}

void TCommandManager::ButtonClicked(std::uint32_t handle) {
  TButtonHolder* button = FindButton(handle);
  if (!button) return;
  ResolveDestination(button->Plugin, button->Destination);
  if (!OnButtonClick) return;
  const ClickHandler handler = OnButtonClick;
  handler(*this, handle, button->Command, button->Plugin);
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_command_manager.cpp"
