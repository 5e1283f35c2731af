// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// --report: one JSON object a line for each photo of a run as it finishes (JSON Lines), each
// line written whole with one write and not buffered, so a report of a run killed halfway is
// valid up to its last line.
#pragma once

#include <string>

#include "engine/RunObserver.h"

namespace orv::cli {

// The report line of one result, without the newline: source, output, status, error, quality,
// bytes, ms and version; absent values are null.
std::string ReportLine(const ItemResult& result);

class ReportWriter : public RunObserver {
 public:
  ReportWriter() = default;
  ~ReportWriter() override;
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Creates (or empties) the file; "-" is standard output. A report another run is writing at the
  // same time is appended to, not emptied; lines of both runs stay whole. keepEarlier appends to
  // the lines already there (a watch started again). False with a message on failure.
  bool Open(const std::string& path, std::string& error, bool keepEarlier = false);
  void ItemFinished(const ItemResult& result) override;
  // False once a line could not be written.
  bool ok() const { return ok_; }
  // The report's reader closed the pipe: no further line is written.
  bool brokenPipe() const { return brokenPipe_; }

 private:
  int fd_ = -1;
  bool ownsFd_ = false;
  bool ok_ = true;
  bool brokenPipe_ = false;
  bool toTerminal_ = false;
  int inUseFd_ = -1;      // holds the shared "in use" lock of a regular report
  bool regular_ = false;  // a regular file: locked while appending, cut back after a failed write
  std::string path_;
};

}  // namespace orv::cli
