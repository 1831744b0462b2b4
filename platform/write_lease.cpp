#include "platform/write_lease.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>

namespace platform {

LeaseState WriteLease::take(int fd) {
  release();
  if (fd < 0) return LeaseState::Unavailable;
  // The break is sent as a signal to the holder; SIGIO, the default, would end the process.
  // SIGURG is ignored unless a program asks for it: the break is read with F_GETLEASE instead.
  if (::fcntl(fd, F_SETSIG, SIGURG) != 0) return LeaseState::Unavailable;
  if (::fcntl(fd, F_SETLEASE, F_RDLCK) != 0) return errno == EAGAIN ? LeaseState::Busy : LeaseState::Unavailable;
  fd_ = fd;
  return LeaseState::Taken;
}

bool WriteLease::intact() const {
  // While a break is pending, F_GETLEASE gives the type the lease is to become (F_UNLCK).
  return fd_ >= 0 && ::fcntl(fd_, F_GETLEASE) == F_RDLCK;
}

void WriteLease::release() {
  if (fd_ < 0) return;
  (void)::fcntl(fd_, F_SETLEASE, F_UNLCK);
  fd_ = -1;
}

}  // namespace platform
