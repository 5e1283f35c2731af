// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the HEIF decoder and encoder share: libheif's one-time start, owners for its objects, and
// the mapping of its errors to the layer's codes (its message kept for the error text).
#pragma once

#include <libheif/heif.h>

#include <memory>

namespace orv {

// Starts libheif once per process (its codec plugins register there); later calls do nothing.
void EnsureHeifStarted();

// The layer code for a libheif failure, with libheif's message kept as the thread's error detail:
// kErrNoMemory when memory ran out, else `code` (kErrBadHeif or kErrHeifEncode).
unsigned HeifFailure(const heif_error& error, unsigned code);

struct HeifDeleter {
  void operator()(heif_context* p) const { heif_context_free(p); }
  void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
  void operator()(heif_image* p) const { heif_image_release(p); }
  void operator()(heif_encoder* p) const { heif_encoder_release(p); }
  void operator()(heif_decoding_options* p) const { heif_decoding_options_free(p); }
  void operator()(heif_encoding_options* p) const { heif_encoding_options_free(p); }
};
template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

}  // namespace orv
