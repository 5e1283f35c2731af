// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/JpegBandJoin.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "imageio/ByteOrder.h"

namespace orv {
namespace {

// Frame header markers of the sequential Huffman processes (baseline and extended).
constexpr uint8_t kSof0 = 0xC0, kSof1 = 0xC1;
constexpr uint8_t kDht = 0xC4, kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kDri = 0xDD;

bool IsOtherFrameMarker(uint8_t m) {
  return m >= 0xC2 && m <= 0xCF && m != kDht && m != 0xC8 && m != 0xCC;
}

bool ParseHuffmanTables(const uint8_t* seg, size_t size, JpegScanLayout* layout) {
  size_t i = 0;
  while (i < size) {
    if (size - i < 17) return false;
    const unsigned cls = seg[i] >> 4, id = seg[i] & 15;
    if (cls > 1 || id > 3) return false;
    JpegScanLayout::Huffman& t = cls == 0 ? layout->dc[id] : layout->ac[id];
    t = {};
    size_t total = 0;
    for (int l = 1; l <= 16; ++l) {
      t.count[l] = seg[i + size_t(l)];
      total += t.count[l];
    }
    i += 17;
    if (total > 256 || total > size - i) return false;
    std::memcpy(t.symbols, seg + i, total);
    i += total;
    int32_t code = 0, index = 0;
    constexpr int kFast = JpegScanLayout::Huffman::kFastBits;
    for (int l = 1; l <= 16; ++l) {
      t.firstCode[l] = code;
      t.firstIndex[l] = index;
      if (code + t.count[l] > (int32_t(1) << l)) return false;  // more codes than l bits hold
      for (int n = 0; l <= kFast && n < t.count[l]; ++n) {
        // Every kFast-bit string that starts with this code.
        const int first = (code + n) << (kFast - l);
        for (int s = 0; s < 1 << (kFast - l); ++s)
          t.fast[first + s] = uint16_t(l << 8 | t.symbols[index + n]);
      }
      code += t.count[l];
      index += t.count[l];
      code <<= 1;
    }
    t.present = true;
  }
  return true;
}

struct FrameComponent {
  int id = 0, h = 1, v = 1;
};

bool ParseFrame(const uint8_t* seg, size_t size, size_t segAt, JpegScanLayout* layout,
                std::vector<FrameComponent>* frame) {
  if (size < 6 || seg[0] != 8) return false;
  layout->heightAt = segAt + 1;
  layout->height = int(Be16(seg + 1));
  layout->width = int(Be16(seg + 3));
  const size_t n = seg[5];
  if (n == 0 || n > 4 || size < 6 + 3 * n || layout->width == 0 || layout->height == 0)
    return false;
  frame->clear();
  for (size_t c = 0; c < n; ++c) {
    FrameComponent f{seg[6 + 3 * c], seg[7 + 3 * c] >> 4, seg[7 + 3 * c] & 15};
    if (f.h < 1 || f.h > 4 || f.v < 1 || f.v > 4) return false;
    frame->push_back(f);
  }
  return true;
}

bool ParseScan(const uint8_t* seg, size_t size, const std::vector<FrameComponent>& frame,
               JpegScanLayout* layout) {
  if (frame.empty() || size < 1) return false;
  const size_t n = seg[0];
  // One scan holding every component: the join knows no other layout.
  if (n != frame.size() || size < 1 + 2 * n + 3) return false;
  const uint8_t* tail = seg + 1 + 2 * n;
  if (tail[0] != 0 || tail[1] != 63 || tail[2] != 0) return false;
  int hMax = 1, vMax = 1;
  for (const FrameComponent& f : frame) hMax = std::max(hMax, f.h), vMax = std::max(vMax, f.v);
  layout->components.clear();
  for (size_t c = 0; c < n; ++c) {
    const auto it = std::find_if(frame.begin(), frame.end(),
                                 [&](const FrameComponent& f) { return f.id == seg[1 + 2 * c]; });
    if (it == frame.end()) return false;
    JpegScanLayout::ScanComponent s;
    s.h = n == 1 ? 1 : it->h;
    s.v = n == 1 ? 1 : it->v;
    s.dcTable = seg[2 + 2 * c] >> 4;
    s.acTable = seg[2 + 2 * c] & 15;
    if (s.dcTable > 3 || s.acTable > 3 || !layout->dc[s.dcTable].present ||
        !layout->ac[s.acTable].present)
      return false;
    layout->components.push_back(s);
  }
  const int64_t width = layout->width;
  if (n == 1) {
    // A one-component scan codes the component's own blocks, one an MCU.
    const FrameComponent& f = frame.front();
    const int64_t compWidth = (width * f.h + hMax - 1) / hMax;
    layout->mcusPerRow = int((compWidth + 7) / 8);
    layout->mcuRowHeight = 8 * vMax / f.v;
  } else {
    layout->mcusPerRow = int((width + 8 * hMax - 1) / (8 * hMax));
    layout->mcuRowHeight = 8 * vMax;
  }
  return true;
}

// Reads `count` (at most 32) bits from bit `pos`; needs five readable bytes from pos / 8.
inline uint32_t ReadBits(const uint8_t* bytes, uint64_t pos, int count) {
  const uint8_t* b = bytes + (pos >> 3);
  const uint64_t word = uint64_t(b[0]) << 32 | uint64_t(b[1]) << 24 | uint64_t(b[2]) << 16 |
                        uint64_t(b[3]) << 8 | uint64_t(b[4]);
  const int shift = 40 - int(pos & 7) - count;
  return uint32_t((word >> shift) & ((uint64_t(1) << count) - 1));
}

bool BitsEqual(const UnstuffedBits& a, uint64_t aFrom, const UnstuffedBits& b, uint64_t bFrom,
               uint64_t count) {
  while (count > 0) {
    const int take = int(std::min<uint64_t>(count, 32));
    if (ReadBits(a.data, aFrom, take) != ReadBits(b.data, bFrom, take))
      return false;
    aFrom += uint64_t(take);
    bFrom += uint64_t(take);
    count -= uint64_t(take);
  }
  return true;
}

class BitReader {
 public:
  explicit BitReader(const UnstuffedBits& bits) : bits_(bits) {}
  uint64_t Position() const { return pos_; }
  bool Skip(int count) {
    if (uint64_t(count) > bits_.bitCount - pos_) return false;
    pos_ += uint64_t(count);
    return true;
  }
  // The symbol of the next code, or -1.
  int Decode(const JpegScanLayout::Huffman& t) {
    // Most codes are short: one look at the next bits, and a longer one read by the canonical
    // rule from a look at 16 (the zero bytes after the data make the looks safe at the end; a
    // code reaching past the bits is refused).
    const uint16_t hit =
        t.fast[ReadBits(bits_.data, pos_, JpegScanLayout::Huffman::kFastBits)];
    if (hit) {
      const uint64_t length = hit >> 8;
      if (length > bits_.bitCount - pos_) return -1;
      pos_ += length;
      return hit & 0xFF;
    }
    int length = 0;
    const int symbol =
        DecodeCanonicalCode(t, uint64_t(ReadBits(bits_.data, pos_, 16)) << 48, &length);
    if (symbol < 0 || uint64_t(length) > bits_.bitCount - pos_) return -1;
    pos_ += uint64_t(length);
    return symbol;
  }

 private:
  const UnstuffedBits& bits_;
  uint64_t pos_ = 0;
};

bool WalkBlock(BitReader& in, const JpegScanLayout::Huffman& dc,
               const JpegScanLayout::Huffman& ac) {
  const int dcSize = in.Decode(dc);
  if (dcSize < 0 || dcSize > 15 || !in.Skip(dcSize)) return false;
  for (int k = 1; k < 64;) {
    const int rs = in.Decode(ac);
    if (rs < 0) return false;
    const int run = rs >> 4, size = rs & 15;
    if (size == 0) {
      if (run != 15) return true;  // end of block
      k += 16;
      continue;
    }
    k += run;
    if (k > 63 || !in.Skip(size)) return false;
    ++k;
  }
  return true;
}

// Copies `count` bits from bit `from` of src to bit `at` of dst. The bits of dst's byte at / 8
// before `at` are kept and the rest of dst is overwritten, so ranges are copied in order. src
// needs eight readable bytes after its bits, and dst eight bytes of room after them.
void CopyBits(const uint8_t* src, uint64_t from, uint64_t count, uint8_t* dst, uint64_t at) {
  if (count == 0) return;
  uint8_t* d = dst + at / 8;
  const int used = int(at % 8);
  // The first byte: the bits already there and the first 8 - used bits of the range.
  const int head = int(std::min<uint64_t>(count, uint64_t(8 - used)));
  const uint8_t keep = used ? uint8_t(*d & ~(0xFF >> used)) : 0;
  *d = uint8_t(keep | ReadBits(src, from, head) << (8 - used - head));
  from += uint64_t(head);
  count -= uint64_t(head);
  ++d;
  // Then whole bytes, seven at a time from one big-endian word, stored as eight: the eighth is
  // overwritten by the next store or the last byte, or lies past the bits, where the next
  // range's first byte keeps none of it (dst needs eight bytes of room after its bits).
  while (count >= 56) {
    PutBe64(d, Be64(src + from / 8) << (from % 8));
    d += 7;
    from += 56;
    count -= 56;
  }
  while (count >= 8) {
    *d++ = uint8_t(ReadBits(src, from, 8));
    from += 8;
    count -= 8;
  }
  if (count > 0) *d = uint8_t(ReadBits(src, from, int(count)) << (8 - count));
}

}  // namespace

bool ParseJpegScanLayout(std::span<const uint8_t> stream, JpegScanLayout* layout) {
  const uint8_t* s = stream.data();
  const size_t n = stream.size();
  if (n < 4 || s[0] != 0xFF || s[1] != kSoi) return false;
  *layout = {};
  std::vector<FrameComponent> frame;
  size_t pos = 2;
  while (true) {
    if (n - pos < 4 || s[pos] != 0xFF) return false;
    const uint8_t marker = s[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    const size_t length = Be16(s + pos + 2);
    if (length < 2 || length > n - pos - 2) return false;
    const uint8_t* seg = s + pos + 4;
    const size_t size = length - 2;
    if (marker == kSof0 || marker == kSof1) {
      if (!ParseFrame(seg, size, pos + 4, layout, &frame)) return false;
    } else if (marker == kDht) {
      if (!ParseHuffmanTables(seg, size, layout)) return false;
    } else if (marker == kDri) {
      if (size < 2 || Be16(seg) != 0) return false;
    } else if (marker == kSos) {
      if (!ParseScan(seg, size, frame, layout)) return false;
      layout->headerEnd = pos + 2 + length;
      return layout->mcusPerRow > 0;
    } else if (IsOtherFrameMarker(marker) || marker == kSoi || marker == kEoi) {
      return false;
    }
    pos += 2 + length;
  }
}

bool UnstuffEntropyInPlace(std::span<uint8_t> buffer, size_t streamSize, size_t from,
                           UnstuffedBits* bits) {
  if (streamSize > buffer.size() || buffer.size() - streamSize < 8 || from > streamSize ||
      streamSize - from < 2 || buffer[streamSize - 2] != 0xFF || buffer[streamSize - 1] != kEoi)
    return false;
  uint8_t* const begin = buffer.data() + from;
  const uint8_t* s = begin;
  const uint8_t* const end = buffer.data() + streamSize - 2;
  uint8_t* out = begin;
  while (s < end) {
    const void* ff = std::memchr(s, 0xFF, size_t(end - s));
    const uint8_t* stop = ff ? static_cast<const uint8_t*>(ff) : end;
    if (out != s) std::memmove(out, s, size_t(stop - s));
    out += stop - s;
    s = stop;
    if (s == end) break;
    if (end - s < 2 || s[1] != 0) return false;  // a marker inside the data
    *out++ = 0xFF;
    s += 2;
  }
  std::memset(out, 0, 8);
  bits->data = begin;
  bits->bitCount = uint64_t(out - begin) * 8;
  return true;
}

bool WalkMcus(const JpegScanLayout& layout, const UnstuffedBits& bits, int mcus,
              std::vector<uint64_t>* starts) {
  BitReader in(bits);
  starts->clear();
  for (int m = 0; m < mcus; ++m) {
    starts->push_back(in.Position());
    for (const JpegScanLayout::ScanComponent& c : layout.components)
      for (int b = 0; b < c.h * c.v; ++b)
        if (!WalkBlock(in, layout.dc[c.dcTable], layout.ac[c.acTable])) return false;
  }
  starts->push_back(in.Position());
  return true;
}

int64_t FindDataEnd(const UnstuffedBits& bits, BitRange tail, uint64_t earliest) {
  const uint64_t length = tail.to - tail.from;
  int64_t found = -1;
  for (uint64_t pad = 0; pad < 8 && pad <= bits.bitCount; ++pad) {
    const uint64_t end = bits.bitCount - pad;
    if (end < length || end - length < earliest) continue;
    if (pad > 0 && ReadBits(bits.data, end, int(pad)) != (1u << pad) - 1) continue;
    if (!BitsEqual(bits, end - length, *tail.bits, tail.from, length)) continue;
    if (found >= 0) return -1;  // two places fit: the end is not known
    found = int64_t(end);
  }
  return found;
}

bool JoinBitRanges(std::span<const BitRange> ranges,
                   const std::function<bool(const uint8_t*, size_t)>& write) {
  // The bits go through one small block, and its whole bytes out through a second with the
  // stuffed zeros: picture-sized blocks would cost a page fault every 4 KiB.
  constexpr size_t kBlock = 65536;
  std::unique_ptr<uint8_t[]> raw(new (std::nothrow) uint8_t[kBlock + 8]);
  std::unique_ptr<uint8_t[]> stuffed(new (std::nothrow) uint8_t[2 * kBlock]);
  if (!raw || !stuffed) return false;
  uint64_t at = 0;  // bits in raw
  auto flush = [&](size_t bytes) {
    uint8_t* dst = stuffed.get();
    const uint8_t* p = raw.get();
    const uint8_t* const end = p + bytes;
    // A byte without a branch: its zero is stored every time and kept after a 0xFF only (the
    // block has room for two bytes a byte).
    const auto put = [&dst](uint8_t b) {
      dst[0] = b;
      dst[1] = 0;
      dst += 1 + (b == 0xFF);
    };
    // Eight bytes at a time: about one in four such words of entropy-coded data holds a 0xFF,
    // which is too often for a search per 0xFF to pay.
    while (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if (!HoldsByteFF(word)) {
        std::memcpy(dst, p, sizeof word);
        dst += 8;
        p += 8;
        continue;
      }
      for (int i = 0; i < 8; ++i) put(*p++);
    }
    while (p < end) put(*p++);
    return write(stuffed.get(), size_t(dst - stuffed.get()));
  };
  for (const BitRange& r : ranges) {
    uint64_t from = r.from;
    while (from < r.to) {
      const uint64_t take = std::min(r.to - from, uint64_t(kBlock) * 8 - at);
      CopyBits(r.bits->data, from, take, raw.get(), at);
      from += take;
      at += take;
      if (at == uint64_t(kBlock) * 8) {
        if (!flush(kBlock)) return false;
        at = 0;
      }
    }
  }
  if (at % 8 != 0) raw[at / 8] |= uint8_t(0xFF >> (at % 8));  // pad with one bits
  return flush(size_t((at + 7) / 8));
}

}  // namespace orv
