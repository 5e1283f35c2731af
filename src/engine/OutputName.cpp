#include "engine/OutputName.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/OutputSaver.h"
#include "imageio/ImageFormat.h"
#include "platform/FileTests.h"

namespace orv {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string LastChars(const std::string& s, size_t n) {
  return s.size() >= n ? s.substr(s.size() - n) : s;
}

std::string DropLast(const std::string& s, size_t n) {
  return s.size() >= n ? s.substr(0, s.size() - n) : std::string();
}

// Errors of link() that mean the file system has no hard links (FAT, some network and FUSE
// file systems), not that the name is taken.
bool NoHardLinks(int error) {
  return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS ||
         error == EMLINK || error == EXDEV;
}

// A bound on fail-overs, so a file system that calls every name taken cannot keep a save busy.
constexpr long kMaxClaims = 1000000;

}  // namespace

OutputName DecideOutputName(const Settings& s, const std::string& sourcePath,
                            const PathExistsFn& exists) {
  OutputName name;
  size_t slash = sourcePath.rfind('/');
  std::string fileName = slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
  std::string ext4 = LastChars(fileName, 4);
  std::string outName = DropLast(fileName, 4) + "_ORV" + ext4;

  name.folder = OutputFolderFor(s, sourcePath);
  std::string dirSlash = name.folder.back() == '/' ? name.folder : name.folder + '/';
  std::string outPath = dirSlash + outName;
  bool replace = s.Output.Replace == 1;
  if (LowerAscii(outPath) == LowerAscii(sourcePath) || SameFile(outPath, sourcePath)) {
    name.sameAsSource = true;
    replace = false;
  }

  // Output.FileType picks the format; "Same as Source" keeps the source's.
  name.chosen = FormatForOutputType(s.Output.FileType);
  name.extension = name.chosen ? LowerAscii(name.chosen->extensions[0].text) : ext4;
  outPath = DropLast(outPath, 4) + name.extension;
  name.unnumbered = outPath;
  name.path = outPath;
  name.stem =
      outName.find("_ORV") != std::string::npos ? DropLast(outName, 8) : DropLast(outName, 4);
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

std::string NumberedOutputName(const OutputName& name, long n) {
  return name.stem + std::to_string(n) + "_ORV" + name.extension;
}

std::string ExistingOutput(const Settings& s, const std::string& sourcePath) {
  // Only the unnumbered name counts, so the existence test for the numbering is not needed.
  OutputName name = DecideOutputName(s, sourcePath, [](const std::string&) { return false; });
  return FileExists(name.unnumbered) ? name.unnumbered : std::string();
}

std::string MakePlacementFile(const std::string& path) {
  // A short name of its own, so a long output name does not grow past the name limit.
  size_t slash = path.rfind('/');
  std::string pattern = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) +
                        "/.orvtmp.XXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) return {};
  ::close(fd);
  return pattern;
}

int ClaimName(const std::string& tempPath, const std::string& name) {
  if (::link(tempPath.c_str(), name.c_str()) == 0) {
    ::unlink(tempPath.c_str());
    return 0;
  }
  int error = errno;
  if (error == EEXIST) {
    // Over NFS a retried link can report EEXIST for the link it just made.
    if (SameFile(tempPath, name)) {
      ::unlink(tempPath.c_str());
      return 0;
    }
    return EEXIST;
  }
  if (!NoHardLinks(error)) return error;
  // Without hard links: hold the name with an empty file created exclusively, then move the
  // complete file over it.
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return errno;
  ::close(fd);
  if (::rename(tempPath.c_str(), name.c_str()) != 0) {
    error = errno;
    ::unlink(name.c_str());
    return error;
  }
  return 0;
}

bool PlaceOutput(const std::string& tempPath, const OutputName& name, std::string& finalPath,
                 std::string& error) {
  if (name.replace) {
    if (::rename(tempPath.c_str(), name.path.c_str()) == 0) {
      finalPath = name.path;
      return true;
    }
    error = std::strerror(errno);
    ::unlink(tempPath.c_str());
    return false;
  }
  std::string candidate = name.path;
  long n = name.number;
  for (long attempt = 0; attempt < kMaxClaims; ++attempt) {
    int code = ClaimName(tempPath, candidate);
    if (code == 0) {
      finalPath = candidate;
      return true;
    }
    if (code != EEXIST) {
      error = std::strerror(code);
      ::unlink(tempPath.c_str());
      return false;
    }
    // Another process took the name since it was decided: the next free number, as the
    // numbering would have chosen had that file been there already.
    do {
      candidate = NumberedOutputName(name, ++n);
    } while (FileExists(candidate));
  }
  error = "no free output name";
  ::unlink(tempPath.c_str());
  return false;
}

}  // namespace orv
