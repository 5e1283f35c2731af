// A picture's width and height read from its file's header, without decoding: what a batch
// needs to plan its memory before it loads anything.
#pragma once

#include <string>

namespace orv {

// JPEG (the first frame header), PNG, BMP, TIFF (the first directory), PSD, PCX and TGA (by its
// extension, as it has no signature). False for other formats and for headers that do not hold
// a positive size, and for camera RAW files (their directories often describe a thumbnail).
bool ReadPictureDimensions(const std::string& path, int& width, int& height);

}  // namespace orv
