// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own icons, drawn with QPainter at whatever size and pixel ratio a button asks
// for, so they stay sharp on high-DPI screens.
#pragma once

#include <QIcon>

namespace orv::ui {

enum class IconKind {
  LoadSettings,
  SaveSettings,
  Exit,
  Help,
  RotateClockwise,
  RotateCounterClockwise,
  RotateHalfTurn,
  SizeLimit,  // marks the quality search "doesn't exceed" (Quality.Type 1)
  SizeMatch,  // marks the quality search "very close to the source" (Quality.Type 2)
  AppWindow,  // the window icon
};

QIcon PaintedIcon(IconKind kind);

}  // namespace orv::ui
