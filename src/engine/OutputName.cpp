// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/OutputName.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>

#include "engine/OutputFolder.h"
#include "imageio/ImageFormat.h"
#include "platform/FileTests.h"

namespace orv {
namespace {

std::string DropLast(const std::string& s, size_t n) {
  return s.size() >= n ? s.substr(0, s.size() - n) : std::string();
}

// The length of the name's extension with its dot: that of the queued extension it ends with
// (".heic" gives 5), else 4, the dot and three letters every other queued extension has.
size_t ExtensionLength(const std::string& fileName) {
  size_t count = 0;
  const FormatRow* rows = FormatRows(count);
  for (size_t i = 0; i < count; ++i)
    for (const FormatExtension& e : rows[i].extensions) {
      if (!e.text || !e.queued) continue;
      const size_t n = std::strlen(e.text);
      if (n > 4 && fileName.size() > n && LowerAscii(LastChars(fileName, n)) == LowerAscii(e.text))
        return n;
    }
  return 4;
}

}  // namespace

OutputName DecideOutputName(const Settings& s, const std::string& sourcePath,
                            const PathExistsFn& exists) {
  OutputName name;
  const std::string fileName = FileNameOf(sourcePath);
  const size_t extLength = ExtensionLength(fileName);
  std::string ext4 = LastChars(fileName, extLength);
  const bool cameraRaw = IsCameraRawPath(fileName);
  std::string base = DropLast(fileName, extLength);
  // With both halves of RAW+JPEG pairs taken, a RAW's output is named after its kind, so that
  // IMG_0001.CR2 and IMG_0001.JPG do not both become IMG_0001_ORV.jpg.
  if (cameraRaw && s.Files.RawJpegTwins == kTwinTakeBoth && extLength > 1)
  {
    std::string kind = ext4.substr(1);
    for (char& c : kind) c = char(std::toupper(static_cast<unsigned char>(c)));
    base += "_" + kind;
  }
  std::string outName = base + "_ORV" + ext4;

  name.folder = OutputFolderFor(s, sourcePath);
  std::string dirSlash = name.folder.back() == '/' ? name.folder : name.folder + '/';
  std::string outPath = dirSlash + outName;
  bool replace = s.Output.Replace == 1;
  if (LowerAscii(outPath) == LowerAscii(sourcePath) || SameFile(outPath, sourcePath)) {
    name.sameAsSource = true;
    replace = false;
  }

  // Output.FileType picks the format; "Same as Source" keeps the source's, but RAW files cannot
  // be written: they are saved as JPEG.
  name.chosen = FormatForOutputType(s.Output.FileType);
  if (!name.chosen && cameraRaw) name.chosen = FormatForOutputType(1);
  name.extension = name.chosen ? LowerAscii(name.chosen->extensions[0].text) : ext4;
  outPath = DropLast(outPath, extLength) + name.extension;
  name.unnumbered = outPath;
  name.path = outPath;
  name.stem =
      outName.find("_ORV") != std::string::npos ? DropLast(outName, 4 + extLength)
                                                : DropLast(outName, extLength);
  name.stem = dirSlash + name.stem;

  // The source itself is never replaced, whatever the settings say.
  if (exists(outPath) && (!replace || SameFile(outPath, sourcePath))) {
    for (long n = 1;; ++n) {
      std::string candidate = NumberedOutputName(name, n);
      if (!exists(candidate)) {
        name.path = candidate;
        name.number = n;
        break;
      }
    }
  }
  name.replace = replace && name.number == 0;
  return name;
}

void TakeNextFreeNumber(OutputName& name, const PathExistsFn& exists) {
  name.replace = false;
  if (name.number != 0) return;
  for (long n = 1;; ++n) {
    std::string candidate = NumberedOutputName(name, n);
    if (!exists(candidate)) {
      name.path = candidate;
      name.number = n;
      return;
    }
  }
}

std::string NumberedOutputName(const OutputName& name, long n) {
  return name.stem + std::to_string(n) + "_ORV" + name.extension;
}

std::string ExistingOutput(const Settings& s, const std::string& sourcePath) {
  // Only the unnumbered name counts, so the existence test for the numbering is not needed.
  OutputName name = DecideOutputName(s, sourcePath, [](const std::string&) { return false; });
  // A directory, a FIFO or an empty file at the name is no finished output (and a FIFO must not
  // be opened): only a regular file with bytes in it counts.
  struct stat st {};
  if (::stat(name.unnumbered.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
    return std::string();
  return name.unnumbered;
}

}  // namespace orv
