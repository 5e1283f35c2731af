// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include "settings/CurveShapes.h"
#include "settings/SettingKeys.h"

namespace orv {

Settings::Settings() {
  ShapeCurves(*this);
  ApplyCreationValues();
}

void Settings::ApplyKeyDefaults() {
  for (const SettingKey& key : SettingKeys()) ApplyDefault(*this, key, key.keyDefault);
}

void Settings::ApplyCreationValues() {
  for (const SettingKey& key : SettingKeys()) ApplyDefault(*this, key, key.creation);
}

}  // namespace orv
