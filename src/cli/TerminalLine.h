// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The progress line on stderr shared by everything a run prints to the terminal: whoever writes
// a message first clears the line (so no message is glued to a half-drawn bar), and the next
// progress update draws it again. The width is the terminal's, read again after SIGWINCH.
#pragma once

#include <string>

namespace orv::cli {

// Draws text as the progress line (replacing the one shown).
void ShowProgressLine(const std::string& text);
// Clears the progress line if one is shown; safe from any thread.
void ClearProgressLine();
// Ends a shown progress line with a newline, so it stays on the screen above what follows.
void KeepProgressLine();
// The terminal's width in columns (80 when stderr is no terminal or does not say), read again
// once the window size changed.
int TerminalColumns();
// Watches SIGWINCH so that the next draw fits the new width.
void WatchTerminalSize();

}  // namespace orv::cli
