// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The progress of a picture coded in bands on several threads. The caller's progress callback
// is told of the rows all bands have done, on the caller's own thread only (a front end's
// callback may touch what only that thread may), and its "stop" reaches every band.
#pragma once

#include <algorithm>
#include <atomic>
#include <thread>

#include "imageio/LibraryContext.h"

namespace orv {

struct BandProgress {
  BandProgress(const LibraryContext& ctx, int rows)
      : callback(ctx.progress), user(ctx.progressUser), rowCount(rows) {}
  ProgressCallback callback;
  void* user;
  int rowCount;
  std::thread::id caller = std::this_thread::get_id();
  std::atomic<int> rows{0};
  std::atomic<bool> stop{false};

  // Counts one row done; false when the bands must stop.
  bool RowDone() {
    const int done = rows.fetch_add(1, std::memory_order_relaxed) + 1;
    if (stop.load(std::memory_order_relaxed)) return false;
    if (!callback || std::this_thread::get_id() != caller) return true;
    if (callback(user, std::min(done, rowCount) - 1, rowCount)) return true;
    stop.store(true, std::memory_order_relaxed);
    return false;
  }
  // After the bands: whether they were stopped or the callback stops at the last row (which it
  // may not have heard of when helpers did the last rows).
  bool Stopped() {
    return stop.load() || (callback && !callback(user, rowCount - 1, rowCount));
  }
};

// A libjpeg-side progress callback for one band: user is the BandProgress.
inline bool BandRowDone(void* user, int, int) {
  return static_cast<BandProgress*>(user)->RowDone();
}

}  // namespace orv
