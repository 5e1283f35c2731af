#include "settings/SettingRules.h"

namespace orv {

int EnteredFontSize(int size) {
  return size > kMaxEnteredFontSize || size < 0 ? kMaxEnteredFontSize : size;
}

bool ApplyQualityFallback(Settings& s) {
  if (s.Quality.Type != 2 || s.Size.Type == 0) return false;
  s.Quality.Type = 0;
  return true;
}

}  // namespace orv
