// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The values of the settings that choose between behaviours, by name. The key table
// (SettingKeys.cpp) declares each setting once; these name the choices its int values stand for,
// as the profile files store them.
#pragma once

namespace orv {

// Output.Type: where outputs go.
namespace output_type {
inline constexpr int kOrvSubfolder = 0;  // an "ORV" folder beside each source
inline constexpr int kFolder = 1;        // Output.SimDir (the ORV subfolder while it is empty)
inline constexpr int kSourceFolder = 2;  // beside the source
}  // namespace output_type

// Output.MirrorTree: whether outputs in Output.SimDir keep the source's whole folder path below
// the folder it was queued from (Output.MirrorFolders keeps only the folder's own name).
namespace mirror_tree {
inline constexpr int kOff = 0;
inline constexpr int kWholeTree = 1;
}  // namespace mirror_tree

// Output.FileType: the format outputs are saved in.
namespace output_file_type {
inline constexpr int kSameAsSource = 0;
inline constexpr int kJpeg = 1;
inline constexpr int kPng = 2;
inline constexpr int kBmp = 3;
}  // namespace output_file_type

// Quality.Type: how the JPEG (or HEIF) quality is chosen.
namespace quality_type {
inline constexpr int kFixed = 0;       // Quality.CQ
inline constexpr int kMaxSize = 1;     // the highest quality whose file stays under Quality.MaxKB
inline constexpr int kSourceSize = 2;  // the quality whose file is closest to the source's size
}  // namespace quality_type

// Size.Type: how the picture is resized.
namespace size_type {
inline constexpr int kOriginal = 0;
inline constexpr int kPercent = 1;  // Size.Percent of each side
inline constexpr int kBox = 2;      // to fit Size.Width x Size.Height
}  // namespace size_type

// Size.Filter: the resampler.
namespace resize_filter {
inline constexpr int kTwoPassBilinear = 0;
inline constexpr int kLanczos3 = 1;
}  // namespace resize_filter

// Sharpen.Type: the sharpening kernel of Advanced mode.
namespace sharpen_type {
inline constexpr int kConvolution = 0;
inline constexpr int kGaussian = 1;  // unsharp mask
}  // namespace sharpen_type

}  // namespace orv
