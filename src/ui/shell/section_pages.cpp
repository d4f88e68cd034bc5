#include "ui/shell/section_pages.h"

#include "ui/host/plugin_panel.h"

namespace kp {
namespace {

constexpr std::array<std::string_view, 6> kLayoutNames = {"MAIN_WEB", "SERVICES",  "UPLOADS",
                                                          "SHARED",   "DOWNLOADS", ""};
constexpr std::size_t IndexOf(Section section) { return static_cast<std::size_t>(section) - 1; }

}  // namespace

TSectionPages::TSectionPages(QWidget* parent) : QTabWidget(parent) {
  parking_.hide();
  // A window without a parent: no plugin may take it (and the pages in it).
  MarkCoreWindow(parking_);
  // Built-in order when no layout says otherwise: start page, services, uploads,
  // shared files, downloads, search results.
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    pages_[i] = new QWidget();
    pages_[i]->setObjectName(
        QString::fromLatin1(kLayoutNames[i].empty() ? "SEARCH" : kLayoutNames[i].data()));
    captions_[i] = pages_[i]->objectName();
    addTab(pages_[i], captions_[i]);
  }
}

TSectionPages::~TSectionPages() {
  // Parked pages belong to the holder, shown ones to the tabs; both go with us.
}

QWidget* TSectionPages::Page(Section section) const { return pages_[IndexOf(section)]; }

std::string_view TSectionPages::LayoutName(Section section) { return kLayoutNames[IndexOf(section)]; }

int TSectionPages::BuiltInCount() const {
  int count = 0;
  for (const auto& page : pages_) {
    if (page && indexOf(page) >= 0) ++count;
  }
  return count;
}

void TSectionPages::Park(Section section) {
  QWidget* page = pages_[IndexOf(section)];
  const int at = indexOf(page);
  if (at < 0) return;
  removeTab(at);
  page->setParent(&parking_);
}

void TSectionPages::ParkAll() {
  for (std::size_t i = 0; i < pages_.size(); ++i) Park(static_cast<Section>(i + 1));
}

bool TSectionPages::IsShown(Section section) const { return indexOf(pages_[IndexOf(section)]) >= 0; }

void TSectionPages::Unpark(Section section) {
  if (IsShown(section)) return;
  insertTab(BuiltInCount(), pages_[IndexOf(section)], captions_[IndexOf(section)]);
}

bool TSectionPages::Activate(Section section) {
  const int at = indexOf(pages_[IndexOf(section)]);
  if (at < 0) return false;
  setCurrentIndex(at);
  return true;
}

bool TSectionPages::ActivateNumber(int number) {
  if (number < 1 || number > 6) return false;
  return Activate(static_cast<Section>(number));
}

int TSectionPages::ActiveNumber() const {
  const QWidget* current = currentWidget();
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (current && pages_[i] == current) return static_cast<int>(i) + 1;
  }
  return 0;
}

void TSectionPages::StepTab(int direction) {
  const int tabs = count();
  if (tabs == 0) return;
  setCurrentIndex(((currentIndex() + direction) % tabs + tabs) % tabs);
}

void TSectionPages::SetCaption(Section section, const QString& caption) {
  captions_[IndexOf(section)] = caption;
  const int at = indexOf(pages_[IndexOf(section)]);
  if (at >= 0) setTabText(at, caption);
}

int TSectionPages::AddPluginTab(QWidget* page, const QString& caption) { return addTab(page, caption); }

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_section_pages.cpp"
