// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed tables that turn EXIF codes into the camera summary's names and times.
#pragma once

#include <string>

namespace orv {

// Name of an ExposureProgram value; "other" for values outside 1..8.
const char* ExposureProgramName(long long value);

// Name of a MeteringMode value; "other" for values outside 1..5.
const char* MeteringModeName(long long value);

// Shutter time in seconds for an APEX ShutterSpeedValue: whole stops from 30 s to 1/2000 s.
double ApexShutterTable(double apex);

}  // namespace orv
