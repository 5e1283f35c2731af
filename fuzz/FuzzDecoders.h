// The decoders the fuzz targets drive, one entry per target name. The corpus replay test walks
// the same table, so every committed corpus file runs through its decoder under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imageio/Codecs.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/PixelBuffer.h"
#include "imageio/metafile/Metafile.h"

namespace orv::fuzz {

inline void DecodeWith(uint8_t* (*decode)(ImageSource*, int, int*, int*), const uint8_t* data,
                       size_t size) {
  ImageSource* src = OpenSourceMemory(data, size);
  int w = 0, h = 0;
  uint8_t* pixels = decode(src, 24, &w, &h);
  // Touch the first and last byte so a short buffer shows up under the sanitizers.
  if (pixels) {
    volatile uint8_t sink = pixels[0];
    sink = pixels[size_t(w) * size_t(h) * 3 - 1];
    (void)sink;
  }
  FreeLibraryBuffer(pixels);
  CloseSource(src);
}

inline void FuzzJpeg(const uint8_t* data, size_t size) {
  // Both bit depths, and the header call that keeps the segments.
  DecodeWith(ReadJpeg, data, size);
  ImageSource* src = OpenSourceMemory(data, size);
  int w = 0, h = 0;
  FreeLibraryBuffer(ReadJpeg(src, 8, &w, &h));
  CloseSource(src);
}

inline void FuzzMetafile(const uint8_t* data, size_t size) {
  int w = 0, h = 0;
  FreeLibraryBuffer(RenderMetafileMemory(data, size, &w, &h));
}

// The program plays WMF files in a child process; the fuzzer drives the player in its own, where
// it sees every fault and the player's coverage.
inline void FuzzWmf(const uint8_t* data, size_t size) {
#ifdef ORV_FUZZ_WMF_HERE
  int w = 0, h = 0;
  FreeLibraryBuffer(PlayWmfHere(data, size, &w, &h));
#else
  FuzzMetafile(data, size);
#endif
}

struct Target {
  const char* name;
  void (*run)(const uint8_t*, size_t);
};

inline const Target kTargets[] = {
    {"jpeg", FuzzJpeg},
    {"png", [](const uint8_t* d, size_t n) { DecodeWith(ReadPng, d, n); }},
    {"tiff", [](const uint8_t* d, size_t n) { DecodeWith(ReadTiff, d, n); }},
    {"bmp", [](const uint8_t* d, size_t n) { DecodeWith(ReadBmp, d, n); }},
    {"tga", [](const uint8_t* d, size_t n) { DecodeWith(ReadTga, d, n); }},
    {"pcx", [](const uint8_t* d, size_t n) { DecodeWith(ReadPcx, d, n); }},
    {"psd", [](const uint8_t* d, size_t n) { DecodeWith(ReadPsd, d, n); }},
    {"emf", FuzzMetafile},
    {"wmf", FuzzWmf},
};

inline void RunTarget(const char* name, const uint8_t* data, size_t size) {
  for (const Target& t : kTargets)
    if (std::strcmp(t.name, name) == 0) t.run(data, size);
}

}  // namespace orv::fuzz
