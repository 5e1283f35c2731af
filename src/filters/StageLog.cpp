#include "filters/StageLog.h"

#include <charconv>

namespace orv {

std::string FormatG(double value) {
  char buf[64];
  // to_chars with a precision formats as printf's %.*g does, in the C locale.
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  if (ec != std::errc()) return "0";
  return std::string(buf, end);
}

}  // namespace orv
