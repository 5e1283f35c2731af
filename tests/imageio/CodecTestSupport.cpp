// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CodecTestSupport.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "LibjpegErrorTrap.h"
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

std::vector<uint8_t> EncodeWithLibjpeg(const uint8_t* pixels, int w, int h, int components,
                                       const LibjpegSettings& s) {
  jpeg_compress_struct c;
  LibjpegErrorTrap trap;
  c.err = trap.Install();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_create_compress(&c);
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&c);
    std::free(out);
    return {};
  }
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, s.quality, TRUE);
  if (components == 3) {
    c.comp_info[0].h_samp_factor = s.lumaH;
    c.comp_info[0].v_samp_factor = s.lumaV;
  }
  c.optimize_coding = s.optimize;
  c.restart_in_rows = s.restartRows;
  c.arith_code = s.arithmetic;
  if (s.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  const size_t stride = size_t(w) * size_t(components);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(pixels + size_t(c.next_scanline) * stride);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> file(out, out + size);
  std::free(out);
  jpeg_destroy_compress(&c);
  return file;
}

}  // namespace orv::testing
