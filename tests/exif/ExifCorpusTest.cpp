// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Replays the fuzzing corpus (real blocks, mangled ones and every input that ever failed) through
// the reader, the summary and the listings, so the sanitizer build checks them on every run.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "cli/ExifListing.h"
#include "exif/CameraSummary.h"
#include "exif/ExifReader.h"
#include "exif/JpegSegments.h"

namespace orv {
namespace {

TEST(ExifCorpus, EveryFileParsesWithoutHarm) {
  const std::filesystem::path dir = std::filesystem::path(ORV_SOURCE_DIR) / "fuzz/corpus/exif";
  ASSERT_TRUE(std::filesystem::is_directory(dir));
  size_t files = 0;
  for (const auto& item : std::filesystem::directory_iterator(dir)) {
    if (!item.is_regular_file()) continue;
    SCOPED_TRACE(item.path().filename().string());
    ++files;
    const std::vector<uint8_t> block = test::ReadFileBytes(item.path().string());
    int error = -1;
    static const uint8_t kNothing = 0;  // an empty file may have no storage at all
    ExifHandle h = ParseExifBlock(block.empty() ? &kNothing : block.data(), block.size(), error);
    ASSERT_TRUE(h);
    EXPECT_TRUE(error == kExifOk || error == kExifNotExif) << error;
    uint64_t elements = 0;
    for (int i = 0; i < kExifIfdCount; ++i) {
      std::set<uint16_t> seen;  // a lookup returns the first entry: repeats add nothing
      for (const CExifEntry& e : h->lists[size_t(i)]) {
        elements += e.count;
        if (!seen.insert(e.tag).second) continue;
        std::string text;
        EXPECT_EQ(GetExifTagText(h.get(), e.tag, 1u << i, text), kExifOk);
      }
    }
    // Listing a hostile block is legitimately huge (every entry may repeat most of the block);
    // list only the blocks of ordinary size.
    if (elements < 1'000'000) {
      std::ostringstream sink;
      cli::WriteExifListingText(*h, sink);
      cli::WriteExifListingJson(*h, sink);
    }
    const CameraSummary s = ExtractCameraValues({block, "", 2560, 1920});
    EXPECT_EQ(s.HasExif, IsExifBlock(block));
  }
  EXPECT_GE(files, 5u);
}

}  // namespace
}  // namespace orv
