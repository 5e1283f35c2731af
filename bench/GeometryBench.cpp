// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Resize, filter simulation and Minolta matching on a generated 24-megapixel picture.
#include <benchmark/benchmark.h>

#include <vector>

#include "BenchPicture.h"
#include "filters/FilterSimulator.h"
#include "filters/MinoltaMatcher.h"
#include "filters/ResizeImage.h"

namespace {

using orv::bench::BenchPicture;
using orv::bench::InPlace;
using orv::bench::kHeight;
using orv::bench::kWidth;
using orv::bench::SetMegapixels;

void BM_ResizeHalf(benchmark::State& state) {
  const int filter = int(state.range(0));
  // The picture is made on first use: before the timing, or the first run of a filtered
  // invocation would count its making.
  const uint8_t* const picture = BenchPicture().data();
  std::vector<uint8_t> out(size_t(kWidth / 2) * (kHeight / 2) * 3);
  for (auto _ : state) {
    orv::ResizeImage(picture, kWidth, kHeight, out.data(), kWidth / 2, kHeight / 2, filter);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}
BENCHMARK(BM_ResizeHalf)->Arg(0)->Arg(1)->ArgName("filter")->Unit(benchmark::kMillisecond);

void BM_SimulateFilter(benchmark::State& state) {
  InPlace(state, [&](uint8_t* p) {
    orv::SimulateFilter(p, kWidth, kHeight, "#25 Filter", 255, 1, int(state.range(0)));
  });
}
BENCHMARK(BM_SimulateFilter)->Arg(0)->Arg(1)->ArgName("bw")->Unit(benchmark::kMillisecond);

void BM_MatchMinoltaColors(benchmark::State& state) {
  InPlace(state, [](uint8_t* p) { orv::MatchMinoltaColors(p, kWidth, kHeight); });
}
BENCHMARK(BM_MatchMinoltaColors)->Unit(benchmark::kMillisecond);

}  // namespace
