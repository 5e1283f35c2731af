// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed shape of every curve: point count, axis range, titles, row labels and display flags.
// Only point values and the no-EXIF index are settings; the shapes never change.
#pragma once

#include "settings/Settings.h"

namespace orv {

// Shapes the Advanced and Basic curves of every curve section of s.
void ShapeCurves(Settings& s);

}  // namespace orv
