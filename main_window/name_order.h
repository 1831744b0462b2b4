// Ordering the names of a folder by the Name rule while the folder is still being read. Reading
// a folder of a million names is mostly the kernel's time; a worker thread sorts each chunk of
// names as it is handed over and merges the sorted runs meanwhile, so that little is left to do
// once the last name is in. The order is exactly the one sortEntries gives by name.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace mainwin {

class NameOrder {
 public:
  // Names are best handed over in chunks of about this many.
  static constexpr std::size_t kChunk = std::size_t{1} << 15;

  NameOrder();   // starts the worker
  ~NameOrder();  // stops the worker (any work left is dropped)
  NameOrder(const NameOrder&) = delete;
  NameOrder& operator=(const NameOrder&) = delete;

  // Hands over `count` more names. The pointer array and the bytes behind it must stay valid
  // and unchanged until finish() has returned or the NameOrder is gone.
  void add(const char* const* names, std::size_t count);

  // Waits until every name handed over is in order. While it waits, `poll` is called about
  // every 25 ms; when it returns true the ordering stops and finish returns nothing. Otherwise
  // the names handed over (the same pointers), in ascending Name order.
  [[nodiscard]] std::optional<std::vector<const char*>> finish(const std::function<bool()>& poll);

  // The same order for a few names at once, without a worker (a folder of less than a chunk: a
  // thread would cost more than the sort).
  [[nodiscard]] static std::vector<const char*> inOrder(const char* const* names, std::size_t count);

 private:
  struct Chunk {
    const char* const* names;
    std::size_t count;
  };
  void work();

  std::mutex mutex_;
  std::condition_variable wake_;   // the worker: a chunk came, or the end
  std::condition_variable done_;   // finish(): the worker is through
  std::deque<Chunk> queue_;
  bool closed_ = false;   // no more chunks come
  bool stop_ = false;     // drop the rest
  bool through_ = false;  // the worker has finished (result_ is set unless stopped)
  std::vector<const char*> result_;
  std::thread worker_;
};

}  // namespace mainwin
