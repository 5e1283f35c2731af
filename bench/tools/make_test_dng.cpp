// Writes a camera RAW (DNG) of a JPEG for the RAW comparison in bench/: the picture as a 16-bit
// linear RGGB mosaic with the JPEG's exposure values, as the tests make theirs.
// Usage: orv_make_dng IN.jpg OUT.dng
#include <cstdio>

#include "support/DngFiles.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: orv_make_dng IN.jpg OUT.dng\n", stderr);
    return 2;
  }
  orv::test::DngShot shot;
  shot.make = "ORV";
  shot.model = "Bench Camera";
  shot.exposureTime = {1, 60};
  shot.fNumber = {4, 1};
  shot.iso = 400;
  orv::CImageFile jpeg;
  if (jpeg.Load(argv[1]) != 0) return 1;
  const int w = jpeg.width() & ~1, h = jpeg.height() & ~1;
  return orv::test::WriteDng(argv[2], jpeg.image().pixels(), jpeg.width(), w, h, shot, {}) ? 0 : 1;
}
