// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlackFrameLoad.h"

#include "imageio/ImageFile.h"
#include "imageio/LibraryError.h"

namespace orv {

unsigned LoadBlackFrame(const std::string& path, Image& frame) {
  CImageFile file;
  unsigned code = file.Load(path.c_str());
  if (code != kErrNone) return code;
  // A decoder that reports success always delivers pixels; an empty picture is never a frame.
  if (file.image().empty()) return kErrUnexpected;
  frame = file.TakeImage();
  return kErrNone;
}

}  // namespace orv
