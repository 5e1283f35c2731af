// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The optional progress hook of the long filters: a caller function asked between steps with a
// percentage; answering false asks the filter to stop, and the filter then returns false.
// The pipeline installs none.
#pragma once

namespace orv {

struct ProgressHook {
  bool (*callback)(int percent, void* user) = nullptr;
  void* user = nullptr;
};

// True when the filter may go on (no hook, or the hook answered true).
inline bool ProgressContinues(const ProgressHook* hook, int percent) {
  return !hook || !hook->callback || hook->callback(percent, hook->user);
}

}  // namespace orv
