// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ProgressLine.h"

#include <vector>

#include "cli/TerminalText.h"

namespace orv::cli {
namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte offset after the first `columns` code points of text.
size_t BytesOfColumns(std::string_view text, size_t columns) {
  size_t i = 0;
  while (i < text.size() && columns > 0) {
    ++i;
    while (i < text.size() && IsContinuation(text[i])) ++i;
    --columns;
  }
  return i;
}

std::string_view TrimSeparators(std::string_view text, bool front) {
  auto isSeparator = [](char c) { return c == ',' || c == ' ' || c == ':'; };
  if (front)
    while (!text.empty() && isSeparator(text.front())) text.remove_prefix(1);
  else
    while (!text.empty() && isSeparator(text.back())) text.remove_suffix(1);
  return text;
}

std::string Bar(int finished, int total, int cells) {
  int filled = total > 0 ? int(static_cast<long long>(cells) * finished / total) : 0;
  if (filled > cells) filled = cells;
  return "[" + std::string(size_t(filled), '#') + std::string(size_t(cells - filled), '.') + "]";
}

}  // namespace

size_t DisplayWidth(std::string_view text) {
  size_t width = 0;
  for (char c : text) width += IsContinuation(c) ? 0 : 1;
  return width;
}

std::string CutInMiddle(std::string_view text, size_t width) {
  size_t have = DisplayWidth(text);
  if (have <= width) return std::string(text);
  constexpr std::string_view kGap = "...";
  if (width <= kGap.size()) return std::string(text.substr(0, BytesOfColumns(text, width)));
  size_t keep = width - kGap.size();
  size_t headColumns = (keep + 1) / 2, tailColumns = keep - headColumns;
  std::string_view head = text.substr(0, BytesOfColumns(text, headColumns));
  std::string_view tail = text.substr(BytesOfColumns(text, have - tailColumns));
  return std::string(TrimSeparators(head, false)) + std::string(kGap) +
         std::string(TrimSeparators(tail, true));
}

std::string FitProgressLine(const ProgressFields& f, int columns) {
  size_t room = columns > 1 ? size_t(columns - 1) : 0;
  std::string count = std::to_string(f.finished) + "/" + std::to_string(f.total);
  std::string timeLong = "elapsed " + f.elapsed + (f.left.empty() ? "" : ", about " + f.left + " left");
  std::string timeShort = f.elapsed + (f.left.empty() ? "" : " (" + f.left + " left)");
  std::string work = TerminalSafe(f.work);

  // From the fullest form down to the count alone; the first that fits (with at least a few
  // columns for the work text when there is some) is taken.
  struct Form {
    int barCells;
    bool percent;
    const std::string* time;
  };
  const Form forms[] = {
      {20, true, &timeLong}, {10, true, &timeLong}, {10, true, &timeShort},
      {0, true, &timeShort}, {0, false, &timeShort}, {0, false, nullptr},
  };
  for (const Form& form : forms) {
    std::vector<std::string> parts;
    if (form.barCells > 0) parts.push_back(Bar(f.finished, f.total, form.barCells) + " " + count);
    else parts.push_back(count);
    if (form.percent && !f.percent.empty()) parts.push_back(f.percent);
    if (form.time) parts.push_back(*form.time);
    std::string line;
    for (const std::string& p : parts) line += (line.empty() ? "" : "  ") + p;
    size_t used = DisplayWidth(line);
    bool last = form.time == nullptr;
    if (used > room) {
      if (!last) continue;
      return std::string(line.substr(0, BytesOfColumns(line, room)));
    }
    if (work.empty()) return line;
    size_t workRoom = used + 2 < room ? room - used - 2 : 0;
    constexpr size_t kMinWork = 12;  // fewer columns show too little of a name to be worth it
    if (workRoom >= kMinWork || (last && workRoom > 0)) return line + "  " + CutInMiddle(work, workRoom);
    if (last) return line;
  }
  return count;
}

}  // namespace orv::cli
