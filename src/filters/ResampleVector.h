// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector paths of the two resamplers' line kernels. Each destination line is a weighted sum of
// whole source lines; every output value is computed with the same operations in the same order
// as the scalar code (Lanczos: double sums in contribution order, the flat-run shortcut, rounding
// half away from zero; bilinear: float sums in contribution order, rounding half up), only for
// many values at once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// Each entry point takes any number of contributing lines. It returns false, and makes nothing,
// only when the reference code is forced (ORV_KERNELS=reference or a test's ScopedKernelTarget)
// or, for the Lanczos lines, when there is no line at all; the caller then runs its reference
// code.

// One Lanczos destination line of count bytes: line k of the n contributing lines starts at
// base + index[k] x stride and has weight[k]. A byte whose contributing values are all equal
// keeps that value; the others are the double sum rounded half away from zero and clamped.
bool ResampleLineVector(const uint8_t* base, size_t stride, const int* index,
                        const double* weight, int n, size_t count, uint8_t* out);

// As ResampleLineVector, with the sums read from the same values as doubles: line k's values at
// values + (index[k] - first) x stride. The flat test still reads the bytes.
bool ResampleLineVectorFromDoubles(const uint8_t* base, const double* values,
                                   int first, size_t stride, const int* index, const double* weight,
                                   int n, size_t count, uint8_t* out);

// dst[i] = src[i] as doubles for count bytes.
bool BytesToDoublesVector(const uint8_t* src, size_t count, double* dst);

// One bilinear destination line of count bytes: the float sum over the n lines starting at
// base + (first + k) x stride with weight[k], rounded half up and clamped.
bool ScaleLineVector(const uint8_t* base, size_t stride, int first,
                     const float* weight, int n, size_t count, uint8_t* out);

}  // namespace orv
