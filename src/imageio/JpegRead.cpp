// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG decoding on libjpeg. Every libjpeg call that can fail runs inside a small function that
// owns the setjmp and holds no C++ objects, so a longjmp never skips a destructor.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "imageio/BandProgress.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/JpegResume.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"
#include "platform/CheckedMath.h"
#include "platform/LargeBuffer.h"
#include "platform/LateRowCut.h"
#include "platform/PagesAhead.h"
#include "platform/ThreadBudget.h"

namespace orv {
namespace {

constexpr size_t kInputChunk = 65536;
// A hostile progressive file can hold thousands of tiny scans that each cost a full pass.
constexpr int kMaxScans = 1000;

enum class Conversion { kDirect, kRgbToGray, kCmykToRgb, kCmykToGray };

struct ReadErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

struct SourceManager {
  jpeg_source_mgr pub;
  ImageSource* source;
  // A band's decompressor reads the shared source at its own offset instead.
  const ImageSource* shared;
  uint64_t offset;
  // Or two pieces of memory, one after the other (a stream that resumes at a row).
  const uint8_t* piece[2];
  size_t pieceSize[2];
  int piecesGiven;
  JOCTET* buffer;
  bool hitEnd;
};

// Everything the setjmp functions touch lives here, behind one pointer.
struct JpegReader {
  jpeg_decompress_struct cinfo;
  ReadErrorManager err;
  SourceManager src;
  jpeg_progress_mgr progress;
  JOCTET buffer[kInputChunk];
  bool created;
  Conversion conversion;
  bool adobeInverted;
  uint8_t* pixels;
  uint8_t* row;
  int outComponents;  // 3 or 1 in the result
  ProgressCallback callback;
  void* callbackUser;
  bool aborted;
  std::atomic<size_t>* reached;  // bytes of pixels written so far, for the pages put in ahead
  bool band;  // decodes some rows of another reader's picture: the pixels are not its own
  int firstRow, endRow;  // the rows DecodeCore decodes; endRow 0 for every row
  LateRowCut* lateCut;   // the top band of a late cut: stops at the row a helper took
  LateRowCut* lowerCut;  // the lower band of a cut that moves: firstRow is where it starts out
  int cutStep;           // the rows the cut moves by (an MCU row)
  int rowShift;          // the picture row of this decompressor's row 0 (a resumed stream)
  bool placeAhead;       // a band's rows: their pages are placed as the decoding comes to them
};

const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  size_t n = 0;
  if (src->piece[0]) {
    while (src->piecesGiven < 2 && src->pieceSize[src->piecesGiven] == 0) ++src->piecesGiven;
    if (src->piecesGiven < 2) {
      const int k = src->piecesGiven++;
      src->pub.next_input_byte = src->piece[k];
      src->pub.bytes_in_buffer = src->pieceSize[k];
      return TRUE;
    }
  } else if (src->shared) {
    n = ReadSourceAt(src->shared, src->offset, src->buffer, kInputChunk);
    src->offset += n;
  } else {
    n = ReadSource(src->source, src->buffer, kInputChunk);
  }
  if (n == 0) {
    // Premature end: hand libjpeg an EOI so it finishes with what it has (a warning, not an error).
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->hitEnd = true;
    src->pub.next_input_byte = kFakeEoi;
    src->pub.bytes_in_buffer = 2;
    return TRUE;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  if (count <= 0) return;
  while (size_t(count) > src->pub.bytes_in_buffer) {
    count -= long(src->pub.bytes_in_buffer);
    FillInput(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<ReadErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (corrupt data, premature end) are not printed; the caller sees the outcome.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) cinfo->err->num_warnings++;
}
void OutputMessage(j_common_ptr) {}

void ProgressMonitor(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) ERREXIT(cinfo, JERR_NOT_COMPILED);
}

void Destroy(JpegReader* r) {
  if (r->created) jpeg_destroy_decompress(&r->cinfo);
  r->created = false;
}

// Creates the decompressor and reads the header, keeping COM and APP1..APP14 (not for a band).
bool ReadHeaderCore(JpegReader* r) {
  if (setjmp(r->err.jump)) {
    Destroy(r);
    return false;
  }
  r->cinfo.err = jpeg_std_error(&r->err.pub);
  r->err.pub.error_exit = ErrorExit;
  r->err.pub.emit_message = EmitMessage;
  r->err.pub.output_message = OutputMessage;
  jpeg_create_decompress(&r->cinfo);
  r->created = true;
  r->src.pub.init_source = InitSource;
  r->src.pub.fill_input_buffer = FillInput;
  r->src.pub.skip_input_data = SkipInput;
  r->src.pub.resync_to_restart = jpeg_resync_to_restart;
  r->src.pub.term_source = TermSource;
  r->src.pub.bytes_in_buffer = 0;
  r->src.pub.next_input_byte = nullptr;
  r->src.buffer = r->buffer;
  r->cinfo.src = &r->src.pub;
  r->progress.progress_monitor = ProgressMonitor;
  r->cinfo.progress = &r->progress;
  if (!r->band) {
    jpeg_save_markers(&r->cinfo, JPEG_COM, 0xFFFF);
    for (int m = 1; m <= 14; ++m) jpeg_save_markers(&r->cinfo, JPEG_APP0 + m, 0xFFFF);
  }
  jpeg_read_header(&r->cinfo, TRUE);
  return true;
}

bool CalcDimensionsCore(JpegReader* r) {
  if (setjmp(r->err.jump)) {
    Destroy(r);
    return false;
  }
  jpeg_calc_output_dimensions(&r->cinfo);
  return true;
}

inline uint8_t Luma(unsigned R, unsigned G, unsigned B) {
  // trunc(0.299 R + 0.587 G + 0.114 B) in exact integer arithmetic (white stays 255).
  return uint8_t((299 * R + 587 * G + 114 * B) / 1000);
}

void ConvertRow(const JpegReader* r, const uint8_t* in, uint8_t* out, JDIMENSION width) {
  switch (r->conversion) {
    case Conversion::kDirect:
      break;
    case Conversion::kRgbToGray:
      for (JDIMENSION x = 0; x < width; ++x, in += 3) out[x] = Luma(in[0], in[1], in[2]);
      break;
    case Conversion::kCmykToRgb:
    case Conversion::kCmykToGray:
      for (JDIMENSION x = 0; x < width; ++x, in += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        // Adobe writes inverted CMYK (255 = no ink); plain CMYK stores ink amounts.
        if (!r->adobeInverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        unsigned R = (c * k + 127) / 255, G = (m * k + 127) / 255, B = (y * k + 127) / 255;
        if (r->conversion == Conversion::kCmykToGray) {
          out[x] = Luma(R, G, B);
        } else {
          out[3 * x] = uint8_t(R);
          out[3 * x + 1] = uint8_t(G);
          out[3 * x + 2] = uint8_t(B);
        }
      }
      break;
  }
}

// The fewest rows a lower band passes in one call while its cut moves: libjpeg decodes the rows
// around the end of every pass in full, which in passes of 128 rows cost a tenth more.
constexpr int kLeastPassRows = 256;

// The next pass towards a cut that moves, `left` rows away: half the way left, at least `least`
// rows, in whole steps (MCU rows).
int NextPassRows(int left, int least, int step) {
  return std::min(left, std::max({step, least / step * step, left / 2 / step * step}));
}

// Passes the rows above a lower band whose cut moves: half the way left at a time (at least
// kLeastPassRows), the cut moved after each pass by the speeds seen (LateRowCut::MoveCut).
// Returns the band's first row. Runs inside DecodeCore's setjmp: plain data only.
JDIMENSION PassToMovingCut(JpegReader* r) {
  const auto start = std::chrono::steady_clock::now();
  const int step = r->cutStep;
  int at = 0, cut = r->firstRow;
  while (at < cut) {
    const int pass = NextPassRows(cut - at, kLeastPassRows, step);
    if (jpeg_skip_scanlines(&r->cinfo, JDIMENSION(pass)) != JDIMENSION(pass))
      ERREXIT(&r->cinfo, JERR_BAD_STATE);
    at += pass;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    cut = r->lowerCut->MoveCut(at, seconds.count());
  }
  return JDIMENSION(at);
}

// The fewest rows the walker passes in one go while the cut moves: a pass costs nothing to start.
constexpr int kLeastWalkRows = 64;
// The largest file whose bytes a lower band reads into memory to walk them.
constexpr uint64_t kMostWalkedBytes = uint64_t(1) << 30;

// A lower band's stream that resumes one MCU row above its cut: the file's bytes and the head
// that goes before the part of them from tailFrom.
struct ResumedLower {
  std::unique_ptr<uint8_t[]> file;
  size_t fileSize = 0;
  std::vector<uint8_t> head;
  size_t tailFrom = 0;
  int cut = 0;
  // The walker and where each MCU row above the cut starts, for taking back rows of the top.
  std::unique_ptr<JpegRowWalker> walker;
  std::vector<JpegRowStart> rowStarts;
};

enum class Walked { kResumed, kAtCut, kNotWalked, kDamaged };

// Passes the rows above a lower band with JpegRowWalker, which reads the codes without decoding
// them (to a cut that moves as PassToMovingCut moves it, or to a fixed one when lateCut is
// null), and builds the stream that resumes one MCU row above the cut: the upsampling of the
// cut's first rows reads that row's colour. kNotWalked when the stream cannot be walked
// (nothing passed yet: the caller passes with libjpeg), kAtCut when the rows are passed but the
// resuming stream cannot be made (the cut is final: the caller skips to it with libjpeg),
// kDamaged when the codes are broken.
Walked WalkToCutOrThrow(const ImageSource* source, LateRowCut* lateCut, int step, int firstCut,
                        ResumedLower* out) {
  const auto start = std::chrono::steady_clock::now();
  const uint64_t size = SourceSize(source);
  if (size == 0 || size > kMostWalkedBytes || firstCut < 2 * step) return Walked::kNotWalked;
  out->file.reset(new (std::nothrow) uint8_t[size_t(size)]);
  if (!out->file || ReadSourceAt(source, 0, out->file.get(), size_t(size)) != size)
    return Walked::kNotWalked;
  out->fileSize = size_t(size);
  out->walker = std::make_unique<JpegRowWalker>();
  JpegRowWalker& walker = *out->walker;
  if (!walker.Open({out->file.get(), out->fileSize}) || walker.Layout().mcuRowHeight != step)
    return Walked::kNotWalked;
  out->rowStarts.reserve(size_t(walker.McuRows()));
  out->rowStarts.push_back(walker.At());
  // The walker stays an MCU row behind the rows passed: the cut never falls above them, and the
  // stream resumes at the row before the cut.
  int at = 0, cut = firstCut;
  while (at < cut) {
    const int pass = lateCut ? NextPassRows(cut - at, kLeastWalkRows, step) : cut - at;
    // Row by row, keeping where each starts.
    for (int row = walker.At().row + 1; row <= (at + pass) / step - 1; ++row) {
      if (!walker.WalkTo(row)) return Walked::kDamaged;
      out->rowStarts.push_back(walker.At());
    }
    at += pass;
    if (lateCut) {
      const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
      cut = lateCut->MoveCut(at, seconds.count());
    }
  }
  out->cut = at;
  if (walker.ResumeStream(&out->head, &out->tailFrom) && out->tailFrom <= out->fileSize)
    return Walked::kResumed;
  return Walked::kAtCut;
}

// WalkToCutOrThrow in a task, where nothing may throw: memory running out on the way is a
// reason to decode in one piece.
Walked WalkToCut(const ImageSource* source, LateRowCut* lateCut, int step, int firstCut,
                 ResumedLower* out) {
  try {
    return WalkToCutOrThrow(source, lateCut, step, firstCut, out);
  } catch (...) {
    return Walked::kDamaged;
  }
}

// Decodes rows [firstRow, endRow) into r->pixels (from the first row to the last when endRow is
// 0), skipping the rows above; the top band of a late cut ends at the cut instead, and the lower
// band of a moving cut starts at the cut. A resumed stream's rows land rowShift rows lower.
// Returns 0, 9 (decoder error) or 14 (aborted).
unsigned DecodeCore(JpegReader* r) {
  if (setjmp(r->err.jump)) {
    Destroy(r);
    return kErrBadJpeg;
  }
  jpeg_start_decompress(&r->cinfo);
  const JDIMENSION width = r->cinfo.output_width;
  const size_t stride = size_t(width) * size_t(r->outComponents);
  JDIMENSION first = JDIMENSION(r->firstRow);
  const JDIMENSION end = r->endRow > 0 ? JDIMENSION(r->endRow) : r->cinfo.output_height;
  if (r->lowerCut)
    first = PassToMovingCut(r);
  else if (first > 0 && jpeg_skip_scanlines(&r->cinfo, first) != first)
    ERREXIT(&r->cinfo, JERR_BAD_STATE);
  // The pages of a fresh picture can cost as much as the decoding: each band places its own on
  // its own thread, as it comes to them (its end may still move), so that those of a slow
  // system go over to small ones (LargeBuffer.h).
  const size_t shift = size_t(r->rowShift);
  PagesPlacedAhead pages;
  if (r->placeAhead)
    pages.Start(r->pixels + (first + shift) * stride, r->pixels + (end + shift) * stride);
  while (r->cinfo.output_scanline < end) {
    const JDIMENSION y = r->cinfo.output_scanline + JDIMENSION(r->rowShift);
    if (r->lateCut && !r->lateCut->TopMayWork(int(y))) break;
    uint8_t* target = r->pixels + size_t(y) * stride;
    if (r->placeAhead) pages.Before(target + stride);
    JSAMPROW rowPointer = r->conversion == Conversion::kDirect ? target : r->row;
    if (jpeg_read_scanlines(&r->cinfo, &rowPointer, 1) != 1) ERREXIT(&r->cinfo, JERR_BAD_STATE);
    ConvertRow(r, r->row, target, width);
    if (r->reached) r->reached->store(size_t(y + 1) * stride, std::memory_order_relaxed);
    if (r->callback &&
        !r->callback(r->callbackUser, int(y), int(r->cinfo.output_height + shift))) {
      r->aborted = true;
      Destroy(r);
      return kErrAborted;
    }
  }
  // The rest of the stream (trailing markers) is not needed; destroying also aborts cleanly.
  Destroy(r);
  return kErrNone;
}

JpegReader* NewReader(ImageSource* source) {
  auto* r = new (std::nothrow) JpegReader;
  if (!r) return nullptr;
  std::memset(static_cast<void*>(r), 0, sizeof(JpegReader));
  r->src.source = source;
  return r;
}

struct ReaderDeleter {
  void operator()(JpegReader* r) const {
    Destroy(r);
    if (!r->band) FreeLibraryBuffer(r->pixels);
    delete[] r->row;
    delete r;
  }
};
using ReaderPtr = std::unique_ptr<JpegReader, ReaderDeleter>;

// Opens the stream and copies the kept segments into the context's input lists.
bool StartRead(LibraryContext* ctx, ImageSource* source, ReaderPtr& reader) {
  ctx->inputComments.clear();
  ctx->inputMarkers.clear();
  ctx->lastJpegTruncated = false;
  if (!source) {
    SetLastLibraryError(kErrBadHandle);
    return false;
  }
  reader.reset(NewReader(source));
  if (!reader) {
    SetLastLibraryError(kErrNoMemory);
    return false;
  }
  if (!ReadHeaderCore(reader.get())) {
    SetLastLibraryError(kErrBadJpeg);
    return false;
  }
  try {
    for (jpeg_saved_marker_ptr m = reader->cinfo.marker_list; m; m = m->next) {
      if (m->marker == JPEG_COM) {
        ctx->inputComments.emplace_back(reinterpret_cast<const char*>(m->data), m->data_length);
      } else if (m->data_length > 0) {
        JpegMarker marker;
        marker.code = m->marker;
        marker.payload.assign(m->data, m->data + m->data_length);
        ctx->inputMarkers.push_back(std::move(marker));
      }
    }
  } catch (...) {
    SetLastLibraryError(kErrNoMemory);
    return false;
  }
  // Refuse pictures beyond the cap before libjpeg allocates its own per-picture buffers.
  size_t bytes = 0;
  if (!PictureBytes(reader->cinfo.image_width, reader->cinfo.image_height, 1, bytes)) {
    SetLastLibraryError(kErrNoMemory);
    return false;
  }
  return true;
}

// The fewest rows a band decodes.
constexpr int kMinDecodeBandRows = 256;
// What skipping a row (Huffman decoding it) costs against decoding it, about, in camera JPEGs.
// A band starting lower skips more, so the bands are cut to take about as long each.
constexpr double kSkipCost = 0.6;
// What walking past a row (JpegRowWalker) costs against decoding it, about: 14.4 ms for the
// first 60 % of a noisy 24 MP photo's rows against 68 ms for decoding all of them.
constexpr double kWalkCost = 0.35;

enum class BandedRead { kDecoded, kNotBanded, kAborted };

std::atomic<uint64_t> bandedDecodes{0};
std::atomic<uint64_t> resumedBands{0};
std::atomic<uint64_t> takenBackRows{0};
// What starting on rows taken back from the top costs, in rows, beside the two MCU rows decoded
// before them (the made-up one and the one above): a decompressor and the resumed stream.
constexpr int kTakeBackStartRows = 16;

// First rows of `count` bands over `height` rows, each band's passing and decoding costing
// about the same, at multiples of `step` (the rows of one MCU row).
std::vector<int> DecodeBandStarts(int height, int count, int step, double passCost) {
  // Band k costs f start_k + rows_k (f: passing a row against decoding it); equal costs C give
  // start_{k+1} = C + (1 - f) start_k, and start_count = height fixes C.
  const double keep = 1.0 - passCost;
  const double cost = height * passCost / (1.0 - std::pow(keep, count));
  std::vector<int> starts{0};
  double at = 0;
  for (int k = 1; k < count; ++k) {
    at = cost + keep * at;
    const int row = int(at / step + 0.5) * step;
    if (row <= starts.back() || row >= height) break;
    starts.push_back(row);
  }
  starts.push_back(height);
  return starts;
}

// Decodes a sequential full-size picture in bands of rows: each band has a decompressor of its
// own that skips the rows above it. Two bands (a two-core machine, or a decode that starts with
// every core busy) share a cut that moves: the caller's top band decodes from the top, and the
// lower band, on a helper, moves the cut by the speeds of both as it passes the rows above
// (LateRowCut). With every core busy at the start (the photo workers of a batch), the lower rows
// stay on offer to a helper freed later (the batch's tail). More bands are cut up front to cost
// the same. kNotBanded when no helper can join, the picture is small, progressive,
// arithmetic-coded or scaled, or a band met anything but clean data (damage, a premature end:
// the caller decodes in one piece, as it always has).
BandedRead DecodeInBands(ImageSource* source, JpegReader* r, const LibraryContext& ctx) {
  const jpeg_decompress_struct& c = r->cinfo;
  const int height = int(c.output_height);
  if (!HelpersMayJoin() || c.progressive_mode || c.arith_code || c.output_width != c.image_width ||
      c.output_height != c.image_height || height < 2 * kMinDecodeBandRows)
    return BandedRead::kNotBanded;
  const int step = 8 * c.max_v_samp_factor;
  const bool late = !HelpersFree();
  const int count = late ? 2 : std::min({ThreadLimit(), 4, height / kMinDecodeBandRows});
  if (count < 2) return BandedRead::kNotBanded;
  // A moving cut: the top band and the lower one, whose first row is set as it goes. Up front:
  // the first row of every band and the end.
  const bool moving = count == 2;
  // Streams without restart markers are what JpegRowWalker reads (it refuses any other): the
  // lower bands walk to their rows rather than have libjpeg decode the codes above them.
  const bool walkable = c.restart_interval == 0;
  const double passCost = walkable ? kWalkCost : kSkipCost;
  std::vector<int> starts{0, height, height};
  if (!moving) {
    starts = DecodeBandStarts(height, count, step, passCost);
    if (starts.size() < 3) return BandedRead::kNotBanded;
  }
  // A helper that comes later must still get a worthwhile share; one there from the start
  // takes where the estimate puts the cut, whatever its share, so that a picture of 2 x 256
  // rows still decodes in bands.
  // A lower band that walks can take back the top's last rows: its cut leans a little below the
  // even point, so that the top is the side more likely to be late. More lean costs more than
  // it saves (walking further, starting on rows taken back): a tenth of the picture made a
  // 24 MP photo's run about 17 ms slower than a fortieth or none.
  LateRowCut lateCut(height, step, late ? kMinDecodeBandRows : step, passCost,
                     moving && walkable ? height / 64 : 0);
  const int firstCut = moving && !late ? lateCut.TakeLower() : 0;
  if (firstCut < 0) return BandedRead::kNotBanded;
  const size_t bands = starts.size() - 1;
  std::vector<ReaderPtr> readers;
  try {
    readers.resize(bands);
  } catch (...) {
    return BandedRead::kNotBanded;
  }
  BandProgress progress(ctx, height);
  std::atomic<bool> clean{true};
  std::atomic<bool> lowerTaken{false};
  // Decodes picture rows [from, to) on a reader of its own: from the shared source, or from a
  // resumed stream whose row 0 is picture row `shift`. False when the rows did not decode
  // cleanly (or were stopped).
  struct Pieces {
    const uint8_t* head;
    size_t headSize;
    const uint8_t* tail;
    size_t tailSize;
    int shift;
  };
  const auto decodeRows = [&](ReaderPtr& b, const Pieces* pieces, int from, int to,
                              LateRowCut* topOf, LateRowCut* lowerOf) {
    b.reset(NewReader(nullptr));
    if (!b) return false;
    b->band = true;
    if (pieces) {
      b->src.piece[0] = pieces->head;
      b->src.pieceSize[0] = pieces->headSize;
      b->src.piece[1] = pieces->tail;
      b->src.pieceSize[1] = pieces->tailSize;
      b->rowShift = pieces->shift;
    } else {
      b->src.shared = source;
    }
    if (!ReadHeaderCore(b.get())) return false;
    b->cinfo.out_color_space = c.out_color_space;
    b->cinfo.scale_num = c.scale_num;
    b->cinfo.scale_denom = c.scale_denom;
    if (!CalcDimensionsCore(b.get()) || b->cinfo.output_width != c.output_width ||
        int(b->cinfo.output_height) + b->rowShift != height)
      return false;
    b->conversion = r->conversion;
    b->adobeInverted = r->adobeInverted;
    b->outComponents = r->outComponents;
    b->pixels = r->pixels;
    if (r->row) {
      b->row = new (std::nothrow) uint8_t[size_t(c.output_width) * size_t(c.output_components)];
      if (!b->row) return false;
    }
    b->callback = BandRowDone;
    b->callbackUser = &progress;
    b->firstRow = from - b->rowShift;
    b->endRow = to - b->rowShift;
    b->placeAhead = true;
    b->lateCut = topOf;
    if (lowerOf) {
      b->lowerCut = lowerOf;
      b->cutStep = step;
    }
    return DecodeCore(b.get()) == kErrNone && b->err.pub.num_warnings == 0 && !b->src.hitEnd;
  };
  auto task = [&](int k) {
    int first = starts[size_t(k)];
    if (late && k == 1) {
      // Run by a helper freed since the start, or by the caller once the top is done (or
      // stopped, or failed: then nothing is left to do).
      if (progress.stop.load() || !clean.load() || (first = lateCut.TakeLower()) < 0) return;
    } else if (moving && k == 1) {
      first = firstCut;
    }
    if (moving && k == 1) lowerTaken.store(true);
    // A lower band walks to its first row where it can and decodes a stream that resumes
    // there.
    ResumedLower resumed;
    Walked walked = Walked::kNotWalked;
    if (k > 0 && walkable) {
      walked = WalkToCut(source, moving ? &lateCut : nullptr, step, first, &resumed);
      if (walked == Walked::kDamaged) return clean.store(false);
      if (walked != Walked::kNotWalked) first = resumed.cut;
    }
    const Pieces own{resumed.head.data(), resumed.head.size(),
                     resumed.file.get() + resumed.tailFrom, resumed.fileSize - resumed.tailFrom,
                     first - 2 * step};
    if (!decodeRows(readers[size_t(k)], walked == Walked::kResumed ? &own : nullptr, first,
                    starts[size_t(k) + 1], moving && k == 0 ? &lateCut : nullptr,
                    moving && k == 1 && walked == Walked::kNotWalked ? &lateCut : nullptr))
      return clean.store(false);
    if (walked != Walked::kResumed) return;
    resumedBands.fetch_add(1, std::memory_order_relaxed);
    if (!moving) return;
    // Done with its own rows while the top works on: takes back the top's last rows, resumed
    // at the row above them, for as long as that pays.
    const int startRows = 2 * step + kTakeBackStartRows;
    for (int end = first; !progress.stop.load();) {
      const int from = lateCut.TakeTopEnd(end, startRows);
      if (from < 0) break;
      std::vector<uint8_t> head;
      size_t tailFrom = 0;
      const size_t row = size_t(from / step - 1);
      const bool resumable = from >= 2 * step && row < resumed.rowStarts.size() &&
                             resumed.walker->ResumeStreamAt(resumed.rowStarts[row], &head,
                                                            &tailFrom) &&
                             tailFrom <= resumed.fileSize;
      const Pieces back{head.data(), head.size(), resumed.file.get() + tailFrom,
                        resumed.fileSize - tailFrom, from - 2 * step};
      ReaderPtr taken;
      if (!decodeRows(taken, resumable ? &back : nullptr, from, end, nullptr, nullptr))
        return clean.store(false);
      takenBackRows.fetch_add(uint64_t(end - from), std::memory_order_relaxed);
      end = from;
    }
  };
  RunTasks(int(bands), task);
  if (progress.Stopped()) return BandedRead::kAborted;
  if (!clean.load()) return BandedRead::kNotBanded;
  // A late cut that no helper took is the one-piece decode, on the top band's decompressor.
  if (!moving || lowerTaken.load()) bandedDecodes.fetch_add(1, std::memory_order_relaxed);
  return BandedRead::kDecoded;
}

}  // namespace

uint64_t JpegBandedDecodeCount() { return bandedDecodes.load(std::memory_order_relaxed); }
uint64_t JpegResumedBandCount() { return resumedBands.load(std::memory_order_relaxed); }
uint64_t JpegTakenBackRows() { return takenBackRows.load(std::memory_order_relaxed); }

bool ReadJpegHeader(ImageSource* source, JpegHeaderInfo* info) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return false;
  if (!info) {
    SetLastLibraryError(kErrBadParam);
    return false;
  }
  ReaderPtr reader;
  if (!StartRead(ctx, source, reader)) return false;
  const jpeg_decompress_struct& c = reader->cinfo;
  info->width = int(c.image_width);
  info->height = int(c.image_height);
  info->bitsPerPixel = 8 * c.num_components;
  info->densityUnit = c.saw_JFIF_marker ? c.density_unit : 0;
  info->xDensity = c.saw_JFIF_marker ? c.X_density : 1;
  info->yDensity = c.saw_JFIF_marker ? c.Y_density : 1;
  return true;
}

uint8_t* ReadJpeg(ImageSource* source, int bits, int* width, int* height) {
  LibraryContext* ctx = BeginLibraryCall();
  if (!ctx) return nullptr;
  if ((bits != 24 && bits != 8) || !width || !height) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  ReaderPtr reader;
  if (!StartRead(ctx, source, reader)) return nullptr;
  JpegReader* r = reader.get();
  jpeg_decompress_struct& c = r->cinfo;
  const bool wantRgb = bits == 24;
  switch (c.jpeg_color_space) {
    case JCS_GRAYSCALE:
      // libjpeg-turbo copies grey into R, G and B itself.
      c.out_color_space = wantRgb ? JCS_RGB : JCS_GRAYSCALE;
      r->conversion = Conversion::kDirect;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      c.out_color_space = JCS_RGB;
      r->conversion = wantRgb ? Conversion::kDirect : Conversion::kRgbToGray;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      c.out_color_space = JCS_CMYK;
      r->conversion = wantRgb ? Conversion::kCmykToRgb : Conversion::kCmykToGray;
      r->adobeInverted = c.saw_Adobe_marker;
      break;
    default:
      SetLastLibraryError(kErrBadJpeg);
      return nullptr;
  }
  r->outComponents = wantRgb ? 3 : 1;
  c.scale_num = unsigned(ctx->decodeScaleNum);
  c.scale_denom = unsigned(ctx->decodeScaleDenom);
  if (!CalcDimensionsCore(r)) {
    SetLastLibraryError(kErrBadJpeg);
    return nullptr;
  }
  r->pixels = AllocatePixels(c.output_width, c.output_height, r->outComponents, false);
  if (!r->pixels) return nullptr;
  if (r->conversion != Conversion::kDirect) {
    size_t rowBytes = size_t(c.output_width) * size_t(c.output_components);
    r->row = new (std::nothrow) uint8_t[rowBytes];
    if (!r->row) {
      SetLastLibraryError(kErrNoMemory);
      return nullptr;
    }
  }
  r->callback = ctx->progress;
  r->callbackUser = ctx->progressUser;
  const int outWidth = int(c.output_width), outHeight = int(c.output_height);
  unsigned result = kErrNone;
  switch (DecodeInBands(source, r, *ctx)) {
    case BandedRead::kDecoded:
      break;
    case BandedRead::kAborted:
      result = kErrAborted;
      break;
    case BandedRead::kNotBanded: {
      // In one piece; a free core puts the picture's pages in place while libjpeg fills it.
      const size_t bytes = size_t(outWidth) * size_t(outHeight) * size_t(r->outComponents);
      std::atomic<size_t> reached{0};
      r->reached = &reached;
      WriteWithPagesAhead(r->pixels, bytes, reached, [&] { result = DecodeCore(r); });
      break;
    }
  }
  if (result != kErrNone) {
    SetLastLibraryError(result);
    return nullptr;
  }
  ctx->lastJpegTruncated = r->src.hitEnd;
  *width = outWidth;
  *height = outHeight;
  uint8_t* pixels = r->pixels;
  r->pixels = nullptr;
  return pixels;
}

}  // namespace orv
