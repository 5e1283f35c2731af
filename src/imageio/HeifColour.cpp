// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/HeifColour.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace orv {
namespace {

// The transfer curve as an ICC parametric curve: type 1 is a pure power, type 4 the power
// segment with a linear toe (sRGB and the BT.709 family). False for curves no such curve fits.
bool TransferCurve(int code, int& type, double params[5]) {
  switch (code) {
    case heif_transfer_characteristic_IEC_61966_2_1:  // sRGB
      type = 4;
      params[0] = 2.4, params[1] = 1 / 1.055, params[2] = 0.055 / 1.055, params[3] = 1 / 12.92;
      params[4] = 0.04045;
      return true;
    case heif_transfer_characteristic_ITU_R_BT_709_5:
    case heif_transfer_characteristic_ITU_R_BT_601_6:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
      type = 4;  // the inverse of the camera curve 1.099 L^0.45 - 0.099, 4.5 L below 0.018
      params[0] = 1 / 0.45, params[1] = 1 / 1.099, params[2] = 0.099 / 1.099, params[3] = 1 / 4.5;
      params[4] = 0.081;
      return true;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
      type = 1, params[0] = 2.2;
      return true;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
      type = 1, params[0] = 2.8;
      return true;
    case heif_transfer_characteristic_linear:
      type = 1, params[0] = 1.0;
      return true;
    default:
      return false;
  }
}

bool KnownPrimaries(int code) {
  switch (code) {
    case heif_color_primaries_ITU_R_BT_709_5:
    case heif_color_primaries_ITU_R_BT_470_6_System_M:
    case heif_color_primaries_ITU_R_BT_470_6_System_B_G:
    case heif_color_primaries_ITU_R_BT_601_6:
    case heif_color_primaries_SMPTE_240M:
    case heif_color_primaries_generic_film:
    case heif_color_primaries_ITU_R_BT_2020_2_and_2100_0:
    case heif_color_primaries_SMPTE_RP_431_2:
    case heif_color_primaries_SMPTE_EG_432_1:
    case heif_color_primaries_EBU_Tech_3213_E:
      return true;
    default:
      return false;
  }
}

std::string Description(int primaries, int transfer) {
  if (primaries == heif_color_primaries_ITU_R_BT_709_5 &&
      transfer == heif_transfer_characteristic_IEC_61966_2_1)
    return "sRGB";
  if (primaries == heif_color_primaries_SMPTE_EG_432_1 &&
      transfer == heif_transfer_characteristic_IEC_61966_2_1)
    return "Display P3";
  char text[64];
  std::snprintf(text, sizeof text, "RGB (nclx primaries %d, transfer %d)", primaries, transfer);
  return text;
}

struct ProfileOwner {
  cmsHPROFILE profile = nullptr;
  cmsToneCurve* curve = nullptr;
  cmsMLU* text = nullptr;
  ~ProfileOwner() {
    if (text) cmsMLUfree(text);
    if (curve) cmsFreeToneCurve(curve);
    if (profile) cmsCloseProfile(profile);
  }
};

}  // namespace

std::vector<uint8_t> ProfileForNclx(const heif_color_profile_nclx& nclx) {
  int type = 0;
  double params[5] = {};
  if (!KnownPrimaries(nclx.color_primaries) || !TransferCurve(nclx.transfer_characteristics, type, params))
    return {};
  const cmsCIExyY white{nclx.color_primary_white_x, nclx.color_primary_white_y, 1.0};
  const cmsCIExyYTRIPLE primaries{{nclx.color_primary_red_x, nclx.color_primary_red_y, 1.0},
                                  {nclx.color_primary_green_x, nclx.color_primary_green_y, 1.0},
                                  {nclx.color_primary_blue_x, nclx.color_primary_blue_y, 1.0}};
  ProfileOwner owner;
  owner.curve = cmsBuildParametricToneCurve(nullptr, type, params);
  if (!owner.curve) return {};
  cmsToneCurve* curves[3] = {owner.curve, owner.curve, owner.curve};
  owner.profile = cmsCreateRGBProfile(&white, &primaries, curves);
  if (!owner.profile) return {};
  owner.text = cmsMLUalloc(nullptr, 1);
  const std::string description = Description(nclx.color_primaries, nclx.transfer_characteristics);
  if (!owner.text || !cmsMLUsetASCII(owner.text, "en", "US", description.c_str()) ||
      !cmsWriteTag(owner.profile, cmsSigProfileDescriptionTag, owner.text))
    return {};
  cmsUInt32Number size = 0;
  if (!cmsSaveProfileToMem(owner.profile, nullptr, &size) || size == 0) return {};
  std::vector<uint8_t> bytes(size);
  if (!cmsSaveProfileToMem(owner.profile, bytes.data(), &size)) return {};
  bytes.resize(size);
  // The header's creation date (bytes 24..35) is fixed, so the same description always gives
  // the same bytes: 2000-01-01 00:00:00.
  if (bytes.size() >= 36) {
    static const uint8_t kDate[12] = {0x07, 0xD0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    std::copy(kDate, kDate + 12, bytes.begin() + 24);
  }
  return bytes;
}

}  // namespace orv
