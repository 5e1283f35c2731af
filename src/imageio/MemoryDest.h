// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Destinations that keep what an encoder writes in memory, beside the file destinations of
// ImageIo.h: a growing byte vector (a batch worker encodes its photo there before the run's
// thread places it) and a counter that keeps only the size (the size search's test encodings).
// Both behave to an encoder exactly as a file does, seeks included.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

struct ImageDest;

// Writes into `bytes` from its start (the vector is emptied; its capacity is kept), growing it
// as needed. The vector must outlive the destination. Null when memory runs out.
ImageDest* OpenDestVector(std::vector<uint8_t>* bytes);
// Counts the bytes written without keeping them; DestSize tells the count before CloseDest.
ImageDest* OpenDestCounter();

}  // namespace orv
