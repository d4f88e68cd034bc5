#include "ui/settings/settings_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <algorithm>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/config/autostart_entry.h"
#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/host/plugin_events.h"
#include "core/search/search_request.h"
#include "core/sharing/shared_items.h"
#include "core/transfers/download_folders.h"
#include "core/transfers/download_list.h"
#include "core/transfers/upload_list.h"
#include "ui/settings/number_field.h"
#include "ui/sharing/shared_page.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"
#include "ui/users/users_page.h"

namespace kp {
namespace {

using TFlag = bool& (*)(TSettings&);
using TValue = std::int32_t& (*)(TSettings&);

bool SameText(const TTextId& a, const TTextId& b) { return a.section == b.section && a.id == b.id; }

TTextId PageCaption(TSettingsPage page) {
  switch (page) {
    case TSettingsPage::Shared:
      return text::kSettingsDirectoriesPage;
    case TSettingsPage::Search:
      return text::kSettingsSearchesPage;
    case TSettingsPage::Uploads:
      return text::kSettingsUploadsPage;
    case TSettingsPage::Downloads:
      return text::kSettingsDownloadsPage;
    case TSettingsPage::Advanced:
      return text::kSettingsAdvancedPage;
    case TSettingsPage::Users:
      break;
  }
  return text::kSettingsUsersPage;
}

// The pages a dialog shows until a layout chooses.
constexpr std::array kDefaultPageOrder{TSettingsPage::Shared,    TSettingsPage::Search,   TSettingsPage::Uploads,
                                       TSettingsPage::Downloads, TSettingsPage::Advanced, TSettingsPage::Users};

// A page: its groups from the top, the rest of its height empty.
QWidget* NewPage(std::initializer_list<QWidget*> groups) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  for (QWidget* group : groups) layout->addWidget(group);
  layout->addStretch();
  return page;
}

QGroupBox* NewGroup(QGridLayout*& grid) {
  auto* group = new QGroupBox;
  grid = new QGridLayout(group);
  grid->setColumnStretch(3, 1);
  return group;
}

}  // namespace

struct TSettingsDialog::TLimit {
  QCheckBox* box;
  QLabel* label;
  TNumberField* field;
  TTextId labelText;
  TFlag flag;
  TValue value;
};

struct TSettingsDialog::TBox {
  QCheckBox* box;
  TFlag flag;
};

struct TSettingsDialog::TNumber {
  TNumberField* field;
  TTextId labelText;
  TValue value;
};

struct TSettingsDialog::TCaption {
  QWidget* widget;
  TTextId text;
};

TSettingsDialog::TSettingsDialog(TSettingsDialogContext context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
  setObjectName(QStringLiteral("settingsDialog"));
  tabs_ = new QTabWidget;
  parking_ = new QWidget(this);
  parking_->hide();

  pages_[static_cast<std::size_t>(TSettingsPage::Shared)] = BuildSharedPage();
  pages_[static_cast<std::size_t>(TSettingsPage::Search)] = BuildSearchesPage();
  pages_[static_cast<std::size_t>(TSettingsPage::Uploads)] = BuildUploadsPage();
  pages_[static_cast<std::size_t>(TSettingsPage::Downloads)] = BuildDownloadsPage();
  pages_[static_cast<std::size_t>(TSettingsPage::Advanced)] = BuildAdvancedPage();
  pages_[static_cast<std::size_t>(TSettingsPage::Users)] = BuildUsersPage();
  for (const TSettingsPage page : kDefaultPageOrder) UnparkSettingsPage(page);

  auto* buttons = new QDialogButtonBox;
  ok_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  ok_->setObjectName(QStringLiteral("ok"));
  cancel_->setObjectName(QStringLiteral("cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TSettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TSettingsDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(buttons);
  ok_->setDefault(true);

  ChooseFolder = [this](const QString& caption, const QString& start) {
    return QFileDialog::getExistingDirectory(this, WithoutAccessKeys(caption), start);
  };
  ApplyLanguage();
  UpdateEnabling();
  // Well inside a 1280x800 screen, whatever the pages hold.
  resize(620, 520);
}

TSettingsDialog::~TSettingsDialog() { GiveBackPluginPages(); }

// ---- building -------------------------------------------------------------

QLabel* TSettingsDialog::NewLabel(TTextId caption) { return Captioned(new QLabel, caption); }

template <typename Widget>
Widget* TSettingsDialog::Captioned(Widget* widget, TTextId caption) {
  captions_.push_back(TCaption{widget, caption});
  return widget;
}

QCheckBox* TSettingsDialog::AddBox(TTextId caption, TFlag flag) {
  QCheckBox* box = Captioned(new QCheckBox, caption);
  boxes_.push_back(TBox{box, flag});
  connect(box, &QCheckBox::toggled, this, &TSettingsDialog::UpdateEnabling);
  return box;
}

TNumberField* TSettingsDialog::AddNumber(TTextId label, TValue value) {
  auto* field = new TNumberField;
  numbers_.push_back(TNumber{field, label, value});
  return field;
}

void TSettingsDialog::AddLimit(QGridLayout& grid, TTextId box, TTextId label, TNumberField* field, TFlag flag,
                               TValue value) {
  auto* check = Captioned(new QCheckBox, box);
  QLabel* caption = NewLabel(label);
  caption->setBuddy(field);
  field->setMaximumWidth(120);
  limits_.push_back(TLimit{check, caption, field, label, flag, value});
  connect(check, &QCheckBox::toggled, this, &TSettingsDialog::UpdateEnabling);
  const int row = grid.rowCount();
  grid.addWidget(check, row, 0);
  grid.addWidget(caption, row, 1);
  grid.addWidget(field, row, 2);
  // The field was made first; the keyboard reaches the box first all the same.
  QWidget::setTabOrder(check, field);
}

QWidget* TSettingsDialog::BuildSharedPage() {
  sharedPage_ = new TSharedPage(
      TSharedPageContext{context_.SharedItems, context_.Settings, context_.Language, context_.ProgramFolder});
  sharedPage_->SetUsers(&context_.Users);
  return sharedPage_;
}

QWidget* TSettingsDialog::BuildSearchesPage() {
  QGridLayout* grid = nullptr;
  QGroupBox* results = NewGroup(grid);
  AddLimit(*grid, text::kSettingsLimitResults, text::kSettingsMaximumResults, new TNumberField,
           [](TSettings& s) -> bool& { return s.Searching.LimitResults; },
           [](TSettings& s) -> std::int32_t& { return s.Searching.MaximumResults; });
  limitExtensions_ =
      AddBox(text::kSettingsHideExtensions, [](TSettings& s) -> bool& { return s.Searching.LimitExtensions; });
  filterLabel_ = NewLabel(text::kSettingsExtensionsLabel);
  filterExtensions_ = new QLineEdit;
  filterExtensions_->setObjectName(QStringLiteral("filterExtensions"));
  filterLabel_->setBuddy(filterExtensions_);
  int row = grid->rowCount();
  grid->addWidget(limitExtensions_, row, 0);
  grid->addWidget(filterLabel_, row, 1);
  grid->addWidget(filterExtensions_, row, 2, 1, 2);
  AddLimit(*grid, text::kSettingsLimitResultTabs, text::kSettingsMaximumResultTabs, new TNumberField,
           [](TSettings& s) -> bool& { return s.Searching.LimitResultTabs; },
           [](TSettings& s) -> std::int32_t& { return s.Searching.MaximumResultTabs; });
  grid->addWidget(
      AddBox(text::kSettingsGroupResults, [](TSettings& s) -> bool& { return s.Searching.GroupResults; }),
      grid->rowCount(), 0, 1, 3);

  QGroupBox* requests = Captioned(NewGroup(grid), text::kSettingsSearchRequests);
  keepHistory_ = AddBox(text::kSettingsKeepHistory, [](TSettings& s) -> bool& { return s.Searching.KeepHistory; });
  maximumHistoryLabel_ = NewLabel(text::kSettingsMaximumHistory);
  maximumHistory_ =
      AddNumber(text::kSettingsMaximumHistory, [](TSettings& s) -> std::int32_t& { return s.Searching.MaximumHistory; });
  maximumHistory_->setMaximumWidth(120);
  maximumHistoryLabel_->setBuddy(maximumHistory_);
  clearHistory_ = Captioned(new QPushButton, text::kSettingsClearHistory);
  clearHistory_->setObjectName(QStringLiteral("clearHistory"));
  clearHistory_->setAutoDefault(false);
  connect(clearHistory_, &QPushButton::clicked, this, &TSettingsDialog::ClearHistoryNow);
  row = grid->rowCount();
  grid->addWidget(keepHistory_, row, 0);
  grid->addWidget(maximumHistoryLabel_, row, 1);
  grid->addWidget(maximumHistory_, row, 2);
  grid->addWidget(clearHistory_, row, 3, Qt::AlignLeft);
  rememberRequest_ = Captioned(new QRadioButton, text::kSettingsRememberRequest);
  clearRequest_ = Captioned(new QRadioButton, text::kSettingsClearRequest);
  grid->addWidget(rememberRequest_, grid->rowCount(), 0, 1, 4);
  grid->addWidget(clearRequest_, grid->rowCount(), 0, 1, 4);
  return NewPage({results, requests});
}

QWidget* TSettingsDialog::BuildUploadsPage() {
  QGridLayout* grid = nullptr;
  QGroupBox* limits = Captioned(NewGroup(grid), text::kSettingsUploadLimits);
  AddLimit(*grid, text::kSettingsLimitUploads, text::kSettingsMaximumUploads, new TNumberField,
           [](TSettings& s) -> bool& { return s.Uploads.Limit; },
           [](TSettings& s) -> std::int32_t& { return s.Uploads.Maximum; });
  AddLimit(*grid, text::kSettingsLimitUploadsPerHost, text::kSettingsMaximumUploadsPerHost, new TNumberField,
           [](TSettings& s) -> bool& { return s.Uploads.LimitPerUser; },
           [](TSettings& s) -> std::int32_t& { return s.Uploads.MaximumPerUser; });
  AddLimit(*grid, text::kSettingsLimitUploadQueues, text::kSettingsMaximumUploadQueues, new TNumberField,
           [](TSettings& s) -> bool& { return s.Uploads.LimitQueues; },
           [](TSettings& s) -> std::int32_t& { return s.Uploads.MaximumQueues; });
  AddLimit(*grid, text::kSettingsLimitUploadQueuesPerHost, text::kSettingsMaximumUploadQueuesPerHost,
           new TNumberField, [](TSettings& s) -> bool& { return s.Uploads.LimitQueuesPerUser; },
           [](TSettings& s) -> std::int32_t& { return s.Uploads.MaximumQueuesPerUser; });
  // The one field that shows a zero.
  AddLimit(*grid, text::kSettingsLimitUploadBandwidth, text::kSettingsMaximumUploadBandwidth,
           new TNumberField(TNumberField::TPattern::Zero),
           [](TSettings& s) -> bool& { return s.Uploads.LimitBandwidth; },
           [](TSettings& s) -> std::int32_t& { return s.Uploads.MaximumBandwidth; });

  QGroupBox* other = Captioned(NewGroup(grid), text::kSettingsOtherOptions);
  grid->addWidget(
      AddBox(text::kSettingsClearCompleteUploads, [](TSettings& s) -> bool& { return s.Uploads.ClearComplete; }),
      grid->rowCount(), 0, 1, 3);
  grid->addWidget(
      AddBox(text::kSettingsClearFailedUploads, [](TSettings& s) -> bool& { return s.Uploads.ClearFailed; }),
      grid->rowCount(), 0, 1, 3);
  TNumberField* timeout =
      AddNumber(text::kSettingsUploadTimeout, [](TSettings& s) -> std::int32_t& { return s.Uploads.Timeout; });
  timeout->setMaximumWidth(120);
  QLabel* timeoutLabel = NewLabel(text::kSettingsUploadTimeout);
  timeoutLabel->setBuddy(timeout);
  const int row = grid->rowCount();
  grid->addWidget(timeoutLabel, row, 0);
  grid->addWidget(timeout, row, 1);
  grid->addWidget(NewLabel(text::kSettingsSecondsUnit), row, 2);
  return NewPage({limits, other});
}

QWidget* TSettingsDialog::BuildDownloadsPage() {
  QGridLayout* grid = nullptr;
  QGroupBox* limits = Captioned(NewGroup(grid), text::kSettingsDownloadLimits);
  AddLimit(*grid, text::kSettingsLimitDownloads, text::kSettingsMaximumDownloads, new TNumberField,
           [](TSettings& s) -> bool& { return s.Downloads.Limit; },
           [](TSettings& s) -> std::int32_t& { return s.Downloads.Maximum; });
  AddLimit(*grid, text::kSettingsLimitDownloadBandwidth, text::kSettingsMaximumDownloadBandwidth, new TNumberField,
           [](TSettings& s) -> bool& { return s.Downloads.LimitBandwidth; },
           [](TSettings& s) -> std::int32_t& { return s.Downloads.MaximumBandwidth; });
  AddLimit(*grid, text::kSettingsLimitDownloadsPerHost, text::kSettingsMaximumDownloadsPerHost, new TNumberField,
           [](TSettings& s) -> bool& { return s.Downloads.LimitPerUser; },
           [](TSettings& s) -> std::int32_t& { return s.Downloads.MaximumPerUser; });

  QGroupBox* other = Captioned(NewGroup(grid), text::kSettingsOtherOptions);
  auto addFolder = [this, grid](TTextId caption, QLineEdit*& field) {
    QLabel* label = NewLabel(caption);
    field = new QLineEdit;
    label->setBuddy(field);
    auto* pick = Captioned(new QPushButton, text::kSettingsPickFolder);
    pick->setAutoDefault(false);
    QLineEdit* target = field;
    connect(pick, &QPushButton::clicked, this, [this, target, caption] { PickFolder(target, caption); });
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0, 1, 3);
    grid->addWidget(field, row + 1, 0, 1, 3);
    grid->addWidget(pick, row + 1, 3, Qt::AlignLeft);
  };
  addFolder(text::kSettingsCompletedFolder, completedFolder_);
  addFolder(text::kSettingsTempFolder, tempFolder_);
  completedFolder_->setObjectName(QStringLiteral("completedFolder"));
  tempFolder_->setObjectName(QStringLiteral("tempFolder"));
  TNumberField* timeout =
      AddNumber(text::kSettingsDownloadTimeout, [](TSettings& s) -> std::int32_t& { return s.Downloads.Timeout; });
  timeout->setMaximumWidth(120);
  QLabel* timeoutLabel = NewLabel(text::kSettingsDownloadTimeout);
  timeoutLabel->setBuddy(timeout);
  const int row = grid->rowCount();
  grid->addWidget(timeoutLabel, row, 0);
  grid->addWidget(timeout, row, 1);
  grid->addWidget(NewLabel(text::kSettingsSecondsUnit), row, 2);
  grid->addWidget(AddBox(text::kSettingsClearCompleteDownloads,
                         [](TSettings& s) -> bool& { return s.Downloads.ClearComplete; }),
                  grid->rowCount(), 0, 1, 3);
  grid->addWidget(
      AddBox(text::kSettingsClearFailedDownloads, [](TSettings& s) -> bool& { return s.Downloads.ClearFailed; }),
      grid->rowCount(), 0, 1, 3);
  return NewPage({limits, other});
}

QWidget* TSettingsDialog::BuildAdvancedPage() {
  QGridLayout* grid = nullptr;
  QGroupBox* misc = Captioned(NewGroup(grid), text::kSettingsMiscSettings);
  grid->addWidget(AddBox(text::kSettingsLaunchAtStartup,
                         [](TSettings& s) -> bool& { return s.Advanced.LaunchAtSystemStartup; }),
                  grid->rowCount(), 0, 1, 4);
  grid->addWidget(
      AddBox(text::kSettingsMinimizeAtStartup, [](TSettings& s) -> bool& { return s.Advanced.MinimizeAtStartup; }),
      grid->rowCount(), 0, 1, 4);
  grid->addWidget(
      AddBox(text::kSettingsRememberLocation, [](TSettings& s) -> bool& { return s.Advanced.RememberLocation; }),
      grid->rowCount(), 0, 1, 4);
  grid->addWidget(AddBox(text::kSettingsMinimizeOnClose,
                         [](TSettings& s) -> bool& { return s.Advanced.MinimizeOnCloseButton; }),
                  grid->rowCount(), 0, 1, 4);

  QGroupBox* safe = Captioned(NewGroup(grid), text::kSettingsSafeFileTypes);
  QLabel* label = NewLabel(text::kSettingsExtensionsLabel);
  executeExtensions_ = new QLineEdit;
  executeExtensions_->setObjectName(QStringLiteral("executeExtensions"));
  label->setBuddy(executeExtensions_);
  grid->addWidget(label, 0, 0);
  grid->addWidget(executeExtensions_, 0, 1, 1, 3);
  return NewPage({misc, safe});
}

QWidget* TSettingsDialog::BuildUsersPage() {
  usersPage_ = new TUsersPage(context_.Users, context_.Language);
  return usersPage_;
}

// ---- pages ----------------------------------------------------------------

int TSettingsDialog::BuiltInPageCount() const {
  int count = 0;
  for (QWidget* page : pages_) count += tabs_->indexOf(page) >= 0 ? 1 : 0;
  return count;
}

void TSettingsDialog::ParkAllSettingsPages() {
  for (QWidget* page : pages_) {
    const int index = tabs_->indexOf(page);
    if (index < 0) continue;
    tabs_->removeTab(index);
    page->setParent(parking_);
  }
}

void TSettingsDialog::UnparkSettingsPage(TSettingsPage page) {
  QWidget* widget = pages_[static_cast<std::size_t>(page)];
  if (tabs_->indexOf(widget) >= 0) return;
  // Built-in pages stay ahead of the plugins' pages.
  tabs_->insertTab(BuiltInPageCount(), widget, LanguageText(context_.Language, PageCaption(page)));
}

void TSettingsDialog::AddPluginPage(QWidget* page, const QString& caption) {
  if (!page || tabs_->indexOf(page) >= 0) return;
  pluginPages_.push_back(page);
  tabs_->addTab(page, caption);
}

void TSettingsDialog::RemovePluginPage(QWidget* page) {
  const auto found = std::find(pluginPages_.begin(), pluginPages_.end(), page);
  if (!page || found == pluginPages_.end()) return;
  pluginPages_.erase(found);
  const int index = tabs_->indexOf(page);
  if (index >= 0) tabs_->removeTab(index);
  page->hide();
  page->setParent(nullptr);
}

void TSettingsDialog::GiveBackPluginPages() {
  while (!pluginPages_.empty()) {
    QWidget* page = pluginPages_.back();
    if (page) {
      RemovePluginPage(page);
    } else {
      pluginPages_.pop_back();  // its plugin destroyed it already
    }
  }
}

// ---- values ---------------------------------------------------------------

void TSettingsDialog::ApplyLanguage() {
  TSimpleConfig& language = context_.Language;
  setWindowTitle(WithoutAccessKeys(LanguageText(language, text::kSettingsTitle)));
  ok_->setText(LanguageText(language, text::kOk));
  cancel_->setText(LanguageText(language, text::kCancel));
  for (const TCaption& caption : captions_) {
    const QString text = LanguageText(language, caption.text);
    if (auto* box = qobject_cast<QGroupBox*>(caption.widget)) {
      box->setTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(caption.widget)) {
      label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(caption.widget)) {
      button->setText(text);
    }
  }
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    const int index = tabs_->indexOf(pages_[i]);
    if (index >= 0) {
      tabs_->setTabText(index, LanguageText(language, PageCaption(static_cast<TSettingsPage>(i))));
    }
  }
  sharedPage_->ApplyLanguage();
  usersPage_->ApplyLanguage();
}

void TSettingsDialog::LoadValues() {
  TSettings& settings = context_.Settings;
  for (const TLimit& limit : limits_) {
    limit.box->setChecked(limit.flag(settings));
    limit.field->SetValue(limit.value(settings));
  }
  for (const TBox& box : boxes_) box.box->setChecked(box.flag(settings));
  for (const TNumber& number : numbers_) number.field->SetValue(number.value(settings));
  filterExtensions_->setText(ToQString(settings.Searching.FilterExtensions.Text()));
  rememberRequest_->setChecked(settings.Searching.RememberLastRequest);
  clearRequest_->setChecked(!settings.Searching.RememberLastRequest);
  completedFolder_->setText(ToQString(settings.Downloads.CompletedFolder));
  tempFolder_->setText(ToQString(settings.Downloads.TempFolder));
  executeExtensions_->setText(ToQString(settings.SharedItems.ExecuteExtensions.Text()));
}

void TSettingsDialog::StoreValues() {
  TSettings& settings = context_.Settings;
  sharedPage_->Store();
  settings.SharedItems.ExecuteExtensions.Assign(executeExtensions_->text().toStdString());
  settings.Searching.FilterExtensions.Assign(filterExtensions_->text().toStdString());
  settings.Searching.RememberLastRequest = rememberRequest_->isChecked();
  for (const TLimit& limit : limits_) {
    limit.flag(settings) = limit.box->isChecked();
    limit.value(settings) = limit.field->Value();
    // The field shows what was stored, as when it loses the focus.
    limit.field->SetValue(limit.value(settings));
  }
  for (const TBox& box : boxes_) box.flag(settings) = box.box->isChecked();
  for (const TNumber& number : numbers_) {
    number.value(settings) = number.field->Value();
    number.field->SetValue(number.value(settings));
  }
  settings.Downloads.CompletedFolder = completedFolder_->text().toStdString();
  settings.Downloads.TempFolder = tempFolder_->text().toStdString();
}

void TSettingsDialog::UpdateEnabling() {
  for (const TLimit& limit : limits_) {
    const bool on = limit.box->isChecked();
    limit.label->setEnabled(on);
    limit.field->setEnabled(on);
  }
  const bool filter = limitExtensions_->isChecked();
  filterLabel_->setEnabled(filter);
  filterExtensions_->setEnabled(filter);
  const bool history = keepHistory_->isChecked();
  maximumHistoryLabel_->setEnabled(history);
  maximumHistory_->setEnabled(history);
  clearHistory_->setEnabled(history);
}

// ---- commands -------------------------------------------------------------

void TSettingsDialog::ShowSettingsDialog() {
  ApplyLanguage();
  LoadValues();
  sharedPage_->Load();
  usersPage_->Load();
  UpdateEnabling();
  show();
  raise();
  activateWindow();
}

void TSettingsDialog::ClearHistoryNow() {
  context_.SearchRequest.ClearSearchHistory();
  ShowTextMessage(GetLanguageText(text::kSettingsHistoryCleared, context_.Language));
}

void TSettingsDialog::PickFolder(QLineEdit* field, TTextId caption) {
  const QString chosen = ChooseFolder(LanguageText(context_.Language, caption), field->text());
  if (!chosen.isEmpty()) field->setText(chosen);
}

bool TSettingsDialog::AskPluginsToApply() {
  // One flag for all: every plugin applies its pages even after another refused.
  std::uint8_t canApply = 1;
  const TPluginManager& plugins = context_.Plugins;
  for (std::size_t i = 0; i < plugins.GetPluginCount(); ++i) {
    SendEvent(*plugins.GetPlugin(i), EventNumber("OnSetupApply"), &canApply);
  }
  return canApply != 0;
}

bool TSettingsDialog::ApplySettings() {
  TSettings& settings = context_.Settings;
  StoreValues();
  // In force at once: queued transfers that the new limits admit start now,
  // and the search request follows the history rules.
  context_.SearchRequest.ApplyHistorySettings(settings.Searching);
  context_.Uploads.LimitsChanged();
  context_.Downloads.LimitsChanged();
  // The one value whose effect lies outside the program: the user hears when
  // it did not take, rather than finding out at the next log-on.
  if (!context_.AutostartConfigHome.empty() && !context_.Executable.empty() &&
      !UpdateAutostartEntry(settings, context_.Executable, context_.AutostartConfigHome)) {
    ShowTextMessage(GetLanguageText(text::kSettingsAutostartFailed, context_.Language));
  }
  usersPage_->Apply();
  sharedPage_->ApplyItems();
  // The folders are made good before anybody uses them, whatever the plugins
  // answer: downloads go on with these values either way.
  static_cast<void>(EnsureDownloadFolders(settings, context_.ProgramFolder,
                                          [this](const TCompletedFolderShare& share) {
                                            context_.SharedItems.ShareCompletedFolder(share);
                                          }));
  completedFolder_->setText(ToQString(settings.Downloads.CompletedFolder));
  tempFolder_->setText(ToQString(settings.Downloads.TempFolder));
  if (context_.SaveSettings) context_.SaveSettings();
  if (!AskPluginsToApply()) {
    // The pages go on from the values in force; a second OK repeats every step.
    sharedPage_->Load();
    usersPage_->Load();
    return false;
  }
  hide();
  return true;
}

void TSettingsDialog::CancelSettings() {
  BroadcastEvent(context_.Plugins, EventNumber("OnSetupCancel"));
  hide();
  sharedPage_->ApplyItems();
  usersPage_->Discard();
}

void TSettingsDialog::closeEvent(QCloseEvent* event) {
  // The frame's close button only hides: nothing is applied, nobody is told.
  event->accept();
}

// ---- lookups --------------------------------------------------------------

QCheckBox* TSettingsDialog::CheckBox(TTextId caption) const {
  for (const TCaption& c : captions_) {
    if (SameText(c.text, caption)) {
      if (auto* box = qobject_cast<QCheckBox*>(c.widget)) return box;
    }
  }
  return nullptr;
}

TNumberField* TSettingsDialog::NumberField(TTextId label) const {
  for (const TLimit& limit : limits_) {
    if (SameText(limit.labelText, label)) return limit.field;
  }
  for (const TNumber& number : numbers_) {
    if (SameText(number.labelText, label)) return number.field;
  }
  return nullptr;
}

QLabel* TSettingsDialog::Label(TTextId caption) const {
  for (const TCaption& c : captions_) {
    if (SameText(c.text, caption)) {
      if (auto* label = qobject_cast<QLabel*>(c.widget)) return label;
    }
  }
  return nullptr;
}

}  // namespace kp

#include "moc_settings_dialog.cpp"
