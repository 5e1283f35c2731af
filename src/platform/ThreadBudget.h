// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The process's one thread budget: at most ThreadLimit() threads work at once, the photo
// workers of a batch and the helpers that run the row bands of the heavy kernels together.
//
// A photo worker holds a WorkerSlot while it works on its photo. A kernel hands its bands to
// RunTasks (or RunRowBands, RowBands.h): the calling thread runs bands itself, and helper
// threads take the others only while fewer than ThreadLimit() threads work. So a batch with
// as many photos as the limit runs every band on its own worker, and the cores that the photo
// workers leave idle (one photo, the tail of a batch, a small batch) work on the bands of the
// photos in flight. The caller always runs whatever no helper took, so a call never waits for a
// free core. Tasks run to their end on whichever thread took them and must not throw.
#pragma once

namespace orv {

// Threads that may work at once; 1 (everything on the calling thread) until a front end sets it.
int ThreadLimit();
// Sets the limit (held to 1..kMaxThreadLimit). Helper threads are started when bands first need
// them; a lower limit leaves the extra ones asleep.
void SetThreadLimit(int threads);
inline constexpr int kMaxThreadLimit = 256;

// Held by a photo worker while it works on a photo: its thread counts against the limit, so
// helpers join the bands only on cores no photo worker uses.
class WorkerSlot {
 public:
  WorkerSlot();
  ~WorkerSlot();
  WorkerSlot(const WorkerSlot&) = delete;
  WorkerSlot& operator=(const WorkerSlot&) = delete;
};

// One call of a task: index in [0, count).
class TaskRef {
 public:
  template <typename F>
  TaskRef(F& f)  // NOLINT: made from the lambda a kernel passes
      : object_(&f), call_([](void* o, int i) { (*static_cast<F*>(o))(i); }) {}
  void operator()(int i) const { call_(object_, i); }

 private:
  void* object_;
  void (*call_)(void*, int);
};

// Runs task(0) .. task(count - 1), in any order and on any threads the budget has free; returns
// once every one has run. The calling thread runs task(0) itself, first. Called from inside a
// task, the tasks run on the calling thread.
void RunTasks(int count, TaskRef task);
// The same, while the calling thread first runs own(0), work of its own that is no task (it may
// not hand tasks to helpers itself: a RunTasks inside runs inline). For work that a free core
// can do beside the caller's, such as freeing memory while the caller waits on a disk.
void RunTasksBeside(int count, TaskRef task, TaskRef own);

// Whether a helper could join a RunTasks called now: the limit is above 1, the caller is not
// itself a task, and fewer threads than the limit work. Kernels cut no bands when none could.
bool HelpersFree();
// Whether a helper could join a RunTasks called now at some point before it ends: the limit is
// above 1 and the caller is not itself a task. For work that can still be split once it runs.
bool HelpersMayJoin();

// The most threads that worked at once since ResetPeakWorkingThreads: slot holders, callers of
// RunTasks and helpers running tasks. For the tests that the limit holds.
int PeakWorkingThreads();
void ResetPeakWorkingThreads();

// Sets the limit while it lives and puts the previous one back; for tests and benchmarks.
class ScopedThreadLimit {
 public:
  explicit ScopedThreadLimit(int threads);
  ~ScopedThreadLimit();
  ScopedThreadLimit(const ScopedThreadLimit&) = delete;
  ScopedThreadLimit& operator=(const ScopedThreadLimit&) = delete;

 private:
  int previous_;
};

}  // namespace orv
