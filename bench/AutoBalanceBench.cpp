// Auto balance on a generated 24-megapixel picture: AutoLevels, Blend, and the pair as the
// pipeline runs it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "filters/ImageFilters.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// A smooth gradient with noise: realistic histograms without a camera file.
const std::vector<uint8_t>& Picture() {
  static const std::vector<uint8_t> pic = [] {
    std::vector<uint8_t> p(size_t(kWidth) * kHeight * 3);
    std::mt19937 rng(7);
    size_t i = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        int n = int(rng() % 21) - 10;
        p[i++] = uint8_t(std::clamp(40 + x * 150 / kWidth + n, 0, 255));
        p[i++] = uint8_t(std::clamp(30 + y * 170 / kHeight + n, 0, 255));
        p[i++] = uint8_t(std::clamp(60 + (x + y) * 100 / (kWidth + kHeight) + n, 0, 255));
      }
    }
    return p;
  }();
  return pic;
}

void SetMegapixels(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * state.iterations(),
                                              benchmark::Counter::kIsRate);
}

void BM_AutoLevels(benchmark::State& state) {
  std::vector<uint8_t> work(Picture().size());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.data(), Picture().data(), work.size());
    state.ResumeTiming();
    orv::CImageFilters f;
    f.AutoLevels(work.data(), kWidth, kHeight, 5, 250);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

void BM_Blend(benchmark::State& state) {
  std::vector<uint8_t> dst(Picture()), src(Picture().size());
  for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(255 - dst[i]);
  for (auto _ : state) {
    orv::CImageFilters f;
    f.Blend(dst.data(), kWidth, kHeight, src.data(), kWidth, kHeight, 215 / 255.0);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

// The pipeline's auto-balance stage after its copy into the spare buffer.
void BM_AutoLevelsThenBlend(benchmark::State& state) {
  std::vector<uint8_t> picture(Picture().size()), work(Picture().size());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(picture.data(), Picture().data(), picture.size());
    std::memcpy(work.data(), Picture().data(), work.size());
    state.ResumeTiming();
    orv::CImageFilters f;
    f.AutoLevels(work.data(), kWidth, kHeight, 5, 250);
    f.Blend(picture.data(), kWidth, kHeight, work.data(), kWidth, kHeight, 215 / 255.0);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

}  // namespace

BENCHMARK(BM_AutoLevels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoLevelsThenBlend)->Unit(benchmark::kMillisecond);
