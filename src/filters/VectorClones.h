// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Run-time dispatch for the hottest filter loops: with GCC on x86-64 the marked function is
// compiled twice, for the baseline instruction set and for AVX2, and the loader picks the one the
// processor runs. Both clones perform the same IEEE operations in the same order (no fused
// multiply-add: the build disables contraction), so results are identical to the bit.
#pragma once

// ThreadSanitizer builds go without: the loader runs the clone resolvers before the sanitizer's
// runtime is ready, and they would crash at start-up.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__)
#define ORV_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ORV_VECTOR_CLONES
#endif
