// A tree shaped like the ones users keep, made by the benchmarks themselves from a seed (the same
// seed gives the same tree, byte for byte): 850 folders, some at the top and chains down to 8
// deep, and 10,000 files spread over them unevenly (a few folders hold hundreds, most a handful),
// text and binary, sized in a long-tailed mix (most of a few KB, some of a few bytes, a few of
// several MB), names with spaces and several dots among them, and a few files that repeat
// another's bytes (duplicates, as real trees hold). No names start with a dot and there is no
// .gitignore, so that peers that pass over hidden or ignored files see every file we do.
//
//   const bench::RealTreeMade made = bench::makeRealTree(root + "/", "needle", 0.05);
//   ... made.files, made.folders, made.bytes, made.duplicates ...
#pragma once

#include "bench/bench_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace bench {

struct RealTreeShape {
  int folders = 850;  // below the root, which counts apart
  int maxDepth = 8;
  int files = 10000;
  double duplicateShare = 0.03;  // files that repeat the bytes of an earlier one
};

struct RealTreeMade {
  bool ok = false;
  long long files = 0, folders = 0, withNeedle = 0, duplicates = 0;
  int depth = 0;               // the deepest folder's depth (the root's children: 1)
  std::uint64_t bytes = 0, largest = 0;
};

namespace real_tree_detail {

inline bool writeAll(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

inline void appendRandomBytes(std::string& out, std::size_t size, std::mt19937_64& rng) {
  const std::size_t start = out.size();
  out.resize(start + size);
  for (std::size_t i = 0; i < size; i += 8) {
    const std::uint64_t v = rng();
    for (std::size_t b = 0; b < 8 && i + b < size; ++b) out[start + i + b] = static_cast<char>(v >> (8 * b));
  }
}

}  // namespace real_tree_detail

// Makes the tree in root (an existing folder, with a trailing "/"). needle: a word that
// appendWordLines never spells (empty: none), put into needleShare of the text files. False in
// made.ok when a file or folder could not be made.
inline RealTreeMade makeRealTree(const std::string& root, const std::string& needle, double needleShare,
                                 const RealTreeShape& shape = {}, std::uint32_t seed = 11) {
  using real_tree_detail::appendRandomBytes;
  using real_tree_detail::writeAll;
  RealTreeMade made;
  std::mt19937 rng(seed);
  std::mt19937_64 bytesRng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  static const std::array<const char*, 24> folderWords = {
      "src", "lib", "include", "docs", "test", "share", "data", "icons", "locale", "examples", "man", "assets",
      "config", "build", "scripts", "images", "Photos 2023", "old", "backup", "drafts", "plugins", "tools",
      "fonts", "Reports"};
  static const std::array<const char*, 16> stems = {"main", "util", "index", "readme", "notes", "report",
                                                     "image", "module", "config", "data", "view", "model",
                                                     "IMG", "letter to bank", "setup.old", "changes"};
  static const std::array<const char*, 10> textExt = {".c", ".h", ".txt", ".md", ".py", ".html", ".json",
                                                       ".xml", ".po", ".log"};
  static const std::array<const char*, 6> binExt = {".png", ".jpg", ".so", ".gz", ".bin", ".pdf"};

  // Folders: each new one below a folder picked at random among those not at the deepest level
  // yet, which gives broad tops and long chains as real trees have.
  struct Folder {
    std::string path;
    int depth;
    double weight;  // its share of the files
  };
  std::vector<Folder> folders = {{root, 0, 1.0}};
  int serial = 0;  // folder names are unique: a word and a number
  for (int i = 0; i < shape.folders; ++i) {
    std::size_t parent = rng() % folders.size();
    while (folders[parent].depth >= shape.maxDepth) parent = rng() % folders.size();
    const std::string word = folderWords[rng() % folderWords.size()];
    const std::string path = folders[parent].path + word + "-" + std::to_string(++serial) + "/";
    if (::mkdir(path.c_str(), 0755) != 0) return made;
    // Pareto weights: a few folders hold many files, most a handful.
    const double weight = 1.0 / std::pow(1.0 - unit(rng) * 0.999, 1.2);
    folders.push_back({path, folders[parent].depth + 1, weight});
    made.depth = std::max(made.depth, folders.back().depth);
    ++made.folders;
  }
  std::vector<double> weights;
  for (const Folder& f : folders) weights.push_back(f.weight);
  std::discrete_distribution<std::size_t> pickFolder(weights.begin(), weights.end());
  std::lognormal_distribution<double> textSize(std::log(2500.0), 1.5), binSize(std::log(5000.0), 1.7);

  std::vector<std::string> kept;  // a few earlier files' bytes, to repeat as duplicates
  std::string bytes;
  for (int i = 0; i < shape.files; ++i) {
    const Folder& folder = folders[pickFolder(rng)];
    const bool duplicate = !kept.empty() && unit(rng) < shape.duplicateShare;
    const bool text = unit(rng) < 0.7;
    // A few large files: every 1,500th a binary of 3-8 MB, every 2,500th a log of 2-4 MB.
    std::size_t size = 0;
    bool binary = !text;
    if (i % 1500 == 750) {
      size = (3u << 20) + rng() % (5u << 20);
      binary = true;
    } else if (i % 2500 == 1250) {
      size = (2u << 20) + rng() % (2u << 20);
      binary = false;
    } else {
      // No empty files: peers that find duplicates treat those each in a way of their own.
      size = static_cast<std::size_t>(std::clamp(text ? textSize(rng) : binSize(rng), 3.0, 3.0 * (1 << 20)));
    }
    bytes.clear();
    bool holdsNeedle = false;
    if (duplicate) {
      bytes = kept[rng() % kept.size()];
      ++made.duplicates;
    } else if (binary) {
      appendRandomBytes(bytes, size, bytesRng);
    } else {
      appendWordLines(bytes, size, rng);
      bytes.resize(size);
      if (!bytes.empty()) bytes.back() = '\n';
      if (!needle.empty() && !bytes.empty() && unit(rng) < needleShare) {
        std::size_t at = rng() % bytes.size();
        while (at > 0 && bytes[at - 1] != ' ' && bytes[at - 1] != '\n') --at;
        bytes.insert(at, needle + " ");
        ++made.withNeedle;
        holdsNeedle = true;
      }
    }
    // Copies repeat files without the needle, so that withNeedle counts every file that holds it.
    if (!duplicate && !holdsNeedle && bytes.size() < 65536 && rng() % 50 == 0) {
      if (kept.size() < 64) kept.push_back(bytes);
      else kept[rng() % kept.size()] = bytes;
    }
    const bool binaryName = duplicate ? false : binary;
    const std::string name = std::string(stems[rng() % stems.size()]) + " " + std::to_string(i) +
                             (binaryName ? binExt[rng() % binExt.size()] : textExt[rng() % textExt.size()]);
    if (!writeAll(folder.path + name, bytes)) return made;
    ++made.files;
    made.bytes += bytes.size();
    made.largest = std::max<std::uint64_t>(made.largest, bytes.size());
  }
  made.ok = true;
  return made;
}

}  // namespace bench
