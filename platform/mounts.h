// The mount table as the program needs it: which volumes the folder tree shows in place of
// drives, which mount holds a path, and whether a path lies on a fixed (local, non-removable,
// non-network) drive where the trash works. Read from /proc/self/mountinfo; no mount is touched
// (a hung network mount never blocks these routines).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct MountEntry {
  std::string mountPoint;  // with a trailing "/" ("/" for the root)
  std::string root;        // the folder of the file system mounted there ("/" for a whole one)
  std::string device;      // mount source, e.g. "/dev/sda1", "server:/export"
  std::string fsType;      // e.g. "ext4", "nfs4", "fuse.sshfs"
  std::string label;       // volume label from /dev/disk/by-label, "" when none
  unsigned major = 0;
  unsigned minor = 0;
  bool removable = false;  // the block device (or its disk) reports removable media
  bool network = false;    // a network file system
  bool cdrom = false;      // an optical disc (iso9660/udf on /dev/sr*)
};

// Every entry of a mountinfo text, in table order, with octal escapes (\040 ...) decoded.
// Malformed lines are skipped. Labels and the removable flag are not filled here.
[[nodiscard]] std::vector<MountEntry> parseMountInfo(std::string_view text);

// True for file system types that live on another machine (nfs, cifs, sshfs ...).
[[nodiscard]] bool isNetworkFsType(std::string_view fsType);

// The volumes a user browses, in table order: block-device, removable and network file systems;
// pseudo file systems (proc, sys, cgroup, tmpfs, overlay ...), snap loop images, system-internal
// mount points and duplicate bind mounts are left out.
[[nodiscard]] std::vector<MountEntry> filterVolumes(const std::vector<MountEntry>& all);

// Fills label and removable from /dev/disk/by-label and /sys/dev/block (missing data: "" / false).
void describeVolumes(std::vector<MountEntry>& entries);

// The whole table of this process ({} when it cannot be read), labels and flags filled.
[[nodiscard]] std::vector<MountEntry> readMountTable();

// The browsable volumes of this process: filterVolumes(readMountTable()).
[[nodiscard]] std::vector<MountEntry> readVolumes();

// The mount that holds path: the entry with the longest mount point that is a prefix of path
// (compared exactly, by whole components). nullopt for a relative path or an empty table.
[[nodiscard]] std::optional<MountEntry> mountOf(std::string_view path,
                                                const std::vector<MountEntry>& table);
[[nodiscard]] std::optional<MountEntry> mountOf(std::string_view path);

// True when path lies on a local, non-removable, non-network block device (false when unknown).
[[nodiscard]] bool isFixedDrive(std::string_view path);

}  // namespace platform
