// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Decode and encode of a generated 24-megapixel photo-like picture through ReadJpeg/WriteJpeg,
// all in memory. The whole-command comparisons (bench/*.sh) make their own photos.
#include <benchmark/benchmark.h>

#include <cmath>
#include <csetjmp>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "BenchPicture.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/JpegBandJoin.h"
#include "imageio/JpegResume.h"
#include "imageio/PixelBuffer.h"
#include "platform/ThreadBudget.h"

namespace orv {
namespace {

using bench::kHeight;
using bench::kWidth;

// Smooth gradients with some texture, so the coder does realistic work.
const std::vector<uint8_t>& Picture() {
  static const std::vector<uint8_t> pixels = [] {
    std::vector<uint8_t> p(size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        uint8_t* q = &p[(size_t(y) * kWidth + x) * 3];
        double t = std::sin(x * 0.01) * std::cos(y * 0.013);
        q[0] = uint8_t(128 + 100 * t + (x * y % 7));
        q[1] = uint8_t((x / 24 + y / 16) & 0xFF);
        q[2] = uint8_t(200 - (y * 50) / kHeight + ((x ^ y) & 7));
      }
    return p;
  }();
  return pixels;
}

const std::vector<uint8_t>& Encoded() {
  static const std::vector<uint8_t> file = [] {
    std::vector<uint8_t> buf(Picture().size());
    ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
    JpegEncodeOptions o;
    o.quality = 90;
    uint64_t size = WriteJpeg(dest, Picture().data(), kWidth, kHeight, o);
    CloseDest(dest);
    buf.resize(size_t(size));
    return buf;
  }();
  return file;
}

// The benchmarks take the thread limit as their argument: 1 is the one-piece code.
void BM_ReadJpeg24MP(benchmark::State& state) {
  ScopedThreadLimit threads(int(state.range(0)));
  const auto& file = Encoded();
  for (auto _ : state) {
    ImageSource* src = OpenSourceMemory(file.data(), file.size());
    int w = 0, h = 0;
    uint8_t* pixels = ReadJpeg(src, 24, &w, &h);
    benchmark::DoNotOptimize(pixels);
    FreeLibraryBuffer(pixels);
    CloseSource(src);
  }
}
BENCHMARK(BM_ReadJpeg24MP)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void WriteJpeg24MP(benchmark::State& state, const JpegEncodeOptions& o) {
  ScopedThreadLimit threads(int(state.range(0)));
  const auto& pixels = Picture();
  std::vector<uint8_t> buf(pixels.size());
  for (auto _ : state) {
    ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
    benchmark::DoNotOptimize(WriteJpeg(dest, pixels.data(), kWidth, kHeight, o));
    CloseDest(dest);
  }
}

void BM_WriteJpeg24MP(benchmark::State& state) {
  JpegEncodeOptions o;
  o.quality = 90;
  o.dct = JpegDct::AccurateInteger;  // as the program saves
  WriteJpeg24MP(state, o);
}
BENCHMARK(BM_WriteJpeg24MP)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Getting to the last MCU row of the picture BM_ReadJpeg24MP decodes: the walk of the
// entropy-coded data that a band's decode starts with, and for comparison libjpeg's own skip.
void BM_WalkJpegRows(benchmark::State& state) {
  const auto& file = Encoded();
  for (auto _ : state) {
    JpegRowWalker walker;
    if (!walker.Open(file) || !walker.WalkTo(walker.McuRows())) {
      state.SkipWithError("walk failed");
      return;
    }
    benchmark::DoNotOptimize(walker.At());
  }
  state.counters["MB"] = double(file.size()) / 1e6;
}
BENCHMARK(BM_WalkJpegRows)->Unit(benchmark::kMillisecond);

struct SkipErrorTrap {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void BM_SkipJpegRows(benchmark::State& state) {
  const auto& file = Encoded();
  for (auto _ : state) {
    jpeg_decompress_struct c;
    SkipErrorTrap trap;
    c.err = jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = [](j_common_ptr info) {
      std::longjmp(reinterpret_cast<SkipErrorTrap*>(info->err)->jump, 1);
    };
    jpeg_create_decompress(&c);
    if (setjmp(trap.jump)) {
      jpeg_destroy_decompress(&c);
      state.SkipWithError("libjpeg failed");
      return;
    }
    jpeg_mem_src(&c, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&c, TRUE);
    jpeg_start_decompress(&c);
    const JDIMENSION mcuRowHeight = JDIMENSION(c.max_v_samp_factor * DCTSIZE);
    const JDIMENSION mcuRows = (c.output_height + mcuRowHeight - 1) / mcuRowHeight;
    benchmark::DoNotOptimize(jpeg_skip_scanlines(&c, (mcuRows - 1) * mcuRowHeight));
    jpeg_abort_decompress(&c);
    jpeg_destroy_decompress(&c);
  }
}
BENCHMARK(BM_SkipJpegRows)->Unit(benchmark::kMillisecond);

// What a banded encoding adds after its bands: taking the stuffed zeros out of a band's stream
// (every band) and joining the bands' bits into one stuffed stream (once, on one core). One
// stream of the noisy filter picture at quality 88 with full chroma (about as many bytes as the
// whole-command photo's output), joined from its fourth bit so that every byte is shifted.
void BM_UnstuffAndJoin(benchmark::State& state) {
  static const std::vector<uint8_t> stream = [] {
    const std::vector<uint8_t>& pixels = bench::BenchPicture();
    std::vector<uint8_t> buf(pixels.size());
    ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
    JpegEncodeOptions o;
    o.quality = 88;
    o.fullChroma = true;
    const uint64_t size = WriteJpeg(dest, pixels.data(), kWidth, kHeight, o);
    CloseDest(dest);
    buf.resize(size_t(size));
    return buf;
  }();
  JpegScanLayout layout;
  if (!ParseJpegScanLayout(stream, &layout)) {
    state.SkipWithError("no layout");
    return;
  }
  std::vector<uint8_t> room(stream.size() + 8), joined;
  joined.reserve(stream.size() + 65536);
  for (auto _ : state) {
    std::copy(stream.begin(), stream.end(), room.begin());
    UnstuffedBits bits;
    if (!UnstuffEntropyInPlace(room, stream.size(), layout.headerEnd, &bits)) {
      state.SkipWithError("unstuff failed");
      return;
    }
    joined.clear();
    const BitRange range{&bits, 3, bits.bitCount};
    JoinBitRanges(std::span<const BitRange>(&range, 1), [&](const uint8_t* b, size_t n) {
      joined.insert(joined.end(), b, b + n);
      return true;
    });
    benchmark::DoNotOptimize(joined.data());
  }
  state.counters["MB"] = double(stream.size()) / 1e6;
}
BENCHMARK(BM_UnstuffAndJoin)->Unit(benchmark::kMillisecond);

// Full chroma at quality 88, as the whole-command thread comparison saves.
void BM_WriteJpeg24MPFullChroma(benchmark::State& state) {
  JpegEncodeOptions o;
  o.quality = 88;
  o.fullChroma = true;
  WriteJpeg24MP(state, o);
}
BENCHMARK(BM_WriteJpeg24MPFullChroma)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orv
