#pragma once
// The main window's section tabs. The six built-in pages have layout names; a
// page the layout leaves out (and the search results page while no search is
// open) is parked in a hidden holder and cannot be activated. Plugin tabs follow
// the built-in sections.

#include <QPointer>
#include <QString>
#include <QTabWidget>
#include <array>
#include <string_view>

namespace kp {

enum class Section : int {
  MainWeb = 1,
  Services = 2,
  Uploads = 3,
  Shared = 4,
  Downloads = 5,
  SearchResults = 6,
};

class TSectionPages : public QTabWidget {
  Q_OBJECT

 public:
  explicit TSectionPages(QWidget* parent = nullptr);
  ~TSectionPages() override;

  // The page of a built-in section (parked or not).
  [[nodiscard]] QWidget* Page(Section section) const;
  // The layout name of a section: MAIN_WEB, SERVICES, UPLOADS, SHARED, DOWNLOADS.
  [[nodiscard]] static std::string_view LayoutName(Section section);

  // Moves every built-in page into the parking holder.
  void ParkAll();
  // Brings a parked section back as the last built-in tab.
  void Unpark(Section section);
  void Park(Section section);
  [[nodiscard]] bool IsShown(Section section) const;

  // Makes a shown section the current tab; a parked one is not activated.
  bool Activate(Section section);
  // The 1-based number of ApplicationSectionActivate; other numbers do nothing.
  bool ActivateNumber(int number);
  // That number of the current tab's section; 0 for a plugin tab or no tab.
  [[nodiscard]] int ActiveNumber() const;
  // Makes the next (1) or previous (-1) tab current, round the ends.
  void StepTab(int direction);

  void SetCaption(Section section, const QString& caption);

  // Plugin tabs come after the built-in sections.
  int AddPluginTab(QWidget* page, const QString& caption);

 private:
  [[nodiscard]] int BuiltInCount() const;

  std::array<QPointer<QWidget>, 6> pages_;
  std::array<QString, 6> captions_;
  QWidget parking_;
};

}  // namespace kp
