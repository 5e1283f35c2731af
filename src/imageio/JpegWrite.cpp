// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG encoding on libjpeg, with the setjmp confined to one small function that holds no C++
// objects. The options' segments follow the JFIF APP0 segment in the order given.
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

#include "imageio/EncoderSupport.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"

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
  w->cinfo.dest = &w->dst.pub;

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

uint64_t WriteJpeg(ImageDest* dest, const uint8_t* pixels, int width, int height,
                   const JpegEncodeOptions& options) {
  LibraryContext* ctx = BeginEncode(dest);
  if (!ctx) return 0;
  if (!pixels || width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION ||
      height > JPEG_MAX_DIMENSION || !ValidOptions(options)) {
    RefuseEncode(dest, kErrBadParam);
    return 0;
  }
  std::unique_ptr<JpegWriter, WriterDeleter> writer(new (std::nothrow) JpegWriter);
  if (!writer) {
    RefuseEncode(dest, kErrNoMemory);
    return 0;
  }
  JpegWriter* w = writer.get();
  std::memset(static_cast<void*>(w), 0, sizeof(JpegWriter));
  w->dst.dest = dest;
  w->pixels = pixels;
  w->width = width;
  w->height = height;
  w->components = options.bits == 24 ? 3 : 1;
  w->options = &options;
  w->callback = ctx->progress;
  w->callbackUser = ctx->progressUser;

  const int64_t start = DestPosition(dest);
  unsigned result = EncodeCore(w);
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
