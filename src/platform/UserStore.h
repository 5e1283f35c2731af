// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Per-user values that outlive a profile (last profile name, last folders): the file
// $XDG_CONFIG_HOME/ORVAutoImage/registry.ini (default ~/.config/ORVAutoImage/registry.ini),
// with the sections and names the program has always used ("Settings"/"LastProfile",
// "Settings"/"PathIn", "Settings"/"PathOut", "Load"/"ImgPath").
#pragma once

#include <string>

namespace orv {

std::string UserStorePath();
std::string ReadUserValue(const std::string& section, const std::string& name,
                          const std::string& defaultValue = "");
// Creates the store when needed; false when it cannot be written.
bool WriteUserValue(const std::string& section, const std::string& name, const std::string& value);

}  // namespace orv
