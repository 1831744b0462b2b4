#include "platform/mounts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A table as a desktop with a container runtime, a snap, a USB stick and an NFS share shows it.
constexpr std::string_view kTable =
    "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
    "23 28 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
    "28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "29 28 8:1 / /boot/efi rw,relatime shared:2 - vfat /dev/sda1 rw\n"
    "30 28 8:3 / /home rw,relatime shared:3 - ext4 /dev/sda3 rw\n"
    "31 23 0:29 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
    "32 28 0:30 / /tmp rw - tmpfs tmpfs rw\n"
    "33 28 7:4 / /snap/core/123 ro - squashfs /dev/loop4 ro\n"
    "34 28 8:17 / /media/u/My\\040Stick rw,nosuid - vfat /dev/sdb1 rw\n"
    "35 28 0:50 / /mnt/share rw - nfs4 server:/export rw\n"
    "36 28 8:3 /u/data /srv/data rw - ext4 /dev/sda3 rw\n"
    "37 28 0:60 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
    "38 28 8:2 /var/lib/docker/containers/a/hostname /etc/hostname rw - ext4 /dev/sda2 rw\n"
    "39 28 0:70 /@data /data rw - btrfs /dev/sdc1 rw\n"
    "40 28 0:70 /@media /store rw - btrfs /dev/sdc1 rw\n"
    "this line is broken\n"
    "41 28 0:80 / /mnt/remote rw - fuse.sshfs me@host:/ rw\n";

std::vector<std::string> mountPoints(const std::vector<platform::MountEntry>& v) {
  std::vector<std::string> out;
  for (const auto& e : v) out.push_back(e.mountPoint);
  return out;
}

TEST(Mounts, ParsesFieldsAndEscapes) {
  const auto all = platform::parseMountInfo(kTable);
  ASSERT_EQ(all.size(), 16u);  // the broken line is skipped
  const auto& stick = all[8];
  EXPECT_EQ(stick.mountPoint, "/media/u/My Stick/");
  EXPECT_EQ(stick.device, "/dev/sdb1");
  EXPECT_EQ(stick.fsType, "vfat");
  EXPECT_EQ(stick.major, 8u);
  EXPECT_EQ(stick.minor, 17u);
  EXPECT_FALSE(stick.network);
  EXPECT_TRUE(all[9].network);   // nfs4
  EXPECT_TRUE(all[15].network);  // sshfs
  EXPECT_EQ(all[10].root, "/u/data");
}

TEST(Mounts, FilterKeepsUserVolumesOnly) {
  auto all = platform::parseMountInfo(kTable);
  const auto vols = platform::filterVolumes(all);
  EXPECT_EQ(mountPoints(vols),
            (std::vector<std::string>{"/", "/home/", "/media/u/My Stick/", "/mnt/share/", "/data/",
                                      "/store/", "/mnt/remote/"}));
}

TEST(Mounts, MountOfPicksLongestWholeComponentPrefix) {
  const auto all = platform::parseMountInfo(kTable);
  EXPECT_EQ(platform::mountOf("/home/u/x", all)->mountPoint, "/home/");
  EXPECT_EQ(platform::mountOf("/homework", all)->mountPoint, "/");  // not "/home/"
  EXPECT_EQ(platform::mountOf("/home", all)->mountPoint, "/home/");
  EXPECT_EQ(platform::mountOf("/media/u/My Stick/a", all)->device, "/dev/sdb1");
  EXPECT_FALSE(platform::mountOf("relative/path", all).has_value());
  EXPECT_FALSE(platform::mountOf("/x", {}).has_value());
}

TEST(Mounts, LiveTableHasTheRoot) {
  const auto table = platform::readMountTable();
  ASSERT_FALSE(table.empty());
  const auto root = platform::mountOf("/");
  ASSERT_TRUE(root.has_value());
  EXPECT_EQ(root->mountPoint, "/");
  // /proc is never a fixed drive.
  EXPECT_FALSE(platform::isFixedDrive("/proc/self"));
}

}  // namespace
