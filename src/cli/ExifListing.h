// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The output of `orv exif`: every entry of the four lists in the reader's order, as
// tab-separated lines or as a JSON array.
#pragma once

#include <ostream>

#include "exif/ExifData.h"

namespace orv::cli {

// Lines "IFD0\t0x010f\tMake\t2\t6\tCanon\n": list, tag, name, type, count, text. Written as they
// are made, since a hostile block can hold texts far larger than the block itself.
void WriteExifListingText(const CExifData& data, std::ostream& out);

// A JSON array of objects with the keys ifd, tag, name, type, count and text; tag, type and count
// are numbers. Ends with a newline.
void WriteExifListingJson(const CExifData& data, std::ostream& out);

}  // namespace orv::cli
