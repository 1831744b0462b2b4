// A read lease (F_SETLEASE with F_RDLCK) on a file about to be replaced: it tells whether anyone
// opened the file for writing since it was taken. A writer's open breaks the lease and waits
// until the holder lets go (or the system's lease-break time passes), so a replacement that finds
// its lease intact right before its rename knows that no write reached the old file between the
// last look at it and the rename, and one that finds it broken gives up and lets the writer go on
// into the file it opened. Linux grants a lease only to the file's owner (or a holder of
// CAP_LEASE), on local file systems, and only while nobody has the file open for writing.
//
//   platform::WriteLease lease;
//   if (lease.take(originalFd) == platform::LeaseState::Busy) ...;  // a writer has it open
//   ... last look at the file ...
//   if (!lease.intact()) ...;                                       // a writer came: give up
//   rename; lease.release();
#pragma once

namespace platform {

enum class LeaseState {
  Taken,        // held: intact() tells whether a writer came since
  Busy,         // not taken: someone has the file open for writing now (or maps it writable)
  Unavailable,  // not taken: the file system or the file's owner does not allow it
};

class WriteLease {
 public:
  WriteLease() = default;
  ~WriteLease() { release(); }
  WriteLease(const WriteLease&) = delete;
  WriteLease& operator=(const WriteLease&) = delete;

  // Takes a read lease on fd, a regular file open for reading only, which must stay open until
  // release. The break is told by intact(), never by a signal that could end the process.
  LeaseState take(int fd);
  // True while the lease is held and nobody opened the file for writing (or truncated it) since
  // take; false when not held.
  [[nodiscard]] bool intact() const;
  // Lets go of the lease (a writer waiting on it goes on). Nothing held is no error.
  void release();

 private:
  int fd_ = -1;
};

}  // namespace platform
