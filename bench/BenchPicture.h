// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The picture the filter benchmarks share: 6000 x 4000 (24 megapixels) of gradients with noise
// and a sprinkle of hot pixels, so flat-area shortcuts fire only as often as in a photograph and
// every branch of the filters is taken. Made once per process. Also the timing of in-place
// filters on fresh copies of it (InPlace).
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace orv::bench {

inline constexpr int kWidth = 6000, kHeight = 4000;

inline const std::vector<uint8_t>& BenchPicture() {
  static const std::vector<uint8_t> pic = [] {
    std::vector<uint8_t> p(size_t(kWidth) * kHeight * 3);
    std::mt19937 rng(11);
    size_t i = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        int n = int(rng() % 21) - 10;
        bool hot = rng() % 5000 == 0;
        p[i++] = uint8_t(hot ? 250 : std::clamp(40 + x * 150 / kWidth + n, 0, 255));
        p[i++] = uint8_t(hot ? 245 : std::clamp(30 + y * 170 / kHeight + n, 0, 255));
        p[i++] = uint8_t(std::clamp(60 + (x + y) * 100 / (kWidth + kHeight) + n, 0, 255));
      }
    }
    return p;
  }();
  return pic;
}

// Reports the picture's megapixels per second.
inline void SetMegapixels(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * state.iterations(),
                                              benchmark::Counter::kIsRate);
}

// Runs op on a fresh copy of the picture each iteration; the copy is not timed.
template <typename Op>
void InPlace(benchmark::State& state, Op op) {
  std::vector<uint8_t> work(BenchPicture().size());
  // One call untimed first: a kernel's picture-sized scratch buffers are fresh memory on its
  // first call and reused after, as in a batch. A kernel that takes over half a second would
  // otherwise be timed once, on that first call, and report its page faults (three times its
  // time on a machine whose host hands memory back).
  std::memcpy(work.data(), BenchPicture().data(), work.size());
  op(work.data());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.data(), BenchPicture().data(), work.size());
    state.ResumeTiming();
    op(work.data());
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

}  // namespace orv::bench
