// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the info panel for the current photograph, as the GUI shows them.
#pragma once

#include <string>

#include "exif/CameraSummary.h"

namespace orv {

struct CameraPanelField {
  std::string text;
  bool visible = true;
};

struct CameraPanel {
  CameraPanelField size;     // "%d x %d"
  CameraPanelField model;    // the display model
  CameraPanelField shutter;  // "Shutter: 1/%d", "Shutter: %d \"" or "No EXIF info"
  CameraPanelField fNumber;  // "F: %.1lf"
  CameraPanelField flash;    // "Flash Used" or "No Flash"
  CameraPanelField iso;      // "ISO: %d "
  CameraPanelField focus;    // "Focus: %.1lf m"
};

// The panel for a summary and the decoded picture size. Without EXIF only the size and the
// shutter field ("No EXIF info") are visible.
CameraPanel MakeCameraPanel(const CameraSummary& summary, int width, int height);

}  // namespace orv
