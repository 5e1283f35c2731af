// Camera RAW test files made at test time: DNGs written with libtiff from the committed sample
// JPEGs. The picture becomes a 16-bit linear RGGB mosaic, IFD0 carries the DNG tags LibRaw needs
// and the JPEG's make, model, date and an orientation, the Exif directory its exposure values.
#pragma once

#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/ImageFile.h"

// The sample JPEG's tags are read with exiv2, which still declares std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace orv::test {

// A rational as the camera stored it; libtiff writes doubles as its own fractions, so the file's
// fractions are put back once libtiff has written it.
struct Ratio {
  int64_t num = 0, den = 0;
  double value() const { return den ? double(num) / double(den) : 0; }
  bool set() const { return den != 0; }
};

struct DngShot {
  std::string make, model, dateTime, dateTimeOriginal;
  Ratio exposureTime, fNumber, subjectDistance, shutterSpeedValue;
  int iso = 0, flash = -1, exposureProgram = -1, meteringMode = -1, colorSpace = -1;
};

struct DngOptions {
  int orientation = 1;
  bool withExif = true;
};

// The exposure values of a JPEG's EXIF record, as numbers.
inline DngShot ReadShot(const std::string& jpegPath) {
  DngShot shot;
  auto image = Exiv2::ImageFactory::open(jpegPath);
  image->readMetadata();
  const Exiv2::ExifData& exif = image->exifData();
  auto text = [&](const char* key) {
    auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? std::string() : it->toString();
  };
  auto number = [&](const char* key, double none) {
    auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? none : double(it->toFloat());
  };
  auto ratio = [&](const char* key) {
    auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end()) return Ratio();
    const Exiv2::Rational r = it->toRational();
    return Ratio{r.first, r.second};
  };
  shot.make = text("Exif.Image.Make");
  shot.model = text("Exif.Image.Model");
  shot.dateTime = text("Exif.Image.DateTime");
  shot.dateTimeOriginal = text("Exif.Photo.DateTimeOriginal");
  shot.exposureTime = ratio("Exif.Photo.ExposureTime");
  shot.fNumber = ratio("Exif.Photo.FNumber");
  shot.subjectDistance = ratio("Exif.Photo.SubjectDistance");
  shot.shutterSpeedValue = ratio("Exif.Photo.ShutterSpeedValue");
  shot.iso = int(number("Exif.Photo.ISOSpeedRatings", 0));
  shot.flash = int(number("Exif.Photo.Flash", -1));
  shot.exposureProgram = int(number("Exif.Photo.ExposureProgram", -1));
  shot.meteringMode = int(number("Exif.Photo.MeteringMode", -1));
  shot.colorSpace = int(number("Exif.Photo.ColorSpace", -1));
  return shot;
}

// Rewrites the fractions of the Exif directory at `ifd` (little-endian, as libtiff writes here)
// with the camera's own.
inline bool PutBackRatios(const std::string& path, uint64_t ifd, const DngShot& shot) {
  FILE* f = std::fopen(path.c_str(), "r+b");
  if (!f) return false;
  auto at = [f](uint64_t offset) { return std::fseek(f, long(offset), SEEK_SET) == 0; };
  uint8_t countBytes[2];
  bool ok = at(ifd) && std::fread(countBytes, 1, 2, f) == 2;
  const unsigned count = ok ? unsigned(countBytes[0] | countBytes[1] << 8) : 0;
  for (unsigned i = 0; ok && i < count; ++i) {
    uint8_t e[12];
    ok = at(ifd + 2 + uint64_t(i) * 12) && std::fread(e, 1, 12, f) == 12;
    const unsigned tag = unsigned(e[0] | e[1] << 8);
    const Ratio* r = tag == 0x829A   ? &shot.exposureTime
                     : tag == 0x829D ? &shot.fNumber
                     : tag == 0x9206 ? &shot.subjectDistance
                     : tag == 0x9201 ? &shot.shutterSpeedValue
                                     : nullptr;
    if (!ok || !r || !r->set()) continue;
    const uint32_t offset = uint32_t(e[8] | e[9] << 8 | e[10] << 16 | uint32_t(e[11]) << 24);
    const uint32_t v[2] = {uint32_t(r->num), uint32_t(r->den)};
    uint8_t bytes[8];
    for (int k = 0; k < 8; ++k) bytes[k] = uint8_t(v[k / 4] >> (8 * (k % 4)));
    ok = at(offset) && std::fwrite(bytes, 1, 8, f) == 8;
  }
  return std::fclose(f) == 0 && ok;
}

inline uint16_t Linear16(uint8_t v) {
  const double c = v / 255.0;
  const double lin = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  return uint16_t(std::lround(lin * 65535));
}

// Writes `pixels` (RGB rows of `stride` pixels, w x h used) as a DNG; false when libtiff refuses.
inline bool WriteDng(const std::string& path, const uint8_t* pixels, int stride, int w, int h,
                     const DngShot& shot, const DngOptions& o) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return false;
  uint64_t exifOffset = 0;
  if (o.withExif) {
    if (TIFFCreateEXIFDirectory(tif) != 0) return TIFFClose(tif), false;
    if (shot.exposureTime.set())
      TIFFSetField(tif, EXIFTAG_EXPOSURETIME, shot.exposureTime.value());
    if (shot.fNumber.set()) TIFFSetField(tif, EXIFTAG_FNUMBER, shot.fNumber.value());
    if (shot.shutterSpeedValue.set())
      TIFFSetField(tif, EXIFTAG_SHUTTERSPEEDVALUE, shot.shutterSpeedValue.value());
    if (shot.iso > 0) {
      uint16_t iso = uint16_t(shot.iso);
      TIFFSetField(tif, EXIFTAG_ISOSPEEDRATINGS, 1, &iso);
    }
    if (shot.flash >= 0) TIFFSetField(tif, EXIFTAG_FLASH, uint16_t(shot.flash));
    if (shot.exposureProgram >= 0)
      TIFFSetField(tif, EXIFTAG_EXPOSUREPROGRAM, uint16_t(shot.exposureProgram));
    if (shot.meteringMode >= 0)
      TIFFSetField(tif, EXIFTAG_METERINGMODE, uint16_t(shot.meteringMode));
    if (shot.colorSpace >= 0) TIFFSetField(tif, EXIFTAG_COLORSPACE, uint16_t(shot.colorSpace));
    if (shot.subjectDistance.set())
      TIFFSetField(tif, EXIFTAG_SUBJECTDISTANCE, shot.subjectDistance.value());
    if (!shot.dateTimeOriginal.empty())
      TIFFSetField(tif, EXIFTAG_DATETIMEORIGINAL, shot.dateTimeOriginal.c_str());
    if (!TIFFWriteCustomDirectory(tif, &exifOffset)) return TIFFClose(tif), false;
    TIFFFreeDirectory(tif);
    TIFFCreateDirectory(tif);
  }
  const uint32_t width = uint32_t(w), height = uint32_t(h);
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803);  // CFA
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(16));
  TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(o.orientation));
  if (!shot.make.empty()) TIFFSetField(tif, TIFFTAG_MAKE, shot.make.c_str());
  if (!shot.model.empty()) TIFFSetField(tif, TIFFTAG_MODEL, shot.model.c_str());
  if (!shot.dateTime.empty()) TIFFSetField(tif, TIFFTAG_DATETIME, shot.dateTime.c_str());
  const uint8_t version[4] = {1, 4, 0, 0};
  TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
  TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, version);
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "ORV Test Camera");
  const uint16_t repeat[2] = {2, 2};
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
  const uint8_t pattern[4] = {0, 1, 1, 2};  // RGGB
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
  const uint32_t white = 65535;
  TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, &white);
  // The camera's space is linear sRGB: XYZ (D65) to linear sRGB.
  const float matrix[9] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f,
                           0.0415f, 0.0557f,  -0.2040f, 1.0570f};
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, matrix);
  TIFFSetField(tif, TIFFTAG_CALIBRATIONILLUMINANT1, uint16_t(21));  // D65
  const float neutral[3] = {1, 1, 1};
  TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
  if (o.withExif) TIFFSetField(tif, TIFFTAG_EXIFIFD, exifOffset);
  std::vector<uint16_t> row(width);
  bool ok = true;
  for (uint32_t y = 0; y < height && ok; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const int c = (y & 1) == 0 ? ((x & 1) == 0 ? 0 : 1) : ((x & 1) == 0 ? 1 : 2);
      const uint32_t sx = x < uint32_t(w) ? x : uint32_t(w) - 1;
      const uint32_t sy = y < uint32_t(h) ? y : uint32_t(h) - 1;
      row[x] = Linear16(pixels[(size_t(sy) * size_t(stride) + sx) * 3 + size_t(c)]);
    }
    ok = TIFFWriteScanline(tif, row.data(), y, 0) == 1;
  }
  ok = TIFFWriteDirectory(tif) && ok;
  TIFFClose(tif);
  return ok && (!o.withExif || PutBackRatios(path, exifOffset, shot));
}

// Makes IFD0 of a DNG written above claim `width` x `height` photosites (LONG values), over
// the data of the size it has.
inline bool ClaimDngSize(const std::string& path, uint32_t width, uint32_t height) {
  FILE* f = std::fopen(path.c_str(), "r+b");
  if (!f) return false;
  uint8_t head[8], countBytes[2];
  bool ok = std::fread(head, 1, 8, f) == 8;
  const uint32_t ifd = uint32_t(head[4] | head[5] << 8 | head[6] << 16 | uint32_t(head[7]) << 24);
  ok = ok && std::fseek(f, long(ifd), SEEK_SET) == 0 && std::fread(countBytes, 1, 2, f) == 2;
  const unsigned count = ok ? unsigned(countBytes[0] | countBytes[1] << 8) : 0;
  for (unsigned i = 0; ok && i < count; ++i) {
    uint8_t e[12];
    const long at = long(ifd + 2 + i * 12);
    ok = std::fseek(f, at, SEEK_SET) == 0 && std::fread(e, 1, 12, f) == 12;
    const unsigned tag = unsigned(e[0] | e[1] << 8);
    if (!ok || (tag != 256 && tag != 257)) continue;
    const uint32_t v = tag == 256 ? width : height;
    const uint8_t entry[12] = {e[0], e[1], 4, 0, 1, 0, 0, 0, uint8_t(v), uint8_t(v >> 8),
                               uint8_t(v >> 16), uint8_t(v >> 24)};
    ok = std::fseek(f, at, SEEK_SET) == 0 && std::fwrite(entry, 1, 12, f) == 12;
  }
  return std::fclose(f) == 0 && ok;
}

// A DNG of the sample JPEG at `jpegPath`, with its exposure values; false when anything failed.
inline bool MakeDngFromJpeg(const std::string& jpegPath, const std::string& dngPath,
                            const DngOptions& options = {}) {
  CImageFile jpeg;
  if (jpeg.Load(jpegPath.c_str()) != 0) return false;
  const int w = jpeg.width() & ~1, h = jpeg.height() & ~1;
  return WriteDng(dngPath, jpeg.image().pixels(), jpeg.width(), w, h, ReadShot(jpegPath), options);
}

}  // namespace orv::test
