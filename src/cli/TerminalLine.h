// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The progress line on stderr shared by everything a run prints to the terminal: whoever writes
// a message first clears the line (so no message is glued to a half-drawn bar), and the next
// progress update draws it again. The line is fitted to the terminal's width, and drawn again
// at once, fitted to the new width, when the window is resized.
#pragma once

#include "cli/ProgressLine.h"

namespace orv::cli {

// Draws the fields as the progress line (replacing the one shown), fitted to the terminal.
void ShowProgress(const ProgressFields& fields);
// Clears the progress line if one is shown; safe from any thread.
void ClearProgressLine();
// Ends a shown progress line with a newline, so it stays on the screen above what follows.
void KeepProgressLine();
// Watches SIGWINCH: a resize reads the width again and redraws a shown line at once, from a
// thread of its own (a stage of a large photo may run for seconds without an update).
void WatchTerminalSize();

}  // namespace orv::cli
