// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/JpegResume.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#include "imageio/ByteOrder.h"

namespace orv {
namespace {

using Huffman = JpegScanLayout::Huffman;

// Lookup tables index on the next kLutBits bits.
constexpr int kLutBits = 12;
constexpr int kLutSize = 1 << kLutBits;
// The entry of bits that start a code longer than kLutBits bits, or none.
constexpr uint16_t kSlow = 0x8000;
// An AC entry's coefficient-index advance for end of block: past the block's end at once.
constexpr int kEndOfBlock = 64;
// Blocks one MCU may hold (libjpeg refuses more).
constexpr int kMaxBlocksInMcu = 10;
// DC magnitude categories of 8-bit samples.
constexpr int kMaxDcCategory = 11;

// Calls f(code, length, symbol) for every code of the table.
template <typename F>
void ForEachCode(const Huffman& t, F f) {
  for (int l = 1; l <= 16; ++l)
    for (int n = 0; n < t.count[l]; ++n)
      f(uint32_t(t.firstCode[l] + n), l, t.symbols[t.firstIndex[l] + n]);
}

// DC: code length | size << 8 for codes of up to kLutBits bits, the value's bits read apart.
void BuildDcLut(const Huffman& t, uint16_t* lut) {
  for (int i = 0; i < kLutSize; ++i) lut[i] = kSlow;
  ForEachCode(t, [&](uint32_t code, int l, uint8_t symbol) {
    if (l > kLutBits) return;
    const uint32_t first = code << (kLutBits - l);
    for (uint32_t s = 0; s < (1u << (kLutBits - l)); ++s)
      lut[first + s] = uint16_t(l | symbol << 8);
  });
}

// AC entries decode a group of symbols in one step: as many whole symbols (code and magnitude
// bits) as the kLutBits bits hold, ending at the first end of block; a code of up to kLutBits
// bits whose magnitude reaches past them is a group of its own. Fields: the group's bits and
// coefficient-index advance, the advance before its last symbol (the group applies only while
// that leaves the index inside the block, as the block ends otherwise), and the first symbol's
// bits and advance for when it does not. kAcSlow for a longer code or none.
constexpr uint32_t kAcSlow = 0x80000000u;
struct AcEntry {
  static uint32_t Make(int bits, int advance, int before, int firstBits, int firstAdvance) {
    return uint32_t(bits) | uint32_t(advance) << 5 | uint32_t(before) << 12 |
           uint32_t(firstBits) << 19 | uint32_t(firstAdvance) << 24;
  }
  static int Bits(uint32_t e) { return int(e & 31); }
  static int Advance(uint32_t e) { return int(e >> 5 & 127); }
  static int Before(uint32_t e) { return int(e >> 12 & 127); }
  static int FirstBits(uint32_t e) { return int(e >> 19 & 31); }
  static int FirstAdvance(uint32_t e) { return int(e >> 24 & 127); }
};

void BuildAcLut(const Huffman& t, uint32_t* lut) {
  // The code at the top of each kLutBits-bit string: length << 8 | symbol, 0 for none.
  std::vector<uint16_t> codes(kLutSize, 0);
  ForEachCode(t, [&](uint32_t code, int l, uint8_t symbol) {
    if (l > kLutBits) return;
    const uint32_t first = code << (kLutBits - l);
    for (uint32_t s = 0; s < (1u << (kLutBits - l)); ++s)
      codes[first + s] = uint16_t(l << 8 | symbol);
  });
  for (uint32_t i = 0; i < kLutSize; ++i) {
    int pos = 0, advance = 0, before = 0, firstBits = 0, firstAdvance = 0;
    for (int n = 0;; ++n) {
      const uint16_t c = codes[(i << pos) & (kLutSize - 1)];
      const int l = c >> 8, symbol = c & 0xFF;
      const int run = symbol >> 4, size = symbol & 15;
      if (!c || pos + l > kLutBits || (n > 0 && pos + l + size > kLutBits)) break;
      // libjpeg ends the block at any size-0 symbol but the 16-zero run.
      const int step = size ? run + 1 : run == 15 ? 16 : kEndOfBlock;
      if (n > 0 && advance > 63) break;  // the block would have ended before this symbol
      before = advance;
      advance += step;
      pos += l + size;
      if (n == 0) firstBits = pos, firstAdvance = step;
      if (step == kEndOfBlock) break;
    }
    lut[i] = firstBits ? AcEntry::Make(pos, advance, before, firstBits, firstAdvance) : kAcSlow;
  }
}

// The JPEG rule turning `size` magnitude bits into a difference.
inline int32_t Extend(uint32_t bits, int size) {
  return bits < (1u << (size - 1)) ? int32_t(bits) - int32_t((1u << size) - 1) : int32_t(bits);
}

}  // namespace

struct JpegRowWalker::Tables {
  uint16_t dcLut[4][kLutSize];
  uint32_t acLut[4][kLutSize];
  struct Block {
    const uint16_t* dcLut;
    const uint32_t* acLut;
    const Huffman* dc;
    const Huffman* ac;
    int component;
  };
  Block blocks[kMaxBlocksInMcu];
  int blocksInMcu = 0;
};

JpegRowWalker::JpegRowWalker() = default;
JpegRowWalker::~JpegRowWalker() = default;

bool JpegRowWalker::Open(std::span<const uint8_t> file) {
  open_ = false;
  failed_ = false;
  file_ = file;
  try {
    return OpenTables();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool JpegRowWalker::OpenTables() {
  const std::span<const uint8_t> file = file_;
  if (!ParseJpegScanLayout(file, &layout_)) return false;
  if (layout_.components.empty() || layout_.components.size() > 4) return false;
  if (!tables_) tables_ = std::make_unique<Tables>();
  Tables& t = *tables_;
  bool dcBuilt[4] = {}, acBuilt[4] = {};
  t.blocksInMcu = 0;
  for (size_t c = 0; c < layout_.components.size(); ++c) {
    const JpegScanLayout::ScanComponent& sc = layout_.components[c];
    const Huffman& dc = layout_.dc[sc.dcTable];
    // libjpeg refuses DC symbols over 15.
    for (int l = 1; l <= 16; ++l)
      for (int n = 0; n < dc.count[l]; ++n)
        if (dc.symbols[dc.firstIndex[l] + n] > 15) return false;
    if (!dcBuilt[sc.dcTable]) BuildDcLut(dc, t.dcLut[sc.dcTable]), dcBuilt[sc.dcTable] = true;
    if (!acBuilt[sc.acTable])
      BuildAcLut(layout_.ac[sc.acTable], t.acLut[sc.acTable]), acBuilt[sc.acTable] = true;
    for (int b = 0; b < sc.h * sc.v; ++b) {
      if (t.blocksInMcu == kMaxBlocksInMcu) return false;
      t.blocks[t.blocksInMcu++] = {t.dcLut[sc.dcTable], t.acLut[sc.acTable], &dc,
                                   &layout_.ac[sc.acTable], int(c)};
    }
  }
  mcuRows_ = (layout_.height + layout_.mcuRowHeight - 1) / layout_.mcuRowHeight;
  if (layout_.headerEnd > file.size()) return false;
  at_ = {};
  at_.byte = layout_.headerEnd;
  buf_ = 0;
  nbits_ = 0;
  p_ = layout_.headerEnd;
  padBytes_ = 0;
  ended_ = false;
  std::fill(std::begin(pred_), std::end(pred_), 0u);
  open_ = true;
  return true;
}

bool JpegRowWalker::WalkTo(int row) {
  if (!open_ || failed_ || row < at_.row || row > mcuRows_) return false;
  if (row == at_.row) return true;
  if (!Walk(row)) {
    failed_ = true;
    return false;
  }
  return true;
}

namespace {

// The reader's slow refill: byte by byte, dropping stuffed zeros, and zero bytes once the data
// has ended (at a marker or the end of the file).
struct Reader {
  uint64_t buf;
  int nbits;
  const uint8_t* p;
  const uint8_t* end;
  int64_t padBytes;
  bool ended;
};

[[gnu::noinline]] void RefillBytes(Reader& r) {
  while (r.nbits <= 56) {
    uint32_t b = 0;
    if (!r.ended && r.p < r.end) {
      b = *r.p;
      if (b != 0xFF) {
        ++r.p;
      } else if (r.end - r.p >= 2 && r.p[1] == 0) {
        r.p += 2;
      } else {
        r.ended = true;
      }
    } else {
      r.ended = true;
    }
    if (r.ended) {
      b = 0;
      ++r.padBytes;
    }
    r.buf |= uint64_t(b) << (56 - r.nbits);
    r.nbits += 8;
  }
}

}  // namespace

bool JpegRowWalker::Walk(int row) {
  const Tables& t = *tables_;
  const uint8_t* const data = file_.data();
  Reader rd{buf_, nbits_, data + p_, data + file_.size(), padBytes_, ended_};
  uint64_t buf = rd.buf;
  int nbits = rd.nbits;
  const uint8_t* p = rd.p;
  const uint8_t* const end = rd.end;
  uint32_t pred[4] = {pred_[0], pred_[1], pred_[2], pred_[3]};
  const int blocksInMcu = t.blocksInMcu;
  const int mcusPerRow = layout_.mcusPerRow;

  // Tops the buffer up to at least 56 bits: eight bytes in one load when none of them is 0xFF.
  auto refill = [&]() {
    if (end - p >= 8 && !rd.ended) {
      const uint64_t word = Be64(p);
      if (!HoldsByteFF(word)) {
        const int bytes = (63 - nbits) >> 3;  // 4 to 7 here
        buf |= (word & (~uint64_t(0) << (64 - 8 * bytes))) >> nbits;
        p += bytes;
        nbits += 8 * bytes;
        return;
      }
    }
    rd.buf = buf, rd.nbits = nbits, rd.p = p;
    RefillBytes(rd);
    buf = rd.buf, nbits = rd.nbits, p = rd.p;
  };

  bool ok = true;
  int r = at_.row;
  for (; r < row && ok; ++r) {
    for (int m = 0; m < mcusPerRow && ok; ++m) {
      for (int bi = 0; bi < blocksInMcu; ++bi) {
        const Tables::Block& blk = t.blocks[bi];
        if (nbits < 32) refill();
        int length, size;
        const uint16_t de = blk.dcLut[buf >> (64 - kLutBits)];
        if (!(de & kSlow)) {
          length = de & 31;
          size = de >> 8;
        } else {
          size = DecodeCanonicalCode(*blk.dc, buf, &length);
          if (size < 0) {
            ok = false;
            break;
          }
        }
        if (size) {
          const uint32_t bits = uint32_t((buf << length) >> (64 - size));
          pred[blk.component] += uint32_t(Extend(bits, size));
        }
        buf <<= length + size;
        nbits -= length + size;

        const uint32_t* const lut = blk.acLut;
        for (int k = 1; k < 64;) {
          if (nbits < 32) refill();
          const uint32_t e = lut[buf >> (64 - kLutBits)];
          if (!(e & kAcSlow)) {
            const bool whole = k + AcEntry::Before(e) < 64;
            const int n = whole ? AcEntry::Bits(e) : AcEntry::FirstBits(e);
            buf <<= n;
            nbits -= n;
            k += whole ? AcEntry::Advance(e) : AcEntry::FirstAdvance(e);
            continue;
          }
          length = 0;
          const int symbol = DecodeCanonicalCode(*blk.ac, buf, &length);
          if (symbol < 0) {
            ok = false;
            break;
          }
          const int run = symbol >> 4;
          size = symbol & 15;
          buf <<= length + size;
          nbits -= length + size;
          if (size)
            k += run + 1;
          else if (run == 15)
            k += 16;
          else
            break;
        }
        if (!ok) break;
      }
    }
    // The row must not have needed the zero bits fed after the data.
    if (ok && int64_t(nbits) < 8 * rd.padBytes) ok = false;
  }
  if (!ok) return false;

  buf_ = buf;
  nbits_ = nbits;
  p_ = size_t(p - data);
  padBytes_ = rd.padBytes;
  ended_ = rd.ended;
  std::copy(std::begin(pred), std::end(pred), pred_);
  // The unread bits are the last (nbits + 7) / 8 bytes taken, the fed zero bytes last of all;
  // step back over the file's bytes, a stuffed zero with its 0xFF.
  int64_t back = (int64_t(nbits) + 7) / 8 - padBytes_;
  size_t q = p_;
  const size_t dataStart = layout_.headerEnd;
  for (; back > 0; --back) {
    if (q >= dataStart + 2 && data[q - 1] == 0 && data[q - 2] == 0xFF)
      q -= 2;
    else
      q -= 1;
  }
  at_.byte = q;
  at_.bit = (8 - nbits % 8) % 8;
  at_.row = row;
  for (size_t c = 0; c < 4; ++c) at_.dc[c] = int32_t(pred_[c]);
  return true;
}

// ---------------------------------------------------------------------------------------------
// The made-up MCU row.

namespace {

struct BitWriter {
  std::vector<uint8_t> bytes;
  uint64_t count = 0;  // bits written
  void Put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (count % 8 == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= uint8_t(0x80 >> (count % 8));
      ++count;
    }
  }
};

struct Code {
  uint32_t code = 0;
  int length = 0;  // 0: no code
};

void CodesOf(const Huffman& t, Code* codes) {
  ForEachCode(t, [&](uint32_t code, int l, uint8_t symbol) {
    if (codes[symbol].length == 0) codes[symbol] = {code, l};
  });
}

// The shortest AC content of a block for each residue of its bit count mod 8: symbols that use
// at most 63 coefficients and end with an end-of-block symbol or on the 63rd coefficient.
struct AcFill {
  bool ok[8] = {};
  int bits[8] = {};
  std::vector<uint8_t> symbols[8];
};

AcFill PlanAcFill(const Code* codes) {
  constexpr int kNone = 1 << 30;
  int dist[64][8];
  struct Step {
    int u = -1, res = 0;
    uint8_t symbol = 0;
  } prev[64][8];
  for (auto& d : dist) std::fill(std::begin(d), std::end(d), kNone);
  dist[0][0] = 0;
  int endBits = -1;
  uint8_t endSymbol = 0;
  for (int s = 0; s < 256; ++s) {
    if (!codes[s].length || (s & 15) || (s >> 4) == 15) continue;
    if (endBits < 0 || codes[s].length < endBits) endBits = codes[s].length, endSymbol = uint8_t(s);
  }
  for (int u = 0; u < 63; ++u)
    for (int res = 0; res < 8; ++res) {
      if (dist[u][res] == kNone) continue;
      for (int s = 0; s < 256; ++s) {
        if (!codes[s].length) continue;
        const int run = s >> 4, size = s & 15;
        int next;
        if (size)
          next = u + run + 1;
        else if (run == 15)
          next = u + 16;
        else
          continue;
        if (next > 63) continue;
        const int bits = codes[s].length + size;
        const int nres = (res + bits) & 7;
        if (dist[u][res] + bits < dist[next][nres]) {
          dist[next][nres] = dist[u][res] + bits;
          prev[next][nres] = {u, res, uint8_t(s)};
        }
      }
    }
  AcFill fill;
  int best[8];
  for (int res = 0; res < 8; ++res) best[res] = kNone;
  for (int u = 0; u <= 63; ++u)
    for (int res = 0; res < 8; ++res) {
      if (dist[u][res] == kNone) continue;
      // Ending here: with the end-of-block symbol before the 63rd coefficient, or on it.
      int total;
      int fres;
      if (u < 63) {
        if (endBits < 0) continue;
        total = dist[u][res] + endBits;
        fres = (res + endBits) & 7;
      } else {
        total = dist[u][res];
        fres = res;
      }
      if (total >= best[fres]) continue;
      best[fres] = total;
      std::vector<uint8_t> seq;
      if (u < 63) seq.push_back(endSymbol);
      for (int cu = u, cr = res; cu > 0;) {
        const Step& st = prev[cu][cr];
        seq.push_back(st.symbol);
        cu = st.u;
        cr = st.res;
      }
      std::reverse(seq.begin(), seq.end());
      fill.symbols[fres] = std::move(seq);
      fill.ok[fres] = true;
      fill.bits[fres] = total;
    }
  return fill;
}

uint8_t RotateResidues(uint8_t mask, int by) {
  by &= 7;
  return uint8_t((mask << by | mask >> (8 - by)) & 0xFF);
}

// The residue mask of a + b for a in mask and b in `add`.
uint8_t AddResidues(uint8_t mask, uint8_t add) {
  uint8_t out = 0;
  for (int b = 0; b < 8; ++b)
    if (add >> b & 1) out |= RotateResidues(mask, b);
  return out;
}

// One made-up block: its DC difference and magnitude category, and the residue of its AC fill.
struct MadeBlock {
  int32_t diff;
  int category;
  int acResidue;
};

// The blocks of one component in the made-up row: `blocks` of them whose DC differences add up
// to `target`, for each residue of their total bit count that some choice reaches.
class ComponentPlanner {
 public:
  ComponentPlanner(const Code* dcCodes, const AcFill& ac, int64_t blocks, int32_t target)
      : ac_(ac), blocks_(blocks), target_(target) {
    for (int c = 0; c <= kMaxDcCategory; ++c) dcLength_[c] = dcCodes[c].length;
  }

  // The residues reachable, as a mask.
  uint8_t Plan() {
    // A block of category c with AC fill a adds L(c) + c + a bits.
    for (int c = 0; c <= kMaxDcCategory; ++c) {
      blockResidues_[c] = 0;
      if (!dcLength_[c]) continue;
      for (int a = 0; a < 8; ++a)
        if (ac_.ok[a]) blockResidues_[c] |= uint8_t(1 << ((dcLength_[c] + c + a) & 7));
    }
    // Most blocks are fillers whose differences cancel: a block of difference 0, or a pair
    // +d, -d of one category. fill_[m]: residues m fillers reach.
    zero_ = blockResidues_[0];
    pair_ = 0;
    for (int c = 1; c <= kMaxDcCategory; ++c)
      pair_ |= AddResidues(blockResidues_[c], blockResidues_[c]);
    fill_.assign(size_t(blocks_) + 1, 0);
    fill_[0] = 1;
    for (int64_t m = 1; m <= blocks_; ++m) {
      fill_[size_t(m)] = AddResidues(fill_[size_t(m - 1)], zero_);
      if (m >= 2) fill_[size_t(m)] |= AddResidues(fill_[size_t(m - 2)], pair_);
    }
    // The others carry the target: reach_[n][res] over sums lo_ .. hi_ (some order of any
    // blocks that reach the target keeps every partial sum within one difference of 0 .. target).
    active_ = int(std::min<int64_t>(blocks_, 8));
    const int32_t maxDiff = (1 << kMaxDcCategory) - 1;
    if (std::abs(int64_t(target_)) > int64_t(maxDiff) * active_) return 0;
    lo_ = std::min(0, target_) - maxDiff;
    hi_ = std::max(0, target_) + maxDiff;
    width_ = size_t(hi_ - lo_ + 1);
    reach_.assign(size_t(active_ + 1) * 8 * width_, 0);
    At(0, 0)[size_t(-lo_)] = 1;
    std::vector<int32_t> prefix(width_ + 1);
    std::vector<uint8_t> step(width_);
    const size_t t = size_t(target_ - lo_);
    auto addLevel = [&](int n, uint8_t* mask) {
      for (int res = 0; res < 8; ++res)
        if (At(n, res)[t]) *mask |= AddResidues(uint8_t(1 << res), fill_[size_t(blocks_ - n)]);
    };
    uint8_t mask = 0;
    addLevel(0, &mask);
    // More blocks carrying the target only help while some residue is still missing.
    const int most = active_;
    active_ = 0;
    for (int n = 1; n <= most && mask != 0xFF; ++n) {
      for (int res = 0; res < 8; ++res) {
        const uint8_t* from = At(n - 1, res);
        prefix[0] = 0;
        for (size_t i = 0; i < width_; ++i) prefix[i + 1] = prefix[i] + from[i];
        if (prefix[width_] == 0) continue;
        for (int c = 0; c <= kMaxDcCategory; ++c) {
          if (!blockResidues_[c]) continue;
          for (size_t i = 0; i < width_; ++i) step[i] = Reaches(prefix, int32_t(i), c);
          for (int a = 0; a < 8; ++a) {
            if (!(blockResidues_[c] >> a & 1)) continue;
            uint8_t* to = At(n, (res + a) & 7);
            for (size_t i = 0; i < width_; ++i) to[i] |= step[i];
          }
        }
      }
      addLevel(n, &mask);
      active_ = n;
    }
    return mask;
  }

  // The blocks of a plan reaching residue `want` (one Plan() said is reachable).
  bool Blocks(int want, std::vector<MadeBlock>* out) {
    out->clear();
    const size_t t = size_t(target_ - lo_);
    for (int n = 0; n <= active_; ++n)
      for (int res = 0; res < 8; ++res) {
        if (!At(n, res)[t]) continue;
        const int fillRes = (want - res) & 7;
        if (!(fill_[size_t(blocks_ - n)] >> fillRes & 1)) continue;
        return ActiveBlocks(n, res, out) && FillerBlocks(blocks_ - n, fillRes, out);
      }
    return false;
  }

 private:
  uint8_t* At(int n, int res) { return &reach_[(size_t(n) * 8 + size_t(res)) * width_]; }

  // Whether some difference of category c leads from a reached sum to sum index i.
  bool Reaches(const std::vector<int32_t>& prefix, int32_t i, int c) const {
    auto any = [&](int32_t from, int32_t to) {  // reached sum index in [from, to]
      from = std::max<int32_t>(from, 0);
      to = std::min<int32_t>(to, int32_t(width_) - 1);
      return from <= to && prefix[size_t(to) + 1] - prefix[size_t(from)] > 0;
    };
    if (c == 0) return any(i, i);
    const int32_t low = 1 << (c - 1), high = (1 << c) - 1;
    return any(i - high, i - low) || any(i + low, i + high);
  }

  bool ActiveBlocks(int n, int res, std::vector<MadeBlock>* out) {
    int32_t sum = target_;
    for (; n > 0; --n) {
      bool found = false;
      for (int c = 0; c <= kMaxDcCategory && !found; ++c) {
        if (!dcLength_[c]) continue;
        for (int a = 0; a < 8 && !found; ++a) {
          if (!ac_.ok[a]) continue;
          const int before = (res - dcLength_[c] - c - a) & 7;
          const uint8_t* from = At(n - 1, before);
          const int32_t low = c ? 1 << (c - 1) : 0, high = c ? (1 << c) - 1 : 0;
          for (int sign = 0; sign < 2 && !found; ++sign)
            for (int32_t m = low; m <= high; ++m) {
              const int32_t d = sign ? -m : m;
              const int64_t i = int64_t(sum) - d - lo_;
              if (i < 0 || i >= int64_t(width_) || !from[size_t(i)]) continue;
              out->push_back({d, c, a});
              sum -= d;
              res = before;
              found = true;
              break;
            }
        }
      }
      if (!found) return false;
    }
    return sum == 0 && res == 0;
  }

  bool FillerBlocks(int64_t m, int res, std::vector<MadeBlock>* out) {
    for (; m > 0;) {
      bool found = false;
      if (zero_) {
        for (int a = 0; a < 8 && !found; ++a) {
          if (!ac_.ok[a]) continue;
          const int before = (res - dcLength_[0] - a) & 7;
          if (fill_[size_t(m - 1)] >> before & 1) {
            out->push_back({0, 0, a});
            res = before;
            m -= 1;
            found = true;
          }
        }
      }
      for (int c = 1; c <= kMaxDcCategory && !found && m >= 2; ++c) {
        if (!dcLength_[c]) continue;
        for (int a = 0; a < 8 && !found; ++a)
          for (int b = 0; b < 8 && !found; ++b) {
            if (!ac_.ok[a] || !ac_.ok[b]) continue;
            const int before = (res - 2 * (dcLength_[c] + c) - a - b) & 7;
            if (fill_[size_t(m - 2)] >> before & 1) {
              const int32_t d = 1 << (c - 1);
              out->push_back({d, c, a});
              out->push_back({-d, c, b});
              res = before;
              m -= 2;
              found = true;
            }
          }
      }
      if (!found) return false;
    }
    return res == 0;
  }

  const AcFill& ac_;
  int dcLength_[kMaxDcCategory + 1] = {};
  uint8_t blockResidues_[kMaxDcCategory + 1] = {};
  uint8_t zero_ = 0, pair_ = 0;
  int64_t blocks_;
  int32_t target_;
  int active_ = 0;
  int32_t lo_ = 0, hi_ = 0;
  size_t width_ = 0;
  std::vector<uint8_t> fill_;
  std::vector<uint8_t> reach_;
};

}  // namespace

// The made-up blocks for tables that PlainBlocks cannot use: each component planned for every
// residue of its bit count it can reach, then one residue per component that adds up to the
// bit where the row starts.
bool SearchBlocks(const JpegScanLayout& L, const Code (*dcCodes)[256],
                  const std::vector<AcFill>& fills, const JpegRowStart& at,
                  std::vector<std::vector<MadeBlock>>* blocks) {
  const size_t nc = L.components.size();
  std::vector<std::unique_ptr<ComponentPlanner>> planners(nc);
  uint8_t masks[4] = {};
  for (size_t c = 0; c < nc; ++c) {
    const JpegScanLayout::ScanComponent& sc = L.components[c];
    const int64_t count = int64_t(L.mcusPerRow) * sc.h * sc.v;
    planners[c] = std::make_unique<ComponentPlanner>(dcCodes[c], fills[c], count, at.dc[c]);
    masks[c] = planners[c]->Plan();
    if (!masks[c]) return false;
  }
  int pick[4] = {};
  bool found = false;
  for (int combo = 0; combo < (1 << (3 * int(nc))) && !found; ++combo) {
    int sum = 0;
    bool fits = true;
    for (size_t c = 0; c < nc; ++c) {
      pick[c] = (combo >> (3 * c)) & 7;
      fits = fits && (masks[c] >> pick[c] & 1);
      sum += pick[c];
    }
    found = fits && (sum & 7) == at.bit;
  }
  if (!found) return false;
  for (size_t c = 0; c < nc; ++c)
    if (!planners[c]->Blocks(pick[c], &(*blocks)[c])) return false;
  return true;
}

// The made-up blocks most tables allow at once, found without a search: each component's first
// block carries its whole DC difference and the others none, every block has its shortest AC
// content, and one block's content is swapped for another that lines the row's end up with the
// bit where the row starts. False when the tables lack a code this needs.
bool PlainBlocks(const JpegScanLayout& L, const Code (*dcCodes)[256],
                 const std::vector<AcFill>& fills, const JpegRowStart& at,
                 std::vector<std::vector<MadeBlock>>* blocks) {
  const size_t nc = L.components.size();
  int64_t total = 0;
  int shortest[4] = {};
  for (size_t c = 0; c < nc; ++c) {
    const JpegScanLayout::ScanComponent& sc = L.components[c];
    const int64_t count = int64_t(L.mcusPerRow) * sc.h * sc.v;
    const int32_t target = at.dc[c];
    const int category = target == 0 ? 0 : int(std::bit_width(uint32_t(std::abs(int64_t(target)))));
    if (count < 1 || category > kMaxDcCategory || !dcCodes[c][category].length ||
        (count > 1 && !dcCodes[c][0].length))
      return false;
    int best = -1;
    for (int r = 0; r < 8; ++r)
      if (fills[c].ok[r] && (best < 0 || fills[c].bits[r] < fills[c].bits[best])) best = r;
    if (best < 0) return false;
    shortest[c] = best;
    total += dcCodes[c][category].length + category + (count - 1) * dcCodes[c][0].length +
             count * fills[c].bits[best];
    (*blocks)[c].assign(size_t(count), MadeBlock{0, 0, best});
    (*blocks)[c][0] = MadeBlock{target, category, best};
  }
  const int want = int((at.bit - total) & 7);
  if (want == 0) return true;
  for (size_t c = 0; c < nc; ++c) {
    const int swapped = (shortest[c] + want) & 7;
    if (fills[c].ok[swapped]) {
      (*blocks)[c].back().acResidue = swapped;
      return true;
    }
  }
  return false;
}

bool JpegRowWalker::ResumeStream(std::vector<uint8_t>* head, size_t* tailFrom) const {
  return !failed_ && ResumeStreamAt(at_, head, tailFrom);
}

bool JpegRowWalker::ResumeStreamAt(const JpegRowStart& at, std::vector<uint8_t>* head,
                                   size_t* tailFrom) const {
  if (!open_ || at.row >= mcuRows_ || at.row > at_.row || at.byte >= file_.size() ||
      at.byte < layout_.headerEnd || at.bit < 0 || at.bit > 7)
    return false;
  try {
    return BuildResume(at, head, tailFrom);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool JpegRowWalker::BuildResume(const JpegRowStart& at, std::vector<uint8_t>* head,
                                 size_t* tailFrom) const {
  const JpegScanLayout& L = layout_;
  const int64_t newHeight =
      int64_t(L.mcuRowHeight) + int64_t(L.height) - int64_t(at.row) * L.mcuRowHeight;
  if (newHeight < 1 || newHeight > 65535) return false;
  const size_t nc = L.components.size();

  Code dcCodes[4][256] = {}, acCodes[4][256] = {};
  std::vector<AcFill> fills(nc);
  for (size_t c = 0; c < nc; ++c) {
    const JpegScanLayout::ScanComponent& sc = L.components[c];
    CodesOf(L.dc[sc.dcTable], dcCodes[c]);
    CodesOf(L.ac[sc.acTable], acCodes[c]);
    fills[c] =
        c > 0 && sc.acTable == L.components[c - 1].acTable ? fills[c - 1] : PlanAcFill(acCodes[c]);
  }
  std::vector<std::vector<MadeBlock>> blocks(nc);
  if (!PlainBlocks(L, dcCodes, fills, at, &blocks) &&
      !SearchBlocks(L, dcCodes, fills, at, &blocks))
    return false;

  // The made-up row's bits, MCU by MCU.
  BitWriter w;
  std::vector<size_t> next(nc, 0);
  for (int m = 0; m < L.mcusPerRow; ++m)
    for (size_t c = 0; c < nc; ++c) {
      const JpegScanLayout::ScanComponent& sc = L.components[c];
      for (int b = 0; b < sc.h * sc.v; ++b) {
        const MadeBlock& blk = blocks[c][next[c]++];
        const Code& dc = dcCodes[c][blk.category];
        w.Put(dc.code, dc.length);
        if (blk.category) {
          const int32_t bits = blk.diff > 0 ? blk.diff : blk.diff + (1 << blk.category) - 1;
          w.Put(uint32_t(bits), blk.category);
        }
        for (uint8_t s : fills[c].symbols[blk.acResidue]) {
          const Code& ac = acCodes[c][s];
          w.Put(ac.code, ac.length);
          if (s & 15) w.Put(1u << ((s & 15) - 1), s & 15);  // any magnitude: the row is dropped
        }
      }
    }
  if (int(w.count % 8) != at.bit) return false;

  const uint8_t* data = file_.data();
  size_t tail = at.byte;
  if (at.bit) {
    // The last made-up bits share a byte with the row's first bits.
    w.bytes.back() = uint8_t(w.bytes.back() | (data[at.byte] & (0xFF >> at.bit)));
    tail += data[at.byte] == 0xFF ? 2 : 1;
  }
  head->clear();
  head->reserve(L.headerEnd + w.bytes.size() * 2);
  head->assign(data, data + L.headerEnd);
  PutBe16(head->data() + L.heightAt, uint32_t(newHeight));
  for (uint8_t b : w.bytes) {
    head->push_back(b);
    if (b == 0xFF) head->push_back(0);
  }
  *tailFrom = tail;
  return true;
}

}  // namespace orv
