// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What every step of saving a processed picture reads: the settings, the picture with its camera
// summary and metadata, and where the steps report (log, progress, host, the caller's details).
#pragma once

#include <cstdint>
#include <string>

#include "exif/CameraSummary.h"
#include "imageio/Image.h"
#include "imageio/PhotoMetadata.h"
#include "settings/Settings.h"

namespace orv {

class CProgressDialog;
class EngineHost;
class ProcessLog;
class StaleTempSweep;
class SourceFolders;

// What a save did, for a run's per-photo report.
struct SaveDetails {
  std::string path;   // the file written
  int quality = -1;   // the JPEG quality used; -1 for other types
  int64_t bytes = 0;  // the size of the file written
  std::string error;  // the log's text of the failure, as plain text
};

struct SaveContext {
  const Settings& settings;
  const CameraSummary& camera;
  const Image& picture;
  int64_t sourceFileSize = 0;
  bool colorMatched = false;
  EngineHost* host = nullptr;  // shows the folder messages; may be null
  const ProcessLog* log = nullptr;
  CProgressDialog* progress = nullptr;
  const PhotoMetadata* metadata = nullptr;  // the source's profile, XMP and IPTC; may be null
  SaveDetails* details = nullptr;  // filled when not null
  StaleTempSweep* sweep = nullptr;  // the run's sweep of killed runs' temporary files; may be null
  const SourceFolders* sources = nullptr;  // the folders of the run's queued photos; may be null
};

enum class SaveOutcome { Saved, NotSaved };

}  // namespace orv
