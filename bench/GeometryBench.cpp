// Resize, filter simulation and Minolta matching on a generated 24-megapixel picture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "filters/FilterSimulator.h"
#include "filters/MinoltaMatcher.h"
#include "imageio/ResizeImage.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// Smooth gradients with noise, so flat-area shortcuts fire only as often as in a photograph.
const std::vector<uint8_t>& Picture() {
  static const std::vector<uint8_t> pic = [] {
    std::vector<uint8_t> p(size_t(kWidth) * kHeight * 3);
    std::mt19937 rng(9);
    size_t i = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const int n = int(rng() % 9) - 4;
        p[i++] = uint8_t(std::clamp(30 + x * 190 / kWidth + n, 0, 255));
        p[i++] = uint8_t(std::clamp(20 + y * 200 / kHeight + n, 0, 255));
        p[i++] = uint8_t(std::clamp(90 + ((x / 40 + y / 40) % 7) * 20 + n, 0, 255));
      }
    return p;
  }();
  return pic;
}

void Megapixels(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * state.iterations(),
                                              benchmark::Counter::kIsRate);
}

void BM_ResizeHalf(benchmark::State& state) {
  const int filter = int(state.range(0));
  std::vector<uint8_t> out(size_t(kWidth / 2) * (kHeight / 2) * 3);
  for (auto _ : state) {
    orv::ResizeImage(Picture().data(), kWidth, kHeight, out.data(), kWidth / 2, kHeight / 2,
                     filter);
    benchmark::ClobberMemory();
  }
  Megapixels(state);
}
BENCHMARK(BM_ResizeHalf)->Arg(0)->Arg(1)->ArgName("filter")->Unit(benchmark::kMillisecond);

// The in-place filters run on a fresh copy each time; the copy is outside the timing.
template <typename F>
void InPlace(benchmark::State& state, F filter) {
  std::vector<uint8_t> work(Picture().size());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.data(), Picture().data(), work.size());
    state.ResumeTiming();
    filter(work.data());
    benchmark::ClobberMemory();
  }
  Megapixels(state);
}

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
