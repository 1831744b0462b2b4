#include "platform/mounts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform {

namespace {

std::string unescapeOctal(std::string_view s) {
  const auto oct = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && oct(s[i + 1]) && oct(s[i + 2]) && oct(s[i + 3])) {
      out += static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0'));
      i += 3;
      continue;
    }
    out += s[i];
  }
  return out;
}

std::vector<std::string_view> splitSpaces(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

std::string withSlash(std::string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool isPseudoFsType(std::string_view t) {
  static constexpr std::array<std::string_view, 28> kPseudo = {
      "proc",      "sysfs",    "cgroup",     "cgroup2",    "tmpfs",     "devtmpfs", "overlay",
      "devpts",    "mqueue",   "debugfs",    "tracefs",    "securityfs", "pstore",  "bpf",
      "configfs",  "fusectl",  "hugetlbfs",  "autofs",     "binfmt_misc", "efivarfs", "ramfs",
      "nsfs",      "rpc_pipefs", "squashfs", "fuse.lxcfs", "fuse.portal", "fuse.gvfsd-fuse", "aufs"};
  return std::find(kPseudo.begin(), kPseudo.end(), t) != kPseudo.end();
}

// Mount points that belong to the system's plumbing (container bind mounts of single files,
// boot partitions, snap images) rather than to the user's data.
bool isSystemInternalMountPoint(std::string_view mp) {
  if (mp == "/") return false;
  if (startsWith(mp, "/run/media/")) return false;
  static constexpr std::array<std::string_view, 11> kInternal = {
      "/etc/", "/proc/", "/sys/", "/dev/", "/run/", "/snap/", "/var/lib/", "/var/snap/",
      "/boot/", "/efi/", "/usr/"};
  return std::any_of(kInternal.begin(), kInternal.end(),
                     [&](std::string_view p) { return startsWith(mp, p); });
}

std::string readSmallFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.read(4096).trimmed().toStdString();
}

// by-label link names escape bytes as \xHH (udev's encoding).
std::string decodeUdevName(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && std::isxdigit(static_cast<unsigned char>(s[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 3]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

bool isNetworkFsType(std::string_view t) {
  static constexpr std::array<std::string_view, 16> kNet = {
      "nfs",  "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "ceph", "glusterfs",
      "fuse.sshfs", "fuse.rclone", "fuse.davfs2", "davfs", "fuse.glusterfs", "coda"};
  return std::find(kNet.begin(), kNet.end(), t) != kNet.end();
}

std::vector<MountEntry> parseMountInfo(std::string_view text) {
  std::vector<MountEntry> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    const std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    const auto f = splitSpaces(line);
    // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
    auto dash = std::find(f.begin(), f.end(), std::string_view("-"));
    if (f.size() < 7 || dash == f.end() || dash - f.begin() < 6 || f.end() - dash < 3) continue;
    MountEntry e;
    const std::string_view mm = f[2];
    const std::size_t colon = mm.find(':');
    if (colon == std::string_view::npos) continue;
    e.major = static_cast<unsigned>(std::strtoul(std::string(mm.substr(0, colon)).c_str(), nullptr, 10));
    e.minor = static_cast<unsigned>(std::strtoul(std::string(mm.substr(colon + 1)).c_str(), nullptr, 10));
    e.root = unescapeOctal(f[3]);
    e.mountPoint = withSlash(unescapeOctal(f[4]));
    e.fsType = unescapeOctal(*(dash + 1));
    e.device = unescapeOctal(*(dash + 2));
    e.network = isNetworkFsType(e.fsType);
    e.cdrom = startsWith(e.device, "/dev/sr") || e.fsType == "iso9660" || e.fsType == "udf";
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<MountEntry> filterVolumes(const std::vector<MountEntry>& all) {
  std::vector<MountEntry> kept;
  for (const MountEntry& e : all) {
    if (isPseudoFsType(e.fsType)) continue;
    const bool blockDevice = startsWith(e.device, "/dev/");
    if (!blockDevice && !e.network && !e.removable) continue;
    if (startsWith(e.device, "/dev/loop") &&
        (e.fsType == "squashfs" || startsWith(e.mountPoint, "/snap/")))
      continue;
    if (isSystemInternalMountPoint(e.mountPoint)) continue;
    // A bind mount shows a folder of a file system that is already listed: the same device with
    // a root inside the root of a kept entry. Subvolumes (roots side by side) stay.
    const bool duplicate = std::any_of(kept.begin(), kept.end(), [&](const MountEntry& k) {
      if (k.major != e.major || k.minor != e.minor || k.device != e.device) return false;
      return startsWith(withSlash(e.root), withSlash(k.root));
    });
    if (duplicate) continue;
    // A later mount on the same point hides the earlier one.
    kept.erase(std::remove_if(kept.begin(), kept.end(),
                              [&](const MountEntry& k) { return k.mountPoint == e.mountPoint; }),
               kept.end());
    kept.push_back(e);
  }
  return kept;
}

void describeVolumes(std::vector<MountEntry>& entries) {
  // Map device node -> label through the by-label links.
  std::vector<std::pair<std::string, std::string>> labels;
  const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
  for (const QFileInfo& fi : byLabel.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
    const std::string target = QFile::encodeName(fi.canonicalFilePath()).toStdString();
    if (!target.empty())
      labels.emplace_back(target, decodeUdevName(QFile::encodeName(fi.fileName()).toStdString()));
  }
  for (MountEntry& e : entries) {
    if (startsWith(e.device, "/dev/")) {
      const std::string dev =
          QFile::encodeName(QFileInfo(QFile::decodeName(e.device.c_str())).canonicalFilePath()).toStdString();
      for (const auto& [target, label] : labels)
        if (target == dev || target == e.device) e.label = label;
    }
    if (e.major != 0) {
      const QString sys = QStringLiteral("/sys/dev/block/%1:%2/").arg(e.major).arg(e.minor);
      std::string flag = readSmallFile(sys + QStringLiteral("removable"));
      if (flag.empty()) flag = readSmallFile(sys + QStringLiteral("../removable"));  // a partition
      e.removable = flag == "1";
    }
  }
}

std::vector<MountEntry> readMountTable() {
  std::ifstream in("/proc/self/mountinfo");
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<MountEntry> all = parseMountInfo(text.str());
  describeVolumes(all);
  return all;
}

std::vector<MountEntry> readVolumes() { return filterVolumes(readMountTable()); }

std::optional<MountEntry> mountOf(std::string_view path, const std::vector<MountEntry>& table) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  const std::string p = withSlash(std::string(path));
  const MountEntry* best = nullptr;
  for (const MountEntry& e : table)
    if (startsWith(p, e.mountPoint) && (!best || e.mountPoint.size() >= best->mountPoint.size()))
      best = &e;  // ">=": a later mount on the same point hides the earlier one
  if (!best) return std::nullopt;
  return *best;
}

std::optional<MountEntry> mountOf(std::string_view path) { return mountOf(path, readMountTable()); }

bool isFixedDrive(std::string_view path) {
  const auto m = mountOf(path);
  return m && !m->network && !m->removable && !m->cdrom && startsWith(m->device, "/dev/") &&
         !isPseudoFsType(m->fsType);
}

}  // namespace platform
