// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Joins baseline JPEG streams that libjpeg encoded band by band into the one stream libjpeg
// writes for the whole picture, byte for byte.
//
// A band's stream holds, before the band's own rows, the last MCU row of the band above (its
// "lead"): the band's first block then has the same predecessor, hence the same DC difference
// and the same bits, as in the whole picture. Every block is coded from its own pixels, so the
// bits of a band's own rows are the whole picture's bits for those rows. What the join needs is
// where they start (after the lead, found by walking the lead's MCUs) and where they end: a
// stream ends with the last MCU's bits and then 0 to 7 one bits of padding. The last MCU's bits
// are known from another stream that holds the same MCU row (the next band's lead, or for the
// last band a stream of its last MCU row alone), so the end is the one place where those bits
// stand followed by nothing but padding; when no one place fits, the join refuses and the
// caller encodes the whole picture in one piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace orv {

// The scan of a libjpeg stream as far as the join needs it.
struct JpegScanLayout {
  struct Huffman {
    // Canonical code: codes of length l are firstCode[l] .. firstCode[l] + count[l] - 1 and
    // stand for symbols[firstIndex[l] ..].
    uint8_t count[17] = {};
    int32_t firstCode[17] = {};
    int32_t firstIndex[17] = {};
    uint8_t symbols[256] = {};
    // The codes of up to kFastBits bits, looked up by the next kFastBits bits: length << 8 |
    // symbol, 0 for a longer code.
    static constexpr int kFastBits = 9;
    uint16_t fast[1 << kFastBits] = {};
    bool present = false;
  };
  struct ScanComponent {
    int h = 1, v = 1;  // blocks of this component in one MCU (1 x 1 in a one-component scan)
    int dcTable = 0, acTable = 0;
  };
  size_t headerEnd = 0;    // first byte after the start-of-scan segment
  size_t heightAt = 0;     // where the frame header's two-byte picture height stands
  int width = 0, height = 0;
  int mcuRowHeight = 8;    // picture rows an MCU row covers
  int mcusPerRow = 0;
  std::vector<ScanComponent> components;  // in scan order
  Huffman dc[4], ac[4];
};

// The symbol of the canonical code that starts at the top (high bit) of `bits`, of which at
// least 16 are valid, and the code's length; -1 when they start no code of the table.
inline int DecodeCanonicalCode(const JpegScanLayout::Huffman& t, uint64_t bits, int* length) {
  for (int l = 1; l <= 16; ++l) {
    const uint32_t d = uint32_t(bits >> (64 - l)) - uint32_t(t.firstCode[l]);
    if (d < t.count[l]) {
      *length = l;
      return t.symbols[t.firstIndex[l] + int32_t(d)];
    }
  }
  return -1;
}

// Whether one of a word's eight bytes of entropy-coded data is 0xFF, after which JPEG stuffs a
// zero (or a marker starts); whichever byte order the word was loaded in.
inline bool HoldsByteFF(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  const uint64_t inverse = ~word;  // a 0xFF byte is a zero byte here
  return ((inverse - kOnes) & ~inverse & kHighs) != 0;
}

// Reads the layout of a single-scan baseline or extended sequential Huffman stream with no
// restart interval. False for anything else.
bool ParseJpegScanLayout(std::span<const uint8_t> stream, JpegScanLayout* layout);

// The entropy-coded bits of a stream as a bit string read from each byte's high bit, with eight
// readable zero bytes after the last.
struct UnstuffedBits {
  const uint8_t* data = nullptr;
  uint64_t bitCount = 0;
};
// Removes the stuffed zero bytes of the data from `from` to the stream's end-of-image marker in
// place and zeroes the eight bytes after the bits; buffer holds the stream in its first
// streamSize bytes and must be at least streamSize + 8 long. False when the data holds a marker
// or the stream does not end with end-of-image.
bool UnstuffEntropyInPlace(std::span<uint8_t> buffer, size_t streamSize, size_t from,
                           UnstuffedBits* bits);

// Walks `mcus` MCUs from bit 0; starts receives mcus + 1 offsets, the bit where each MCU begins
// and where the last one ends. False when a code is not in the tables or the bits run out.
bool WalkMcus(const JpegScanLayout& layout, const UnstuffedBits& bits, int mcus,
              std::vector<uint64_t>* starts);

// Where a stream's data ends: the one offset e such that bits [e - tail.size, e) equal `tail`
// (a bit range of another stream) and everything after e is 0 to 7 one bits, e not before
// `earliest`. -1 when no offset or more than one fits.
struct BitRange {
  const UnstuffedBits* bits = nullptr;
  uint64_t from = 0, to = 0;
};
int64_t FindDataEnd(const UnstuffedBits& bits, BitRange tail, uint64_t earliest);

// Concatenates bit ranges, pads with one bits to a whole byte and stuffs a zero after each 0xFF,
// as a JPEG entropy-coded segment, handing the bytes to `write` a block at a time. False when
// memory runs out or `write` returns false.
bool JoinBitRanges(std::span<const BitRange> ranges,
                   const std::function<bool(const uint8_t*, size_t)>& write);

}  // namespace orv
