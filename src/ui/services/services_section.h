#pragma once
// The Services section of the main window: on the left the "Add Service" and
// "Customize..." buttons above the services navigator, on the right the panel
// that shows the selected service's window.

#include <QWidget>
#include <functional>

class QPushButton;

namespace kp {

class TPluginPanel;
class TServiceNavigator;

class TServicesSection : public QWidget {
  Q_OBJECT

 public:
  explicit TServicesSection(QWidget* parent = nullptr);
  ~TServicesSection() override;

  // Captions and icons of the two buttons (from the language file and the
  // program's icons).
  void SetButtonLook(const QString& addCaption, const QIcon& addIcon, const QString& customizeCaption,
                     const QIcon& customizeIcon);

  [[nodiscard]] TServiceNavigator& Navigator() const noexcept { return *navigator_; }
  [[nodiscard]] TPluginPanel& MainPanel() const noexcept { return *mainPanel_; }
  [[nodiscard]] QPushButton& AddButton() const noexcept { return *addButton_; }
  [[nodiscard]] QPushButton& CustomizeButton() const noexcept { return *customizeButton_; }

  std::function<void()> OnAddService;
  std::function<void()> OnCustomize;

 private:
  QPushButton* addButton_;
  QPushButton* customizeButton_;
  TServiceNavigator* navigator_;
  TPluginPanel* mainPanel_;
};

}  // namespace kp
