// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Starting a baseline JPEG decode at an MCU row without decoding the rows above it.
//
// JpegRowWalker walks the entropy-coded data quickly (codes are looked up, AC magnitudes only
// skipped) to the start of an MCU row and keeps the DC predictors there. ResumeStream then
// builds a stream libjpeg decodes from that row: the file's header with a smaller picture
// height, one made-up MCU row whose DC differences bring every predictor to its value at the
// row and whose length lines its end up with the row's first bit, and then the file's own bytes.
// The made-up row decodes to pixels of no interest; every row after it carries the file's
// coefficients.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imageio/JpegBandJoin.h"

namespace orv {

// The entropy-coded data at the start of an MCU row: the file byte holding its first bit, that
// bit's place in the byte (0 = the high bit), and each scan component's DC predictor there.
struct JpegRowStart {
  size_t byte = 0;
  int bit = 0;
  int dc[4] = {};
  int row = 0;
};

class JpegRowWalker {
 public:
  JpegRowWalker();
  ~JpegRowWalker();
  JpegRowWalker(const JpegRowWalker&) = delete;
  JpegRowWalker& operator=(const JpegRowWalker&) = delete;

  // Reads the header and puts the walker at row 0. False for a stream it cannot walk: anything
  // ParseJpegScanLayout refuses, more than 4 scan components, more than 10 blocks an MCU, a DC
  // table with a symbol over 15, or no memory. The span must outlive the walker; the data is
  // not copied.
  bool Open(std::span<const uint8_t> file);
  const JpegScanLayout& Layout() const { return layout_; }
  int McuRows() const { return mcuRows_; }

  // Walks forward to the start of MCU row `row` (at least the current row, at most McuRows()).
  // False when a code is not in the tables, the row would need bits past the data's end (a
  // marker other than a stuffed 0xFF 0x00, or the end of the file), or the walker is not open
  // or failed before; after a failure the walker stays failed and At() keeps the last row
  // reached.
  bool WalkTo(int row);
  const JpegRowStart& At() const { return at_; }

  // The bytes that, followed by file[*tailFrom ..] to the end of the file, form a stream
  // libjpeg decodes as one MCU row of no interest and then the file's MCU rows from At().row to
  // the last, with the file's coefficients. False when At() is the end of the picture, the new
  // height does not fit the frame header, the tables lack the codes a made-up row needs (the
  // caller then skips rows some other way), or memory runs out.
  bool ResumeStream(std::vector<uint8_t>* head, size_t* tailFrom) const;
  // The same for the start of an earlier row that At() gave on the way (kept by the caller).
  bool ResumeStreamAt(const JpegRowStart& at, std::vector<uint8_t>* head, size_t* tailFrom) const;

 private:
  struct Tables;
  bool OpenTables();  // Open's work; may throw bad_alloc
  bool Walk(int row);
  bool BuildResume(const JpegRowStart& at, std::vector<uint8_t>* head, size_t* tailFrom) const;

  std::span<const uint8_t> file_;
  JpegScanLayout layout_;
  int mcuRows_ = 0;
  std::unique_ptr<Tables> tables_;
  JpegRowStart at_;
  // The bit reader between calls: buf_ holds nbits_ unread bits from its high bit, p_ is the
  // next file byte to read, padBytes_ the zero bytes fed after the data ended.
  uint64_t buf_ = 0;
  int nbits_ = 0;
  size_t p_ = 0;
  int64_t padBytes_ = 0;
  bool ended_ = false;
  uint32_t pred_[4] = {};
  bool open_ = false;
  bool failed_ = false;
};

}  // namespace orv
