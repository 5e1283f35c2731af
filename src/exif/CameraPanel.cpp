// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif/CameraPanel.h"

#include <cstdio>

namespace orv {

CameraPanel MakeCameraPanel(const CameraSummary& s, int width, int height) {
  CameraPanel p;
  char buf[400];
  std::snprintf(buf, sizeof buf, "%d x %d", width, height);
  p.size.text = buf;
  if (!s.HasExif) {
    p.shutter.text = "No EXIF info";
    for (CameraPanelField* f : {&p.model, &p.fNumber, &p.flash, &p.iso, &p.focus}) {
      f->visible = false;
    }
    return p;
  }
  p.model.text = s.DisplayModel;
  // The summary's own texts already carry the exact number forms the panel repeats.
  if (!s.ShutterText.empty()) p.shutter.text = "Shutter: " + s.ShutterText;
  if (!s.FNumberText.empty()) p.fNumber.text = "F: " + s.FNumberText;
  if (s.Flash >= 0) p.flash.text = s.Flash == 1 ? "Flash Used" : "No Flash";
  if (!s.IsoText.empty()) p.iso.text = "ISO: " + s.IsoText;
  if (s.SubjectDistance > 0) {
    std::snprintf(buf, sizeof buf, "Focus: %.1lf m", s.SubjectDistance);
    p.focus.text = buf;
  }
  return p;
}

}  // namespace orv
