// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/NoiseRemovalRows.h"

namespace orv {

#if ORV_HAVE_KERNEL_TARGETS

// The reference loops (see NoiseRemoval.cpp), built for AVX-512 with 64-byte vectors.
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512dq,prefer-vector-width=512")
namespace {

void RaiseToward512(uint8_t* __restrict out, const uint8_t* __restrict in, ptrdiff_t o, int n) {
  for (int i = 0; i < n; ++i) {
    uint8_t c = in[i], b = in[i + o];
    out[i] = uint8_t(c + (b > c));
  }
}

void LowerToward512(uint8_t* __restrict out, const uint8_t* __restrict in, ptrdiff_t o, int n) {
  for (int i = 0; i < n; ++i) {
    uint8_t c = in[i], b = in[i + o];
    uint8_t c1 = uint8_t(c - (c != 0));
    out[i] = uint8_t(c - (c1 > b));
  }
}

void RaiseBetween512(uint8_t* __restrict out, const uint8_t* __restrict in, ptrdiff_t o, int n) {
  for (int i = 0; i < n; ++i) {
    uint8_t a = in[i - o], c = in[i], b = in[i + o];
    out[i] = uint8_t(c + ((a >= c) & (b > c)));
  }
}

void LowerBetween512(uint8_t* __restrict out, const uint8_t* __restrict in, ptrdiff_t o, int n) {
  for (int i = 0; i < n; ++i) {
    uint8_t a = in[i - o], c = in[i], b = in[i + o];
    uint8_t c1 = uint8_t(c - (c != 0));
    out[i] = uint8_t(c - ((c1 > a) & (b < c)));
  }
}

}  // namespace
#pragma GCC pop_options

const SpeckleRowKernels* SpeckleRowKernelsFor(KernelPath path) {
  static const SpeckleRowKernels k512{RaiseToward512, LowerToward512, RaiseBetween512,
                                      LowerBetween512};
  return path >= KernelPath::kAvx512 ? &k512 : nullptr;
}

#else

const SpeckleRowKernels* SpeckleRowKernelsFor(KernelPath) {
  return nullptr;
}

#endif

}  // namespace orv
