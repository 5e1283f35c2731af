// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CheckedMath.h"

#include <cstdlib>

namespace orv {
namespace {

constexpr uint64_t kDefaultMegapixels = 300;
constexpr uint64_t kMegapixel = 1'000'000;

thread_local RefusedSize tRefused;

// The megapixels ORV_MAX_MEGAPIXELS names, or 0 when it is unset or not a usable value.
uint64_t MegapixelsFromEnvironment(const char* env) {
  if (!env || !*env) return 0;
  char* end = nullptr;
  unsigned long long mp = std::strtoull(env, &end, 10);
  // A malformed or absurd value falls back to the default rather than lifting the cap.
  if (*env >= '0' && *env <= '9' && end && *end == '\0' && mp > 0 && mp <= 100'000) return mp;
  return 0;
}

}  // namespace

uint64_t MaxPixelCount() {
  uint64_t mp = MegapixelsFromEnvironment(std::getenv("ORV_MAX_MEGAPIXELS"));
  return (mp ? mp : kDefaultMegapixels) * kMegapixel;
}

bool MaxPixelSettingIgnored(std::string* value) {
  const char* env = std::getenv("ORV_MAX_MEGAPIXELS");
  if (!env || MegapixelsFromEnvironment(env) != 0) return false;
  if (value) *value = env;
  return true;
}

void NoteRefusedSize(int64_t width, int64_t height) {
  tRefused = {width, height};
}

RefusedSize LastRefusedSize() {
  return tRefused;
}

void ClearRefusedSize() {
  tRefused = {};
}

}  // namespace orv
