// The one QApplication of the test binary, made on first use (the tests run offscreen).
#pragma once

#include <QApplication>

namespace orv::test {

inline QApplication& QtApp() {
  static int argc = 1;
  static char name[] = "orv_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

}  // namespace orv::test
