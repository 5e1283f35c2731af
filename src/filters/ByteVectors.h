// Portable byte vectors (the GCC/Clang vector extension): 32 lanes that the compiler lowers to
// two SSE2 registers on the baseline target and to one AVX2 register in the AVX2 clone of a
// function. Loads and stores go through memcpy, so any alignment is fine.
#pragma once

#include <cstdint>
#include <cstring>

// The helpers are always inlined, so the 32-byte vectors never cross a call whose ABI would
// depend on the target; GCC's note about that ABI does not apply to the files using them.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace orv {

typedef uint8_t Bytes32 __attribute__((vector_size(32)));

[[gnu::always_inline]] inline Bytes32 LoadBytes(const uint8_t* p) {
  Bytes32 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

[[gnu::always_inline]] inline void StoreBytes(uint8_t* p, Bytes32 v) {
  std::memcpy(p, &v, sizeof v);
}

[[gnu::always_inline]] inline Bytes32 MinBytes(Bytes32 a, Bytes32 b) {
  return a < b ? a : b;
}

[[gnu::always_inline]] inline Bytes32 MaxBytes(Bytes32 a, Bytes32 b) {
  return a < b ? b : a;
}

}  // namespace orv
