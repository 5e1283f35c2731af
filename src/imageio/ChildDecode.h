// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a third-party decoder or renderer in the decoding helper, a small program of its own
// (`orv-decode`) started afresh for each file, so that a file which crashes the library, keeps it
// busy or makes it allocate without end costs one failed load instead of the program. WMF
// playback, camera RAW and HEIF decoding go through it. Starting a new program rather than
// forking this one keeps the libraries out of a copy of a threaded process, where nothing but
// async-signal-safe calls is defined.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

struct ImageSource;

// A renderer in the style of the decoders: a buffer released with FreeLibraryBuffer, or null
// with the last error set. What it leaves in its thread's DecodedMetadata (EXIF, profile, XMP,
// upright) and error detail comes back too. The helper program holds a table of them by name.
using PictureRenderer = uint8_t* (*)(const uint8_t* data, size_t size, int* width, int* height);

// The names of the helper's decoders.
namespace helper_decoder {
inline constexpr char kRaw[] = "raw";
inline constexpr char kHeif[] = "heif";
inline constexpr char kWmf[] = "wmf";
inline constexpr char kWmfWithoutText[] = "wmf-without-text";
}  // namespace helper_decoder

enum class ChildEnd { kAnswered, kDied, kTimedOut, kNoHelper };

struct ChildLimits {
  int seconds = 30;               // wall-clock time before the helper is ended
  uint64_t memoryBytes = 0;       // address space the helper may add to its own start; 0: no cap
  unsigned failureCode = 17;      // the error of a helper that dies or runs out of time
  const char* helper = nullptr;   // the helper program; null: DecodeHelperPath()
};

// Decodes `data` with the helper's decoder `decoder` and hands back its 24-bit picture, with the
// decoder's metadata in the thread's DecodedMetadata. The decoder's error code comes back as the
// last error. A helper that dies (a crash, or an allocation refused by the memory cap), answers
// what is no answer, or has not finished in time, is ended and gives `limits.failureCode`; a
// picture over the pixel cap gives 1; a missing helper gives kErrNoDecodeHelper. `end`, when
// given, says which of these happened. The thread's RAW target box goes to the helper.
uint8_t* RenderInChild(const char* decoder, const uint8_t* data, size_t size, int* width,
                       int* height, const ChildLimits& limits, ChildEnd* end = nullptr);

// A 24-bit decoder of the format table (BeginDecode's checks) that decodes the whole of `source`
// (at most `maxFileBytes`, else `limits.failureCode`) in the helper, with the decoder's words for
// a helper that died or took too long: what the RAW and HEIF readers share.
uint8_t* DecodeSourceInChild(const char* decoder, ImageSource* source, int bits, int* width,
                             int* height, uint64_t maxFileBytes, const ChildLimits& limits);

// The helper program: beside the running program's executable (the build tree and a flat
// install), or where the install rules put it relative to the executable's folder. Empty when
// neither is there.
std::string DecodeHelperPath();

// For a decoder running in the helper once it knows its picture's size: caps the process's
// address space at what it has mapped now plus `extraBytes`. A cap only ever comes down; outside
// the helper it does nothing.
void LimitChildMemory(uint64_t extraBytes);

// The address space a decoder needs for a picture of `pixels` pixels at `bytesPerPixel` bytes of
// working memory each, with room for the library's own tables; saturates instead of overflowing.
uint64_t ChildMemoryFor(uint64_t pixels, uint64_t bytesPerPixel);

}  // namespace orv
