// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/LibraryContext.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <mutex>
#include <new>

#include "imageio/LibraryError.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

std::mutex& ContextListLock() {
  static std::mutex lock;
  return lock;
}

// Contexts stay reachable from this list until shutdown, so thread exit does not free them.
std::vector<LibraryContext*>& ContextList() {
  static std::vector<LibraryContext*>* list = new std::vector<LibraryContext*>();
  return *list;
}

// Bumped at shutdown so that threads notice their cached pointer is stale.
std::atomic<uint64_t> gGeneration{1};

struct ThreadSlot {
  LibraryContext* context = nullptr;
  uint64_t generation = 0;
};
thread_local ThreadSlot tSlot;

}  // namespace

LibraryContext* ExistingContext() {
  if (tSlot.context && tSlot.generation == gGeneration.load(std::memory_order_acquire))
    return tSlot.context;
  return nullptr;
}

LibraryContext* CurrentContext() {
  if (LibraryContext* ctx = ExistingContext()) return ctx;
  LibraryContext* ctx = new (std::nothrow) LibraryContext();
  if (!ctx) return nullptr;
  {
    std::lock_guard<std::mutex> guard(ContextListLock());
    try {
      ContextList().push_back(ctx);
    } catch (...) {
      delete ctx;
      return nullptr;
    }
    tSlot.generation = gGeneration.load(std::memory_order_acquire);
  }
  tSlot.context = ctx;
  return ctx;
}

LibraryContext* BeginLibraryCall() {
  LibraryContext* ctx = CurrentContext();
  if (ctx) ctx->lastError = kErrNone;
  return ctx;
}

void ShutdownImageLibrary() {
  std::lock_guard<std::mutex> guard(ContextListLock());
  gGeneration.fetch_add(1, std::memory_order_acq_rel);
  for (LibraryContext* ctx : ContextList()) delete ctx;
  ContextList().clear();
  tSlot.context = nullptr;
}

void SetLibraryProgressCallback(ProgressCallback callback, void* user) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return;
  ctx->progress = callback;
  ctx->progressUser = user;
}

unsigned GetLastLibraryError() {
  LibraryContext* ctx = ExistingContext();
  return ctx ? ctx->lastError : kErrNoContext;
}

void SetLastLibraryError(unsigned code) {
  if (LibraryContext* ctx = CurrentContext()) ctx->lastError = code;
}

const char* LibraryErrorText(unsigned code) {
  static const char* const kMessages[] = {
      "no err",                                                                     // 0
      "out of memory",                                                              // 1
      "error on file open",                                                         // 2
      "error on file read",                                                         // 3
      "error on file write",                                                        // 4
      "bad user param",                                                             // 5
      "bad BMP file",                                                               // 6
      "some RLE variations are not supported",                                      // 7
      nullptr,                                                                      // 8
      "bad JPG file",                                                               // 9
      "error with device context",                                                  // 10
      "problem with a GetDIBits call",                                              // 11
      nullptr,                                                                      // 12
      "resource not found",                                                         // 13
      "callback returned FALSE - operation aborted",                                // 14
      "bad PNG file",                                                               // 15
      "internal PNG lib behavior",                                                  // 16
      "misc unexpected behavior error",                                             // 17
      "trouble creating a font object",                                             // 18
      "misc internal TIFF error",                                                   // 19
      "invalid TIFF file",                                                          // 20
      "this will not read TIFF-LZW images",                                         // 21
      "invalid PCX image",                                                          // 22
      "a call to the fn CreateCompatibleBitmap failed",                             // 23
      "end of an image while using single-line de/compression",                     // 24
      "error during a call to GetDIBits",                                           // 25
      "device does not support an operation required by this function",             // 26
      "invalid windows metafile",                                                   // 27
      "the file was not of the requested bit-depth",                                // 28
      "a call to BitBlt failed.",                                                   // 29
      "output buffer is too small for this operation",                              // 30
      "not enough room in the output palette to store the colors from this image",  // 31
      "bad TGA File",                                                               // 32
      nullptr,                                                                      // 33
      nullptr,                                                                      // 34
      "a call to the fn CreateDIBitmap failed",                                     // 35
      "LZW de/compression is not permitted",                                        // 36
  };
  constexpr unsigned kCount = sizeof(kMessages) / sizeof(kMessages[0]);
  if (code < kCount && kMessages[code]) return kMessages[code];
  if (code == kErrRawCamera) return "camera not supported by this LibRaw version";
  if (code == kErrNoDecodeHelper) return "the decoding helper orv-decode is not installed";
  if (code == kErrBadHeif || code == kErrHeifEncode || code == kErrBadRaw) {
    // The codec library's message says what was wrong with the file; it is the thread's latest.
    thread_local std::string text;
    const LibraryContext* ctx = ExistingContext();
    text = code == kErrBadHeif     ? "bad HEIF file"
           : code == kErrBadRaw    ? "bad RAW file"
                                   : "HEIF encoding failed";
    if (ctx && !ctx->errorDetail.empty()) text += ": " + ctx->errorDetail;
    return text.c_str();
  }
  // Codes without a fixed message are formatted per thread, so the text survives other threads.
  thread_local char buffer[32];
  std::snprintf(buffer, sizeof(buffer), "Error #%u!", code);
  return buffer;
}

std::string DescribeLoadError(unsigned code) {
  RefusedSize r = LastRefusedSize();
  if (code != kErrNoMemory || r.width <= 0 || r.height <= 0) return LibraryErrorText(code);
  // One decimal with a point whatever the locale (the desktop program runs under the user's).
  auto megapixels = [](double pixels) {
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, pixels / 1e6, std::chars_format::fixed, 1);
    std::string t(text, end.ec == std::errc() ? end.ptr : text);
    if (t.size() > 2 && t.compare(t.size() - 2, 2, ".0") == 0) t.resize(t.size() - 2);
    return t;
  };
  char text[160];
  std::snprintf(text, sizeof text, "%lld x %lld = %s MP exceeds the limit of %s MP",
                static_cast<long long>(r.width), static_cast<long long>(r.height),
                megapixels(double(r.width) * double(r.height)).c_str(),
                megapixels(double(MaxPixelCount())).c_str());
  return std::string(text) + " (ORV_MAX_MEGAPIXELS)";
}

}  // namespace orv
