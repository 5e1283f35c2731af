// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Replays every committed fuzz corpus file (seeds and kept crash inputs) through its decoder, so
// the sanitizer build checks them on every test run.
#include <gtest/gtest.h>

#include <filesystem>

#include "CodecTestSupport.h"
#include "FuzzDecoders.h"

namespace orv {
namespace {

TEST(FuzzCorpusTest, EveryCorpusFileDecodesSafely) {
  const std::filesystem::path root = std::filesystem::path(ORV_SOURCE_DIR) / "fuzz" / "corpus";
  int files = 0;
  for (const std::string& name : fuzz::TargetNames()) {
    const auto dir = root / name;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      SCOPED_TRACE(entry.path().string());
      auto bytes = testing::ReadFileBytes(entry.path().string());
      fuzz::RunTarget(name, bytes.data(), bytes.size());
      ++files;
    }
  }
  EXPECT_GT(files, 20);
}

}  // namespace
}  // namespace orv
