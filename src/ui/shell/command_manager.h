#pragma once
// Runs one menu (a menu bar or a context menu) and at most one button bar: adds,
// edits and removes their entries and buttons, keeps a record of each (command
// number, owning plugin, icon file) and reports clicks with those values.
//
// The records live in the core's low-memory heap, so a record's address fits 32
// bits; that address is the handle plugins receive. Every handle is looked up in
// this manager's own lists before it is used: a handle the manager does not hold
// (never issued, already removed, or another manager's) changes nothing.

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QToolBar>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/host/guid.h"

class QMenuBar;

namespace kp {

class TImageList;
class TPluginHolder;

// One menu entry; its address is the entry's handle.
struct TMenuHolder {
  TPluginHolder* Plugin = nullptr;  // the owner, reported with clicks; none for the core's own
  std::string IconFile;             // as given to the manager
  QPointer<QAction> MenuItem;       // none when the manager has no menu
  std::int32_t Command = 0;
  TMenuHolder* Parent = nullptr;  // the entry this one is a sub-entry of
  QPointer<QMenu> SubEntries;     // the menu this entry opens, while it has sub-entries
  // An owner the layout names but that was not loaded when the layout was read;
  // looked up with the manager's PluginLookup when the entry is first chosen.
  std::optional<TGuid> Destination;
};

// One button of the bar; its address is the button's handle.
struct TButtonHolder {
  TPluginHolder* Plugin = nullptr;
  std::string IconFile;
  QPointer<QAction> Button;  // none when the manager has no bar
  std::int32_t Command = 0;
  std::optional<TGuid> Destination;  // as for menu entries
};

class TCommandManager : public QObject {
  Q_OBJECT

 public:
  // (manager, handle, command, owning plugin or null)
  using ClickHandler = std::function<void(TCommandManager& sender, std::uint32_t handle, std::int32_t command,
                                          TPluginHolder* plugin)>;
  using PluginLookupFunction = std::function<TPluginHolder*(const TGuid&)>;

  // The menu, the bar and the image list are the caller's and are set once here;
  // any of them may be null. The image list may be shared with other managers.
  TCommandManager(QMenuBar* menu, QToolBar* buttonBar, TImageList* images, QObject* parent = nullptr);
  TCommandManager(QMenu* menu, QToolBar* buttonBar, TImageList* images, QObject* parent = nullptr);
  // No menu.
  TCommandManager(std::nullptr_t, QToolBar* buttonBar, TImageList* images, QObject* parent = nullptr);
  TCommandManager(const TCommandManager&) = delete;
  TCommandManager& operator=(const TCommandManager&) = delete;
  // Takes the manager's entries and buttons out of the menu and bar and frees the records.
  ~TCommandManager() override;

  // Adds an entry. Its caption is the caption and one blank, except that a caption
  // that is "-" after trimming makes a separator. When parent is an entry of this
  // manager the new entry becomes its last sub-entry, otherwise the last entry of
  // the menu's top level. The result is the entry's handle.
  std::uint32_t AddMenuEntry(std::int32_t command, std::uint32_t parent, TPluginHolder* plugin,
                             std::string_view iconFile, std::string_view caption);
  // New caption (same rule as Add), new image, then command, plugin and icon file
  // replaced. False, with nothing changed, when the manager does not hold the entry.
  bool EditMenuEntry(std::uint32_t entry, std::int32_t command, TPluginHolder* plugin,
                     std::string_view iconFile, std::string_view caption);
  // Takes the entry out of its menu and destroys its record; its sub-entries go with
  // it, records included, so their handles are unknown afterwards.
  bool RemoveMenuEntry(std::uint32_t entry);

  // Appends a button. A caption equal to "-" exactly makes a separator; any other
  // caption is the button's text, "&" marking the following character as its
  // access key. With an image list the button shows the icon file's image.
  // All four Add and Edit operations take (command, plugin, icon file, caption)
  // in that order.
  std::uint32_t AddButton(std::int32_t command, TPluginHolder* plugin, std::string_view iconFile,
                          std::string_view caption);
  bool EditButton(std::uint32_t button, std::int32_t command, TPluginHolder* plugin,
                  std::string_view iconFile, std::string_view caption);
  bool RemoveButton(std::uint32_t button);

  // Destroys every entry and button record, takes this manager's entries and
  // buttons out of the menu and bar, and empties the image list.
  void ClearCommands();

  // Gives the core's own entries of a command (no owner, and none that the layout
  // named) a new caption by the rule of AddMenuEntry, in the menu and all its
  // sub-menus, whichever manager added them. Entries a plugin owns keep theirs.
  static void SetCoreEntryCaptions(const QWidget& menu, std::int32_t command, std::string_view caption);

  // The record of a handle this manager holds, or null.
  [[nodiscard]] TMenuHolder* FindMenuEntry(std::uint32_t handle) const noexcept;
  [[nodiscard]] TButtonHolder* FindButton(std::uint32_t handle) const noexcept;

  // In order of adding.
  [[nodiscard]] const std::vector<TMenuHolder*>& MenuEntries() const noexcept { return entries_; }
  [[nodiscard]] const std::vector<TButtonHolder*>& Buttons() const noexcept { return buttons_; }

  // A menu entry without sub-entries was chosen. Not called when empty.
  ClickHandler OnMenuClick;
  // A button was clicked. Not called when empty.
  ClickHandler OnButtonClick;
  // Finds a loaded plugin by GUID, for entries and buttons that still wait for the
  // owner the layout named; when empty such entries report no owner.
  PluginLookupFunction PluginLookup;

 private:
  TCommandManager(QWidget* menu, QToolBar* buttonBar, TImageList* images, QObject* parent);

  [[nodiscard]] QIcon ImageFor(std::string_view iconFile) const;
  [[nodiscard]] TMenuHolder* EntryShownBy(const QAction* item) const noexcept;
  // Takes every entry and button out of the menu and bar and frees the records.
  void DiscardAll() noexcept;
  // The menu that holds the sub-entries of an entry, made when it has none yet.
  [[nodiscard]] QMenu* SubMenuOf(TMenuHolder& entry);
  void ApplyButtonLook(QAction& action, std::string_view caption, std::string_view iconFile) const;
  [[nodiscard]] QAction* MakeButtonAction(std::uint32_t handle);
  void DropEmptySubMenu(TMenuHolder& entry);
  void ResolveDestination(TPluginHolder*& plugin, std::optional<TGuid>& destination) const;
  void MenuItemChosen(std::uint32_t handle);
  void ButtonClicked(std::uint32_t handle);

  QPointer<QWidget> menu_;
  QPointer<QToolBar> bar_;
  TImageList* images_;
  std::vector<TMenuHolder*> entries_;    // owned, in low memory
  std::vector<TButtonHolder*> buttons_;  // owned, in low memory
};

}  // namespace kp
