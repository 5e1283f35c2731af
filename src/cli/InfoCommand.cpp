// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// `orv info` and `orv exif`: what the program reads from photographs.
#include <cstdio>
#include <iostream>

#include "cli/Commands.h"
#include "cli/ExifListing.h"
#include "cli/InfoFormat.h"
#include "cli/TerminalHost.h"
#include "cli/TerminalText.h"
#include "engine/Engine.h"
#include "exif/ExifReader.h"
#include "imageio/IccProfile.h"
#include "imageio/ImageFile.h"
#include "imageio/LibraryError.h"
#include "platform/AppFolder.h"

namespace orv::cli {
namespace {

struct InfoOptions {
  bool json = false;
};

const Option<InfoOptions> kInfoOptions[] = {
    {{"--json", "", "", ValueKind::Flag, "write JSON instead of lines of text"},
     [](InfoOptions& o, const std::string&, std::string&) {
       o.json = true;
       return true;
     }},
};

bool ParseFiles(std::span<const std::string> args, bool& json, std::vector<std::string>& files,
                const char* command) {
  InfoOptions options;
  std::string error;
  if (!ParseOptions<InfoOptions>(kInfoOptions, args, options, files, error)) {
    std::fprintf(stderr, "orv %s: %s\n", command, TerminalSafe(error).c_str());
    return false;
  }
  json = options.json;
  if (files.empty()) {
    std::fprintf(stderr, "orv %s: no file given\n", command);
    return false;
  }
  return true;
}

}  // namespace

std::vector<const OptionDoc*> InfoOptionDocs() {
  return DocsOf<InfoOptions>(kInfoOptions);
}

int RunInfoCommand(const GlobalOptions&, std::span<const std::string> args) {
  bool json = false;
  std::vector<std::string> files;
  if (!ParseFiles(args, json, files, "info")) return kExitUsage;
  TerminalHost host(false, true);
  CEngine engine(host, "");
  int status = kExitOk;
  std::string out;
  bool first = true;
  for (const std::string& f : files) {
    std::string path = AbsolutePath(f);
    if (engine.ShowImageInfo(path) != 1) {
      std::fprintf(stderr, "orv info: %s: %s\n", TerminalSafe(f).c_str(),
                   DescribeLoadError(engine.loadError()).c_str());
      status = kExitFailed;
      continue;
    }
    ImageFacts facts;
    facts.width = engine.picture().width();
    facts.height = engine.picture().height();
    facts.fileSize = uint64_t(engine.sourceFileSize());
    const PhotoMetadata& meta = engine.metadata();
    facts.hasIccProfile = !meta.icc.empty();
    facts.iccDescription = IccProfileDescription(meta.icc);
    facts.hasXmp = !meta.xmp.empty();
    facts.hasIptc = !meta.iptc.empty();
    if (json) {
      out += first ? "" : ",\n";
      out += FormatCameraInfoJson(engine.camera(), facts);
    } else {
      if (files.size() > 1) out += (first ? "" : "\n") + std::string("File: ") + path + "\n";
      out += FormatCameraInfoText(engine.camera(), facts);
    }
    first = false;
  }
  if (json) out = files.size() > 1 ? "[\n" + out + "\n]\n" : (out.empty() ? "" : out + "\n");
  std::fwrite(out.data(), 1, out.size(), stdout);
  return status;
}

int RunExifCommand(const GlobalOptions&, std::span<const std::string> args) {
  bool json = false;
  std::vector<std::string> files;
  if (!ParseFiles(args, json, files, "exif")) return kExitUsage;
  if (files.size() != 1) {
    std::fputs("orv exif: give exactly one file\n", stderr);
    return kExitUsage;
  }
  CImageFile file;
  unsigned code = file.Load(AbsolutePath(files[0]).c_str());
  if (code != 0) {
    std::fprintf(stderr, "orv exif: %s: %s\n", TerminalSafe(files[0]).c_str(),
                 DescribeLoadError(code).c_str());
    return kExitFailed;
  }
  const std::vector<uint8_t>& block = file.exifBlock();
  int error = 0;
  ExifHandle data = ParseExifBlock(block.data(), block.size(), error);
  if (data) {
    if (json)
      WriteExifListingJson(*data, std::cout);
    else
      WriteExifListingText(*data, std::cout);
    std::cout.flush();
  } else if (json) {
    std::fputs("[]\n", stdout);
  }
  if (error != 0) {
    std::fprintf(stderr, "orv exif: %s: %s\n", TerminalSafe(files[0]).c_str(),
                 block.empty() ? "the file has no EXIF block" : LibraryErrorText(unsigned(error)));
  }
  return kExitOk;
}

}  // namespace orv::cli
