// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The common opening and ending of every encoder. The ending: on failure report the code (keeping a
// more precise one a memory destination already left), drop what this call wrote, and mark the
// destination failed so that a file destination is discarded rather than left half-written.
#pragma once

#include <cstdint>

#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"

namespace orv {

// The opening of every encoder: the thread's context, or null with the last error set (55
// without a context, 8 without a destination).
inline LibraryContext* BeginEncode(ImageDest* dest) {
  LibraryContext* ctx = BeginLibraryCall();
  if (ctx && !dest) {
    SetLastLibraryError(kErrBadHandle);
    return nullptr;
  }
  return ctx;
}

// Refuses an encode before anything is written, with `code`; nothing of it may reach the
// final name.
inline bool RefuseEncode(ImageDest* dest, unsigned code) {
  SetLastLibraryError(code);
  MarkDestFailed(dest);
  return false;
}

inline bool EndEncode(ImageDest* dest, int64_t start, unsigned result) {
  if (result == kErrNone && !FlushDest(dest)) result = kErrFileWrite;
  if (result == kErrNone) return true;
  if (!(result == kErrFileWrite && GetLastLibraryError() == kErrBufferTooSmall))
    SetLastLibraryError(result);
  RollBackDest(dest, start);
  MarkDestFailed(dest);
  return false;
}

// Asks the thread's progress callback, if any; false means the caller must abort with 14.
inline bool KeepGoing(const LibraryContext* ctx, int row, int rows) {
  return !ctx->progress || ctx->progress(ctx->progressUser, row, rows);
}

}  // namespace orv
