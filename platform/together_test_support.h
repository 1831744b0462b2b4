// For tests of two instances of the program at once (two windows, a window and a companion):
// runs each body in a forked child, releases them all at the same moment, and waits for every one
// within a bound. A child ends with _exit (gtest and static destructors never run twice); what a
// body returns (0-255) is its exit code, so a child can hand back a small number such as a slot.
// Header-only; only *_test.cpp files include it.
//
//   const auto ends = platform::testing::runTogether({[&] { return runOne(); }, [&] { return runTwo(); }}, 60s);
//   ASSERT_TRUE(ends[0].exited && ends[1].exited);
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <functional>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace platform::testing {

struct TogetherEnd {
  bool exited = false;  // ended by itself within the bound (else it was killed then)
  int code = -1;        // its exit code when it exited
};

inline std::vector<TogetherEnd> runTogether(const std::vector<std::function<int()>>& bodies,
                                            std::chrono::seconds bound) {
  using Clock = std::chrono::steady_clock;
  std::vector<TogetherEnd> ends(bodies.size());
  int gate[2];
  if (::pipe(gate) != 0) return ends;
  std::vector<pid_t> pids;
  for (const auto& body : bodies) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(gate[1]);
      char c;
      while (::read(gate[0], &c, 1) < 0 && errno == EINTR) {
      }
      ::_exit(body() & 0xFF);
    }
    pids.push_back(pid);
  }
  ::close(gate[0]);
  ::close(gate[1]);  // every child reads the end of the pipe at once: they start together
  const Clock::time_point deadline = Clock::now() + bound;
  for (std::size_t i = 0; i < pids.size(); ++i) {
    if (pids[i] < 0) continue;
    int status = 0;
    pid_t r = 0;
    while ((r = ::waitpid(pids[i], &status, WNOHANG)) == 0 && Clock::now() < deadline) {
      const timespec pause{.tv_sec = 0, .tv_nsec = 1000000};
      ::nanosleep(&pause, nullptr);
    }
    if (r == pids[i]) {
      ends[i].exited = WIFEXITED(status);
      ends[i].code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
      ::kill(pids[i], SIGKILL);
      ::waitpid(pids[i], &status, 0);
    }
  }
  return ends;
}

}  // namespace platform::testing
