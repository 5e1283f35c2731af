// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/MemoryDest.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "imageio/ImageIo.h"
#include "imageio/LibraryError.h"

namespace orv {
namespace {

struct VectorOutput {
  std::vector<uint8_t>* bytes;
  int64_t position = 0;
};

struct Counter {
  int64_t position = 0;
  int64_t size = 0;
};

// The new position for a seek, or -1 when it would leave 0..INT64_MAX.
int64_t SeekTarget(int64_t position, int64_t size, int64_t offset, int origin) {
  int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? position : size;
  if ((offset > 0 && offset > INT64_MAX - base) || base + offset < 0) return -1;
  return base + offset;
}

const DestCallbacks kVectorCallbacks = {
    [](ImageDest*, void*) { return true; },
    [](void* o, const void* data, size_t n) -> size_t {
      auto* m = static_cast<VectorOutput*>(o);
      size_t at = size_t(m->position);
      size_t end = at + n;
      if (end < n) return 0;
      const auto* from = static_cast<const uint8_t*>(data);
      try {
        if (at == m->bytes->size()) {
          // Appending, as encoders mostly do: copied once, not zero-filled first.
          m->bytes->insert(m->bytes->end(), from, from + n);
          m->position = int64_t(end);
          return n;
        }
        if (m->bytes->size() < end) m->bytes->resize(end);
      } catch (...) {
        return 0;
      }
      if (n) std::copy_n(from, n, m->bytes->data() + at);
      m->position = int64_t(end);
      return n;
    },
    [](void* o, int64_t offset, int origin) {
      auto* m = static_cast<VectorOutput*>(o);
      int64_t to = SeekTarget(m->position, int64_t(m->bytes->size()), offset, origin);
      if (to < 0) return false;
      m->position = to;
      return true;
    },
    [](void* o) { return static_cast<VectorOutput*>(o)->position; },
    [](void* o) { return int64_t(static_cast<VectorOutput*>(o)->bytes->size()); },
    [](void*) { return true; },
    [](void* o, bool) { delete static_cast<VectorOutput*>(o); },
    // Appending within the room reserved: the bytes go right after the ones written.
    [](void* o, size_t n) -> uint8_t* {
      const auto* m = static_cast<VectorOutput*>(o);
      std::vector<uint8_t>& v = *m->bytes;
      if (size_t(m->position) != v.size() || n > v.capacity() - v.size()) return nullptr;
      return v.data() + v.size();
    },
};

const DestCallbacks kCounterCallbacks = {
    [](ImageDest*, void*) { return true; },
    [](void* o, const void*, size_t n) -> size_t {
      auto* c = static_cast<Counter*>(o);
      if (n > size_t(INT64_MAX - c->position)) return 0;
      c->position += int64_t(n);
      c->size = std::max(c->size, c->position);
      return n;
    },
    [](void* o, int64_t offset, int origin) {
      auto* c = static_cast<Counter*>(o);
      int64_t to = SeekTarget(c->position, c->size, offset, origin);
      if (to < 0) return false;
      c->position = to;
      return true;
    },
    [](void* o) { return static_cast<Counter*>(o)->position; },
    [](void* o) { return static_cast<Counter*>(o)->size; },
    [](void*) { return true; },
    [](void* o, bool) { delete static_cast<Counter*>(o); },
    nullptr,
};

// Opens a callback destination that owns `state` (freed by its close callback, or here when the
// open fails).
template <typename State>
ImageDest* OpenOwning(const DestCallbacks& callbacks, State* state) {
  if (!state) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  ImageDest* dest = OpenDestCallbacks(&callbacks, state);
  if (!dest) delete state;
  return dest;
}

}  // namespace

ImageDest* OpenDestVector(std::vector<uint8_t>* bytes) {
  if (!bytes) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  bytes->clear();
  return OpenOwning(kVectorCallbacks, new (std::nothrow) VectorOutput{bytes});
}

ImageDest* OpenDestCounter() {
  return OpenOwning(kCounterCallbacks, new (std::nothrow) Counter{});
}

}  // namespace orv
