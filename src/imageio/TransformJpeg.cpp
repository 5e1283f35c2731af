// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/TransformJpeg.h"

#include <turbojpeg.h>

#include <limits>
#include <new>

#include "imageio/GeometryResult.h"

namespace orv {
namespace {

constexpr unsigned kKnownFlags = 0xFFu | kJpegToGreyscale | kJpegNoTrim | kJpegProgressive;

int TurboOperation(unsigned selector) {
  switch (selector) {
    case kJpegNoTransform:
      return TJXOP_NONE;
    case kJpegFlipLeftRight:
      return TJXOP_HFLIP;
    case kJpegFlipTopBottom:
      return TJXOP_VFLIP;
    case kJpegTransverse:
      return TJXOP_TRANSVERSE;
    case kJpegTranspose:
      return TJXOP_TRANSPOSE;
    case kJpegRotate90:
      return TJXOP_ROT90;
    case kJpegRotate180:
      return TJXOP_ROT180;
    case kJpegRotate270:
      return TJXOP_ROT270;
    default:
      return -1;
  }
}

struct TurboHandle {
  tjhandle h = tjInitTransform();
  ~TurboHandle() {
    if (h) tjDestroy(h);
  }
};

}  // namespace

unsigned TransformJpeg(const uint8_t* src, size_t srcSize, unsigned flags,
                       const TransformSink& sink) {
  const int op = TurboOperation(flags & 0xFFu);
  if (!src || srcSize == 0 || op < 0 || (flags & ~kKnownFlags) != 0 ||
      srcSize > std::numeric_limits<unsigned long>::max())
    return kGeometryBadParam;
  TurboHandle turbo;
  if (!turbo.h) return kGeometryNoMemory;

  tjtransform xf{};
  xf.op = op;
  // Markers are copied by default (no TJXOPT_COPYNONE); the output is baseline unless asked.
  if (!(flags & kJpegNoTrim)) xf.options |= TJXOPT_TRIM;
  if (flags & kJpegToGreyscale) xf.options |= TJXOPT_GRAY;
  if (flags & kJpegProgressive) xf.options |= TJXOPT_PROGRESSIVE;

  unsigned char* dst = nullptr;
  unsigned long dstSize = 0;
  if (tjTransform(turbo.h, src, static_cast<unsigned long>(srcSize), 1, &dst, &dstSize, &xf, 0) !=
      0) {
    tjFree(dst);
    return kGeometryBadJpeg;
  }
  unsigned result = sink(dst, size_t(dstSize));
  tjFree(dst);
  return result;
}

unsigned TransformJpeg(const uint8_t* src, size_t srcSize, unsigned flags,
                       std::vector<uint8_t>& out) {
  out.clear();
  return TransformJpeg(src, srcSize, flags, [&](const uint8_t* data, size_t size) -> unsigned {
    try {
      out.assign(data, data + size);
    } catch (const std::bad_alloc&) {
      out.clear();
      return kGeometryNoMemory;
    }
    return kGeometryOk;
  });
}

}  // namespace orv
