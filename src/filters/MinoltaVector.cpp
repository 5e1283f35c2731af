// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/MinoltaVector.h"

#include <cstring>

#include "filters/LaneOps.h"

namespace orv {

#if ORV_HAVE_KERNEL_TARGETS

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace minolta_avx2 {
namespace {
using L = lanes::Avx2;
#include "filters/MinoltaRows.inc"
}  // namespace
}  // namespace minolta_avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512dq")
namespace minolta_avx512 {
namespace {
using L = lanes::Avx512;
#include "filters/MinoltaRows.inc"
}  // namespace
}  // namespace minolta_avx512
#pragma GCC pop_options

#endif  // ORV_HAVE_KERNEL_TARGETS

size_t MatchMinoltaVector(KernelPath path, uint8_t* rgb, size_t count, const double* linear,
                          const Matrix3& m, const uint8_t* encode) {
#if ORV_HAVE_KERNEL_TARGETS
  if (path >= KernelPath::kAvx512) return minolta_avx512::MatchRows(rgb, count, linear, m, encode);
  if (path >= KernelPath::kAvx2) return minolta_avx2::MatchRows(rgb, count, linear, m, encode);
#else
  (void)path, (void)rgb, (void)count, (void)linear, (void)m, (void)encode;
#endif
  return 0;
}

}  // namespace orv
