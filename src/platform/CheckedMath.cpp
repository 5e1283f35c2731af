#include "platform/CheckedMath.h"

#include <cstdlib>

namespace orv {

uint64_t MaxPixelCount() {
  constexpr uint64_t kDefaultMegapixels = 300;
  constexpr uint64_t kMegapixel = 1'000'000;
  const char* env = std::getenv("ORV_MAX_MEGAPIXELS");
  if (env && *env) {
    char* end = nullptr;
    unsigned long long mp = std::strtoull(env, &end, 10);
    // A malformed or absurd value falls back to the default rather than lifting the cap.
    if (end && *end == '\0' && mp > 0 && mp <= 100'000) return mp * kMegapixel;
  }
  return kDefaultMegapixels * kMegapixel;
}

}  // namespace orv
