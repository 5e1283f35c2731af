#include "engine/BatchRunner.h"


#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/ItemOutcome.h"
#include "engine/OutputCompanions.h"
#include "engine/PhotoLoad.h"
#include "engine/Pipeline.h"
#include "engine/WorkerCount.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryError.h"
#include "imageio/PictureDimensions.h"
#include "platform/FileTests.h"

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;

// A photo whose size cannot be read from its header is planned as this many pixels.
constexpr uint64_t kUnknownPixels = 24'000'000;

// What a worker hands over for one photo.
struct WorkedItem {
  enum class End { LoadFailed, Cancelled, Skipped, Encoded };
  End end = End::Cancelled;
  std::string fragment;  // the item's log lines up to its saving
  size_t timeLineLength = 0;  // the fragment's first part: the item's time line
  std::string existing;  // Skipped: the output already there
  std::string twin;      // Skipped: the RAW+JPEG twin taken in the photo's place
  unsigned loadError = 0;
  int failedStages = 0;   // corrections that could not run on the picture
  std::vector<bool> listedCamera;  // the hot-pixel stage's calls to the host, in order
  OutputType type;
  EncodedOutput encoded;
  std::vector<uint8_t> bytes;  // the encoded output
  Clock::time_point started;
};

// The host as a worker sees it: nothing reaches the real one from a worker thread; the calls
// the pipeline makes are kept and replayed when the item is settled.
class WorkerHost final : public EngineHost {
 public:
  bool AskYesNo(const std::string&) override { return false; }
  void ShowMessage(const std::string&) override {}
  void ShowListedCamera(bool listed) override { listed_.push_back(listed); }
  std::vector<bool> TakeListed() { return std::move(listed_); }

 private:
  std::vector<bool> listed_;
};

// A worker's progress: Cancel comes from the run's flag; the item position is published for
// the settling thread's display.
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

// A growing in-memory destination with seeks, so that an encoder writes exactly what it would
// write to a file.
struct MemoryOutput {
  std::vector<uint8_t>* bytes;
  int64_t position = 0;
};

DestCallbacks MemoryCallbacks() {
  DestCallbacks cb{};
  cb.open = [](ImageDest*, void*) { return true; };
  cb.write = [](void* o, const void* data, size_t n) -> size_t {
    auto* m = static_cast<MemoryOutput*>(o);
    size_t end = size_t(m->position) + n;
    if (end < n) return 0;
    try {
      if (m->bytes->size() < end) m->bytes->resize(end);
    } catch (...) {
      return 0;
    }
    if (n) std::copy_n(static_cast<const uint8_t*>(data), n, m->bytes->data() + m->position);
    m->position = int64_t(end);
    return n;
  };
  cb.seek = [](void* o, int64_t offset, int origin) {
    auto* m = static_cast<MemoryOutput*>(o);
    int64_t size = int64_t(m->bytes->size());
    int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? m->position : size;
    if (offset > INT64_MAX - base || base + offset < 0) return false;
    m->position = base + offset;
    return true;
  };
  cb.position = [](void* o) { return static_cast<MemoryOutput*>(o)->position; };
  cb.size = [](void* o) { return int64_t(static_cast<MemoryOutput*>(o)->bytes->size()); };
  cb.flush = [](void*) { return true; };
  cb.close = [](void*, bool) {};
  return cb;
}

// Loads, corrects and encodes one photo on a worker thread; the encoded output goes into
// outputBuffer (emptied, its memory kept).
WorkedItem WorkOnItem(const CueItem& item, Settings& settings, const BatchSetup& setup,
                      const std::atomic<bool>& cancel, std::atomic<int>& itemPos,
                      std::vector<uint8_t> outputBuffer) {
  const std::string& path = item.path;
  WorkedItem out;
  outputBuffer.clear();
  out.bytes = std::move(outputBuffer);
  out.started = Clock::now();
  ProcessLog log;
  log.CollectInto(&out.fragment);
  log.LogAppend(ItemTimeLine());
  out.timeLineLength = out.fragment.size();
  if (!item.twin.empty()) {
    out.twin = item.twin;
    out.end = WorkedItem::End::Skipped;
    return out;
  }
  if (setup.skipExisting) {
    out.existing = ExistingOutput(settings, path);
    if (!out.existing.empty()) {
      out.end = WorkedItem::End::Skipped;
      return out;
    }
  }

  LoadedPhoto photo;
  if (unsigned code = LoadPhoto(path, photo, RunFitBox(settings)); code != 0) {
    out.end = WorkedItem::End::LoadFailed;
    out.loadError = code;
    log.LogAppend(logtext::ProblemLine("Can't load: " + HtmlEscape(path) + " " +
                                       HtmlEscape(DescribeLoadError(code))));
    return out;
  }
  const CameraSummary& camera = photo.camera;
  Image& picture = photo.picture;
  if (settings.Output.DetailedLog != 0) {
    log.LogAppend(logtext::SourceLine(path));
    if (camera.HasExif) log.LogAppend(logtext::CameraLine(camera.DateTime, camera.InfoSummaryHtml));
  }

  WorkerHost host;
  WorkerProgress progress(cancel, itemPos);
  progress.SetItemRange(0, 100);
  PipelineInput in{settings, camera, host, setup.blackFrame, &log};
  PipelineResult r = ProcessImage(in, picture, nullptr, &progress);
  out.listedCamera = host.TakeListed();
  if (r.cancelled) {
    out.end = WorkedItem::End::Cancelled;
    return out;
  }
  // A stage that could not run was skipped with its red line; the photo is still saved.
  out.failedStages = r.failedStages;

  progress.SetStageText("Saving...");
  const Settings held = HoldQualityRanges(settings, nullptr);
  SaveContext ctx{held, camera, picture};
  ctx.sourceFileSize = photo.fileSize;
  ctx.colorMatched = r.colorMatched;
  ctx.progress = &progress;
  ctx.metadata = &photo.metadata;
  out.type = ChooseOutputType(held, path);
  out.end = WorkedItem::End::Encoded;
  if (out.type.row || out.type.sourceFormat != kFormatUnknown) {
    // Room for half the picture's bytes up front (only the pages written are ever touched), so
    // that the buffer does not grow through a series of copies into fresh memory.
    try {
      out.bytes.reserve(std::max(out.bytes.capacity(), picture.byteSize() / 2));
    } catch (...) {
      // Growing as the encoder writes still works.
    }
    MemoryOutput memory{&out.bytes};
    DestCallbacks cb = MemoryCallbacks();
    if (ImageDest* dest = OpenDestCallbacks(&cb, &memory)) {
      out.encoded = EncodeOutput(ctx, out.type, dest);
      CloseDest(dest);
    } else {
      out.encoded.ok = false;
      out.encoded.code = kErrNoMemory;
      out.encoded.result = out.type.row ? 0 : int64_t(kErrNoMemory);
    }
  }
  return out;
}

// The shared state of a run: the next item to take, the items handed over, the cancel flag.
class BatchPool {
 public:
  BatchPool(const BatchSetup& setup, std::vector<CueItem>& cue, RunReport& report)
      : setup_(setup), cue_(cue), report_(report), itemPos_(size_t(setup.workers)) {
    for (size_t i = 0; i < cue.size(); ++i)
      if (cue[i].checked) jobs_.push_back(int(i));
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
  // Settles one item on the run's thread; false when it ends the run (cancelled).
  bool Settle(size_t job, WorkedItem& item);
  void ShowProgress();

  const BatchSetup& setup_;
  std::vector<CueItem>& cue_;
  RunReport& report_;
  std::vector<int> jobs_;  // queue indexes of the checked items, in order

  std::mutex mutex_;
  std::condition_variable workCv_;  // workers wait for a job within the window
  std::condition_variable doneCv_;  // the run's thread waits for the next item in order
  std::vector<WorkedItem> items_;
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
  for (;;) {
    size_t job = 0;
    std::vector<uint8_t> output;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      workCv_.wait(lock, [&] {
        return cancel_.load() || next_ >= jobs_.size() || next_ < settled_ + window_;
      });
      if (cancel_.load() || next_ >= jobs_.size()) return;
      job = next_++;
      state_[job] = State::Running;
      workerJob_[size_t(worker)] = int(job);
      if (!spareOutputs_.empty()) {
        output = std::move(spareOutputs_.back());
        spareOutputs_.pop_back();
      }
    }
    itemPos_[size_t(worker)].store(0, std::memory_order_relaxed);
    WorkedItem item = WorkOnItem(cue_[size_t(jobs_[job])], settings, setup_, cancel_,
                                 itemPos_[size_t(worker)], std::move(output));
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
      names += FileNameOf(cue_[size_t(jobs_[size_t(workerJob_[w])])].path);
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

bool BatchPool::Settle(size_t job, WorkedItem& item) {
  const std::string& path = cue_[size_t(jobs_[job])].path;
  EngineHost& host = setup_.host;
  ItemResult result;
  result.source = path;
  ++report_.processed;
  // An earlier photo of this run may have written the output a skip looks for.
  if (setup_.skipExisting && item.end == WorkedItem::End::Encoded) {
    std::string existing = ExistingOutput(setup_.settings, path);
    if (!existing.empty()) {
      item.end = WorkedItem::End::Skipped;
      item.existing = existing;
      item.fragment.resize(item.timeLineLength);
      item.listedCamera.clear();
    }
  }
  setup_.log.LogAppend(item.fragment);
  for (bool listed : item.listedCamera) host.ShowListedCamera(listed);
  bool ends = false;
  bool saved = false;
  switch (item.end) {
    case WorkedItem::End::Cancelled:
      result.status = ItemResult::Status::Cancelled;
      ends = true;
      break;
    case WorkedItem::End::Skipped:
      setup_.log.LogAppend(item.twin.empty() ? logtext::SkippedLine(path, item.existing)
                                             : logtext::TwinSkippedLine(path, item.twin));
      CountSkipped(item.existing, report_, result);
      saved = true;
      break;
    case WorkedItem::End::LoadFailed:
      CountLoadFailure(host, path, item.loadError, report_, result);
      break;
    case WorkedItem::End::Encoded: {
      // The picture is gone; naming and placing read only the settings.
      static const CameraSummary kNoCamera;
      static const Image kNoPicture;
      SaveDetails details;
      SaveContext ctx{setup_.settings, kNoCamera, kNoPicture};
      ctx.host = &host;
      ctx.log = &setup_.log;
      ctx.details = &details;
      OutputName name;
      std::string placed;
      SaveOutcome outcome = SaveOutcome::NotSaved;
      if (PrepareOutput(ctx, path, name)) {
        const EncodedOutput& encoded = item.encoded;
        const std::vector<uint8_t>& bytes = item.bytes;
        outcome = PlaceOutput(
            ctx, item.type, name,
            [&](ImageDest* dest) {
              EncodedOutput replay = encoded;
              if (replay.ok && !WriteDest(dest, bytes.data(), bytes.size())) {
                // As the encoder's own failed write shows it: 0, or the layer's code.
                replay.ok = false;
                replay.code = GetLastLibraryError();
                replay.result = item.type.row ? 0 : int64_t(replay.code);
              }
              return replay;
            },
            &placed);
      }
      if (outcome == SaveOutcome::Saved) {
        saved = true;
        CompleteOutput(host, path, placed, setup_.keepFileTime, setup_.settings.Output.Replace == 1);
        CountSaved(host, path, details, item.failedStages, report_, result);
      } else {
        CountSaveFailure(host, path, details, report_, result);
      }
      break;
    }
  }
  if (saved) cue_[size_t(jobs_[job])].checked = false;
  result.ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - item.started).count();
  // The encoded bytes' buffer goes back for a later photo; at most one per item the window
  // lets run, so the kept memory stays bounded.
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spareOutputs_.size() < window_ && item.bytes.capacity() > 0)
      spareOutputs_.push_back(std::move(item.bytes));
  }
  item = WorkedItem{};
  if (setup_.observer) setup_.observer->ItemFinished(result);
  return !ends;
}

bool BatchPool::Run() {
  // The pages are taken into the settings once, here; workers never reach the host.
  setup_.host.CommitPages(PageCommit::Pipeline);
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
    std::vector<std::pair<size_t, WorkedItem>> ready;
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
    // After a cancel the run ends once no worker holds an item: what finished before it in
    // queue order has been settled above.
    if (cancel_.load() && idle) {
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
  // The photos the run did not settle are reported too: one result per queued photo.
  if (cancelled && setup_.observer)
    for (size_t job = settled_; job < jobs_.size(); ++job) {
      ItemResult notReached;
      notReached.source = cue_[size_t(jobs_[job])].path;
      notReached.status = ItemResult::Status::Cancelled;
      setup_.observer->ItemFinished(notReached);
    }
  return cancelled;
}

}  // namespace

bool RunBatchOnWorkers(const BatchSetup& setup, std::vector<CueItem>& cue, RunReport& report) {
  BatchPool pool(setup, cue, report);
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
