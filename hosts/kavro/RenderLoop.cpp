#include "RenderLoop.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "BoundedQueue.h"
#include "Console.h"
#include "FrameMixer.h"
#include "SourceFetch.h"
#include "hosting/HostedTransition.h"

namespace kavro {

namespace {

constexpr uint32_t kNoFailure = UINT32_MAX;

struct Job {
  uint32_t index = 0;
  std::shared_ptr<const SourceFrame> a, b;
  EncodedFrame encoded;
};

// Out of memory names the frame; other failures say what they are about.
std::string FrameFailure(uint32_t index, const std::exception& error) {
  const std::string text = FailureText(error);
  return text == kOutOfMemory ? "frame " + std::to_string(index) + ": " + text : text;
}

class Run {
 public:
  Run(KavroCreateVideoTransitionProc factory, const RenderSettings& settings, HeldClip& a, HeldClip& b,
      FrameOutputs& outputs, Progress& progress)
      : factory_(factory),
        settings_(settings),
        a_(a),
        b_(b),
        outputs_(outputs),
        progress_(progress),
        layout_(settings.width, settings.height),
        maxInFlight_(settings.maxInFlight ? settings.maxInFlight : 2 * static_cast<uint32_t>(settings.threads) + 2),
        work_(static_cast<size_t>(settings.threads)) {
    spareJobs_.reserve(maxInFlight_);
  }

  uint32_t Execute() {
    const Proportions aspectA = a_.source().proportions(), aspectB = b_.source().proportions();
    std::thread producer([this] { Produce(); });
    std::vector<std::thread> workers;
    for (int t = 0; t < settings_.threads; ++t)
      workers.emplace_back([this, aspectA, aspectB] { Work(aspectA, aspectB); });
    const uint32_t written = WriteInOrder();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    producer.join();
    for (std::thread& worker : workers) worker.join();
    if (failedAt_ != kNoFailure) throw RenderError(failure_, written, interrupted_);
    return written;
  }

 private:
  void Fail(uint32_t index, const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < failedAt_) {
      failedAt_ = index;
      failure_ = message;
    }
    changed_.notify_all();
  }

  bool FailedBefore(uint32_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    return failedAt_ < index;
  }

  void Produce() {
    for (uint32_t i = 0; i < settings_.frames; ++i) {
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return inFlight_ < maxInFlight_ || failedAt_ != kNoFailure || stopping_; });
        if (failedAt_ != kNoFailure || stopping_) break;
        ++inFlight_;
      }
      std::unique_ptr<Job> job = SpareJob();
      job->index = i;
      try {
        job->a = a_.Next();
        job->b = b_.Next();
      } catch (const std::exception& error) {
        Fail(i, FrameFailure(i, error));
        break;
      }
      if (!work_.Push(std::move(job))) break;
    }
    work_.Close();
  }

  void Work(Proportions aspectA, Proportions aspectB) {
    FetchContext context;
    MixerSettings mixing;
    TransitionSettings& setup = mixing.transition;
    setup.width = settings_.width;
    setup.height = settings_.height;
    setup.totalFrames = settings_.frames;
    setup.cropToOutput = settings_.cropToOutput;
    setup.mask = settings_.parameters;
    mixing.maskFrames = settings_.maskFrames;
    mixing.matte = settings_.matte;
    mixing.outputRate = settings_.rate;
    FrameMixer transition(factory_, mixing, context);
    if (!transition.valid()) {
      Fail(0, "the plug-in could not create a transition");
      Drain();
      return;
    }
    std::vector<uint8_t> frame;
    try {
      frame.resize(layout_.bufferBytes());
    } catch (const std::exception&) {
      Fail(0, FrameFailure(0, std::bad_alloc()));
    }
    if (frame.empty() || !transition.Apply()) {
      Fail(0, "the plug-in could not store its setup");
      Drain();
      return;
    }

    while (std::optional<std::unique_ptr<Job>> next = work_.Pop()) {
      std::unique_ptr<Job> job = std::move(*next);
      const uint32_t i = job->index;
      if (FailedBefore(i)) continue;
      context.error.clear();
      context.outOfMemory = false;
      context.a = {job->a.get(), aspectA};
      context.b = {job->b.get(), aspectB};
      const int32_t result = transition.Render(i, frame.data(), frame.size());
      if (result == RESULT_OUT_OF_MEMORY || (result == RESULT_FAILED && context.outOfMemory)) {
        Fail(i, FrameFailure(i, std::bad_alloc()));
        continue;
      }
      if (result != RESULT_OK) {
        Fail(i, "frame " + std::to_string(i) + ": " + PluginAnswerText(result) +
                    (context.error.empty() ? "" : ": " + context.error));
        continue;
      }
      try {
        outputs_.Encode(i, frame.data(), layout_, job->encoded);
      } catch (const std::exception& error) {
        Fail(i, FrameFailure(i, error));
        continue;
      }
      job->a.reset();
      job->b.reset();
      std::lock_guard<std::mutex> lock(mutex_);
      done_[i] = std::move(job);
      changed_.notify_all();
    }
  }

  // A job done with before, its output buffers kept, or a new one. There
  // are never more jobs than frames in flight.
  std::unique_ptr<Job> SpareJob() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!spareJobs_.empty()) {
        std::unique_ptr<Job> job = std::move(spareJobs_.back());
        spareJobs_.pop_back();
        return job;
      }
    }
    return std::make_unique<Job>();
  }

  void Drain() {
    while (work_.Pop()) {
    }
  }

  uint32_t WriteInOrder() {
    uint32_t written = 0;
    for (uint32_t i = 0; i < settings_.frames; ++i) {
      std::unique_ptr<Job> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        // A signal cannot wake the wait: it is looked at now and then.
        while (!changed_.wait_for(lock, std::chrono::milliseconds(50),
                                  [&] { return done_.count(i) != 0 || failedAt_ <= i || Interrupted(); })) {
        }
        if (Interrupted() && failedAt_ > i) {
          interrupted_ = Interrupted();
          failedAt_ = i;
          failure_ = "interrupted";
          changed_.notify_all();
          break;
        }
        auto found = done_.find(i);
        if (found == done_.end()) break;
        job = std::move(found->second);
        done_.erase(found);
      }
      try {
        outputs_.Write(i, job->encoded);
      } catch (const std::exception& error) {
        Fail(i, FrameFailure(i, error));
        break;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        --inFlight_;
        spareJobs_.push_back(std::move(job));
      }
      changed_.notify_all();
      progress_.Update(outputs_.FramesOut(++written));
    }
    return written;
  }

  KavroCreateVideoTransitionProc factory_;
  const RenderSettings& settings_;
  HeldClip& a_;
  HeldClip& b_;
  FrameOutputs& outputs_;
  Progress& progress_;
  const PackedLayout layout_;
  const uint32_t maxInFlight_;
  BoundedQueue<std::unique_ptr<Job>> work_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<uint32_t, std::unique_ptr<Job>> done_;
  std::vector<std::unique_ptr<Job>> spareJobs_;
  uint32_t inFlight_ = 0;
  uint32_t failedAt_ = kNoFailure;
  std::string failure_;
  int interrupted_ = 0;  // the signal that stopped the render
  bool stopping_ = false;
};

}  // namespace

uint32_t RenderTransition(KavroCreateVideoTransitionProc factory, const RenderSettings& settings, HeldClip& a,
                          HeldClip& b, FrameOutputs& outputs, Progress& progress) {
  return Run(factory, settings, a, b, outputs, progress).Execute();
}

}  // namespace kavro
