// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalLine.h"

#include <sys/ioctl.h>
#include <unistd.h>
#include <csignal>
#include <mutex>

namespace orv::cli {
namespace {

std::mutex gLineMutex;
bool gShown = false;    // guarded by gLineMutex
std::string gLastText;  // guarded by gLineMutex
volatile std::sig_atomic_t gResized = 1;
int gColumns = 80;  // guarded by gLineMutex

void OnResize(int) {
  gResized = 1;
}

void WriteAll(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += size_t(n);
  }
}

int ColumnsLocked() {
  if (gResized) {
    gResized = 0;
    struct winsize ws {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) gColumns = ws.ws_col;
  }
  return gColumns;
}

}  // namespace

void ShowProgressLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(gLineMutex);
  if (gShown && text == gLastText) return;
  gLastText = text;
  // Back to the start, the new text, then the rest of the old line erased.
  WriteAll("\r" + text + "\x1b[K");
  gShown = true;
}

void ClearProgressLine() {
  std::lock_guard<std::mutex> lock(gLineMutex);
  if (!gShown) return;
  WriteAll("\r\x1b[K");
  gShown = false;
}

void KeepProgressLine() {
  std::lock_guard<std::mutex> lock(gLineMutex);
  if (!gShown) return;
  WriteAll("\n");
  gShown = false;
}

int TerminalColumns() {
  std::lock_guard<std::mutex> lock(gLineMutex);
  return ColumnsLocked();
}

void WatchTerminalSize() {
  struct sigaction sa {};
  sa.sa_handler = OnResize;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGWINCH, &sa, nullptr);
}

}  // namespace orv::cli
