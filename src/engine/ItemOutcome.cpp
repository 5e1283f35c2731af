// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ItemOutcome.h"

#include "engine/Engine.h"
#include "engine/EngineHost.h"
#include "imageio/LibraryError.h"
#include "platform/FileTests.h"

namespace orv {

void CountSkipped(const std::string& existing, RunReport& report, ItemResult& result) {
  ++report.skipped;
  result.status = ItemResult::Status::Skipped;
  result.output = existing;
  result.bytes = FileSize(existing);
}

void CountLoadFailure(EngineHost& host, const std::string& path, unsigned code, RunReport& report,
                      ItemResult& result) {
  ++report.loadFailures;
  std::string reason = DescribeLoadError(code);
  result.error = "Can't load: " + path + " " + reason;
  host.ReportProblem("cannot load " + path + ": " + reason);
}

void CountSaved(const SaveDetails& details, RunReport& report, ItemResult& result) {
  ++report.saved;
  result.status = ItemResult::Status::Saved;
  result.output = details.path;
  result.quality = details.quality;
  result.bytes = details.bytes;
}

void CountStageFailure(EngineHost& host, const std::string& path, RunReport& report,
                       ItemResult& result) {
  ++report.stageFailures;
  result.status = ItemResult::Status::Failed;
  result.error = "a correction could not run (see the log); not saved";
  host.ReportProblem("a correction could not run on " + path + "; not saved (see the log)");
}

void CountSaveFailure(EngineHost& host, const std::string& path, const SaveDetails& details,
                      RunReport& report, ItemResult& result) {
  ++report.saveFailures;
  result.error = details.error.empty() ? "Not saved: " + path : details.error;
  host.ReportProblem("could not save the output of " + path + " (see the log)");
}

}  // namespace orv
