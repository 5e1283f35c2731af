// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Setting the pixel dimensions an EXIF record states (ExifImageWidth 0xA002 and ExifImageHeight
// 0xA003 of the EXIF IFD) to those of a resized picture. The values are overwritten where they
// stand, in their stored type, so the record keeps its length and layout and every other byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

// Patches the two tags of an APP1 EXIF payload ("Exif\0\0" and the TIFF structure) in place.
// A tag that is absent, not one SHORT or LONG, or too small a type for the new value is left as
// it is. Returns true when anything was changed.
bool SetExifPixelDimensions(std::vector<uint8_t>& app1Payload, uint32_t width, uint32_t height);

// The same for a bare TIFF-structured record, as a PNG eXIf chunk holds it, from byte `base`.
bool SetExifPixelDimensionsAt(std::vector<uint8_t>& block, size_t base, uint32_t width,
                              uint32_t height);

}  // namespace orv
