// A small reader of the ISO base media boxes that matter here: the top-level 'meta' box, its
// 'pitm' (the primary item) and 'iref' (the references between items). Every size and offset is
// checked against the bytes at hand.
#include "imageio/HeifDerivation.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "imageio/ByteOrder.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

struct Box {
  char type[4];
  size_t body = 0;  // offset of the contents
  size_t end = 0;   // offset just past the box
};

// The box at `at` within [at, limit); false when its header or size does not fit.
bool ReadBox(const uint8_t* d, size_t at, size_t limit, Box& box) {
  if (!RangeInside(at, 8, limit)) return false;
  uint64_t size = Be32(d + at);
  size_t header = 8;
  if (size == 1) {
    if (!RangeInside(at, 16, limit)) return false;
    size = uint64_t(Be32(d + at + 8)) << 32 | Be32(d + at + 12);
    header = 16;
  } else if (size == 0) {
    size = limit - at;
  }
  if (size < header || !RangeInside(at, size, limit)) return false;
  std::memcpy(box.type, d + at + 4, 4);
  box.body = at + header;
  box.end = at + size_t(size);
  return true;
}

bool Is(const Box& box, const char* type) {
  return std::memcmp(box.type, type, 4) == 0;
}

using Edges = std::unordered_map<uint32_t, std::vector<uint32_t>>;

// The 'dimg' references of an 'iref' box (a full box: version 0 has 16-bit item ids).
void ReadReferences(const uint8_t* d, const Box& iref, Edges& edges) {
  if (!RangeInside(iref.body, 4, iref.end)) return;
  const bool wide = d[iref.body] != 0;
  const size_t id = wide ? 4 : 2;
  auto item = [&](size_t at) { return wide ? Be32(d + at) : uint32_t(Be16(d + at)); };
  Box ref;
  for (size_t at = iref.body + 4; ReadBox(d, at, iref.end, ref); at = ref.end) {
    if (!Is(ref, "dimg") || !RangeInside(ref.body, id + 2, ref.end)) continue;
    const uint32_t from = item(ref.body);
    const size_t count = Be16(d + ref.body + id);
    std::vector<uint32_t>& to = edges[from];
    for (size_t i = 0, p = ref.body + id + 2; i < count && RangeInside(p, id, ref.end); ++i, p += id)
      to.push_back(item(p));
  }
}

// The longest path from `start`, without recursion (chains may be thousands long).
int64_t LongestChain(const Edges& edges, uint32_t start) {
  enum State : uint8_t { kOpen, kDone };
  std::unordered_map<uint32_t, std::pair<State, int64_t>> seen;  // state, depth when done
  std::vector<std::pair<uint32_t, size_t>> stack{{start, 0}};   // item, next edge to follow
  seen[start] = {kOpen, 0};
  while (!stack.empty()) {
    auto& [item, next] = stack.back();
    auto found = edges.find(item);
    const std::vector<uint32_t>* to = found == edges.end() ? nullptr : &found->second;
    if (to && next < to->size()) {
      const uint32_t child = (*to)[next++];
      auto it = seen.find(child);
      if (it == seen.end()) {
        seen[child] = {kOpen, 0};
        stack.push_back({child, 0});
      } else if (it->second.first == kOpen) {
        return INT32_MAX;  // a loop
      }
      continue;
    }
    int64_t depth = 0;
    if (to)
      for (uint32_t child : *to) depth = std::max(depth, seen[child].second + 1);
    seen[item] = {kDone, depth};
    stack.pop_back();
  }
  return seen[start].second;
}

}  // namespace

int64_t HeifDerivationDepth(const uint8_t* d, size_t size) {
  if (!d) return -1;
  Box meta;
  size_t at = 0;
  bool found = false;
  for (; ReadBox(d, at, size, meta); at = meta.end)
    if (Is(meta, "meta")) {
      found = true;
      break;
    }
  if (!found || !RangeInside(meta.body, 4, meta.end)) return -1;
  bool havePrimary = false;
  uint32_t primary = 0;
  Edges edges;
  Box child;
  for (at = meta.body + 4; ReadBox(d, at, meta.end, child); at = child.end) {
    if (Is(child, "pitm") && RangeInside(child.body, 6, child.end)) {
      const bool wide = d[child.body] != 0;
      if (wide && !RangeInside(child.body, 8, child.end)) continue;
      primary = wide ? Be32(d + child.body + 4) : Be16(d + child.body + 4);
      havePrimary = true;
    } else if (Is(child, "iref")) {
      ReadReferences(d, child, edges);
    }
  }
  if (!havePrimary) return -1;
  return LongestChain(edges, primary);
}

}  // namespace orv
