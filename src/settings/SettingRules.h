// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Rules that tie settings to each other or limit what a user may enter. Both front ends call
// these, so the window's pages and the command line behave alike.
#pragma once

#include "settings/Settings.h"

namespace orv {

// The largest text-stamp font size a user may enter, in pixels.
inline constexpr int kMaxEnteredFontSize = 80;

// A font size as the user enters it (the page's "px" field, `--set Text.FontSize=`): a size above
// the largest one, or a negative one, becomes the largest; 0 to the largest stay. A size read from
// a profile is not an entry and passes unchanged.
int EnteredFontSize(int size);

// Matching the source's file size (Quality.Type 2) only makes sense for an output of the source's
// size: with any Size.Type but 0 the quality falls back to type 0. True when it changed `s`.
bool ApplyQualityFallback(Settings& s);

}  // namespace orv
