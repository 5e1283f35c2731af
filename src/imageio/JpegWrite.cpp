// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG encoding on libjpeg, with the setjmp confined to one small function that holds no C++
// objects. The options' segments follow the JFIF APP0 segment in the order given. When cores are
// free, a sequential picture is encoded in bands of MCU rows on several threads and the band
// streams are joined into the bytes of the one-piece encoding (JpegBandJoin.h).
#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "imageio/EncoderSupport.h"
#include "imageio/BandProgress.h"
#include "imageio/ByteOrder.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/JpegBandJoin.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "platform/LargeBuffer.h"
#include "platform/PagesAhead.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

constexpr size_t kOutputChunk = 65536;

struct WriteErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

struct DestManager {
  jpeg_destination_mgr pub;
  ImageDest* dest;
  JOCTET* buffer;
  bool writeFailed;
};

struct JpegWriter {
  jpeg_compress_struct cinfo;
  WriteErrorManager err;
  DestManager dst;
  jpeg_destination_mgr* ownDest;  // used in place of dst when set (the band streams)
  JOCTET buffer[kOutputChunk];
  bool created;
  const uint8_t* pixels;
  int width, height, components;
  const JpegEncodeOptions* options;
  ProgressCallback callback;
  void* callbackUser;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<DestManager*>(cinfo->dest);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kOutputChunk;
}

boolean EmptyOutput(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<DestManager*>(cinfo->dest);
  if (!WriteDest(d->dest, d->buffer, kOutputChunk)) {
    d->writeFailed = true;
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kOutputChunk;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<DestManager*>(cinfo->dest);
  size_t n = kOutputChunk - d->pub.free_in_buffer;
  if (!WriteDest(d->dest, d->buffer, n) || !FlushDest(d->dest)) {
    d->writeFailed = true;
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<WriteErrorManager*>(cinfo->err)->jump, 1);
}
void OutputMessage(j_common_ptr) {}

void Destroy(JpegWriter* w) {
  if (w->created) jpeg_destroy_compress(&w->cinfo);
  w->created = false;
}

// Returns 0, 4 (encoder or write error) or 14 (aborted by the progress callback).
unsigned EncodeCore(JpegWriter* w) {
  if (setjmp(w->err.jump)) {
    Destroy(w);
    return kErrFileWrite;
  }
  w->cinfo.err = jpeg_std_error(&w->err.pub);
  w->err.pub.error_exit = ErrorExit;
  w->err.pub.output_message = OutputMessage;
  jpeg_create_compress(&w->cinfo);
  w->created = true;
  w->dst.pub.init_destination = InitDestination;
  w->dst.pub.empty_output_buffer = EmptyOutput;
  w->dst.pub.term_destination = TermDestination;
  w->dst.buffer = w->buffer;
  w->cinfo.dest = w->ownDest ? w->ownDest : &w->dst.pub;

  jpeg_compress_struct& c = w->cinfo;
  const JpegEncodeOptions& o = *w->options;
  c.image_width = JDIMENSION(w->width);
  c.image_height = JDIMENSION(w->height);
  c.input_components = w->components;
  c.in_color_space = w->components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, o.quality, TRUE);
  if (o.fullChroma) {
    for (int i = 0; i < c.num_components; ++i) {
      c.comp_info[i].h_samp_factor = 1;
      c.comp_info[i].v_samp_factor = 1;
    }
  }
  if (o.progressive) jpeg_simple_progression(&c);
  c.write_JFIF_header = TRUE;
  c.density_unit = UINT8(o.density.unit);
  c.X_density = UINT16(o.density.x);
  c.Y_density = UINT16(o.density.y);
  switch (o.dct) {
    case JpegDct::AccurateInteger:
      c.dct_method = JDCT_ISLOW;
      break;
    case JpegDct::FastInteger:
      c.dct_method = JDCT_IFAST;
      break;
    case JpegDct::FloatingPoint:
      c.dct_method = JDCT_FLOAT;
      break;
    case JpegDct::LibraryDefault:
      break;
  }
  jpeg_start_compress(&c, TRUE);
  for (const JpegSegment& s : o.segments)
    jpeg_write_marker(&c, s.code, s.payload.data(), unsigned(s.payload.size()));
  const size_t stride = size_t(w->width) * size_t(w->components);
  while (c.next_scanline < c.image_height) {
    JDIMENSION y = c.next_scanline;
    // libjpeg's row type is not const, but it only reads input rows.
    JSAMPROW row = const_cast<uint8_t*>(w->pixels + size_t(y) * stride);
    jpeg_write_scanlines(&c, &row, 1);
    if (w->callback && !w->callback(w->callbackUser, int(y), w->height)) {
      Destroy(w);
      return kErrAborted;
    }
  }
  jpeg_finish_compress(&c);
  Destroy(w);
  return kErrNone;
}

struct WriterDeleter {
  void operator()(JpegWriter* w) const {
    Destroy(w);
    delete w;
  }
};
using WriterPtr = std::unique_ptr<JpegWriter, WriterDeleter>;

// A writer of the picture's rows with the options, reporting each row to callback; its
// destination is set by the caller. Null when memory runs out.
WriterPtr NewWriter(const uint8_t* pixels, int width, int height, const JpegEncodeOptions& options,
                    ProgressCallback callback, void* callbackUser) {
  WriterPtr writer(new (std::nothrow) JpegWriter);
  if (!writer) return writer;
  JpegWriter* w = writer.get();
  std::memset(static_cast<void*>(w), 0, sizeof(JpegWriter));
  w->pixels = pixels;
  w->width = width;
  w->height = height;
  w->components = options.bits == 24 ? 3 : 1;
  w->options = &options;
  w->callback = callback;
  w->callbackUser = callbackUser;
  return writer;
}

}  // namespace

namespace {

bool ValidOptions(const JpegEncodeOptions& o) {
  const JpegDensity& d = o.density;
  if (o.quality < 1 || o.quality > 100 || (o.bits != 24 && o.bits != 8) || d.unit < 0 ||
      d.unit > 2 || d.x < 1 || d.x > 65535 || d.y < 1 || d.y > 65535)
    return false;
  for (const JpegSegment& s : o.segments) {
    bool app = s.code >= JPEG_APP0 && s.code <= JPEG_APP0 + 15;
    if ((!app && s.code != JPEG_COM) || s.payload.size() > kMaxJpegSegmentPayload) return false;
  }
  return true;
}

}  // namespace

namespace {

// The fewest MCU rows a band holds: a band also encodes one MCU row of the band above.
constexpr int kMinBandMcuRows = 16;

std::atomic<uint64_t> bandedEncodes{0};

enum class BandedOutcome { kWritten, kNotBanded, kWriteFailed, kAborted };

// A band's stream in one growing block of memory, with room for the eight bytes that
// UnstuffEntropyInPlace zeroes after the bits. It starts in the band's part of a block shared by
// all bands and moves to a block of its own if it outgrows it.
struct BandSink {
  jpeg_destination_mgr pub;
  uint8_t* data;
  size_t capacity;
  size_t size;
  bool owned;  // data is the sink's own malloc block
};

constexpr size_t kSinkSlack = 8;

void InitBandSink(j_compress_ptr cinfo) {
  auto* s = reinterpret_cast<BandSink*>(cinfo->dest);
  s->pub.next_output_byte = s->data;
  s->pub.free_in_buffer = s->capacity - kSinkSlack;
}

boolean GrowBandSink(j_compress_ptr cinfo) {
  auto* s = reinterpret_cast<BandSink*>(cinfo->dest);
  const size_t used = s->capacity - kSinkSlack;  // libjpeg asks only when the room is full
  const size_t bigger = s->capacity * 2;
  uint8_t* grown = nullptr;
  if (s->owned) {
    grown = static_cast<uint8_t*>(std::realloc(s->data, bigger));
  } else if ((grown = static_cast<uint8_t*>(std::malloc(bigger)))) {
    std::memcpy(grown, s->data, used);
  }
  if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  s->data = grown;
  s->capacity = bigger;
  s->owned = true;
  s->pub.next_output_byte = grown + used;
  s->pub.free_in_buffer = bigger - kSinkSlack - used;
  return TRUE;
}

void TermBandSink(j_compress_ptr cinfo) {
  auto* s = reinterpret_cast<BandSink*>(cinfo->dest);
  s->size = s->capacity - kSinkSlack - s->pub.free_in_buffer;
}

// One band's stream and its entropy-coded bits; firstRowMcus holds where the MCUs of its first
// MCU row start (and where the row ends), for the streams whose first row is walked.
struct BandStream {
  BandSink sink{};
  JpegScanLayout layout;
  UnstuffedBits bits;
  std::vector<uint64_t> firstRowMcus;
  bool ok = false;
  BandStream() = default;
  BandStream(const BandStream&) = delete;
  BandStream& operator=(const BandStream&) = delete;
  ~BandStream() {
    if (sink.owned) std::free(sink.data);
  }
};

// The room a band's stream starts with: a quarter byte a sample.
size_t FirstGuess(int width, int rows, int components) {
  return size_t(width) * size_t(rows) * size_t(components) / 4 + kOutputChunk;
}

// Encodes `rows` rows from row `first` into the band's sink, which starts in `room` (of
// FirstGuess bytes), and reads its bits.
void EncodeBand(BandStream* band, const uint8_t* pixels, int width, int first, int rows,
                int components, const JpegEncodeOptions& options, bool walkFirstRow,
                BandProgress* progress, uint8_t* room) {
  BandSink& sink = band->sink;
  sink.capacity = FirstGuess(width, rows, components);
  sink.data = room;
  sink.owned = false;
  sink.pub.init_destination = InitBandSink;
  sink.pub.empty_output_buffer = GrowBandSink;
  sink.pub.term_destination = TermBandSink;
  WriterPtr writer = NewWriter(pixels + size_t(first) * size_t(width) * size_t(components), width,
                               rows, options, progress ? BandRowDone : nullptr, progress);
  if (!writer) return;
  JpegWriter* w = writer.get();
  w->ownDest = &sink.pub;
  const unsigned result = EncodeCore(w);
  const std::span<uint8_t> buffer(sink.data, sink.capacity);
  band->ok = result == kErrNone &&
             ParseJpegScanLayout(buffer.first(sink.size), &band->layout) &&
             UnstuffEntropyInPlace(buffer, sink.size, band->layout.headerEnd, &band->bits) &&
             (!walkFirstRow ||
              WalkMcus(band->layout, band->bits, band->layout.mcusPerRow, &band->firstRowMcus));
}

// Encodes a sequential picture in bands of MCU rows on the threads the budget has free and
// writes the joined stream. kNotBanded when no helper is free, the picture is small or
// progressive, or the join cannot be made; the caller then encodes in one piece.
BandedOutcome WriteJpegInBands(ImageDest* dest, const uint8_t* pixels, int width, int height,
                               const JpegEncodeOptions& options, const LibraryContext& ctx) {
  if (options.progressive || width < 64) return BandedOutcome::kNotBanded;
  const int components = options.bits == 24 ? 3 : 1;
  const int mcuHeight = components == 3 && !options.fullChroma ? 16 : 8;
  const int mcuRows = (height + mcuHeight - 1) / mcuHeight;
  const RowBandCut cut = CutRowBands(0, mcuRows, kMinBandMcuRows);
  if (cut.count < 2) return BandedOutcome::kNotBanded;
  // Band k's rows, after the band above's last MCU row; part(count) is the last MCU row alone,
  // whose stream tells the bits that end the last band.
  struct Part {
    int first, rows;
  };
  const auto part = [&](int k) {
    if (k == cut.count) {
      const int first = (mcuRows - 1) * mcuHeight;
      return Part{first, height - first};
    }
    const int top = cut.From(k) * mcuHeight;
    const int bottom = std::min(cut.To(k) * mcuHeight, height);
    const int first = k > 0 ? top - mcuHeight : 0;
    return Part{first, bottom - first};
  };
  // The streams start in one block, marked for huge pages: each band's few megabytes on their
  // own would cost their 4 KiB page faults, more than a tenth of the encoding on some machines.
  std::vector<size_t> roomAt(size_t(cut.count) + 2, 0);
  for (int k = 0; k <= cut.count; ++k)
    roomAt[size_t(k) + 1] = roomAt[size_t(k)] + FirstGuess(width, part(k).rows, components);
  LargeBufferPtr room = MakeLargeBuffer(roomAt.back());
  std::unique_ptr<BandStream[]> bands(new (std::nothrow) BandStream[size_t(cut.count) + 1]);
  if (!room || !bands) return BandedOutcome::kNotBanded;
  JpegEncodeOptions withoutSegments = options;
  withoutSegments.segments = {};
  BandProgress progress(ctx, height);
  auto task = [&](int k) {
    const Part p = part(k);
    uint8_t* const start = room.get() + roomAt[size_t(k)];
    if (k == cut.count) {
      EncodeBand(&bands[size_t(k)], pixels, width, p.first, p.rows, components, withoutSegments,
                 true, nullptr, start);
      return;
    }
    EncodeBand(&bands[size_t(k)], pixels, width, p.first, p.rows, components,
               k == 0 ? options : withoutSegments, k > 0, &progress, start);
  };
  RunTasks(cut.count + 1, task);
  if (progress.Stopped()) return BandedOutcome::kAborted;

  for (int k = 0; k <= cut.count; ++k)
    if (!bands[size_t(k)].ok) return BandedOutcome::kNotBanded;
  const JpegScanLayout& layout = bands[0].layout;
  const int mcus = layout.mcusPerRow;
  if (layout.mcuRowHeight != mcuHeight || mcus < 2) return BandedOutcome::kNotBanded;
  std::vector<BitRange> ranges;
  for (int k = 0; k < cut.count; ++k) {
    const BandStream& band = bands[size_t(k)];
    const BandStream& next = bands[size_t(k) + 1];
    if (band.layout.mcusPerRow != mcus || next.layout.mcusPerRow != mcus)
      return BandedOutcome::kNotBanded;
    // The band's bits begin after its lead and end with its last MCU, whose bits stand in the
    // next stream's first row.
    const uint64_t begin = k > 0 ? band.firstRowMcus.back() : 0;
    const BitRange last{&next.bits, next.firstRowMcus[size_t(mcus) - 1],
                        next.firstRowMcus[size_t(mcus)]};
    const int64_t end = FindDataEnd(band.bits, last, begin);
    if (end < 0) return BandedOutcome::kNotBanded;
    ranges.push_back({&band.bits, begin, uint64_t(end)});
  }
  // The first band's header, with the whole picture's height, the joined bits and the end.
  uint8_t* header = bands[0].sink.data;
  PutBe16(header + layout.heightAt, uint32_t(height));
  // The header goes with the first block of bits: a join that cannot start (out of memory)
  // has then written nothing, and the caller encodes in one piece.
  bool started = false, written = true, joined = false;
  std::atomic<size_t> reached{0};  // bytes written into the destination's room so far
  const auto join = [&] {
    joined = JoinBitRanges(ranges, [&](const uint8_t* bytes, size_t size) {
      written = (started || WriteDest(dest, header, layout.headerEnd)) &&
                WriteDest(dest, bytes, size);
      reached.store(reached.load(std::memory_order_relaxed) + (started ? 0 : layout.headerEnd) +
                        size,
                    std::memory_order_relaxed);
      started = true;
      return written;
    });
  };
  // The join is one thread's work, and the fresh pages of the memory it writes the stream into
  // cost it about as much again: a free core puts them in place from the far end meanwhile.
  // The stream's size is about the bits joined (the stuffed zeros come on top).
  uint64_t bits = 0;
  for (const BitRange& r : ranges) bits += r.to - r.from;
  const size_t expected = layout.headerEnd + size_t(bits / 8) + sizeof(uint16_t);
  if (uint8_t* room = DestRoom(dest, expected))
    WriteWithPagesAhead(room, expected, reached, join);
  else
    join();
  if (!written) return BandedOutcome::kWriteFailed;
  if (!joined) return BandedOutcome::kNotBanded;
  static const uint8_t kEndOfImage[2] = {0xFF, JPEG_EOI};
  if (!WriteDest(dest, kEndOfImage, 2) || !FlushDest(dest))
    return BandedOutcome::kWriteFailed;
  bandedEncodes.fetch_add(1, std::memory_order_relaxed);
  return BandedOutcome::kWritten;
}

}  // namespace

uint64_t JpegBandedEncodeCount() { return bandedEncodes.load(std::memory_order_relaxed); }

uint64_t WriteJpeg(ImageDest* dest, const uint8_t* pixels, int width, int height,
                   const JpegEncodeOptions& options) {
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return 0;
  if (!pixels || width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION ||
      height > JPEG_MAX_DIMENSION || !ValidOptions(options)) {
    RefuseEncode(dest, kErrBadParam);
    return 0;
  }
  const int64_t start = DestPosition(dest);
  unsigned result = kErrNone;
  switch (WriteJpegInBands(dest, pixels, width, height, options, *ctx)) {
    case BandedOutcome::kWritten:
      break;
    case BandedOutcome::kWriteFailed:
      result = kErrFileWrite;
      break;
    case BandedOutcome::kAborted:
      result = kErrAborted;
      break;
    case BandedOutcome::kNotBanded: {
      WriterPtr writer = NewWriter(pixels, width, height, options, ctx->progress,
                                   ctx->progressUser);
      if (!writer) {
        RefuseEncode(dest, kErrNoMemory);
        return 0;
      }
      writer->dst.dest = dest;
      result = EncodeCore(writer.get());
      break;
    }
  }
  int64_t size = result == kErrNone ? DestSize(dest) : -1;
  if (result == kErrNone && size <= 0) result = kErrFileWrite;
  if (result != kErrNone) {
    // A memory destination that ran out of room already says so (30); keep that code.
    if (GetLastLibraryError() != kErrBufferTooSmall || result == kErrAborted)
      SetLastLibraryError(result);
    RollBackDest(dest, start);
    MarkDestFailed(dest);
    return 0;
  }
  return uint64_t(size);
}

}  // namespace orv
