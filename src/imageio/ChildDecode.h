// Runs a third-party decoder or renderer in a child process, so that a file which crashes it,
// keeps it busy or makes it allocate without end costs one failed load instead of the program.
// WMF playback and camera RAW decoding go through it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

// A renderer in the style of the decoders: a buffer released with FreeLibraryBuffer, or null
// with the last error set. What it leaves in its thread's DecodedMetadata (EXIF, profile, XMP,
// upright) and error detail comes back too.
using PictureRenderer = uint8_t* (*)(const uint8_t* data, size_t size, int* width, int* height);

enum class ChildEnd { kAnswered, kDied, kTimedOut };

struct ChildLimits {
  int seconds = 30;               // wall-clock time before the child is ended
  uint64_t memoryBytes = 0;       // address space the child may add to what it inherits; 0: no cap
  unsigned failureCode = 17;      // the error of a child that dies or runs out of time
};

// Calls `render` in a child process and hands back its 24-bit picture in this one, with the
// decoder's metadata in the thread's DecodedMetadata. The child's error code comes back as the
// last error. A child that dies (a crash, or an allocation refused by the memory cap), or that has
// not finished in time, is ended and gives `limits.failureCode`; a picture over the size limit
// gives 1. `end`, when given, says which of these happened.
uint8_t* RenderInChild(PictureRenderer render, const uint8_t* data, size_t size, int* width,
                       int* height, const ChildLimits& limits, ChildEnd* end = nullptr);

// For a renderer running in the child once it knows its picture's size: caps the process's
// address space at what it has mapped now plus `extraBytes`. A cap only ever comes down.
void LimitChildMemory(uint64_t extraBytes);

// The address space a decoder needs for a picture of `pixels` pixels at `bytesPerPixel` bytes of
// working memory each, with room for the library's own tables; saturates instead of overflowing.
uint64_t ChildMemoryFor(uint64_t pixels, uint64_t bytesPerPixel);

}  // namespace orv
