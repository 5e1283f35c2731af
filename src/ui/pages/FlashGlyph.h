// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The small pictures that stand for the row labels "Flash" and "NoFlash": a lightning bolt, and
// the same bolt struck through. Drawn with QPainter so that they scale with the row height.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace orv::ui {

enum class FlashGlyph { Flash, NoFlash };

// Draws the picture centred in rect; grey when not enabled.
void DrawFlashGlyph(QPainter& p, const QRectF& rect, FlashGlyph glyph, bool enabled);

}  // namespace orv::ui
