// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the command line of orv-lumitra opens: settings profiles are loaded, photos and folders
// join the queue as a drop adds them. A file manager's "Open with" passes its selection here.
#pragma once

#include <string>
#include <vector>

namespace orv::ui {

class CMainWindow;

// Loads the profiles (.orv) in the order given, then queues the other paths in the order given.
// A profile that cannot be read is named on stderr and, when `interactive`, in a message; a
// path that does not exist is named on stderr and left out.
void OpenLaunchPaths(CMainWindow& window, const std::vector<std::string>& paths, bool interactive);

}  // namespace orv::ui
