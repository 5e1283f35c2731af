// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RunOutputs.h"

namespace orv {

void RunOutputs::Record(const std::string& output, const std::string& source) {
  std::lock_guard<std::mutex> lock(mutex_);
  sources_.emplace(output, source);
}

void RunOutputs::Forget(const std::string& output, const std::string& source) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = sources_.find(output);
  if (it != sources_.end() && it->second == source) sources_.erase(it);
}

std::string RunOutputs::SourceOf(const std::string& output) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = sources_.find(output);
  return it == sources_.end() ? std::string() : it->second;
}

}  // namespace orv
