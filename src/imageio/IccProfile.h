// Checks and reads the few parts of an ICC profile the program needs: whether a block of bytes
// is a whole profile (so a damaged one is dropped rather than written into an output), and the
// profile's description for `orv info`.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orv {

// The size of the fixed profile header; a profile is never shorter.
inline constexpr size_t kIccHeaderSize = 128;

// True when the bytes hold one whole profile: the header's size field equals the length, the
// "acsp" signature is in place and the tag table lies inside the profile.
bool PlausibleIccProfile(std::span<const uint8_t> profile);

// True for a whole profile whose colour space is RGB, the only one the outputs are written in,
// whose every tag lies inside it and which Little CMS opens: only such a profile is carried into
// an output.
bool IsRgbIccProfile(std::span<const uint8_t> profile);

// The text of the profile's 'desc' tag (the v2 ASCII form or the first v4 'mluc' record, as
// UTF-8); empty when the profile has none or it cannot be read.
std::string IccProfileDescription(std::span<const uint8_t> profile);

}  // namespace orv
