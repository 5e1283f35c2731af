// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Profile files (.orv): the whole Settings model mapped onto a CIniFile by the key table, the
// camera-model list conversion, and the profile name shown in the window title.
#pragma once

#include <string>

#include "settings/Settings.h"

namespace orv {

// Reads every key of the file into s (missing or empty keys take their key-table default).
// An unreadable file changes nothing; the result tells whether the file was read.
bool LoadProfile(Settings& s, const std::string& path);
// Replaces the file by the whole model, every key in the written order.
bool SaveProfile(const Settings& s, const std::string& path);

// The camera-model list is held with CR LF between lines and stored with commas.
std::string ExListToProfile(const std::string& list);
std::string ExListFromProfile(const std::string& stored);
// True when a non-empty, trimmed line of the list occurs inside the model (both lower-cased).
bool ExListMatches(const std::string& list, const std::string& model);

// "ORV Lumitra 2.0 - name", or "ORV Lumitra 2.0" without a name.
std::string WindowTitle(const std::string& profileName);
// Appends " *" to a non-empty name that does not already end in '*'.
void MarkProfileModified(std::string& profileName);

// Locations inside the app folder.
std::string CurrentProfilePath(const std::string& appFolder);
std::string DefaultProfilePath(const std::string& appFolder);
std::string ProfilesFolder(const std::string& appFolder);

}  // namespace orv
