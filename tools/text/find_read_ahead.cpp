// The helpers take queued paths strictly in order (nextRead_ only grows) and never more than the
// window past the run's own place, so that what is brought in ahead stays bounded and the run
// finds it still in memory when it comes.
#include "tools/text/find_read_ahead.h"

#include "platform/file_head.h"

#include <algorithm>

namespace tools::text {

ReadAhead::ReadAhead(Limits limits) : limits_(limits) {}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void ReadAhead::queue(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  {
    const std::lock_guard lock(mutex_);
    paths_.insert(paths_.end(), paths.begin(), paths.end());
  }
  if (!threads_.empty()) work_.notify_all();
}

void ReadAhead::start() {
  if (!threads_.empty()) return;
  for (int i = 0; i < std::max(limits_.helpers, 1); ++i) threads_.emplace_back([this] { helper(); });
}

void ReadAhead::clear() {
  const std::lock_guard lock(mutex_);
  firstId_ += paths_.size();
  nextRead_ = std::max(nextRead_, firstId_);
  paths_.clear();
}

void ReadAhead::reached(std::string_view path) {
  std::unique_lock lock(mutex_, std::try_to_lock);
  if (!lock.owns_lock()) return;  // the helpers stay back a little until the next file
  const auto at = std::find(paths_.begin(), paths_.end(), path);
  if (at == paths_.end()) return;
  const auto passed = static_cast<std::uint64_t>(at - paths_.begin()) + 1;
  paths_.erase(paths_.begin(), at + 1);
  firstId_ += passed;
  nextRead_ = std::max(nextRead_, firstId_);
  // Waiting helpers are woken once half a window is free, not for every file: each wake-up may
  // take the processor from the run for a moment.
  const bool worth = waiting_ > 0 && nextRead_ + limits_.window / 2 <= firstId_ + limits_.window &&
                     nextRead_ < firstId_ + paths_.size();
  lock.unlock();
  if (worth) work_.notify_all();
}

void ReadAhead::helper() {
  std::unique_lock lock(mutex_);
  for (;;) {
    ++waiting_;
    work_.wait(lock, [&] {
      return stop_ || (nextRead_ < firstId_ + paths_.size() && nextRead_ < firstId_ + limits_.window);
    });
    --waiting_;
    if (stop_) return;
    const std::string path = paths_[static_cast<std::size_t>(nextRead_++ - firstId_)];
    lock.unlock();
    platform::FileHead head;
    platform::HeldFile file;
    if (platform::openAndReadHead(path, platform::OpenAccess::Read, 0, head, &file, platform::TypeCheck::Listed) ==
        0)
      (void)file.prefetch(std::min(limits_.bytesPerFile, head.size));
    file.reset();
    lock.lock();
  }
}

}  // namespace tools::text
