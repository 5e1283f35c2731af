// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BatchRunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "engine/OutputFolder.h"
#include "engine/PhotoJob.h"
#include "engine/ProgressDialog.h"
#include "engine/RunOutputs.h"
#include "engine/WorkerCount.h"
#include "imageio/PictureDimensions.h"
#include "platform/FileTests.h"
#include "platform/LargeBuffer.h"
#include "platform/ThreadBudget.h"

namespace orv {
namespace {

// A photo whose size cannot be read from its header is planned as this many pixels.
constexpr uint64_t kUnknownPixels = 24'000'000;

// What the two steps need of a run.
PhotoWork WorkOf(const RunSetup& setup, const RunOutputs& written) {
  return PhotoWork{setup.blackFrame, setup.skipExisting, &written};
}
PhotoSettling SettlingOf(const RunSetup& setup, RunReport& report, StaleTempSweep& sweep,
                         RunOutputs& written, const SourceFolders& sources) {
  return PhotoSettling{setup.settings,     setup.host,         setup.log, setup.observer,
                       report,             &sweep,             setup.skipExisting,
                       setup.keepFileTime, &written,           &sources};
}

SourceFolders SourcesOf(const std::vector<CueItem>& cue, const std::vector<size_t>& items) {
  std::vector<std::string> paths;
  paths.reserve(items.size());
  for (size_t i : items) paths.push_back(cue[i].path);
  return SourceFolders(paths);
}

bool StopsTaking(const RunSetup& setup) {
  return setup.stopTaking && setup.stopTaking->load(std::memory_order_relaxed);
}

// The twin taken in the entry's place, when the run leaves such entries out.
const std::string& TwinOf(const RunSetup& setup, const CueItem& entry) {
  static const std::string kNone;
  return setup.skipTwins ? entry.twin : kNone;
}

// One worker: the run's thread works on each photo and settles it in turn. The progress window
// is the work step's observer, so it shows the stages and the picture as they happen.
bool RunOnThisThread(const RunSetup& setup, std::vector<CueItem>& cue,
                     const std::vector<size_t>& items, RunReport& report) {
  StaleTempSweep sweep;
  RunOutputs written;
  const SourceFolders sources = SourcesOf(cue, items);
  const PhotoWork work = WorkOf(setup, written);
  const PhotoSettling settling = SettlingOf(setup, report, sweep, written, sources);
  Settings settings = setup.settings;
  CProgressDialog& progress = setup.progress;
  std::vector<uint8_t> spareOutput;  // its pages stay in place for the next photo
  for (size_t k = 0; k < items.size(); ++k) {
    if (StopsTaking(setup)) {
      for (size_t j = k; j < items.size(); ++j) ReportNotReached(setup.observer, cue[items[j]].path);
      return true;
    }
    const std::string path = cue[items[k]].path;
    const int position = setup.queuePositions ? int(items[k]) : 0;
    progress.SetBatchProgress(int(k), int(items.size()), FileNameOf(path));
    progress.SetQueuePos(position);
    progress.SetItemPos(0);
    progress.SetStageText("Loading...");
    WorkedPhoto item = WorkOnPhoto(path, TwinOf(setup, cue[items[k]]), settings, work, progress,
                                   position + 1, std::move(spareOutput));
    bool saved = false;
    bool goesOn = true;
    auto settle = [&](int) { goesOn = SettlePhoto(settling, path, item, saved); };
    if (k + 1 < items.size()) {
      settle(0);
    } else {
      // No photo comes after this one to reuse the buffers kept for it: a free core frees
      // them (milliseconds of small pages) while this thread places the photo.
      TakenLargeBuffers kept = TakeKeptLargeBuffers();
      auto free = [&](int) { kept.Free(); };
      RunTasksBeside(1, free, settle);
    }
    spareOutput = std::move(item.bytes);
    if (!goesOn) {
      for (size_t j = k + 1; j < items.size(); ++j)
        ReportNotReached(setup.observer, cue[items[j]].path);
      return true;
    }
    if (saved && setup.clearCheckMarks) cue[items[k]].checked = false;
    progress.SetItemPos(100);
  }
  return false;
}

// A worker's progress: Cancel comes from the run's flag; the item position is published for
// the run's thread to show.
class WorkerProgress final : public CProgressDialog {
 public:
  WorkerProgress(const std::atomic<bool>& cancel, std::atomic<int>& itemPos)
      : cancel_(cancel), itemPos_(itemPos) {}

 protected:
  void PumpMessages() override {
    if (cancel_.load(std::memory_order_relaxed)) PressCancel();
  }
  void OnItemChanged() override { itemPos_.store(ItemPos(), std::memory_order_relaxed); }

 private:
  const std::atomic<bool>& cancel_;
  std::atomic<int>& itemPos_;
};

// Several workers: the shared state of the run, that is the next photo to take, the photos
// handed over, the cancel flag.
class BatchPool {
 public:
  BatchPool(const RunSetup& setup, std::vector<CueItem>& cue, const std::vector<size_t>& items,
            RunReport& report)
      : setup_(setup), cue_(cue), jobs_(items), sources_(SourcesOf(cue, items)),
        settling_(SettlingOf(setup, report, sweep_, written_, sources_)),
        itemPos_(size_t(setup.workers)) {
    items_.resize(jobs_.size());
    state_.resize(jobs_.size(), State::Waiting);
    workerJob_.assign(size_t(setup.workers), -1);
    // Finished outputs wait in memory until their turn; this bounds how many.
    window_ = size_t(setup.workers) * 2;
  }

  bool Run();

 private:
  enum class State { Waiting, Running, Done, Settled };

  void WorkerLoop(int worker, Settings settings);
  // Settles one photo on the run's thread; false when it ends the run (cancelled).
  bool Settle(size_t job, WorkedPhoto& item);
  void ShowProgress();

  const RunSetup& setup_;
  std::vector<CueItem>& cue_;
  const std::vector<size_t>& jobs_;  // queue indexes of the photos, in order
  StaleTempSweep sweep_;
  RunOutputs written_;
  const SourceFolders sources_;
  const PhotoSettling settling_;

  std::mutex mutex_;
  std::condition_variable workCv_;  // workers wait for a job within the window
  std::condition_variable doneCv_;  // the run's thread waits for the next photo in order
  std::vector<WorkedPhoto> items_;
  std::vector<State> state_;
  std::vector<int> workerJob_;
  size_t next_ = 0;
  size_t settled_ = 0;
  size_t finished_ = 0;
  size_t window_ = 2;
  std::atomic<bool> cancel_{false};
  std::vector<std::atomic<int>> itemPos_;
  // Output buffers written and settled, kept for the next photos: their pages are in place,
  // where a fresh buffer of several megabytes costs its page faults again for every photo.
  std::vector<std::vector<uint8_t>> spareOutputs_;
};

void BatchPool::WorkerLoop(int worker, Settings settings) {
  const PhotoWork work = WorkOf(setup_, written_);
  // The worker's core is its photo's: helpers take bands only on the cores left over. The slot
  // is kept from one photo to the next when the next one is there to take: let go for a moment,
  // it would wake a helper onto the bands of a photo in flight just as this worker needs its
  // core again. It is let go while the worker waits, and when it stops.
  std::optional<WorkerSlot> slot;
  for (;;) {
    size_t job = 0;
    std::vector<uint8_t> output;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const auto canGoOn = [&] {
        return cancel_.load() || StopsTaking(setup_) || next_ >= jobs_.size() ||
               next_ < settled_ + window_;
      };
      if (slot && !canGoOn()) {
        lock.unlock();
        slot.reset();
        lock.lock();
      }
      workCv_.wait(lock, canGoOn);
      if (cancel_.load() || StopsTaking(setup_) || next_ >= jobs_.size()) return;
      job = next_++;
      state_[job] = State::Running;
      workerJob_[size_t(worker)] = int(job);
      if (!spareOutputs_.empty()) {
        output = std::move(spareOutputs_.back());
        spareOutputs_.pop_back();
      }
    }
    itemPos_[size_t(worker)].store(0, std::memory_order_relaxed);
    WorkerProgress progress(cancel_, itemPos_[size_t(worker)]);
    progress.SetItemRange(0, 100);
    const CueItem& entry = cue_[jobs_[job]];
    if (!slot) slot.emplace();
    WorkedPhoto item = WorkOnPhoto(entry.path, TwinOf(setup_, entry), settings, work, progress, 0,
                                   std::move(output));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      items_[job] = std::move(item);
      state_[job] = State::Done;
      workerJob_[size_t(worker)] = -1;
      ++finished_;
    }
    doneCv_.notify_all();
  }
}

void BatchPool::ShowProgress() {
  size_t finished = 0;
  int positions = 0, active = 0;
  std::string names;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished = finished_;
    for (size_t w = 0; w < workerJob_.size(); ++w) {
      if (workerJob_[w] < 0) continue;
      if (!names.empty()) names += ", ";
      names += FileNameOf(cue_[jobs_[size_t(workerJob_[w])]].path);
      positions += itemPos_[w].load(std::memory_order_relaxed);
      ++active;
    }
  }
  CProgressDialog& p = setup_.progress;
  p.SetQueuePos(int(finished));
  p.SetItemPos(active ? positions / active : 100);
  p.SetStageText(names);
  p.SetBatchProgress(int(finished), int(jobs_.size()), names);
}

bool BatchPool::Settle(size_t job, WorkedPhoto& item) {
  bool saved = false;
  const bool goesOn = SettlePhoto(settling_, cue_[jobs_[job]].path, item, saved);
  if (saved && setup_.clearCheckMarks) cue_[jobs_[job]].checked = false;
  // The encoded bytes' buffer goes back for a later photo; at most one per photo the window
  // lets run, so the kept memory stays bounded.
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spareOutputs_.size() < window_ && item.bytes.capacity() > 0)
      spareOutputs_.push_back(std::move(item.bytes));
  }
  item = WorkedPhoto{};
  return goesOn;
}

bool BatchPool::Run() {
  // A Cancel pressed before the first photo starts none.
  if (setup_.progress.CancelPressed()) cancel_ = true;
  std::vector<std::thread> threads;
  for (int w = 0; w < setup_.workers; ++w)
    threads.emplace_back(&BatchPool::WorkerLoop, this, w, setup_.settings);

  bool cancelled = false;
  for (;;) {
    ShowProgress();
    if (setup_.progress.CancelPressed()) {
      cancel_ = true;
      workCv_.notify_all();
    }
    const bool stopTaking = StopsTaking(setup_);
    if (stopTaking) workCv_.notify_all();
    std::vector<std::pair<size_t, WorkedPhoto>> ready;
    bool idle = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      doneCv_.wait_for(lock, std::chrono::milliseconds(100), [&] {
        return settled_ < jobs_.size() && state_[settled_] == State::Done;
      });
      while (settled_ < jobs_.size() && state_[settled_] == State::Done) {
        ready.emplace_back(settled_, std::move(items_[settled_]));
        state_[settled_] = State::Settled;
        ++settled_;
      }
      idle = std::all_of(workerJob_.begin(), workerJob_.end(), [](int j) { return j < 0; });
    }
    workCv_.notify_all();
    for (auto& [job, item] : ready) {
      if (cancelled) break;
      if (!Settle(job, item)) cancelled = true;
    }
    if (cancelled || settled_ >= jobs_.size()) break;
    // After a cancel, or once no photo is to be started, the run ends when no worker holds a
    // photo: what finished before it in queue order has been settled above. Photos are taken
    // in queue order, so every photo started has been settled by then.
    if ((cancel_.load() || stopTaking) && idle) {
      std::lock_guard<std::mutex> lock(mutex_);
      bool more = settled_ < jobs_.size() && state_[settled_] == State::Done;
      if (!more) {
        cancelled = settled_ < jobs_.size();
        break;
      }
    }
  }
  cancel_ = cancelled || cancel_.load();
  workCv_.notify_all();
  for (std::thread& t : threads) t.join();
  if (!cancelled) ShowProgress();
  if (cancelled)
    for (size_t job = settled_; job < jobs_.size(); ++job)
      ReportNotReached(setup_.observer, cue_[jobs_[job]].path);
  return cancelled;
}

}  // namespace

bool RunPhotos(const RunSetup& setup, std::vector<CueItem>& cue, const std::vector<size_t>& items,
               RunReport& report) {
  if (setup.workers <= 1) return RunOnThisThread(setup, cue, items, report);
  BatchPool pool(setup, cue, items, report);
  return pool.Run();
}

int PlanWorkerCount(int requested, const std::vector<CueItem>& cue) {
  WorkerBudget budget;
  budget.requested = requested;
  budget.cores = UsableCores();
  for (const CueItem& item : cue)
    if (item.checked) ++budget.photos;
  if (requested == 1 || budget.photos <= 1) return 1;
  budget.availableBytes = AvailableMemory();
  for (const CueItem& item : cue) {
    if (!item.checked) continue;
    int w = 0, h = 0;
    uint64_t pixels = ReadPictureDimensions(item.path, w, h) ? uint64_t(w) * uint64_t(h)
                                                              : kUnknownPixels;
    budget.largestPixels = std::max(budget.largestPixels, pixels);
  }
  return ChooseWorkerCount(budget);
}

}  // namespace orv
