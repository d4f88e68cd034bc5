// The Qt tests share one application object, on the offscreen platform by default.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Offscreen unless a platform is asked for (xcb under Xvfb, to see the same
  // tests pass on a real X server).
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
