#pragma once
// The Home section of the main window: the page that the HomePageURL setting
// names, in an embedded browser, or else the program's own start page.

#include <QPointer>
#include <QUrl>
#include <QWidget>

namespace kp {

class IWebView;

class THomeSection final : public QWidget {
  Q_OBJECT

 public:
  // The start page is made by the caller, which keeps owning it: the section
  // hands it back (without a parent) when it goes first.
  explicit THomeSection(QWidget* startPage, QWidget* parent = nullptr);
  ~THomeSection() override;

  // The page to show (HomePageURL, known once the settings are loaded): a
  // blank one shows the start page instead. The page loads when the section
  // is first shown, or at once when it is on screen.
  void SetHomePage(const QString& homePageUrl);

  // The browser when a home page is set; none otherwise.
  [[nodiscard]] IWebView* Browser() const noexcept { return browser_; }
  [[nodiscard]] QWidget* StartPage() const noexcept { return startPage_; }
  [[nodiscard]] const QUrl& HomePageUrl() const noexcept { return homePage_; }

  // Loads the home page again.
  void LoadHomePage();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FollowLink(const QUrl& link);

  QUrl homePage_;
  QPointer<QWidget> startPage_;
  IWebView* browser_ = nullptr;  // a child widget
  bool loaded_ = false;
};

}  // namespace kp
