// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LaunchPaths.h"

#include <QStringList>
#include <cstdio>

#include "platform/AppFolder.h"
#include "platform/FileTests.h"
#include "ui/LaunchOptions.h"
#include "ui/MainWindow.h"

namespace orv::ui {

void OpenLaunchPaths(CMainWindow& window, const std::vector<std::string>& paths, bool interactive) {
  // Profiles first, so that the queue is built under the settings they bring (Files.Recursive,
  // Files.ExcludeORV).
  QStringList queued;
  for (const std::string& path : paths) {
    // A drop only ever names what exists; a mistyped argument would queue a photo that cannot
    // load, so it is named and left out.
    if (!PathExists(path)) {
      std::fprintf(stderr, "orv-lumitra: no such file or folder: %s\n", path.c_str());
    } else if (!IsProfilePath(path) || IsFolder(path)) {
      queued << QString::fromStdString(path);
    } else if (!window.OpenProfile(QString::fromStdString(AbsolutePath(path)))) {
      std::fprintf(stderr, "orv-lumitra: cannot read the profile %s\n", path.c_str());
      if (interactive) window.ShowMessage("Can't load the settings from " + path);
    }
  }
  if (!queued.isEmpty()) window.AddDroppedPaths(queued);
}

}  // namespace orv::ui
