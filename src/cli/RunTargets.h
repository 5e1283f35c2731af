// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The files `orv run --report` and `--log` write: checked before the run, so that a shell glob
// that put a photo where the report's name belongs ("--report d/*.jpg") never empties that photo.
#pragma once

#include <string>

namespace orv::cli {

enum class RunTargetKind { Report, Log };

// Whether the file at path may be (over)written as a report or log: it does not exist, is empty,
// is a FIFO or terminal, or already holds a report (JSON lines with "source") or a log of this
// program. A photo is none of these, so a queued source is never emptied. False with a usage
// message naming the option otherwise.
bool CheckRunTarget(const std::string& path, RunTargetKind kind, std::string& error);

// Whether two paths name one file (the same device and inode when both exist, else the same
// absolute path).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace orv::cli
