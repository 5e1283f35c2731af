// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the filter simulator's per-pixel step for grey output: the same table reads,
// made for many pixels at once with gathered loads. Colour output keeps the scalar step, whose
// table reads were faster than gathers on the processor measured.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// Readable bytes after the last entry of each table below: a gathered load reads four bytes from
// an entry and keeps the first.
constexpr size_t kFilterTablePadding = 4;

// count pixels at p through the tables, as the reference step for grey output: q maps
// (30 R + 59 G + 11 B) / 100 to a highlight row (256 entries, then the padding); `tables` holds
// per channel the finished value of a source byte for every highlight row, [channel][row][byte]
// (3 x 64 KiB, then the padding); the weighted luma of the three finished values goes to all
// three bytes. False, and nothing done, when the reference code is forced or the processor has
// no vector target with gathered loads of its own (SSE4 and NEON, where Highway would read lane
// by lane).
bool SimulateFilterGreyRunVector(uint8_t* p, size_t count, const uint8_t* tables, const uint8_t* q);

}  // namespace orv
