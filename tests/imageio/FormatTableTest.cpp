// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The format table drives recognition, the queue's extension rule and the output types; these
// cases pin what the rest of the program relies on.
#include "imageio/ImageFormat.h"

#include <gtest/gtest.h>

#include <set>

namespace orv {
namespace {

TEST(FormatTable, QueuesThePhotoExtensionsInAnyCase) {
  for (const char* path : {"/a/b.jpg", "/a/B.JPG", "x.Psd", "x.png", "x.bmp", "x.pcx", "x.tif",
                           "x.TGA", ".jpg", "x.jpeg", "x.JPEG", "x.jpe", "x.tiff", "x.TIFF"})
    EXPECT_TRUE(IsQueuedImagePath(path)) << path;
  // Recognised on load, but not taken from folders: GIF, PAX and metafiles.
  for (const char* path : {"x.gif", "x.pax", "x.wmf", "x.emf", "x.jpg.txt", "x.jpeg.bak",
                           "jpg", "", "x.jp", "x.tiffy"})
    EXPECT_FALSE(IsQueuedImagePath(path)) << path;
}

TEST(FormatTable, OutputTypesAndTheirExtensions) {
  ASSERT_NE(FormatForOutputType(1), nullptr);
  EXPECT_EQ(FormatForOutputType(1)->format, kFormatJpeg);
  EXPECT_EQ(FormatForOutputType(2)->format, kFormatPng);
  EXPECT_EQ(FormatForOutputType(3)->format, kFormatBmp);
  EXPECT_STREQ(FormatForOutputType(2)->extensions[0].text, ".PNG");
  EXPECT_EQ(FormatForOutputType(0), nullptr);  // "Same as Source"
  EXPECT_EQ(FormatForOutputType(4), nullptr);
  EXPECT_EQ(FormatForOutputType(-1), nullptr);
}

TEST(FormatTable, RowsAreConsistent) {
  size_t count = 0;
  const FormatRow* rows = FormatRows(count);
  ASSERT_GT(count, 0u);
  std::set<int> formats, outputTypes;
  for (size_t i = 0; i < count; ++i) {
    const FormatRow& row = rows[i];
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(formats.insert(row.format).second) << "one row per format";
    if (row.outputType != 0) {
      EXPECT_TRUE(outputTypes.insert(row.outputType).second);
      EXPECT_NE(row.encode, nullptr) << "an output type must be writable";
    }
    EXPECT_NE(row.extensions[0].text, nullptr);
    for (const FormatSignature& sig : row.signatures)
      if (sig.length > 0) {
        EXPECT_LE(sig.offset + sig.length, 44) << "beyond the probe";
      }
    EXPECT_EQ(FormatFromContent(row.content), row.format);
    EXPECT_EQ(FindFormat(row.format), &row);
    // Every extension leads back to the row.
    for (const FormatExtension& e : row.extensions)
      if (e.text) {
        EXPECT_EQ(FormatFromExtension(e.text), row.format) << e.text;
      }
  }
}

}  // namespace
}  // namespace orv
