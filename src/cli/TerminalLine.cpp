// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalLine.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>

namespace orv::cli {
namespace {

std::mutex gLineMutex;
bool gShown = false;         // guarded by gLineMutex
std::string gLastText;       // guarded by gLineMutex
ProgressFields gLastFields;  // guarded by gLineMutex
int gColumns = 0;            // guarded by gLineMutex; 0 = not read yet
// The resize handler's end of a pipe whose other end the redraw thread waits on.
int gResizeWrite = -1;

void OnResize(int) {
  const int saved = errno;
  const char byte = 1;
  ssize_t ignored = ::write(gResizeWrite, &byte, 1);  // a full pipe already says "resized"
  (void)ignored;
  errno = saved;
}

void WriteAll(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += size_t(n);
  }
}

// The terminal's width in columns; 80 when stderr is no terminal or does not say.
int ReadColumns() {
  struct winsize ws {};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

void DrawLocked(bool force) {
  if (gColumns == 0) gColumns = ReadColumns();
  std::string text = FitProgressLine(gLastFields, gColumns);
  if (gShown && !force && text == gLastText) return;
  gLastText = text;
  // Back to the start, the new text, then the rest of the old line erased.
  WriteAll("\r" + text + "\x1b[K");
  gShown = true;
}

void RedrawOnResize(int readEnd) {
  char bytes[64];
  for (;;) {
    ssize_t n = ::read(readEnd, bytes, sizeof bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    std::lock_guard<std::mutex> lock(gLineMutex);
    gColumns = ReadColumns();
    if (gShown) DrawLocked(true);
  }
}

}  // namespace

void ShowProgress(const ProgressFields& fields) {
  std::lock_guard<std::mutex> lock(gLineMutex);
  gLastFields = fields;
  DrawLocked(false);
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

void WatchTerminalSize() {
  static std::once_flag once;
  std::call_once(once, [] {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    // The handler never blocks: with the pipe full, a resize is already waiting to be seen.
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);
    gResizeWrite = ends[1];
    // The thread lives as long as the process: it only waits on the pipe and draws under the
    // line's lock.
    std::thread(RedrawOnResize, ends[0]).detach();
    struct sigaction sa {};
    sa.sa_handler = OnResize;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGWINCH, &sa, nullptr);
  });
}

}  // namespace orv::cli
