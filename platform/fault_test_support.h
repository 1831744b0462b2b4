// For tests of failures: runs part of a test in a child process, so that it can be killed at a
// chosen step, be given a private mount namespace with a small or read-only file system that the
// rest of the machine never sees, or run as an ordinary user (the child reports a text through a
// pipe; the parent makes the assertions); and a file-size limit that makes writes fail as on a
// full disk, even for root; and a count of the descriptors open, for tests that nothing leaks one.
// Header-only; only *_test.cpp files include it.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform::testing {

struct ChildOutcome {
  bool exited = false;  // ended by _exit (report is complete)
  int signal = 0;       // the signal that ended it, when not exited
  std::string report;   // what body returned (or wrote before it was stopped)
};

// Runs body in a forked child and waits for it. The child never returns into the test program:
// it ends with _exit after body, so neither gtest nor static destructors run twice.
inline ChildOutcome runInChild(const std::function<std::string()>& body) {
  ChildOutcome out;
  int fds[2];
  if (::pipe(fds) != 0) return out;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const std::string report = body();
    for (std::size_t done = 0; done < report.size();) {
      const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    out.report.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  out.exited = WIFEXITED(status);
  out.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return out;
}

// In a child: moves it into a mount namespace of its own (mounts made there vanish with it).
// "" when done, else why not (not root, no namespaces in this sandbox).
inline std::string privateMounts() {
  if (::unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return std::string("private /: ") + std::strerror(errno);
  return {};
}

// In a child with private mounts: a tmpfs of size bytes on dir. "" or why not.
inline std::string mountSmallTmpfs(const std::string& dir, std::size_t size) {
  const std::string options = "size=" + std::to_string(size) + ",mode=1777";
  if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0)
    return std::string("tmpfs: ") + std::strerror(errno);
  return {};
}

// In a child with private mounts: dir becomes read-only (a read-only bind mount of itself), which
// even root cannot write into. "" or why not.
inline std::string makeReadOnly(const std::string& dir) {
  if (::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0)
    return std::string("bind: ") + std::strerror(errno);
  if (::mount(nullptr, dir.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
    return std::string("read-only: ") + std::strerror(errno);
  return {};
}

// In a child: hands dir and everything below it to the ordinary user nobody (65534) and becomes
// that user, so that permission bits count as they do for everyone but root. "" when done (at
// once when the test runs as an ordinary user already), else why not.
inline std::string becomeOrdinaryUser(const std::string& dir) {
  if (::geteuid() != 0) return {};
  constexpr uid_t kNobody = 65534;
  std::error_code ec;
  if (::lchown(dir.c_str(), kNobody, kNobody) != 0) return std::string("chown: ") + std::strerror(errno);
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (::lchown(it->path().c_str(), kNobody, kNobody) != 0) return std::string("chown: ") + std::strerror(errno);
  }
  if (ec) return "walk: " + ec.message();
  if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
      ::setresuid(kNobody, kNobody, kNobody) != 0)
    return std::string("user switch: ") + std::strerror(errno);
  return {};
}

// Writes past bytes fail with EFBIG (instead of the signal) while the object lives.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    struct rlimit small = old_;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~ScopedFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  void (*oldHandler_)(int);
  struct rlimit old_ {};
};

// The descriptors this process has open (with the one that reads them): equal before and after a
// run that leaks none.
inline int openDescriptors() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

}  // namespace platform::testing
