#pragma once
// The one QApplication of a benchmark that draws widgets: offscreen unless the
// caller chose a platform, and never destroyed, since at exit Qt's own globals
// are gone before a static one would be.

#include <QApplication>

namespace kp {

inline QApplication& OffscreenApplication() {
  static int argc = 1;
  static char name[] = "keplinor_bench";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static auto* application = new QApplication(argc, argv);
  return *application;
}

}  // namespace kp
