#include "main_window/name_order.h"

#include "core/name_key.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <string>
#include <utility>

#include <sys/mman.h>

namespace mainwin {

namespace {

struct Record {
  core::NameHead head;
  const char* name;
};

// A large run of records lies in pages of its own, handed back to the system when it goes: runs
// of a few megabytes taken from the heap would leave it grown by their sum long after the
// listing. A small one (most folders) comes from the heap: a mapping of its own would cost two
// system calls, and unmapping it a flush of the address translations on every processor the
// program ran on.
class Run {
 public:
  Run() = default;
  explicit Run(std::size_t n) : n_(n) {
    if (n_ == 0) return;
    if (!mapped()) {
      p_ = static_cast<Record*>(::operator new(bytes()));
      return;
    }
    void* p = ::mmap(nullptr, bytes(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    p_ = static_cast<Record*>(p);
  }
  ~Run() {
    if (!p_) return;
    if (mapped()) ::munmap(p_, bytes());
    else ::operator delete(p_);
  }
  Run(Run&& o) noexcept : p_(std::exchange(o.p_, nullptr)), n_(std::exchange(o.n_, 0)) {}
  Run& operator=(Run&& o) noexcept {
    std::swap(p_, o.p_);
    std::swap(n_, o.n_);
    return *this;
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;
  [[nodiscard]] Record* begin() const { return p_; }
  [[nodiscard]] Record* end() const { return p_ + n_; }
  [[nodiscard]] std::size_t size() const { return n_; }

 private:
  static constexpr std::size_t kMappedFrom = 256 << 10;  // bytes
  [[nodiscard]] std::size_t bytes() const { return n_ * sizeof(Record); }
  [[nodiscard]] bool mapped() const { return bytes() >= kMappedFrom; }
  Record* p_ = nullptr;
  std::size_t n_ = 0;
};

// Sorts and merges runs of records; the names themselves break ties of the heads.
class RunSorter {
  struct Less {
    RunSorter* s;
    bool operator()(const Record& a, const Record& b) const {
      if (!(a.head == b.head)) return a.head < b.head;
      return core::nameKeyLess(a.name, b.name, s->keyA_, s->keyB_);
    }
  };

 public:
  void addNames(const char* const* names, std::size_t count) {
    Run run(count);
    Record* r = run.begin();
    for (std::size_t k = 0; k < count; ++k) r[k] = Record{core::nameHead(names[k], scratch_), names[k]};
    std::sort(run.begin(), run.end(), Less{this});
    runs_.push_back(std::move(run));
    // Keep the runs' sizes falling, so that every record is merged about log2(chunks) times and
    // most of it happens while the folder is still being read.
    while (runs_.size() >= 2 && runs_[runs_.size() - 2].size() <= runs_.back().size()) {
      Run b = std::move(runs_.back());
      runs_.pop_back();
      Run a = std::move(runs_.back());
      runs_.pop_back();
      Run merged(a.size() + b.size());
      std::merge(a.begin(), a.end(), b.begin(), b.end(), merged.begin(), Less{this});
      runs_.push_back(std::move(merged));
    }
  }
  // The names of all runs in order: the few runs left merge at once into the names (no records
  // written twice). Empty when `stop` said so first.
  [[nodiscard]] std::vector<const char*> mergeAll(const std::function<bool()>& stop) {
    std::size_t total = 0;
    for (const Run& r : runs_) total += r.size();
    std::vector<const char*> out;
    out.reserve(total);
    std::vector<const Record*> at, end;
    for (const Run& r : runs_) {
      if (r.size() == 0) continue;
      at.push_back(r.begin());
      end.push_back(r.end());
    }
    Less less{this};
    while (!at.empty()) {
      if ((out.size() & 0xffff) == 0 && stop()) return {};
      std::size_t best = 0;
      for (std::size_t k = 1; k < at.size(); ++k) {
        if (less(*at[k], *at[best])) best = k;
      }
      out.push_back(at[best]->name);
      if (++at[best] == end[best]) {
        at.erase(at.begin() + static_cast<std::ptrdiff_t>(best));
        end.erase(end.begin() + static_cast<std::ptrdiff_t>(best));
      }
    }
    runs_.clear();
    return out;
  }

 private:
  std::vector<Run> runs_;
  std::string scratch_, keyA_, keyB_;
};

}  // namespace

std::vector<const char*> NameOrder::inOrder(const char* const* names, std::size_t count) {
  RunSorter sorter;
  sorter.addNames(names, count);
  return sorter.mergeAll([] { return false; });
}

NameOrder::NameOrder() : worker_([this] { work(); }) {}

NameOrder::~NameOrder() {
  {
    std::lock_guard lock(mutex_);
    stop_ = closed_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void NameOrder::add(const char* const* names, std::size_t count) {
  if (count == 0) return;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(Chunk{names, count});
  }
  wake_.notify_one();
}

void NameOrder::work() {
  RunSorter sorter;
  const auto stopped = [this] {
    std::lock_guard lock(mutex_);
    return stop_;
  };
  bool complete = false;
  std::vector<const char*> result;
  for (;;) {
    Chunk chunk{};
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || closed_ || !queue_.empty(); });
      if (stop_) break;
      if (queue_.empty()) {  // closed, and every chunk is in
        lock.unlock();
        result = sorter.mergeAll(stopped);
        complete = !stopped();
        break;
      }
      chunk = queue_.front();
      queue_.pop_front();
    }
    sorter.addNames(chunk.names, chunk.count);
  }
  if (!complete) result = {};
  {
    std::lock_guard lock(mutex_);
    result_ = std::move(result);
    through_ = true;
  }
  done_.notify_all();
}

std::optional<std::vector<const char*>> NameOrder::finish(const std::function<bool()>& poll) {
  std::unique_lock lock(mutex_);
  closed_ = true;
  wake_.notify_all();
  while (!done_.wait_for(lock, std::chrono::milliseconds(25), [this] { return through_; })) {
    lock.unlock();
    const bool stop = poll && poll();
    lock.lock();
    if (stop) {
      stop_ = true;
      wake_.notify_all();
      done_.wait(lock, [this] { return through_; });
      return std::nullopt;
    }
  }
  if (stop_) return std::nullopt;
  return std::move(result_);
}

}  // namespace mainwin
