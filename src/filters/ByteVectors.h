// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Portable byte vectors (the GCC/Clang vector extension): 32 lanes that the compiler lowers to
// two SSE2 registers on the baseline target and to one AVX2 register in the AVX2 clone of a
// function. The helpers take and return vectors only by reference, so no vector is ever passed
// by value across a call whose convention would depend on the target; loads and stores go
// through memcpy, so any alignment is fine.
#pragma once

#include <cstdint>
#include <cstring>

namespace orv {

typedef uint8_t Bytes32 __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void LoadBytes(Bytes32& v, const uint8_t* p) {
  std::memcpy(&v, p, sizeof v);
}

[[gnu::always_inline]] inline void StoreBytes(uint8_t* p, const Bytes32& v) {
  std::memcpy(p, &v, sizeof v);
}

// a = min(a, b) and b = max(a, b), lane by lane.
[[gnu::always_inline]] inline void OrderBytes(Bytes32& a, Bytes32& b) {
  Bytes32 lo = a < b ? a : b;
  b = a < b ? b : a;
  a = lo;
}

}  // namespace orv
