// Helpers shared by the benchmark programs: the wall time of one call, the median of several timed
// calls after one untimed call that warms the caches, text to search, and running a peer program.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

// Seconds that one call of f takes (steady clock).
inline double secondsOf(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One untimed call of f, then the median in seconds of `runs` (at least 1) timed calls.
inline double warmMedianSeconds(int runs, const std::function<void()>& f) {
  f();
  std::vector<double> t;
  for (int i = 0; i < std::max(runs, 1); ++i) t.push_back(secondsOf(f));
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

// A phrase that appendWordLines never spells, in any letter case.
inline constexpr const char* kAbsentPhrase = "Quiet Harbour 4711";

// Appends lines of eleven words (like a log or a text: what searches usually read) to out until it
// holds at least atLeast bytes. The same rng state gives the same text.
inline void appendWordLines(std::string& out, std::size_t atLeast, std::mt19937& rng) {
  static const std::vector<std::string> words = {
      "the", "file", "folder", "record", "value", "error", "warning", "copy", "moved", "batch",
      "line", "name", "size", "date", "Time", "USER", "report", "harbour", "quiet", "4712",
      "Search", "replace", "total", "count", "open", "closed", "data", "index", "path", "end"};
  std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
  while (out.size() < atLeast) {
    for (int w = 0; w < 11; ++w) {
      out += words[pick(rng)];
      out += w == 10 ? '\n' : ' ';
    }
  }
}

// Runs program (found on PATH) with args under LC_ALL=C, so that peers compare bytes as we do;
// its standard output goes to outPath when that is not empty. The exit code, -1 when it did not run.
inline int runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& outPath = {}) {
  std::vector<std::string> env = {"LC_ALL=C"};
  for (char** e = environ; *e; ++e) {
    if (std::string(*e).rfind("LC_ALL=", 0) != 0) env.emplace_back(*e);
  }
  std::vector<char*> envp, argv;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!outPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace bench
