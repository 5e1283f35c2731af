// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The EXIF reader: parses the payload of a JPEG APP1 segment into its four tag lists and answers
// "what is the text of tag N". Failures travel as the library's error codes, never as exceptions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "exif/ExifData.h"

namespace orv {

using ExifHandle = std::unique_ptr<CExifData>;

// Parses `length` bytes at `data` (read only during the call). Returns the parse result, or null
// with `error` 5 for a null `data` and 1 when memory runs out. Otherwise `error` is 0 when the
// block parsed cleanly and 56 when it is not an EXIF block or is damaged; the handle then holds
// every entry that could be decoded.
ExifHandle ParseExifBlock(const uint8_t* data, size_t length, int& error);

// Looks `tag` up in the lists selected by `mask` (IFD0, sub-IFD, Interop, IFD1 in that order; the
// first entry with the number wins) and stores its text. Returns 0 found, 57 not in the selected
// lists, 5 null handle, 1 out of memory. `text` is cleared first.
int GetExifTagText(const CExifData* handle, uint16_t tag, unsigned mask, std::string& text);

// Destroys the parse result. Returns 0, or 5 when there was none.
int FreeExifData(ExifHandle& handle);

// The text of one entry: its elements' texts joined by ", ", or the fixed text of an UNDEFINED tag
// the reader does not decode. Throws std::bad_alloc only.
std::string ExifEntryText(const CExifData& data, const CExifEntry& entry);

}  // namespace orv
