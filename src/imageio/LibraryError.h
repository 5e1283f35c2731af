// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Error codes of the image library layer and the per-thread last error through which every layer
// call reports its outcome. Codes are stable numbers: callers log and compare them.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

enum LibraryErrorCode : unsigned {
  kErrNone = 0,
  kErrNoMemory = 1,
  kErrFileOpen = 2,
  kErrFileRead = 3,
  kErrFileWrite = 4,
  kErrBadParam = 5,
  kErrBadBmp = 6,
  kErrRleUnsupported = 7,
  kErrBadJpeg = 9,
  kErrAborted = 14,
  kErrBadPng = 15,
  kErrPngInternal = 16,
  kErrUnexpected = 17,
  kErrTiffInternal = 19,
  kErrBadTiff = 20,
  kErrTiffLzw = 21,
  kErrBadPcx = 22,
  kErrBadMetafile = 27,
  kErrWrongBitDepth = 28,
  kErrBufferTooSmall = 30,
  kErrBadTga = 32,
  kErrLzwNotPermitted = 36,
  kErrBadHandle = 38,
  kErrNoContext = 55,
  kErrBadHeif = 56,     // the text adds libheif's own message
  kErrHeifEncode = 57,  // likewise
  kErrBadRaw = 58,      // a camera RAW file LibRaw cannot decode; the text adds LibRaw's message
  kErrRawCamera = 59,   // a RAW file of a camera this LibRaw version does not know
  kErrNoDecodeHelper = 60,  // the decoding helper program is not installed beside the program
};

// The last error of the calling thread; 55 when the thread never called into the layer.
unsigned GetLastLibraryError();
// The message for a code; "Error #<code>!" for codes without a message of their own. A formatted
// text stays valid until the same thread formats another one.
const char* LibraryErrorText(unsigned code);

// LibraryErrorText, except that an "out of memory" that was a picture refused for its size
// says so: "6000 x 4000 = 24 MP exceeds the limit of 1 MP (ORV_MAX_MEGAPIXELS)".
std::string DescribeLoadError(unsigned code);

// Sets the calling thread's last error (creating its context when needed). Layer-internal.
void SetLastLibraryError(unsigned code);

}  // namespace orv
