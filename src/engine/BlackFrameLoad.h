// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the black frame that a run subtracts: the Hot Pixels page's "Load Black Frame" and
// `orv run --black-frame` both go through here.
#pragma once

#include <string>

#include "imageio/Image.h"

namespace orv {

// Decodes the picture file at `path` into `frame`. 0 when loaded; otherwise the image library's
// error code, and `frame` keeps the frame it held, so a file that does not decode never takes
// away a frame loaded before.
unsigned LoadBlackFrame(const std::string& path, Image& frame);

}  // namespace orv
