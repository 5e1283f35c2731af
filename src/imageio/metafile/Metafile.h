// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Metafile playback into 24-bit RGB pixels over mid-grey (0x808080): WMF through libwmf, EMF
// through a small player of the common records (EmfPlayer). The picture has the metafile's own
// size at the screen resolution of 96 dots per inch.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

struct ImageSource;

constexpr int kScreenDpi = 96;
constexpr uint8_t kMetafileBackground = 0x80;

// A buffer released with FreeLibraryBuffer, or null with the last error: 2 the file cannot be
// read, 27 not a metafile or a bad header, 1 too large.
uint8_t* RenderMetafile(const char* path, int* width, int* height);
// The metafile held by an open source, in the decoders' style (bits is ignored: always 24).
uint8_t* ReadMetafile(ImageSource* source, int bits, int* width, int* height);
uint8_t* RenderMetafileMemory(const uint8_t* data, size_t size, int* width, int* height);

// The two players behind RenderMetafileMemory. PlayWmf runs PlayWmfHere in the decoding helper,
// and PlayWmfWithoutTextHere there after a crash in the text drawing.
uint8_t* PlayWmf(const uint8_t* data, size_t size, int* width, int* height);
uint8_t* PlayWmfHere(const uint8_t* data, size_t size, int* width, int* height);
uint8_t* PlayWmfWithoutTextHere(const uint8_t* data, size_t size, int* width, int* height);
uint8_t* PlayEmf(const uint8_t* data, size_t size, int* width, int* height);

}  // namespace orv
