#include "core/file_errors.h"

#include "core/file_paths.h"
#include "core/state.h"

#include <cerrno>
#include <cstring>

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

std::string systemReason(int err) {
  int message = 0;
  switch (err) {
    case 0: return {};
    case EACCES:
    case EPERM: message = 142; break;
    case ENOSPC:
    case EDQUOT: message = 143; break;
    case EROFS: message = 144; break;
    case ENOENT: message = 145; break;
    case EEXIST: message = 146; break;
    case ENOTEMPTY: message = 147; break;
    case ENAMETOOLONG: message = 148; break;
    case EBUSY:
    case ETXTBSY: message = 149; break;
    case EXDEV: message = 150; break;
    case ELOOP: message = 151; break;
    case EIO: message = 152; break;
    case ENOTSUP: message = 153; break;
    default: break;
  }
  const std::string& text = message ? msgMain(message) : std::string();
  if (!text.empty()) return " (" + text + ")";
  char buf[256];
  return " (" + std::string(::strerror_r(err, buf, sizeof buf)) + ")";
}

std::string errorReason(int errorNumber) {
  switch (errorNumber) {
    case 0: return {};
    case kErrFileExists: return systemReason(EEXIST);
    case kErrFileNotFound:
    case kErrPathNotFound: return systemReason(ENOENT);
    case kErrDiskFull: return systemReason(ENOSPC);
    case kErrPermissionDenied: return systemReason(EACCES);
    case kErrDifferentDrive: return systemReason(EXDEV);
    default: return {};
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
