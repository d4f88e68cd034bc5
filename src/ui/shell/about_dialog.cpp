#include "ui/shell/about_dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/config/global_stores.h"
#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/config/text_ids.h"
#include "core/host/plugin_manager.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"

namespace kp {

QStringList TAboutDialog::PluginRows(const TPluginManager& plugins) {
  QStringList rows;
  for (std::size_t i = 0; i < plugins.GetPluginCount(); ++i) {
    const TPluginHolder& plugin = *plugins.GetPlugin(i);
    const std::string name = plugin.DisplayName();
    if (!Trim(name).empty()) {
      rows << QString::fromStdString(ToLowerAscii(name));
    } else {
      rows << QFileInfo(QString::fromStdString(plugin.Path())).fileName() + " (" +
                  QString::fromStdString(plugin.VersionText()) + ")";
    }
  }
  return rows;
}

TAboutDialog::TAboutDialog(const TSettings& settings, const TPluginManager& plugins, TSimpleConfig& language,
                           QWidget* parent)
    : QDialog(parent) {
  const QString name = QString::fromStdString(settings.Application.Name);
  setWindowTitle(name);
  auto* tabs = new QTabWidget(this);

  auto* about = new QWidget();
  auto* aboutLayout = new QVBoxLayout(about);
  auto* image = new QLabel();
  image->setPixmap(QPixmap(QString::fromStdString(settings.Application.LargeOnlineIcon)));
  aboutLayout->addWidget(image);
  auto* title = new QLabel(name);
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 2);
  big.setBold(true);
  title->setFont(big);
  aboutLayout->addWidget(title);
  // Labels have no access keys.
  aboutLayout->addWidget(new QLabel(WithoutAccessKeys(LanguageText(language, text::kAboutQuestions))));
  const QString email = QString::fromStdString(settings.Application.HelpEmail);
  auto* link = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(email.toHtmlEscaped()));
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  connect(link, &QLabel::linkActivated, this, [email] { ShellOpen("mailto:" + email.toStdString()); });
  aboutLayout->addWidget(link);
  aboutLayout->addWidget(new QLabel(QStringLiteral("Free software for sharing files over many networks.")));
  aboutLayout->addStretch();
  tabs->addTab(about, LanguageText(language, text::kAboutTab));

  auto* version = new QWidget();
  auto* versionLayout = new QVBoxLayout(version);
  versionLayout->addWidget(new QLabel(WithoutAccessKeys(LanguageText(language, text::kAboutBuildNumber)) +
                                      " " + QString::fromStdString(GetVersionText())));
  versionLayout->addWidget(new QLabel(WithoutAccessKeys(LanguageText(language, text::kAboutPlugins))));
  auto* list = new QListWidget();
  list->setObjectName(QStringLiteral("pluginList"));
  list->addItems(PluginRows(plugins));
  versionLayout->addWidget(list);
  tabs->addTab(version, LanguageText(language, text::kVersionInfoTab));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setText(LanguageText(language, text::kOk));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_about_dialog.cpp"
