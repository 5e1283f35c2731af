// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The one QApplication of the test binary, shared with the main window's tests.
#pragma once

#include <QApplication>

#include "ui/UiTestSupport.h"

namespace orv::test {

inline QApplication& QtApp() { return UiApp(); }

}  // namespace orv::test
