// For crash tests: runs part of a test in a forked child and ends it with SIGKILL at a chosen
// moment, as a crash or a kill -9 of the program would: no destructor, no flush, no clean-up; the
// kernel closes its files and drops its locks. The parent then looks at what the child left.
// Every wait is bounded: a child that does not end is killed and reported as hung.
// Header-only; only *_test.cpp files include it.
//
//   const auto timed = platform::testing::runKilledAfter([&] { runTheRun(); }, std::nullopt, 30s);
//   std::mt19937_64 random(platform::testing::killSeed());
//   ... rebuild the fixture ...
//   const auto out = platform::testing::runKilledAfter([&] { runTheRun(); }, delay, 30s);
//   ASSERT_FALSE(out.hung);  // then check the files
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace platform::testing {

struct KilledChild {
  bool forked = false;
  bool killed = false;  // ended by our SIGKILL at the chosen moment
  bool finished = false;  // ended by itself (_exit after body) before the kill
  bool hung = false;    // still running at the bound: killed then, and the test should fail
  std::chrono::nanoseconds lasted{};  // from the fork to the end seen by the parent
};

// Runs body in a forked child that ends with _exit (gtest and static destructors never run twice).
// With killAfter, the parent sends SIGKILL that long after the fork (a child that finished before
// is only reaped); without, it waits for the child to finish. Either way it waits at most bound.
inline KilledChild runKilledAfter(const std::function<void()>& body,
                                  std::optional<std::chrono::nanoseconds> killAfter, std::chrono::seconds bound) {
  using Clock = std::chrono::steady_clock;
  KilledChild out;
  const Clock::time_point start = Clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) return out;
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  out.forked = true;
  int status = 0;
  bool reaped = false;
  const auto reap = [&](int flags) {
    for (;;) {
      const pid_t r = ::waitpid(pid, &status, flags);
      if (r < 0 && errno == EINTR) continue;
      return r == pid;
    }
  };
  if (killAfter) {
    // An absolute sleep on the monotonic clock (steady_clock's): the moment does not drift with
    // the work the parent did since the fork.
    const auto at = std::chrono::duration_cast<std::chrono::nanoseconds>((start + *killAfter).time_since_epoch());
    const timespec when{.tv_sec = static_cast<time_t>(at.count() / 1000000000),
                        .tv_nsec = static_cast<long>(at.count() % 1000000000)};
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
    }
    // A child that has ended is a zombie until reaped: the signal cannot reach another process.
    ::kill(pid, SIGKILL);
  }
  const Clock::time_point deadline = start + bound;
  while (!(reaped = reap(WNOHANG)) && Clock::now() < deadline) {
    const timespec pause{.tv_sec = 0, .tv_nsec = 200000};
    ::nanosleep(&pause, nullptr);
  }
  out.lasted = Clock::now() - start;
  if (!reaped) {
    out.hung = true;
    ::kill(pid, SIGKILL);
    reap(0);
    return out;
  }
  out.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  out.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  return out;
}

// The seed of a crash test's random moments: CORVANE_KILL_SEED when set (to repeat a failing
// series; the moments then fall alike, though timing noise still moves them a little), else a
// fresh one. Tests print it with every failure.
inline std::uint64_t killSeed() {
  if (const char* fixed = std::getenv("CORVANE_KILL_SEED"); fixed && *fixed)
    return std::strtoull(fixed, nullptr, 10);
  return (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}();
}

}  // namespace platform::testing
