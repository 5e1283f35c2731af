// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the JPEG decoder leaves in the thread's context: the comments and markers it met, its
// scale, whether the data was cut short.
#include <cstring>
#include <new>

#include "imageio/Jpeg.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"

namespace orv {

bool JpegInputWasTruncated() {
  LibraryContext* ctx = ExistingContext();
  return ctx && ctx->lastJpegTruncated;
}

int GetJpegInputCommentCount() {
  LibraryContext* ctx = BeginLibraryCall();
  return ctx ? int(ctx->inputComments.size()) : 0;
}

char* GetJpegInputComment(int index, size_t* length) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return nullptr;
  if (index < 0 || size_t(index) >= ctx->inputComments.size()) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  const std::string& text = ctx->inputComments[size_t(index)];
  auto* copy = reinterpret_cast<char*>(new (std::nothrow) uint8_t[text.size() + 1]);
  if (!copy) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  if (length) *length = text.size();
  return copy;
}

int GetJpegInputMarkerCount() {
  LibraryContext* ctx = BeginLibraryCall();
  return ctx ? int(ctx->inputMarkers.size()) : 0;
}

uint8_t* GetJpegInputMarker(int index, size_t* length, int* markerCode) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return nullptr;
  if (index < 0 || size_t(index) >= ctx->inputMarkers.size() || !length) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  const JpegMarker& m = ctx->inputMarkers[size_t(index)];
  uint8_t* copy = new (std::nothrow) uint8_t[m.payload.size() ? m.payload.size() : 1];
  if (!copy) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  if (!m.payload.empty()) std::memcpy(copy, m.payload.data(), m.payload.size());
  *length = m.payload.size();
  if (markerCode) *markerCode = m.code;
  return copy;
}

bool SetJpegDecodeScale(int numerator, int denominator) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return false;
  if (numerator < 1 || denominator < 1 || numerator > 16 || denominator > 16) {
    SetLastLibraryError(kErrBadParam);
    return false;
  }
  ctx->decodeScaleNum = numerator;
  ctx->decodeScaleDenom = denominator;
  return true;
}

}  // namespace orv
