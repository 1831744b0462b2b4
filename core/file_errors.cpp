#include "core/file_errors.h"

#include "core/file_paths.h"

#include <cerrno>

namespace core {

int errorNumberFromErrno(int err) {
  switch (err) {
    case 0: return 0;
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case EEXIST:
    case ENOTEMPTY: return kErrFileExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kErrDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return kErrPermissionDenied;
    case EXDEV: return kErrDifferentDrive;
    case ENAMETOOLONG:
    case EILSEQ: return kErrBadFileName;
    default: return kErrPathFileAccess;
  }
}

int errorNumberForPath(int err, std::string_view path) {
  if (err == ENOENT) {
    const std::string p = withoutTrailingSlashes(path);
    const std::size_t pos = p.rfind('/');
    if (pos != std::string::npos && pos > 0 && PathExist(p.substr(0, pos)) == 0)
      return kErrPathNotFound;
  }
  return errorNumberFromErrno(err);
}

}  // namespace core
