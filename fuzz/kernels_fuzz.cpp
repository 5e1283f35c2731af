// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Differential fuzzing of the pixel kernels: each input is a small picture and the settings of
// one kernel. The kernel runs on the reference code and on every vector target this processor
// supports; any difference in the output bytes or the result stops the run (and any memory fault
// the sanitizers see). Input layout: byte 0 the kernel, 1 and 2 width and height (1..64), 3..6
// the kernel's settings, the rest the pixels (repeated to fill the picture).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "filters/FilterSimulator.h"
#include "filters/FilterTable.h"
#include "filters/GaussianBlur.h"
#include "filters/ImageFilters.h"
#include "filters/KernelPath.h"
#include "filters/MinoltaMatcher.h"
#include "filters/NeighbourFilter.h"
#include "filters/NoiseRemoval.h"
#include "filters/Resample.h"
#include "filters/TwoPassScaler.h"

namespace {

struct Outcome {
  bool ok = false;
  std::vector<uint8_t> bytes;
  bool operator==(const Outcome&) const = default;
};

struct Input {
  int kernel, width, height;
  uint8_t s[4];
  std::vector<uint8_t> pixels;  // width x height x 4 bytes, enough for every channel count
};

Outcome Run(const Input& in) {
  const int w = in.width, h = in.height;
  const size_t rgb = size_t(w) * size_t(h) * 3;
  Outcome out;
  std::vector<uint8_t> pic(in.pixels.begin(), in.pixels.begin() + long(rgb));
  std::vector<uint8_t> dst(rgb, 0);
  orv::CImageFilters f;
  switch (in.kernel % 12) {
    case 0:
      out.ok = orv::NeighbourFilter(pic.data(), dst.data(), w, h, in.s[0] % 101, in.s[1] % 3);
      out.bytes = dst;
      return out;
    case 1:
      out.ok = orv::SpeckleRemove(pic.data(), w, h);
      break;
    case 2: {
      const int channels = 1 + in.s[0] % 4;
      std::vector<uint8_t> src(in.pixels.begin(), in.pixels.begin() + long(rgb / 3 * channels));
      dst.assign(src.size(), 0);
      out.ok = orv::GaussianBlur(src.data(), dst.data(), w, h, channels, 0.3 + in.s[1] / 16.0);
      out.bytes = dst;
      return out;
    }
    case 3: {
      const int channels = 1 + in.s[0] % 4;
      std::vector<uint8_t> src(in.pixels.begin(), in.pixels.begin() + long(rgb / 3 * channels));
      const double amount = (int(in.s[2]) - 128) / 16.0;
      out.ok = orv::UnsharpMaskInPlace(src.data(), w, h, channels, in.s[3] % 8, amount,
                                       0.3 + in.s[1] / 16.0);
      out.bytes = src;
      return out;
    }
    case 4:
      out.ok = f.RemoveHotPixels(pic.data(), w, h, in.pixels.data(), in.s[0], 3 + in.s[1] % 7);
      break;
    case 5:
      out.ok = f.PortraitSmooth(pic.data(), w, h, in.s[0] / 50.0, in.s[1] & 1);
      break;
    case 6:
      out.ok = orv::MatchMinoltaColors(pic.data(), w, h);
      break;
    case 7: {
      dst.assign(rgb, 0);
      out.ok = f.LumaPlane(pic.data(), w, h, dst.data());
      dst.resize(size_t(w) * size_t(h));
      out.bytes = dst;
      return out;
    }
    case 8:
    case 9: {
      const int W = 1 + in.s[0] % 64, H = 1 + in.s[1] % 64;
      std::vector<uint8_t> scaled(size_t(W) * size_t(H) * 3, 0);
      if (in.kernel % 12 == 8) {
        out.ok = orv::ResampleImage(pic.data(), w, h, scaled.data(), W, H, 3,
                                    orv::kLanczos3Kernel) == 0;
      } else {
        orv::CTwoPassScaler scaler;
        out.ok = scaler.Scale(pic.data(), w, h, scaled.data(), W, H);
      }
      out.bytes = scaled;
      return out;
    }
    case 11: {
      const auto filters = orv::FilterTable();
      out.ok = orv::SimulateFilter(pic.data(), w, h, filters[in.s[0] % filters.size()].name,
                                   in.s[1], in.s[2] & 1, in.s[3] & 1);
      break;
    }
    case 10:
      // Auto balance at the strengths the stage asks for (b / 255).
      out.ok = f.FindBalanceLevels(pic.data(), w, h, in.s[0] % 50, 200 + in.s[1] % 56) &&
               f.BalanceInPlace(pic.data(), w, h, in.s[2] / 255.0);
      break;
    default:
      out.ok = f.AutoLevels(pic.data(), w, h, in.s[0] % 50, 200 + in.s[1] % 56);
      break;
  }
  out.bytes = pic;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  Input in;
  in.kernel = data[0];
  in.width = 1 + data[1] % 64;
  in.height = 1 + data[2] % 64;
  std::memcpy(in.s, data + 3, 4);
  const uint8_t* body = data + 7;
  const size_t bodySize = size - 7;
  in.pixels.resize(size_t(in.width) * size_t(in.height) * 4);
  for (size_t i = 0; i < in.pixels.size(); ++i) in.pixels[i] = body[i % bodySize];

  Outcome reference;
  {
    orv::ScopedKernelTarget forced(orv::kReferenceKernels);
    reference = Run(in);
  }
  for (orv::KernelTarget t : orv::SupportedKernelTargets()) {
    if (t == orv::kReferenceKernels) continue;
    orv::ScopedKernelTarget forced(t);
    if (!(Run(in) == reference)) std::abort();  // a vector target differs from the reference
  }
  return 0;
}
