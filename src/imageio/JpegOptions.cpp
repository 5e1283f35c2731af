// The per-thread JPEG comment and marker lists and the JPEG coding options.
#include <cstring>
#include <new>

#include "imageio/Jpeg.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"

namespace orv {
namespace {

// A JPEG segment holds at most 65535 - 2 length bytes of payload.
constexpr size_t kMaxSegmentPayload = 65533;

}  // namespace

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

bool AddJpegOutputComment(const char* text) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return false;
  if (!text || std::strlen(text) > kMaxSegmentPayload) {
    SetLastLibraryError(kErrBadParam);
    return false;
  }
  try {
    ctx->outputComments.emplace_back(text);
  } catch (...) {
    SetLastLibraryError(kErrNoMemory);
    return false;
  }
  return true;
}

void ClearJpegOutputComments() {
  if (LibraryContext* ctx = BeginLibraryCall()) ctx->outputComments.clear();
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

bool AddJpegOutputMarker(const uint8_t* payload, size_t length, int markerCode) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return false;
  if ((!payload && length) || length > kMaxSegmentPayload || markerCode < 0xE0 ||
      markerCode > 0xEF) {
    SetLastLibraryError(kErrBadParam);
    return false;
  }
  try {
    JpegMarker m;
    m.code = markerCode;
    if (length) m.payload.assign(payload, payload + length);
    ctx->outputMarkers.push_back(std::move(m));
  } catch (...) {
    SetLastLibraryError(kErrNoMemory);
    return false;
  }
  return true;
}

void ClearJpegOutputMarkers() {
  if (LibraryContext* ctx = BeginLibraryCall()) ctx->outputMarkers.clear();
}

bool SetJpegSampling(const int* horizontal, const int* vertical) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return false;
  if (!horizontal && !vertical) {
    ctx->samplingOverride = false;
    return true;
  }
  if (!horizontal || !vertical) {
    SetLastLibraryError(kErrBadParam);
    return false;
  }
  for (int i = 0; i < LibraryContext::kComponentCount; ++i) {
    if (horizontal[i] < 1 || horizontal[i] > 4 || vertical[i] < 1 || vertical[i] > 4) {
      SetLastLibraryError(kErrBadParam);
      return false;
    }
  }
  for (int i = 0; i < LibraryContext::kComponentCount; ++i) {
    ctx->hSampling[i] = horizontal[i];
    ctx->vSampling[i] = vertical[i];
  }
  ctx->samplingOverride = true;
  return true;
}

bool SetJpegDctMethod(int selector) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return false;
  if (selector < 0 || selector > 3) {
    SetLastLibraryError(kErrBadParam);
    return false;
  }
  ctx->dctMethod = selector;
  return true;
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
