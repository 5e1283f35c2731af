// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif/CameraTables.h"

namespace orv {

const char* ExposureProgramName(long long value) {
  switch (value) {
    case 1:
      return "manual control";
    case 2:
      return "program normal";
    case 3:
      return "aperture priority";
    case 4:
      return "shutter priority";
    case 5:
      return "program creative (slow program)";
    case 6:
      return "program action(high-speed program)";
    case 7:
      return "portrait mode";
    case 8:
      return "landscape mode";
    default:
      return "other";
  }
}

const char* MeteringModeName(long long value) {
  switch (value) {
    case 1:
      return "average";
    case 2:
      return "center weighted";
    case 3:
      return "spot";
    case 4:
      return "multi-spot";
    case 5:
      return "multi-segment";
    default:
      return "other";
  }
}

double ApexShutterTable(double apex) {
  // The first row whose bound lies above the value gives the time; from 11 up it is 1/2000 s.
  struct Row {
    double below;
    double seconds;
  };
  static constexpr Row kRows[] = {
      {-4, 30},       {-3, 15},       {-2, 8},         {-1, 4},
      {0, 2},         {1, 1},         {2, 1.0 / 2},    {3, 1.0 / 4},
      {4, 1.0 / 8},   {5, 1.0 / 15},  {6, 1.0 / 30},   {7, 1.0 / 60},
      {8, 1.0 / 125}, {9, 1.0 / 250}, {10, 1.0 / 500}, {11, 1.0 / 1000},
  };
  for (const Row& r : kRows) {
    if (apex < r.below) return r.seconds;
  }
  return 1.0 / 2000;
}

}  // namespace orv
