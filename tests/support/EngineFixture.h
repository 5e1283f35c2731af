// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the engine's run tests share: an engine over a temporary app folder with a recording host,
// its help/ and in/ folders made and every key at its default, and an observer keeping the
// results of a run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/RunObserver.h"
#include "imageio/ImageFormat.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace orv::test {

// Keeps every item result a run reports, in order.
struct ResultCollector : RunObserver {
  std::vector<ItemResult> results;
  void ItemFinished(const ItemResult& r) override { results.push_back(r); }
};

struct EngineFixture : ::testing::Test {
  TempDir dir;
  RecordingHost host;
  CEngine engine{host, dir.path()};

  EngineFixture() {
    std::filesystem::create_directories(dir / "help");
    std::filesystem::create_directories(dir / "in");
    engine.settings().ApplyKeyDefaults();
  }
  // Writes a 64x48 picture into in/; its path.
  std::string Photo(const std::string& name, ImageFormat format = kFormatJpeg) {
    test::WritePicture(dir / ("in/" + name), 64, 48, format);
    return dir / ("in/" + name);
  }
  std::string Log() const { return ReadText(dir / "help/log.html"); }
};

}  // namespace orv::test
