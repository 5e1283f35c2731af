// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The narrow interface through which the engine reaches whatever shows it: questions, messages,
// the help view, the progress window, the queue's changes. The desktop program implements it
// with widgets, the command line with flags and the terminal, the tests with a recording fake.
// The engine never asks a front end what it shows: the caller commits its pages into Settings
// before it calls the engine, and says what a preview should compute. Every call has a quiet
// default so a host implements only what it shows.
#pragma once

#include <memory>
#include <string>

#include "engine/Pipeline.h"
#include "engine/ProgressDialog.h"

namespace orv {

class EngineHost : public PipelineHost {
 public:
  // A Yes/No question; true only for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  // A message with an OK button; the run waits for it.
  virtual void ShowMessage(const std::string& message) = 0;
  // Points the help view at an HTML file of the help folder.
  virtual void ShowHelpPage(const std::string& /*path*/) {}
  // The Files page's warnings or counts changed.
  virtual void QueueChanged() {}
  virtual void SetWaitCursor(bool /*on*/) {}
  // An item of a run could not be loaded or saved (it is also in the log).
  virtual void ReportProblem(const std::string& /*text*/) {}
  // The progress window of a run.
  virtual std::unique_ptr<CProgressDialog> CreateProgressDialog() {
    return std::make_unique<CProgressDialog>();
  }
};

}  // namespace orv
