#include "PackOnHelper.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace kavro_mlt {

namespace {

// One thread for the module's lifetime, started with the first job; jobs
// from all of MLT's render threads queue for it.
class Helper {
 public:
  static Helper* Instance() {
    static Helper helper;
    return helper.running_ ? &helper : nullptr;
  }

  void Post(PackOnHelper::Job* job) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(job);
    changed_.notify_all();
  }

  // Takes a job the helper has not begun back (true), or waits until the
  // helper has done it (false).
  bool TakeBackOrWait(PackOnHelper::Job* job) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!job->started) {
      for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (*it == job) {
          queue_.erase(it);
          break;
        }
      }
      return true;
    }
    changed_.wait(lock, [&] { return job->done; });
    return false;
  }

 private:
  Helper() {
    try {
      thread_ = std::thread([this] { Run(); });
      running_ = true;
    } catch (const std::exception&) {
      running_ = false;  // every job is then packed by its caller
    }
  }

  ~Helper() {
    if (!running_) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      changed_.notify_all();
    }
    thread_.join();
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      PackOnHelper::Job* job = queue_.front();
      queue_.pop_front();
      job->started = true;
      lock.unlock();
      CopyPicture(job->picture, job->layout, job->frame);
      lock.lock();
      job->done = true;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<PackOnHelper::Job*> queue_;
  bool stopping_ = false, running_ = false;
  std::thread thread_;
};

}  // namespace

void CopyPicture(const SourcePicture& picture, const kavro::PackedLayout& layout, uint8_t* frame, bool alphaPlane) {
  const size_t packedBytes = static_cast<size_t>(layout.alphaOffset());
  const size_t alphaBytes = size_t{layout.width} * layout.height;
  std::memcpy(frame, picture.image, packedBytes);
  if (!alphaPlane) return;
  if (picture.alpha) {
    std::memcpy(frame + packedBytes, picture.alpha, alphaBytes);
  } else {
    std::memset(frame + packedBytes, 0xFF, alphaBytes);
  }
}

PackOnHelper::PackOnHelper(const SourcePicture& picture, const kavro::PackedLayout& layout, uint8_t* frame)
    : job_{picture, layout, frame} {
  Helper* helper = Helper::Instance();
  if (!helper) return;
  try {
    helper->Post(&job_);
    posted_ = true;
  } catch (const std::exception&) {
    posted_ = false;  // Finish() packs it
  }
}

void PackOnHelper::Finish() {
  if (finished_) return;
  finished_ = true;
  if (!posted_ || Helper::Instance()->TakeBackOrWait(&job_)) CopyPicture(job_.picture, job_.layout, job_.frame);
}

}  // namespace kavro_mlt
