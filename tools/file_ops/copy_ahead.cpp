#include "tools/file_ops/copy_ahead.h"

#include <algorithm>
#include <utility>

namespace tools::file_ops {

CopyAhead::CopyAhead(int workers, std::size_t window) : window_(std::max<std::size_t>(window, 1)) {
  threads_.reserve(static_cast<std::size_t>(std::max(workers, 1)));
  for (int i = 0; i < std::max(workers, 1); ++i) threads_.emplace_back([this] { work(); });
}

CopyAhead::~CopyAhead() {
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
    jobs_.clear();
    pending_.clear();
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void CopyAhead::startFolder(int sourceFolderFd, int targetFolderFd) {
  stop();
  auto folders = std::make_shared<const Folders>(sourceFolderFd, targetFolderFd);
  if (folders->source.fd() < 0 || folders->target.fd() < 0) return;
  folders_ = std::move(folders);
  active_ = true;
}

void CopyAhead::stop() {
  {
    const std::lock_guard lock(mutex_);
    // A worker at one of them keeps it until it is done, then drops it.
    jobs_.clear();
    pending_.clear();
  }
  folders_.reset();
  active_ = false;
}

std::size_t CopyAhead::room() const {
  if (!active_) return 0;
  const std::lock_guard lock(mutex_);
  return window_ - std::min(window_, jobs_.size());
}

void CopyAhead::request(const std::vector<std::string>& names) {
  if (!active_ || names.empty()) return;
  int wake = 0;
  {
    const std::lock_guard lock(mutex_);
    for (const std::string& name : names) {
      if (jobs_.size() >= window_) break;
      auto job = std::make_shared<Job>();
      job->name = name;
      job->folders = folders_;
      jobs_.push_back(job);
      pending_.push_back(std::move(job));
    }
    wake = std::min(idle_, static_cast<int>(pending_.size()));
  }
  if (wake > 1) wake_.notify_all();
  else if (wake == 1) wake_.notify_one();
}

std::unique_ptr<platform::PreparedCopy> CopyAhead::take(const std::string& name) {
  std::shared_ptr<Job> job;
  std::unique_lock lock(mutex_);
  const auto at = std::find_if(jobs_.begin(), jobs_.end(), [&](const auto& j) { return j->name == name; });
  if (at == jobs_.end()) return nullptr;  // the files before it stay: the run may still come to them
  // Those before it were passed by: the ones no worker started are not started now.
  for (auto passed = jobs_.begin(); passed != at; ++passed)
    if (!(*passed)->started) std::erase(pending_, *passed);
  job = std::move(*at);
  jobs_.erase(jobs_.begin(), at + 1);
  if (!job->started) {
    std::erase(pending_, job);  // no worker came to it yet: the run copies it itself now
    return nullptr;
  }
  if (!job->finished) {
    runWaits_ = true;
    done_.wait(lock, [&] { return job->finished; });
    runWaits_ = false;
  }
  return std::move(job->copy);
}

void CopyAhead::work() {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock lock(mutex_);
      ++idle_;
      wake_.wait(lock, [&] { return quit_ || !pending_.empty(); });
      --idle_;
      if (quit_) return;
      job = std::move(pending_.front());
      pending_.pop_front();
      job->started = true;
    }
    auto copy = std::make_unique<platform::PreparedCopy>();
    const bool ready = copy->prepare(job->folders->source.fd(), job->name.c_str(), job->folders->target.fd(),
                                     kMaxBytes) == 0;
    bool wake = false;
    {
      const std::lock_guard lock(mutex_);
      job->finished = true;
      if (ready) job->copy = std::move(copy);
      wake = runWaits_;
    }
    if (wake) done_.notify_all();
  }
}

}  // namespace tools::file_ops
