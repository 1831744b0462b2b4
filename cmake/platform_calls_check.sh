#!/bin/bash
# Every system call on a user's file goes through platform/, which reaches each entry relative to
# an open folder and never follows a link it did not mean to. This check fails when code outside
# platform/ calls the system on a file by itself: an open, a look at its status, a removal, a
# rename, a change of mode, owner, times, size or attributes, a copy or a sync. Tests, benchmarks,
# fuzzers and test helpers make their own fixtures and are left out.
# Usage: platform_calls_check.sh <source folder>. Prints each call found.
set -u
root=${1:?usage: platform_calls_check.sh <source folder>}
cd "$root" || exit 2

calls='open|openat|openat2|creat|lstat|stat|statx|fstat|fstatat|access|faccessat|faccessat2'
calls+='|unlink|unlinkat|remove|rename|renameat|renameat2|link|linkat|symlink|symlinkat|readlink|readlinkat'
calls+='|mkdir|mkdirat|rmdir|mknod|mknodat|realpath|opendir|fdopendir|fopen|freopen|mkstemp|mkdtemp'
calls+='|chmod|fchmod|fchmodat|chown|lchown|fchown|fchownat|truncate|ftruncate|fallocate'
calls+='|utime|utimes|lutimes|futimes|utimensat|futimens'
calls+='|setxattr|lsetxattr|fsetxattr|getxattr|lgetxattr|fgetxattr|listxattr|llistxattr|flistxattr'
calls+='|removexattr|lremovexattr|fremovexattr'
calls+='|copy_file_range|sendfile|splice|fsync|fdatasync|syncfs|sync_file_range|flock|statfs|fstatfs|statvfs'
# A global-namespace call (::name( not preceded by a class or namespace name), and the file steps
# of the standard library and Qt that act on a path.
pattern="(^|[^A-Za-z0-9_])::($calls)\\(|std::filesystem::(remove|remove_all|rename|copy|copy_file|copy_symlink"
pattern+="|create_directory|create_directories|create_symlink|create_hard_link|permissions|resize_file"
pattern+="|last_write_time)\\(|QFile::(remove|rename|copy|link|setPermissions|moveToTrash|resize)\\("

found=$(grep -rnE "$pattern" --include='*.cpp' --include='*.h' . |
  grep -vE '^\./(platform|bench|fuzz|build[^/]*)/' |
  grep -vE '^\./[^:]*(_test\.cpp|_qtest\.cpp|_test_support\.h|test_support\.h|_fixture\.h):' |
  grep -vE '^\./[^:]*/testhelper/' |
  grep -vE '^[^:]+:[0-9]+:\s*//')
if [ -n "$found" ]; then
  echo "System calls on files outside platform/ (use a step of the platform layer instead):"
  echo "$found"
  exit 1
fi
echo "No system call on a file outside platform/."
