// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ThreadBudget.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace orv {
namespace {

// One RunTasks call: its tasks are claimed one at a time, by the caller and by helpers.
struct Job {
  TaskRef task;
  int count = 0;
  int next = 0;  // the first task nobody has claimed
  int done = 0;
};

// Set on a thread while it runs a task (helpers always): a RunTasks from inside runs inline.
thread_local bool tInTask = false;
// WorkerSlots this thread holds.
thread_local int tSlots = 0;

class Budget {
 public:
  ~Budget() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    helperCv_.notify_all();
    for (std::thread& t : helpers_) t.join();
  }

  int Limit() const { return limit_.load(std::memory_order_relaxed); }
  void SetLimit(int threads) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      limit_.store(std::clamp(threads, 1, kMaxThreadLimit), std::memory_order_relaxed);
    }
    helperCv_.notify_all();
  }

  void TakeSlot() {
    std::lock_guard<std::mutex> lock(mutex_);
    CountIn();
  }
  void GiveSlot() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      --working_;
    }
    // The core it leaves may take the bands of a photo in flight.
    helperCv_.notify_all();
  }

  bool HelpersMayJoin() const { return Limit() > 1 && !tInTask; }
  bool HelpersFree() {
    if (!HelpersMayJoin()) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    return working_ + (tSlots == 0 ? 1 : 0) < Limit();
  }

  void Run(int count, TaskRef task, const TaskRef* own);

  int Peak() {
    std::lock_guard<std::mutex> lock(mutex_);
    return peak_;
  }
  void ResetPeak() {
    std::lock_guard<std::mutex> lock(mutex_);
    peak_ = working_;
  }

 private:
  void CountIn() {
    ++working_;
    peak_ = std::max(peak_, working_);
  }
  // Starts helpers up to limit - 1; a system that refuses a thread (system_error) or the room
  // to list it (bad_alloc) leaves the work to the callers. Nothing may leave Run through here:
  // its job is already posted and lives on the caller's stack. Called with the mutex held.
  void StartHelpers() {
    const size_t wanted = size_t(Limit() - 1);
    while (helpers_.size() < wanted) {
      try {
        helpers_.emplace_back(&Budget::HelperLoop, this);
      } catch (const std::exception&) {
        return;
      }
    }
  }
  // Claims the job's next task; a job with none left leaves the open list. Called with the
  // mutex held, for a job with a task unclaimed.
  int Claim(Job* job) {
    const int index = job->next++;
    if (job->next == job->count) open_.erase(std::find(open_.begin(), open_.end(), job));
    return index;
  }
  void Finished(Job* job) {
    if (++job->done == job->count) doneCv_.notify_all();
  }
  void HelperLoop();

  std::mutex mutex_;
  std::condition_variable helperCv_;  // helpers wait for a task and a free core
  std::condition_variable doneCv_;    // callers wait for the tasks helpers took
  std::atomic<int> limit_{1};
  int working_ = 0;
  int peak_ = 0;
  bool stop_ = false;
  std::deque<Job*> open_;  // jobs with unclaimed tasks, oldest first
  std::vector<std::thread> helpers_;
};

void Budget::HelperLoop() {
  tInTask = true;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    helperCv_.wait(lock, [&] { return stop_ || (!open_.empty() && working_ < Limit()); });
    if (stop_) return;
    Job* job = open_.front();
    const int index = Claim(job);
    CountIn();
    lock.unlock();
    job->task(index);
    lock.lock();
    --working_;
    Finished(job);  // the job may end the moment the lock is let go: not touched after
  }
}

void Budget::Run(int count, TaskRef task, const TaskRef* own) {
  const auto runAlone = [&] {
    if (own) (*own)(0);
    for (int i = 0; i < count; ++i) task(i);
  };
  if (count <= 0 || (count == 1 && !own) || tInTask || Limit() <= 1) return runAlone();
  Job job{task, count};
  // The caller's first task is the first one, whoever wakes first: a kernel's first band is
  // often the one that reports progress or holds what the caller set up.
  const bool takesFirst = !own;
  if (takesFirst) job.next = 1;
  // A caller without a slot (a one-photo run, a preview) counts while it runs its tasks.
  const bool countsItself = tSlots == 0;
  bool posted = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
      open_.push_back(&job);
      posted = true;
    } catch (const std::bad_alloc&) {
    }
    if (posted) {
      if (countsItself) CountIn();
      StartHelpers();
    }
  }
  if (!posted) return runAlone();  // no room to post the job
  helperCv_.notify_all();
  tInTask = true;
  if (own) (*own)(0);
  if (takesFirst) task(0);
  std::unique_lock<std::mutex> lock(mutex_);
  if (takesFirst) Finished(&job);
  for (;;) {
    if (job.next >= job.count) break;
    const int index = Claim(&job);
    lock.unlock();
    task(index);
    lock.lock();
    Finished(&job);
  }
  tInTask = false;
  doneCv_.wait(lock, [&] { return job.done == job.count; });
  if (countsItself) {
    --working_;
    const bool waiting = !open_.empty();
    lock.unlock();
    if (waiting) helperCv_.notify_all();
  }
}

// Never destroyed before exit's destructors run; the helpers are joined there.
Budget& TheBudget() {
  static Budget budget;
  return budget;
}

}  // namespace

int ThreadLimit() {
  return TheBudget().Limit();
}
void SetThreadLimit(int threads) {
  TheBudget().SetLimit(threads);
}

WorkerSlot::WorkerSlot() {
  TheBudget().TakeSlot();
  ++tSlots;
}
WorkerSlot::~WorkerSlot() {
  --tSlots;
  TheBudget().GiveSlot();
}

void RunTasks(int count, TaskRef task) {
  TheBudget().Run(count, task, nullptr);
}
void RunTasksBeside(int count, TaskRef task, TaskRef own) {
  TheBudget().Run(count, task, &own);
}
bool HelpersFree() {
  return TheBudget().HelpersFree();
}

bool HelpersMayJoin() {
  return TheBudget().HelpersMayJoin();
}

int PeakWorkingThreads() {
  return TheBudget().Peak();
}
void ResetPeakWorkingThreads() {
  TheBudget().ResetPeak();
}

ScopedThreadLimit::ScopedThreadLimit(int threads) : previous_(ThreadLimit()) {
  SetThreadLimit(threads);
}
ScopedThreadLimit::~ScopedThreadLimit() {
  SetThreadLimit(previous_);
}

}  // namespace orv
