// The program's image format codes and format recognition: one table that both the content
// lookup (GuessSourceFormat) and the extension lookup walk from the top.
#pragma once

namespace orv {

struct ImageSource;

enum ImageFormat : int {
  kFormatUnknown = 0,
  kFormatJpeg = 1,
  kFormatPng = 3,
  kFormatBmp = 6,
  kFormatPcx = 9,
  kFormatTiff = 12,
  kFormatGif = 15,
  kFormatTga = 16,
  kFormatWmf = 19,
  kFormatEmf = 20,
  kFormatPax = 21,
  kFormatPsd = 22,
};

// Content codes returned by GuessSourceFormat.
enum ContentCode : int {
  kContentUnknown = 0,
  kContentBmp = 1,
  kContentGif = 2,
  kContentJpeg = 3,
  kContentPng = 4,
  kContentPcx = 5,
  kContentTiff = 6,
  kContentWmf = 7,
  kContentEmf = 8,
  kContentPax = 9,
  kContentPsd = 10,
  kContentTla01 = 11,
  kContentTlaU = 12,
  kContentZeroPair = 13,
  kContentTga = 14,
};

// Reads the first 44 bytes of the source (rewinding it first and afterwards) and returns the
// content code of the first matching signature; 0 with last error 3 when 44 bytes cannot be read.
int GuessSourceFormat(ImageSource* source);
// The ImageFormat of the first table row whose content code matches; 0 when none does.
ImageFormat FormatFromContent(int contentCode);
// The ImageFormat of the first table row whose extension equals the upper-cased text from the
// path's last "."; 0 when there is none.
ImageFormat FormatFromExtension(const char* path);
// The format's display name ("JPEG", "PNG", ...), or "unknown".
const char* FormatName(ImageFormat format);

}  // namespace orv
