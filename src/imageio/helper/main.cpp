// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// orv-decode: the decoding helper the programs start for each camera RAW, HEIF and WMF file, so
// that the libraries behind them never run inside the programs themselves.
#include "imageio/Codecs.h"
#include "imageio/DecodeHelper.h"
#include "imageio/RawCodec.h"
#include "imageio/metafile/Metafile.h"

int main(int argc, char** argv) {
  static const orv::HelperDecoder kDecoders[] = {
      {orv::helper_decoder::kRaw, orv::DecodeRawHere},
      {orv::helper_decoder::kHeif, orv::DecodeHeifHere},
      {orv::helper_decoder::kWmf, orv::PlayWmfHere},
      {orv::helper_decoder::kWmfWithoutText, orv::PlayWmfWithoutTextHere},
  };
  return orv::RunDecodeHelper(argc, argv, kDecoders, sizeof kDecoders / sizeof kDecoders[0]);
}
