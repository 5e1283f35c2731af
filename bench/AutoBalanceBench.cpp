// Auto balance on a generated 24-megapixel picture: AutoLevels, Blend, the pair, and the one-pass
// form the pipeline runs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <optional>
#include <vector>

#include "BenchPicture.h"
#include "filters/ImageFilters.h"
#include "filters/KernelPath.h"

namespace orv {
namespace {

using bench::BenchPicture;
using bench::kHeight;
using bench::kWidth;
using bench::SetMegapixels;

void BM_AutoLevels(benchmark::State& state) {
  std::vector<uint8_t> work(BenchPicture().size());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.data(), BenchPicture().data(), work.size());
    state.ResumeTiming();
    CImageFilters f;
    f.AutoLevels(work.data(), kWidth, kHeight, 5, 250);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

void BM_Blend(benchmark::State& state) {
  std::vector<uint8_t> dst(BenchPicture()), src(BenchPicture().size());
  for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(255 - dst[i]);
  for (auto _ : state) {
    CImageFilters f;
    f.Blend(dst.data(), kWidth, kHeight, src.data(), kWidth, kHeight, 215 / 255.0);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

// The pipeline's auto-balance stage after its copy into the spare buffer.
void BM_AutoLevelsThenBlend(benchmark::State& state) {
  std::vector<uint8_t> picture(BenchPicture().size()), work(BenchPicture().size());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(picture.data(), BenchPicture().data(), picture.size());
    std::memcpy(work.data(), BenchPicture().data(), work.size());
    state.ResumeTiming();
    CImageFilters f;
    f.AutoLevels(work.data(), kWidth, kHeight, 5, 250);
    f.Blend(picture.data(), kWidth, kHeight, work.data(), kWidth, kHeight, 215 / 255.0);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

// The stage as it runs now: the levels from one read of the picture, then one pass in place.
// Arg 0 forces the reference code, 1 the widest vector target (capped by ORV_KERNELS).
void BM_BalanceOnePass(benchmark::State& state) {
  std::vector<uint8_t> picture(BenchPicture().size());
  std::optional<ScopedKernelTarget> reference;
  if (!state.range(0)) reference.emplace(kReferenceKernels);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(picture.data(), BenchPicture().data(), picture.size());
    state.ResumeTiming();
    CImageFilters f;
    f.FindBalanceLevels(picture.data(), kWidth, kHeight, 5, 250);
    f.BalanceInPlace(picture.data(), kWidth, kHeight, 215 / 255.0);
    benchmark::ClobberMemory();
  }
  SetMegapixels(state);
}

}  // namespace
}  // namespace orv

BENCHMARK(orv::BM_AutoLevels)->Unit(benchmark::kMillisecond);
BENCHMARK(orv::BM_Blend)->Unit(benchmark::kMillisecond);
BENCHMARK(orv::BM_AutoLevelsThenBlend)->Unit(benchmark::kMillisecond);
BENCHMARK(orv::BM_BalanceOnePass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
