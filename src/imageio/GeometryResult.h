// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Result codes of the geometry operations. They are the image library layer's own numbers, so a
// caller can store them as the layer's last error unchanged.
#pragma once

namespace orv {

enum GeometryResult : unsigned {
  kGeometryOk = 0,
  kGeometryNoMemory = 1,  // "out of memory"
  kGeometryBadJpeg = 9,   // "bad JPG file"
  kGeometryBadParam = 5,  // "bad user param"
  kGeometryAborted = 14,  // the progress callback asked to stop
};

}  // namespace orv
