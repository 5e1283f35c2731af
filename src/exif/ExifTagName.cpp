// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "exif/ExifTagName.h"

#include <cstdio>

namespace orv {
namespace {

struct TagName {
  uint16_t tag;
  const char* name;
};

// Five names serve two numbers each: the TIFF/EP number and the EXIF one.
constexpr TagName kTagNames[] = {
    {0x0001, "InteroperabilityIndex"},
    {0x0002, "InteroperabilityVersion"},
    {0x00FE, "NewSubfileType"},
    {0x00FF, "SubfileType"},
    {0x0100, "ImageWidth"},
    {0x0101, "ImageLength"},
    {0x0102, "BitsPerSample"},
    {0x0103, "Compression"},
    {0x0106, "PhotometricInterpretation"},
    {0x010E, "ImageDescription"},
    {0x010F, "Make"},
    {0x0110, "Model"},
    {0x0111, "StripOffsets"},
    {0x0112, "Orientation"},
    {0x0115, "SamplesPerPixel"},
    {0x0116, "RowsPerStrip"},
    {0x0117, "StripByteConunts"},
    {0x011A, "XResolution"},
    {0x011B, "YResolution"},
    {0x011C, "PlanarConfiguration"},
    {0x0128, "ResolutionUnit"},
    {0x012D, "XferFn"},
    {0x0131, "Software"},
    {0x0132, "DateTime"},
    {0x013B, "Artist"},
    {0x013D, "Predictor"},
    {0x013E, "WhitePoint"},
    {0x013F, "PrimaryChromaticities"},
    {0x0142, "TileWidth"},
    {0x0143, "TileLength"},
    {0x0144, "TileOffsets"},
    {0x0145, "TileByteCounts"},
    {0x014A, "SubIFDs"},
    {0x015B, "JPEGTables"},
    {0x0201, "JpegIFOffset"},
    {0x0202, "JpegIFByteCount"},
    {0x0211, "YCbCrCoefficients"},
    {0x0212, "YCbCrSubSampling"},
    {0x0213, "YCbCrPositioning"},
    {0x0214, "ReferenceBlackWhite"},
    {0x1000, "RelatedImageFileFormat"},
    {0x1001, "RelatedImageWidth"},
    {0x1002, "RelatedImageLength"},
    {0x828D, "CFARepeatPatternDim"},
    {0x828E, "CFAPattern"},
    {0x828F, "BatteryLevel"},
    {0x8298, "Copyright"},
    {0x829A, "ExposureTime"},
    {0x829D, "FNumber"},
    {0x83BB, "IPTC/NAA"},
    {0x8769, "EXIFOffset"},
    {0x8773, "InterColorProfile"},
    {0x8822, "ExposureProgram"},
    {0x8824, "SpectralSensitivity"},
    {0x8825, "GPSInfo"},
    {0x8827, "ISOSpeedRatings"},
    {0x8828, "OECF"},
    {0x8829, "Interlace"},
    {0x882A, "TimeZoneOffset"},
    {0x882B, "SelfTimerMode"},
    {0x9000, "ExifVersion"},
    {0x9003, "DateTimeOriginal"},
    {0x9004, "DateTimeDigitized"},
    {0x9101, "ComponentsConfiguration"},
    {0x9102, "CompressedBitsPerPixel"},
    {0x9201, "ShutterSpeedValue"},
    {0x9202, "ApertureValue"},
    {0x9203, "BrightnessValue"},
    {0x9204, "ExposureBiasValue"},
    {0x9205, "MaxApertureValue"},
    {0x9206, "SubjectDistance"},
    {0x9207, "MeteringMode"},
    {0x9208, "LightSource"},
    {0x9209, "Flash"},
    {0x920A, "FocalLength"},
    {0x920B, "FlashEnergy"},
    {0x920C, "SpatialFrequencyResponse"},
    {0x920D, "Noise"},
    {0x9211, "ImageNumber"},
    {0x9212, "SecurityClassification"},
    {0x9213, "ImageHistory"},
    {0x9214, "SubjectLocation"},
    {0x9215, "ExposureIndex"},
    {0x9216, "TIFF/EPStandardID"},
    {0x927C, "MakerNote"},
    {0x9286, "UserComment"},
    {0x9290, "SubsecTime"},
    {0x9291, "SubsecTimeOriginal"},
    {0x9292, "SubsecTimeDigitized"},
    {0xA000, "FlashPixVersion"},
    {0xA001, "ColorSpace"},
    {0xA002, "ExifImageWidth"},
    {0xA003, "ExifImageHeight"},
    {0xA004, "RelatedSoundFile"},
    {0xA005, "ExifInteroperabilityOffset"},
    {0xA20B, "FlashEnergy"},
    {0xA20C, "SpatialFrequencyResponse"},
    {0xA20E, "FocalPlaneXResolution"},
    {0xA20F, "FocalPlaneYResolution"},
    {0xA210, "FocalPlaneResolutionUnit"},
    {0xA214, "SubjectLocation"},
    {0xA215, "ExposureIndex"},
    {0xA217, "SensingMethod"},
    {0xA300, "FileSource"},
    {0xA301, "SceneType"},
    {0xA302, "CFAPattern"},
};

static_assert(std::size(kTagNames) == 106);

}  // namespace

std::string ExifTagName(uint16_t tag) {
  for (const TagName& t : kTagNames) {
    if (t.tag == tag) return t.name;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "unknown tag: 0x%x", unsigned(tag));
  return buf;
}

}  // namespace orv
