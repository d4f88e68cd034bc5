#pragma once
// The Home section's own start page, shown when no home page address is set: a
// search field that opens the search request with its text, and a page of what
// the program is doing, read afresh every second while the page is on screen.

#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

#include "core/web/start_page.h"

class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace kp {

class TSimpleConfig;

class TStartPageView final : public QWidget {
  Q_OBJECT

 public:
  using TFacts = std::function<TStartPageFacts()>;

  TStartPageView(TFacts facts, TSimpleConfig& language, QWidget* parent = nullptr);

  // The search field's text, trimmed, when the user asks for a search.
  std::function<void(const QString& text)> OnSearch;

  void SetApplicationName(const QString& name);
  void ApplyLanguage();
  // Reads the facts and draws the page again when they (or the colours) changed.
  void Refresh();

  [[nodiscard]] QLineEdit& SearchField() const noexcept { return *searchField_; }
  [[nodiscard]] QTextBrowser& Page() const noexcept { return *page_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Search();
  [[nodiscard]] TStartPageColors Colors() const;

  TFacts facts_;
  TSimpleConfig& language_;
  QString applicationName_;
  QLineEdit* searchField_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QTextBrowser* page_ = nullptr;
  QTimer refresh_;
  // What the page shows now; nothing once something besides the facts changed.
  std::optional<TStartPageFacts> shown_;
};

}  // namespace kp
