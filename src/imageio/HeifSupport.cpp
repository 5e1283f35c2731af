// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/HeifSupport.h"

#include <mutex>

#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"

namespace orv {

void EnsureHeifStarted() {
  // Never matched by heif_deinit: other threads may be decoding until the process ends.
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
}

unsigned HeifFailure(const heif_error& error, unsigned code) {
  if (error.code == heif_error_Memory_allocation_error) code = kErrNoMemory;
  if (LibraryContext* ctx = CurrentContext()) {
    try {
      ctx->errorDetail = error.message ? error.message : "";
    } catch (...) {
      ctx->errorDetail.clear();
    }
  }
  return code;
}

}  // namespace orv
