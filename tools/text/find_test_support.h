// For the finder's tests: which files of a folder were opened while a test ran, whoever opened them.
#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <string>

namespace tools::text::testing {

// Counts the opens and reads of the files of folder (and of the folder itself) from its making on.
class OpenWatch {
 public:
  explicit OpenWatch(const std::string& folder)
      : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), watch_(::inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_ACCESS)) {}
  ~OpenWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenWatch(const OpenWatch&) = delete;
  OpenWatch& operator=(const OpenWatch&) = delete;

  [[nodiscard]] bool valid() const { return fd_ >= 0 && watch_ >= 0; }
  // The events so far (the watch's queue is read empty).
  [[nodiscard]] int opens() {
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;)
      for (const char* p = buf; p < buf + n; p += sizeof(inotify_event) + reinterpret_cast<const inotify_event*>(p)->len)
        ++seen_;
    return seen_;
  }

 private:
  int fd_, watch_;
  int seen_ = 0;
};

}  // namespace tools::text::testing
