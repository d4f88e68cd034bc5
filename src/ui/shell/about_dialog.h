#pragma once
// The About dialog: the program's name, icon and support address on one tab, its
// version and the loaded plugins on the other. Made anew each time it is shown.

#include <QDialog>
#include <QStringList>

namespace kp {

class TPluginManager;
struct TSettings;
class TSimpleConfig;

class TAboutDialog : public QDialog {
  Q_OBJECT

 public:
  TAboutDialog(const TSettings& settings, const TPluginManager& plugins, TSimpleConfig& language,
               QWidget* parent = nullptr);

  // One row per loaded plugin in load order: its display name in lower case, or
  // its file name with its version in parentheses when it has none.
  [[nodiscard]] static QStringList PluginRows(const TPluginManager& plugins);
};

}  // namespace kp
