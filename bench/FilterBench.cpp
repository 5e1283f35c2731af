// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Each correction filter alone on a generated 24-megapixel picture (6000 x 4000), with the
// parameters the speed comparison uses. bench/compare-filters.sh times the same work as whole
// commands.
#include <benchmark/benchmark.h>

#include <vector>

#include "BenchPicture.h"
#include "filters/GaussianBlur.h"
#include "filters/ImageFilters.h"
#include "filters/NeighbourFilter.h"
#include "filters/NoiseRemoval.h"

namespace {

using orv::bench::BenchPicture;
using orv::bench::InPlace;
using orv::bench::kHeight;
using orv::bench::kWidth;
using orv::bench::SetMegapixels;

void BM_AdjustGamma(benchmark::State& state) {
  InPlace(state, [](uint8_t* p) { orv::CImageFilters().AdjustGamma(p, kWidth, kHeight, 1.05); });
}

void BM_RemoveCast(benchmark::State& state) {
  InPlace(state, [](uint8_t* p) { orv::CImageFilters().RemoveCast(p, kWidth, kHeight, 0.8, 1); });
}

void BM_SubtractBlackFrame(benchmark::State& state) {
  std::vector<uint8_t> frame(BenchPicture().size(), 3), dst(BenchPicture().size());
  for (auto _ : state) {
    orv::CImageFilters().SubtractBlackFrame(dst.data(), kWidth, kHeight, BenchPicture().data(),
                                            frame.data());
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

// RemoveHotPixels at NT 255 with the window size as the argument (3, 5, 7).
void BM_RemoveHotPixels(benchmark::State& state) {
  const int wi = int(state.range(0));
  InPlace(state, [&](uint8_t* p) {
    orv::CImageFilters().RemoveHotPixels(p, kWidth, kHeight, BenchPicture().data(), 255, wi);
  });
}

void BM_SpeckleRemove(benchmark::State& state) {
  InPlace(state, [](uint8_t* p) { orv::SpeckleRemove(p, kWidth, kHeight); });
}

// NeighbourFilter with the kind as the argument: 0 sharpen (strength 50), 1 soften, 2 median.
void BM_NeighbourFilter(benchmark::State& state) {
  const int kind = int(state.range(0));
  std::vector<uint8_t> dst(BenchPicture().size());
  for (auto _ : state) {
    orv::NeighbourFilter(BenchPicture().data(), dst.data(), kWidth, kHeight, kind == 0 ? 50 : 100,
                         kind);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

void BM_PortraitSmooth(benchmark::State& state) {
  InPlace(state,
          [](uint8_t* p) { orv::CImageFilters().PortraitSmooth(p, kWidth, kHeight, 1.0, 1); });
}

void BM_UnsharpMask(benchmark::State& state) {
  std::vector<uint8_t> dst(BenchPicture().size());
  for (auto _ : state) {
    orv::UnsharpMask(BenchPicture().data(), kWidth, kHeight, 3, dst.data(), 0, 0.5, 1.5);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

void BM_AdjustSaturation(benchmark::State& state) {
  InPlace(state,
          [](uint8_t* p) { orv::CImageFilters().AdjustSaturation(p, kWidth, kHeight, 166); });
}

}  // namespace

BENCHMARK(BM_AdjustGamma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveCast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SubtractBlackFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveHotPixels)->Arg(3)->Arg(5)->Arg(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpeckleRemove)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeighbourFilter)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortraitSmooth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnsharpMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustSaturation)->Unit(benchmark::kMillisecond);

namespace {

void BM_GaussianBlur(benchmark::State& state) {
  std::vector<uint8_t> dst(BenchPicture().size());
  for (auto _ : state) {
    orv::GaussianBlur(BenchPicture().data(), dst.data(), kWidth, kHeight, 3, 1.5);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

}  // namespace

BENCHMARK(BM_GaussianBlur)->Unit(benchmark::kMillisecond);
