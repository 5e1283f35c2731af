// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of orv-lumitra: --home DIR, --screenshot FILE [--tab N] [--image FILE],
// --help, --version, and the photos, folders and profiles to open. Options with one dash belong
// to Qt and are left to it; after "--" every argument is a path.
#pragma once

#include <string>
#include <vector>

namespace orv::ui {

struct LaunchOptions {
  std::string home;
  std::string screenshot;  // render the window into this PNG and exit
  int tab = 0;
  std::string image;
  bool help = false;
  bool version = false;
  // The FILE|FOLDER arguments in the order given: profiles (.orv) are loaded, the rest queued.
  std::vector<std::string> paths;
};

// True for a path that names a settings profile (its extension is .orv, case aside).
bool IsProfilePath(const std::string& path);

// False with a message for an unknown option or a missing or malformed value. Parse the
// arguments Qt leaves (QApplication removes its own with their values); before that the paths
// may hold the values of Qt's options.
bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out,
                        std::string& error);

const char* LaunchUsage();

}  // namespace orv::ui
