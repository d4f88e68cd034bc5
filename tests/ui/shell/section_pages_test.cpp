#include "ui/shell/section_pages.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace kp {
namespace {

QStringList TabNames(const TSectionPages& pages) {
  QStringList names;
  for (int i = 0; i < pages.count(); ++i) names << pages.widget(i)->objectName();
  return names;
}

TEST(SectionPages, TheLayoutChoosesWhichSectionsShowAndInWhatOrder) {
  TSectionPages pages;
  EXPECT_EQ(TabNames(pages),
            (QStringList{"MAIN_WEB", "SERVICES", "UPLOADS", "SHARED", "DOWNLOADS", "SEARCH"}))
      << "without a layout every built-in page shows";

  pages.ParkAll();
  EXPECT_EQ(pages.count(), 0);
  pages.Unpark(Section::Downloads);
  pages.Unpark(Section::MainWeb);
  EXPECT_EQ(TabNames(pages), (QStringList{"DOWNLOADS", "MAIN_WEB"}));

  auto* plugin = new QWidget();
  plugin->setObjectName("PLUGIN");
  pages.AddPluginTab(plugin, "Plugin");
  pages.Unpark(Section::SearchResults);
  EXPECT_EQ(TabNames(pages), (QStringList{"DOWNLOADS", "MAIN_WEB", "SEARCH", "PLUGIN"}))
      << "built-in pages stay ahead of plugin tabs";

  EXPECT_FALSE(pages.ActivateNumber(2)) << "services is parked";
  EXPECT_FALSE(pages.ActivateNumber(7));
  EXPECT_FALSE(pages.ActivateNumber(0));
  EXPECT_TRUE(pages.ActivateNumber(1));
  EXPECT_EQ(pages.currentWidget()->objectName(), "MAIN_WEB");
  pages.Park(Section::SearchResults);
  EXPECT_FALSE(pages.Activate(Section::SearchResults));

  pages.SetCaption(Section::Services, "Services");
  pages.Unpark(Section::Services);
  EXPECT_EQ(pages.tabText(pages.indexOf(pages.Page(Section::Services))), "Services");
}

}  // namespace
}  // namespace kp
