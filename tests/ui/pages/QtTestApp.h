// The one QApplication of the test binary, shared with the main window's tests.
#pragma once

#include <QApplication>

#include "ui/UiTestSupport.h"

namespace orv::test {

inline QApplication& QtApp() { return UiApp(); }

}  // namespace orv::test
