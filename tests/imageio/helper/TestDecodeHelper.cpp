// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The tests' decoding helper: the real helper's body with decoders that echo, explain, crash,
// hang or hoard on purpose, and two answers no honest helper gives (a picture far over the pixel
// cap, an answer of another version).
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "imageio/ChildDecodeWire.h"
#include "imageio/DecodeHelper.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/PixelBuffer.h"

namespace orv {
namespace {

// The input as a picture one row high.
uint8_t* Echo(const uint8_t* data, size_t size, int* w, int* h) {
  if (size == 0 || size % 3 != 0) {
    SetLastLibraryError(kErrBadParam);
    return nullptr;
  }
  uint8_t* p = AllocatePixels(int(size / 3), 1, 3, false);
  if (!p) return nullptr;
  std::memcpy(p, data, size);
  *w = int(size / 3), *h = 1;
  return p;
}

// A grey picture of the RAW target box the program passed on.
uint8_t* Box(const uint8_t*, size_t, int* w, int* h) {
  const LibraryContext* ctx = CurrentContext();
  uint8_t* p = AllocatePixels(ctx->rawTargetWidth, ctx->rawTargetHeight, 3, false);
  if (!p) return nullptr;
  std::memset(p, 128, size_t(ctx->rawTargetWidth) * size_t(ctx->rawTargetHeight) * 3);
  *w = ctx->rawTargetWidth, *h = ctx->rawTargetHeight;
  return p;
}

uint8_t* Refuse(const uint8_t*, size_t, int*, int*) {
  SetLastLibraryError(12);
  return nullptr;
}

uint8_t* WithMetadata(const uint8_t* data, size_t size, int* w, int* h) {
  LibraryContext* ctx = CurrentContext();
  ctx->decoded.exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'};
  ctx->decoded.xmp = {'<', 'x', '/', '>'};
  ctx->decoded.upright = true;
  return Echo(data, size, w, h);
}

uint8_t* Explain(const uint8_t*, size_t, int*, int*) {
  CurrentContext()->errorDetail = "no such camera";
  SetLastLibraryError(kErrBadRaw);
  return nullptr;
}

// Refuses a picture for the pixel cap, as a decoder does with the size a file claims.
uint8_t* TooLarge(const uint8_t*, size_t, int*, int*) {
  return AllocatePixels(200000, 100000, 3, false);
}

uint8_t* Die(const uint8_t*, size_t, int*, int*) {
  std::abort();
}

uint8_t* Hang(const uint8_t*, size_t, int*, int*) {
  std::this_thread::sleep_for(std::chrono::seconds(60));
  return nullptr;
}

// Asks for 4 GiB; under the program's --memory cap the allocation fails or the allocator ends
// the process.
uint8_t* Hoard(const uint8_t* data, size_t size, int* w, int* h) {
  std::vector<uint8_t>* hoard = nullptr;
  try {
    hoard = new std::vector<uint8_t>(size_t(4) << 30, 1);
  } catch (const std::bad_alloc&) {
    SetLastLibraryError(kErrNoMemory);
    return nullptr;
  }
  delete hoard;
  return Echo(data, size, w, h);
}

// An answer claiming a picture of 100000 x 100000 pixels, or one of a version to come.
int Forged(bool hugePicture) {
  HelperAnswer a{};
  a.magic = kHelperMagic;
  a.version = hugePicture ? kHelperVersion : kHelperVersion + 1;
  a.width = hugePicture ? 100000 : 1;
  a.height = hugePicture ? 100000 : 1;
  const uint8_t pixel[3] = {1, 2, 3};
  const bool sent = write(1, &a, sizeof a) == ssize_t(sizeof a) && write(1, pixel, 3) == 3;
  // Keeps the pipe open, so only the answer itself can make the program give up.
  std::this_thread::sleep_for(std::chrono::seconds(hugePicture ? 30 : 0));
  return sent ? 0 : 1;
}

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "forged-size") == 0) return orv::Forged(true);
  if (argc >= 2 && std::strcmp(argv[1], "forged-version") == 0) return orv::Forged(false);
  static const orv::HelperDecoder kDecoders[] = {
      {"echo", orv::Echo},      {"box", orv::Box},         {"refuse", orv::Refuse},
      {"metadata", orv::WithMetadata}, {"explain", orv::Explain}, {"too-large", orv::TooLarge},
      {"die", orv::Die},        {"hang", orv::Hang},       {"hoard", orv::Hoard},
  };
  return orv::RunDecodeHelper(argc, argv, kDecoders, sizeof kDecoders / sizeof kDecoders[0]);
}
