// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PhotoLoad.h"

#include <sys/stat.h>

#include "exif/ExifOrientation.h"
#include "imageio/ImageFile.h"
#include "settings/SettingValues.h"
#include "settings/Settings.h"

namespace orv {

FitBox RunFitBox(const Settings& s) {
  if (s.Size.Type == size_type::kPercent && s.Size.Percent > 0 && s.Size.Percent <= 50)
    return {0, 0, s.Size.Percent};
  if (s.Size.Type != size_type::kBox || s.Size.Width <= 0 || s.Size.Height <= 0) return {};
  return {s.Size.Width, s.Size.Height};
}

unsigned LoadPhoto(const std::string& path, LoadedPhoto& photo, FitBox fit) {
  photo = LoadedPhoto();
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) photo.fileSize = int64_t(st.st_size);
  CImageFile file;
  file.SetRawFitBox(fit.width, fit.height);
  file.SetRawFitPercent(fit.percent);
  unsigned code = file.Load(path.c_str());
  if (code != 0) return code;
  CameraSource source;
  source.exifBlock = file.exifBlock();
  source.jpegComment = file.firstComment();
  source.width = file.width();
  source.height = file.height();
  photo.camera = ExtractCameraValues(source);
  // A decoder that turned the pixels upright leaves an Orientation tag that would turn them again.
  if (file.pixelsUpright()) SetExifOrientationUpright(photo.camera.ExifBlock);
  photo.fullWidth = file.fullWidth();
  photo.fullHeight = file.fullHeight();
  photo.metadata = file.TakeMetadata();
  photo.picture = file.TakeImage();
  return 0;
}

}  // namespace orv
