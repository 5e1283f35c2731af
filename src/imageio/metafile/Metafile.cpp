// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/metafile/Metafile.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

// Metafiles are vector data; anything this large is not one we can play.
constexpr uint64_t kMaxMetafileBytes = 256ull << 20;

bool IsEmf(const uint8_t* d, size_t n) {
  return n >= 44 && d[0] == 1 && d[1] == 0 && d[2] == 0 && d[3] == 0 &&
         std::memcmp(d + 40, " EMF", 4) == 0;
}

bool IsWmf(const uint8_t* d, size_t n) {
  if (n >= 4 && std::memcmp(d, "\xD7\xCD\xC6\x9A", 4) == 0) return true;
  return n >= 18 && (d[0] == 1 || d[0] == 2) && d[1] == 0 && d[2] == 9 && d[3] == 0;
}

}  // namespace

uint8_t* RenderMetafileMemory(const uint8_t* data, size_t size, int* width, int* height) {
  if (!BeginLibraryCall()) return nullptr;
  if (!data || !width || !height) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  if (IsEmf(data, size)) return PlayEmf(data, size, width, height);
  if (IsWmf(data, size)) return PlayWmf(data, size, width, height);
  SetLastLibraryError(kErrBadMetafile);
  return nullptr;
}

uint8_t* ReadMetafile(ImageSource* source, int /*bits*/, int* width, int* height) {
  if (!BeginLibraryCall()) return nullptr;
  if (!source) {
    SetLastLibraryError(kErrBadHandle);
    return nullptr;
  }
  const uint64_t size = SourceSize(source);
  std::vector<uint8_t> data;
  bool ok = size <= kMaxMetafileBytes;
  if (ok) {
    try {
      data.resize(size_t(size));
    } catch (...) {
      ok = false;
    }
  }
  ok = ok && SeekSource(source, 0, SEEK_SET) &&
       ReadSource(source, data.data(), data.size()) == data.size();
  if (!ok) {
    SetLastLibraryError(size > kMaxMetafileBytes ? kErrBadMetafile : kErrFileRead);
    return nullptr;
  }
  return RenderMetafileMemory(data.data(), data.size(), width, height);
}

uint8_t* RenderMetafile(const char* path, int* width, int* height) {
  ImageSource* source = OpenSourceFile(path);
  if (!source) {
    SetLastLibraryError(kErrFileOpen);
    return nullptr;
  }
  uint8_t* pixels = ReadMetafile(source, 24, width, height);
  CloseSource(source);
  return pixels;
}

}  // namespace orv
