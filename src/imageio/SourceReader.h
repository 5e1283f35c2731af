// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A buffered little/big-endian reader over an ImageSource for the layer's own decoders, so that
// byte-at-a-time run-length decoding does not pay for a library call per byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imageio/ByteOrder.h"
#include "imageio/ImageIo.h"

namespace orv {

class SourceReader {
 public:
  explicit SourceReader(ImageSource* source) : source_(source) {}
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  // Bytes left between the read position and the end of the source.
  uint64_t Remaining() const { return SourceSize(source_) - Position(); }
  uint64_t Position() const { return SourcePosition(source_) - (end_ - pos_); }

  bool Seek(uint64_t offset) {
    pos_ = end_ = 0;
    return offset <= SourceSize(source_) && SeekSource(source_, int64_t(offset), 0);
  }
  bool Skip(uint64_t count) {
    if (count <= end_ - pos_) {
      pos_ += size_t(count);
      return true;
    }
    if (count > Remaining()) return false;
    return Seek(Position() + count);
  }

  // False at the end of the data.
  bool Byte(uint8_t& out) {
    if (pos_ == end_ && !Refill()) return false;
    out = buffer_[pos_++];
    return true;
  }
  bool Read(void* out, size_t size) {
    auto* dst = static_cast<uint8_t*>(out);
    while (size) {
      if (pos_ == end_ && !Refill()) return false;
      size_t n = end_ - pos_ < size ? end_ - pos_ : size;
      std::memcpy(dst, buffer_ + pos_, n);
      pos_ += n;
      dst += n;
      size -= n;
    }
    return true;
  }
  bool U16le(uint32_t& out) {
    uint8_t b[2];
    if (!Read(b, 2)) return false;
    out = uint32_t(b[0]) | uint32_t(b[1]) << 8;
    return true;
  }
  bool U32le(uint32_t& out) {
    uint8_t b[4];
    if (!Read(b, 4)) return false;
    out = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
  }
  bool U16be(uint32_t& out) {
    uint8_t b[2];
    if (!Read(b, 2)) return false;
    out = uint32_t(b[0]) << 8 | uint32_t(b[1]);
    return true;
  }
  bool U32be(uint32_t& out) {
    uint8_t b[4];
    if (!Read(b, 4)) return false;
    out = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
    return true;
  }

 private:
  bool Refill() {
    pos_ = 0;
    end_ = ReadSource(source_, buffer_, sizeof(buffer_));
    return end_ > 0;
  }

  ImageSource* source_;
  uint8_t buffer_[16384];
  size_t pos_ = 0;
  size_t end_ = 0;
};

}  // namespace orv
