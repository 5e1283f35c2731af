// The narrow interface through which the engine reaches whatever shows it: questions, messages,
// tabs, the help view, the progress window, page commits and refreshes. The desktop program
// implements it with widgets, the command line with flags and the terminal, the tests with a
// recording fake. Every call has a quiet default so a host implements only what it shows.
#pragma once

#include <memory>
#include <string>

#include "engine/ProgressDialog.h"

namespace orv {

// Which settings pages a commit takes into the model.
enum class PageCommit {
  SizeAndQuality,  // before a run
  Pipeline,        // every page a ProcessImage call reads
  Files,           // the check boxes of the Files page
};

class EngineHost {
 public:
  virtual ~EngineHost() = default;

  // Takes what the user set on the pages into Settings.
  virtual void CommitPages(PageCommit /*which*/) {}
  // A Yes/No question; true only for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  // A message with an OK button; the run waits for it.
  virtual void ShowMessage(const std::string& message) = 0;
  virtual void SelectTab(int /*tab*/) {}
  virtual int CurrentTab() const { return 0; }
  // Points the help view at an HTML file of the help folder.
  virtual void ShowHelpPage(const std::string& /*path*/) {}
  // Shows or hides the hot-pixel page's picture that marks a camera of the exclusion list.
  virtual void ShowListedCamera(bool /*listed*/) {}
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
