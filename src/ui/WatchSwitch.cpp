// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WatchSwitch.h"

#include <QCheckBox>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <ctime>
#include <thread>

#include "engine/Engine.h"
#include "engine/WatchSession.h"
#include "platform/AppFolder.h"
#include "ui/OutputPage.h"
#include "ui/Prompts.h"

namespace orv::ui {
namespace {

// The watch engine's host: it runs on the watch's thread and shows nothing. The size-limit
// question was asked when the switch went on; results reach the window through the observer.
class QuietHost final : public EngineHost {
 public:
  bool AskYesNo(const std::string&) override { return true; }
  void ShowMessage(const std::string&) override {}
};

}  // namespace

// Hands what the watch's thread hears to the switch on the GUI thread, as queued calls.
class CWatchSwitch::Relay final : public WatchObserver {
 public:
  // Made on the GUI thread; the switch outlives the watch's thread, which it joins.
  explicit Relay(CWatchSwitch* to) : to_(to) {}
  void PhotosTaken(const std::vector<std::string>& photos) override {
    QStringList sources;
    for (const std::string& p : photos) sources << QString::fromStdString(p);
    Post([sources](CWatchSwitch& w) { emit w.photosTaken(sources); });
  }
  void ItemFinished(const ItemResult& r) override {
    const QString source = QString::fromStdString(r.source);
    const QString output = QString::fromStdString(r.output);
    const QString error = QString::fromStdString(r.error);
    const int status = int(r.status);
    Post([=](CWatchSwitch& w) {
      if (status == int(ItemResult::Status::Saved)) ++w.saved_;
      if (status == int(ItemResult::Status::Failed)) ++w.failed_;
      w.ShowStatus();
      emit w.photoFinished(source, output, status, error);
    });
  }
  void StateWriteFailed() override {
    Post([](CWatchSwitch& w) {
      w.stateWriteFailed_ = true;
      w.ShowStatus();
    });
  }
  template <class F>
  void Post(F f) {
    QPointer<CWatchSwitch> to = to_;
    QMetaObject::invokeMethod(
        to_.data(), [to, f] { if (to) f(*to); }, Qt::QueuedConnection);
  }

 private:
  QPointer<CWatchSwitch> to_;
};

// One watch: its engine (settings copied from the window's), the session and its thread.
struct CWatchSwitch::Running {
  Running(CWatchSwitch* owner, const std::string& appFolder, WatchOptions options)
      : engine(host, appFolder),
        relay(owner),
        session(engine, &relay, std::move(options), appFolder + "/watch-failed.txt") {}
  ~Running() {
    if (thread.joinable()) {
      session.RequestStop();
      thread.join();
    }
  }
  QuietHost host;
  CEngine engine;
  Relay relay;
  WatchSession session;
  std::thread thread;
};

CWatchSwitch::CWatchSwitch(CEngine& engine, CPrompts& prompts, ReadyCheck ready, QWidget* parent)
    : QWidget(parent), engine_(engine), prompts_(prompts), ready_(std::move(ready)) {
  box_ = new QCheckBox(tr("Watch this folder"), this);
  box_->setObjectName(QStringLiteral("watchBox"));
  box_->setToolTip(
      tr("Process every photo of the queue's folders that has no output yet, then each photo "
         "that arrives in them, while the window is open"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("watchStatus"));
  status_->setWordWrap(true);
  status_->setTextFormat(Qt::RichText);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(box_);
  layout->addWidget(status_);
  connect(box_, &QCheckBox::toggled, this, &CWatchSwitch::Toggled);
  connect(status_, &QLabel::linkActivated, this, [this] {
    const std::string base = engine_.helpFolder() + "/log.html";
    emit logRequested(QString::fromStdString(DailyLogPath(base, std::time(nullptr))));
  });
  ShowStatus();
}

CWatchSwitch::~CWatchSwitch() { StopAndWait(); }

bool CWatchSwitch::running() const { return running_ != nullptr; }
bool CWatchSwitch::switchedOn() const { return box_->isChecked(); }

std::vector<std::string> CWatchSwitch::QueueFolders() const { return engine_.queue().Folders(); }
bool CWatchSwitch::QueueRecursive() const { return engine_.settings().Files.Recursive != 0; }

void CWatchSwitch::Toggled(bool on) {
  if (!on) {
    RequestStop();
    return;
  }
  if (running_) {  // on again while stopping: it starts again once stopped
    restartWanted_ = true;
    ShowStatus();
    return;
  }
  if (!Start()) {
    QSignalBlocker block(box_);
    box_->setChecked(false);
    ShowStatus();
  }
}

bool CWatchSwitch::Start() {
  if (QueueFolders().empty()) {
    // Nothing to watch yet: the folder chosen joins the queue, as Add Folder adds it.
    QString folder = prompts_.SelectFolder(window(), tr("Select the folder to watch"), QString());
    if (folder.isEmpty()) return false;
    engine_.queue().ClearWarnings();
    engine_.queue().AddFolder(AbsolutePath(folder.toStdString()));
    if (QueueFolders().empty()) return false;
  }
  if (ready_ && !ready_()) return false;

  WatchOptions options;
  options.folders = QueueFolders();
  options.recursive = QueueRecursive();
  options.settle = settle_;
  auto run = std::make_unique<Running>(this, engine_.appFolder(), options);
  CEngine& e = run->engine;
  e.settings() = engine_.settings();
  if (!engine_.blackFrame().empty() && !e.blackFrame().CopyFrom(engine_.blackFrame())) {
    prompts_.ShowMessage(window(), tr("Not enough memory for the black frame of the watch"));
    return false;
  }
  e.SetKeepFileTime(engine_.keepFileTime());
  e.SetJobs(StoredWorkerCount());
  // A photo whose output exists is never redone: a watch started again takes only the new ones.
  e.SetSkipExisting(true);
  MakeFolders(e.helpFolder());
  e.log().SetPath(e.helpFolder() + "/log.html");  // the base of the day's log names
  std::string error;
  if (!run->session.Start(error)) {
    prompts_.ShowMessage(window(), QString::fromStdString(error));
    return false;
  }
  watched_ = options.folders;
  watchedRecursive_ = options.recursive;
  saved_ = failed_ = 0;
  stateWriteFailed_ = false;
  stopping_ = false;
  restartWanted_ = false;
  Running* r = run.get();
  r->thread = std::thread([r] {
    r->session.Run();
    r->relay.Post([](CWatchSwitch& w) { w.Finished(); });
  });
  running_ = std::move(run);
  ShowStatus();
  return true;
}

void CWatchSwitch::RequestStop() {
  // A stop asked for ends the watch, also one that was about to start again over other
  // folders (the window closing then would otherwise find a new watch and stay open).
  restartWanted_ = false;
  if (!running_) {
    ShowStatus();
    return;
  }
  stopping_ = true;
  running_->session.RequestStop();
  ShowStatus();
}

void CWatchSwitch::StopAndWait() {
  restartWanted_ = false;
  running_.reset();  // asks the stop and joins the thread
  stopping_ = false;
}

void CWatchSwitch::Finished() {
  if (!running_ || !running_->session.StopRequested()) return;
  running_.reset();
  stopping_ = false;
  if (box_->isChecked() && restartWanted_ && !QueueFolders().empty()) {
    restartWanted_ = false;
    if (Start()) return;
  }
  restartWanted_ = false;
  if (box_->isChecked()) {
    QSignalBlocker block(box_);
    box_->setChecked(false);
  }
  ShowStatus();
  emit stopped();
}

void CWatchSwitch::SettingsChanged() {
  if (running_ && !stopping_) running_->session.ReplaceSettings(engine_.settings());
}

void CWatchSwitch::QueueChanged() {
  if (!running_ || stopping_) return;
  if (QueueFolders() == watched_ && QueueRecursive() == watchedRecursive_) return;
  // Other folders: this watch ends after its current saves and one over the new folders starts.
  restartWanted_ = true;
  stopping_ = true;
  running_->session.RequestStop();
  ShowStatus();
}

void CWatchSwitch::ShowStatus() {
  QString text;
  if (running_ && stopping_ && !restartWanted_) {
    text = tr("Stopping after the photos in work are saved...");
  } else if (running_) {
    text = watched_.size() == 1 ? tr("Watching %1").arg(QString::fromStdString(watched_[0]))
                                : tr("Watching %1 folders").arg(watched_.size());
    if (saved_ > 0 || failed_ > 0)
      text += tr(": %1 saved, %2 failed").arg(saved_).arg(failed_);
    text += tr(" (<a href=\"log\">the day's log</a>)");
    if (stateWriteFailed_) text += tr("<br>The list of failed photos could not be written.");
  }
  status_->setText(text);
  status_->setVisible(!text.isEmpty());
}

}  // namespace orv::ui
