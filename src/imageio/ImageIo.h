// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Read sources and write destinations of the image library layer. Both are opaque handles: a
// source reads a file or a memory block; a destination writes a file (under a temporary name that
// CloseDest renames into place, so a failed write never leaves a half-written file), a memory
// block, or a set of caller callbacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

struct ImageSource;
struct ImageDest;

ImageSource* OpenSourceFile(const char* path);
ImageSource* OpenSourceMemory(const void* data, size_t size);
// origin is SEEK_SET, SEEK_CUR or SEEK_END; seeking outside the data fails.
bool SeekSource(ImageSource* source, int64_t offset, int origin);
void CloseSource(ImageSource* source);
// An open source that closes itself.
struct SourceCloser {
  void operator()(ImageSource* source) const { CloseSource(source); }
};
using SourcePtr = std::unique_ptr<ImageSource, SourceCloser>;

// Reads up to size bytes; returns how many were read (fewer only at the end of the data).
size_t ReadSource(ImageSource* source, void* buffer, size_t size);
// Reads up to size bytes from `offset` without moving the source's position; several threads may
// read one source so at once (and none of them with ReadSource meanwhile).
size_t ReadSourceAt(const ImageSource* source, uint64_t offset, void* buffer, size_t size);
uint64_t SourceSize(const ImageSource* source);
uint64_t SourcePosition(const ImageSource* source);
// The path a file source was opened with, or null for memory sources.
const char* SourcePath(const ImageSource* source);
// The open file of a file source, to hand to another process that maps it; -1 for memory sources.
int SourceFileDescriptor(const ImageSource* source);

// The functions a caller supplies for a callback destination; `object` is the caller's. All but
// `room` must be there.
struct DestCallbacks {
  // Called once by OpenDestCallbacks with the new handle; false fails the open.
  bool (*open)(ImageDest* dest, void* object);
  // Writes size bytes at the current position; returns the number written.
  size_t (*write)(void* object, const void* data, size_t size);
  bool (*seek)(void* object, int64_t offset, int origin);
  int64_t (*position)(void* object);
  int64_t (*size)(void* object);
  bool (*flush)(void* object);
  // Called by CloseDest; `failed` tells whether a write into this destination failed.
  void (*close)(void* object, bool failed);
  // Where the next size bytes written will go, when the destination appends them to memory it
  // already holds; null otherwise (or no function at all).
  uint8_t* (*room)(void* object, size_t size);
};

ImageDest* OpenDestFile(const char* path);
// Makes CloseDest place the file without replacing anything: at the first free name of
// nameAt(first), nameAt(first + 1), ... claimed atomically; placedPath receives the name used.
void SetDestNoReplace(ImageDest* dest, std::function<std::string(long)> nameAt, long first,
                      std::string* placedPath);
ImageDest* OpenDestMemory(void* buffer, size_t size);
ImageDest* OpenDestCallbacks(const DestCallbacks* callbacks, void* object);
// Releases the destination. For a file destination this moves the written file to its final name,
// unless a write failed (then the temporary file is removed). Returns false, with code 4, when
// the file could not be put in place.
bool CloseDest(ImageDest* dest);

// The system's errno of the calling thread's last failed file open, write or placement in this
// layer (0 when none failed since the last OpenDestFile or OpenSourceFile).
int LastFileErrno();

// Layer-internal destination access used by the encoders.
bool WriteDest(ImageDest* dest, const void* data, size_t size);
bool SeekDest(ImageDest* dest, int64_t offset, int origin);
int64_t DestPosition(ImageDest* dest);
// The destination's size in bytes: file length, bytes written to memory, the size callback.
int64_t DestSize(ImageDest* dest);
bool FlushDest(ImageDest* dest);
// Where the next size bytes written will go, when the destination writes them into memory it
// already holds, so that their pages can be put in place ahead of the writer; null for files,
// for a destination that would have to grow, and for callbacks without a room function. Only
// for placing pages: the bytes are still written with WriteDest.
uint8_t* DestRoom(ImageDest* dest, size_t size);
// Marks the destination as holding a failed write: a file destination is then discarded on close.
void MarkDestFailed(ImageDest* dest);
// Drops what the current call wrote after position `start` (a failed or aborted encode leaves no
// output data from that call).
void RollBackDest(ImageDest* dest, int64_t start);

}  // namespace orv
