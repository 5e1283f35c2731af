// The EXIF block of a camera RAW file. exiv2 knows every RAW container (TIFF-based ones, CR3's
// boxes, RAF, MRW, ...); the block is encoded afresh from what it read, keeping what describes
// the shot and leaving out what describes the sensor data (strips, tiles, CFA and DNG tags) and
// the thumbnails, which the decoded picture does not have.
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "imageio/RawCodec.h"

// exiv2 0.27 still declares std::auto_ptr in its interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace orv {
namespace {

// "Exif\0\0" and the TIFF data together must fit the 65533 bytes of a JPEG APP1 segment.
constexpr size_t kMaxTiffBytes = 65533 - 6;

// IFD0 tags that describe the shot or its owner rather than the stored data.
constexpr uint16_t kImageTagsKept[] = {
    0x010e,  // ImageDescription
    0x010f,  // Make
    0x0110,  // Model
    0x0112,  // Orientation
    0x011a,  // XResolution
    0x011b,  // YResolution
    0x0128,  // ResolutionUnit
    0x0131,  // Software
    0x0132,  // DateTime
    0x013b,  // Artist
    0x4746,  // Rating
    0x4749,  // RatingPercent
    0x8298,  // Copyright
    0x9c9b, 0x9c9c, 0x9c9d, 0x9c9e, 0x9c9f,  // the XP texts
};

// Directories the TIFF structure itself records (strips of subimages, thumbnails).
bool IsPictureStructureGroup(const std::string& group) {
  auto startsWith = [&group](const char* start) { return group.rfind(start, 0) == 0; };
  return group == "Thumbnail" || startsWith("SubImage") || startsWith("SubThumb") ||
         (startsWith("Image") && group != "Image");  // Image2, Image3: further pictures
}

bool Keep(const Exiv2::Exifdatum& d, bool makerNote) {
  const std::string group = d.groupName();
  if (group == "Image") {
    for (uint16_t tag : kImageTagsKept)
      if (d.tag() == tag) return true;
    return false;
  }
  if (group == "Photo") return makerNote || d.tag() != 0x927c;  // MakerNote
  if (group == "GPSInfo" || group == "Iop") return true;
  if (IsPictureStructureGroup(group)) return false;
  return makerNote && (group == "MakerNote" || Exiv2::ExifTags::isMakerGroup(group));
}

Exiv2::URational Rational(double value) {
  if (value <= 0) return {0, 1};
  // Exposure times below a second as 1/n, the rest with three decimals.
  if (value < 1) return {1, uint32_t(std::lround(1 / value))};
  return {uint32_t(std::lround(value * 1000)), 1000};
}

void AddMissing(Exiv2::ExifData& exif, const char* key, const Exiv2::Value& value) {
  if (exif.findKey(Exiv2::ExifKey(key)) == exif.end()) exif.add(Exiv2::ExifKey(key), &value);
}

// What LibRaw read, for the tags exiv2 found nowhere (formats it reads only in part).
void FillFromShot(Exiv2::ExifData& exif, const RawShotValues& shot) {
  if (shot.make && *shot.make) AddMissing(exif, "Exif.Image.Make", Exiv2::AsciiValue(shot.make));
  if (shot.model && *shot.model)
    AddMissing(exif, "Exif.Image.Model", Exiv2::AsciiValue(shot.model));
  static const int kOrientationOfFlip[8] = {1, 1, 1, 3, 1, 8, 6, 1};
  Exiv2::UShortValue orientation;
  orientation.value_.push_back(uint16_t(kOrientationOfFlip[shot.flip & 7]));
  AddMissing(exif, "Exif.Image.Orientation", orientation);
  if (shot.shutter > 0) {
    Exiv2::URationalValue v;
    v.value_.push_back(Rational(shot.shutter));
    AddMissing(exif, "Exif.Photo.ExposureTime", v);
  }
  if (shot.aperture > 0) {
    Exiv2::URationalValue v;
    v.value_.push_back({uint32_t(std::lround(shot.aperture * 10)), 10});
    AddMissing(exif, "Exif.Photo.FNumber", v);
  }
  if (shot.isoSpeed >= 1 && shot.isoSpeed < 65536) {
    Exiv2::UShortValue v;
    v.value_.push_back(uint16_t(std::lround(shot.isoSpeed)));
    AddMissing(exif, "Exif.Photo.ISOSpeedRatings", v);
  }
  if (shot.focalLength > 0) {
    Exiv2::URationalValue v;
    v.value_.push_back({uint32_t(std::lround(shot.focalLength * 10)), 10});
    AddMissing(exif, "Exif.Photo.FocalLength", v);
  }
  if (shot.timestamp > 0) {
    const time_t t = time_t(shot.timestamp);
    tm local{};
    char text[32];
    if (localtime_r(&t, &local) && strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local) == 19)
      AddMissing(exif, "Exif.Photo.DateTimeOriginal", Exiv2::AsciiValue(text));
  }
}

std::vector<uint8_t> Encode(const Exiv2::ExifData& all, bool makerNote, int width, int height) {
  Exiv2::ExifData kept;
  for (const Exiv2::Exifdatum& d : all)
    if (Keep(d, makerNote)) kept.add(d);
  if (kept.empty()) return {};
  Exiv2::ULongValue w, h;
  w.value_.push_back(uint32_t(width));
  h.value_.push_back(uint32_t(height));
  kept["Exif.Photo.PixelXDimension"] = w;
  kept["Exif.Photo.PixelYDimension"] = h;
  Exiv2::Blob tiff;
  Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, kept);
  if (tiff.empty() || tiff.size() > kMaxTiffBytes) return {};
  std::vector<uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), tiff.begin(), tiff.end());
  return block;
}

}  // namespace

void StartRawMetadataReader() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
#ifdef EXV_ENABLE_BMFF
    Exiv2::enableBMFF(true);  // CR3
#endif
  });
}

std::vector<uint8_t> BuildRawExifBlock(const uint8_t* data, size_t size, const RawShotValues& shot,
                                       int width, int height, std::vector<uint8_t>* xmp) {
  StartRawMetadataReader();
  Exiv2::ExifData exif;
  try {
    if (size > 0 && size <= size_t(INT32_MAX)) {
      Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(data, long(size));
      if (image.get()) {
        image->readMetadata();
        exif = image->exifData();
        if (xmp) xmp->assign(image->xmpPacket().begin(), image->xmpPacket().end());
      }
    }
  } catch (const std::bad_alloc&) {
    throw;
  } catch (...) {  // exiv2 could not read the file: LibRaw's values alone
    exif.clear();
    if (xmp) xmp->clear();
  }
  FillFromShot(exif, shot);
  std::vector<uint8_t> block;
  try {
    // With the maker note while it fits one JPEG segment, else without it.
    block = Encode(exif, true, width, height);
    if (block.empty()) block = Encode(exif, false, width, height);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (...) {
    block.clear();
  }
  return block;
}

}  // namespace orv

#pragma GCC diagnostic pop
