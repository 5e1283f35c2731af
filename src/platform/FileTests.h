// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Small questions about paths and names that several parts ask.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
bool IsRegularFile(const std::string& path);
// Whether both paths name one file (the same device and inode); false when either is missing.
bool SameFile(const std::string& a, const std::string& b);
// The size of the file at path; 0 when it cannot be read.
int64_t FileSize(const std::string& path);
// ASCII letters lower-cased; other bytes (UTF-8 included) unchanged.
std::string LowerAscii(std::string text);
// The part of path after its last '/' (all of it when there is none).
std::string FileNameOf(const std::string& path);
// The last n characters of text (all of it when shorter).
std::string LastChars(const std::string& text, size_t n);

}  // namespace orv
