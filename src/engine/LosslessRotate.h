// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Turning a photograph on disk a quarter or half turn. JPEG files are turned without decoding
// (their coefficients are rearranged and every marker copied); other formats are decoded, turned
// and saved in their own format. The file is replaced by a rename within its folder, so a
// failure part-way never leaves a damaged original. A symbolic link is followed: its target is
// turned and the link stays.
#pragma once

#include <string>

namespace orv {

enum class RotateTurn { Clockwise, CounterClockwise, HalfTurn };

struct RotateResult {
  bool rotated = false;  // the file on disk was replaced by its turned version
  // The message to show, for the two failures a user is told about: "Can't open source" and
  // "Can't open destination". Empty otherwise.
  std::string message;
  unsigned code = 0;  // the library's code of a silent failure, 0 when none
  // JPEG: the source's edge columns and rows dropped because they did not fill a whole block.
  int trimmedColumns = 0;
  int trimmedRows = 0;
};

RotateResult LosslessRotate(const std::string& path, RotateTurn turn);

}  // namespace orv
