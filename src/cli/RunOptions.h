// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The options of `orv run`, shared with `orv watch`, which takes the same ones.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "cli/OptionTable.h"
#include "cli/SettingsOptions.h"

namespace orv::cli {

struct RunOptions {
  SettingsOptions settings;
  std::string blackFrame;
  std::string logPath;
  bool yes = false;
  bool quiet = false;
  bool verbose = false;
  bool keepTime = false;
  int jobs = 0;  // 0: one worker per core
  int threads = 0;  // --threads N: threads at once, workers and bands together; 0: the cores
  std::vector<std::string> paths;
  std::string filesFrom;  // --files-from FILE|-
  bool nulSeparated = false;
  bool dryRun = false;
  bool shardGiven = false;
  std::string shard;   // --shard K/N|auto
  std::string report;  // --report FILE|-
  bool skipExisting = false;
  int rawJpegTwins = -1;  // --raw-jpeg raw|jpeg|both; -1: as the settings say
  bool mirrorTree = false;  // --mirror-tree
  std::string base;         // --base DIR: the root of listed files for --mirror-tree
};

// The rows of `orv run`'s option table.
std::span<const Option<RunOptions>> RunOptionRows();

}  // namespace orv::cli
