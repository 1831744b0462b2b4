// Which files of one size hold the same bytes, reading each file about once: a hash of its first
// block, then, for the files still alike, a hash of the rest (XXH3, 128 bits), and a byte-for-byte
// comparison where a decision cannot rest on a hash (before a duplicate is deleted or moved away).
//
//   std::vector<tools::file_ops::DupesFile> files = ...;   // path and size as listed
//   tools::file_ops::ContentReading reading{.poll = [&](std::uint64_t) { return !cancelled(); },
//                                            .unreadable = [&](std::size_t i, int) { log(files[i].path); }};
//   auto groups = tools::file_ops::groupSameContents(files, {0, 1, 2}, reading);
//   if (groups) for (const DupesGroup& g : *groups) keep(g.kept), act(g.copies);
//
//   // Every size of a tree at once (the files read in their listed order, by several threads):
//   const std::vector<tools::file_ops::SizeClass> sizes = ...;   // one span of members per size
//   tools::file_ops::groupSameContentsEach(files, sizes, reading,
//       [&](std::size_t k, std::vector<DupesGroup>& groups) { return actOn(groups); });
//
// ---- contract ----
// A file is read only through a descriptor opened without following links, and only while it is
// the very file that was measured (same size; same device and inode once known); otherwise it
// counts as unreadable. A symbolic link is never read and never in a group, and is not reported.
// An unreadable file is never in a group. Names of one inode (hard links) are never duplicates of
// each other.
#pragma once

#include "platform/file_identity.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tools::file_ops {

// A collected file as it was measured. The identity is known once the file has been opened (or
// when the collector measured it).
struct DupesFile {
  std::string path;
  std::uint64_t size = 0;
  platform::FileIdentity identity{};
  bool identified = false;
};

// Files with equal contents: the kept one and its duplicates, as indexes into the files given, in
// the order of the members given.
struct DupesGroup {
  std::size_t kept = 0;
  std::vector<std::size_t> copies;
};

// How the reading reports.
struct ContentReading {
  // After each piece read, with its size in bytes: false stops the work (Cancel).
  std::function<bool(std::uint64_t bytes)> poll{};
  // A member that could not be read (error: errno; EINVAL for what is not a regular file, ESTALE
  // for a file that is no longer the one measured), once per member. Not called for a symlink.
  std::function<void(std::size_t index, int error)> unreadable{};
  // How many more members have had their first look (for a progress bar), now and then; the
  // calls add up to the number of members read once every first look is done.
  std::function<void(std::size_t members)> looked{};
  // The folder of the calling thread's platform::StepScope, or empty when it has none: reader
  // threads reach the files below it as the calling thread does (never through a link below it).
  std::string scopeRoot{};
};

// Groups members (indexes into files, all of one size, in their order) by equal contents. Each
// group's kept file is its first member; its copies are the later members of the same contents
// that are not the kept file's inode. Groups come in the order of their kept files. nullopt when
// poll stopped the work. The members read get their identity. Large sets of files are read by a
// few threads at once (each in a platform::StepScope of its own on reading.scopeRoot); poll,
// unreadable and looked are only ever called on the calling thread, and every thread is joined
// before the call returns.
[[nodiscard]] std::optional<std::vector<DupesGroup>> groupSameContents(std::vector<DupesFile>& files,
                                                                       std::span<const std::size_t> members,
                                                                       const ContentReading& reading);

// The members of one size: indexes into files, in their order.
using SizeClass = std::span<const std::size_t>;

// Groups the members of every class as groupSameContents groups one, reading the files of all
// classes together: the first blocks of all of them in the order of their indexes (files listed
// folder by folder are then reached through folders already open), then the rest of those still
// alike, largest first. Then, for each class in order: unreadable for its members that failed (as
// groupSameContents reports them) and onClass(class index, its groups). False when poll stopped
// the work (before any onClass) or when onClass returned false (no later class is reported).
[[nodiscard]] bool groupSameContentsEach(std::vector<DupesFile>& files, std::span<const SizeClass> classes,
                                         const ContentReading& reading,
                                         const std::function<bool(std::size_t index, std::vector<DupesGroup>& groups)>& onClass);

enum class Compared {
  Same,        // both files are still as measured and their bytes are equal
  Different,   // the bytes differ, or a file is no longer the one measured (another inode, size)
  Unreadable,  // a file could not be opened or read (unreadable says which)
  Stopped,     // poll stopped the work
};

// Compares the bytes of kept and copy (both identified) from start to end, stopping at the first
// difference. unreadable receives 0 for kept, 1 for copy.
[[nodiscard]] Compared sameContents(const DupesFile& kept, const DupesFile& copy, const ContentReading& reading);

}  // namespace tools::file_ops
