// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's tabs by number: the window, its pages, the launch options and the
// screenshots use them; the engine knows nothing of tabs.
#pragma once

namespace orv::tabs {

inline constexpr int kOrv = 0;      // mode page with the help view
inline constexpr int kFiles = 1;    // the queue
inline constexpr int kBalance = 2;  // first of the pages with a Basic and an Advanced version
inline constexpr int kColorCast = 3;
inline constexpr int kDetails = 4;  // first of the pages with a 1:1 detail view
inline constexpr int kHotPixels = 5;
inline constexpr int kDenoiser = 6;  // last page with two versions and a detail view
inline constexpr int kSizeQuality = 7;
inline constexpr int kExtra = 8;
inline constexpr int kGo = 9;
inline constexpr int kCount = 10;

// Tabs whose page follows the mode (a Basic and an Advanced version).
constexpr bool FollowsMode(int tab) {
  return tab >= kBalance && tab <= kDenoiser;
}
// Tabs whose page shows a 1:1 detail view of the photograph.
constexpr bool HasDetailView(int tab) {
  return tab >= kDetails && tab <= kDenoiser;
}

}  // namespace orv::tabs
