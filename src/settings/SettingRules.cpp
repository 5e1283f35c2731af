// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingRules.h"
#include "settings/SettingValues.h"

namespace orv {

int EnteredFontSize(int size) {
  return size > kMaxEnteredFontSize || size < 0 ? kMaxEnteredFontSize : size;
}

bool ApplyQualityFallback(Settings& s) {
  if (s.Quality.Type != quality_type::kSourceSize || s.Size.Type == size_type::kOriginal)
    return false;
  s.Quality.Type = quality_type::kFixed;
  return true;
}

}  // namespace orv
