// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CodecTestSupport.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "imageio/LibraryError.h"

namespace orv::testing {
namespace {

struct Growing {
  std::vector<uint8_t> data;
  size_t pos = 0;
};

bool GOpen(ImageDest*, void*) {
  return true;
}
size_t GWrite(void* o, const void* d, size_t n) {
  auto* g = static_cast<Growing*>(o);
  if (g->pos + n > g->data.size()) g->data.resize(g->pos + n);
  std::memcpy(g->data.data() + g->pos, d, n);
  g->pos += n;
  return n;
}
bool GSeek(void* o, int64_t off, int origin) {
  auto* g = static_cast<Growing*>(o);
  int64_t base = origin == SEEK_SET   ? 0
                 : origin == SEEK_CUR ? int64_t(g->pos)
                                      : int64_t(g->data.size());
  if (base + off < 0) return false;
  g->pos = size_t(base + off);
  if (g->pos > g->data.size()) g->data.resize(g->pos);
  return true;
}
int64_t GPos(void* o) {
  return int64_t(static_cast<Growing*>(o)->pos);
}
int64_t GSize(void* o) {
  return int64_t(static_cast<Growing*>(o)->data.size());
}
bool GFlush(void*) {
  return true;
}
void GClose(void*, bool) {}

}  // namespace

Decoded DecodeMemory(DecodeFn fn, const std::vector<uint8_t>& data) {
  Decoded d;
  ImageSource* src = OpenSourceMemory(data.data(), data.size());
  d.pixels.reset(fn(src, 24, &d.width, &d.height));
  d.error = GetLastLibraryError();
  CloseSource(src);
  return d;
}

std::vector<uint8_t> EncodeMemory(EncodeFn fn, const std::vector<uint8_t>& pixels, int w, int h) {
  Growing g;
  DestCallbacks cb{GOpen, GWrite, GSeek, GPos, GSize, GFlush, GClose, nullptr};
  ImageDest* dest = OpenDestCallbacks(&cb, &g);
  bool ok = fn(dest, pixels.data(), w, h, 24);
  CloseDest(dest);
  if (!ok) g.data.clear();
  return g.data;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::path(ORV_BINARY_DIR) / "test-tmp" /
          ("imageio-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

}  // namespace orv::testing
