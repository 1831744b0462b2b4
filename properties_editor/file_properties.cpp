#include "properties_editor/file_properties.h"

#include "core/file_paths.h"
#include "core/file_times.h"
#include "platform/file_attributes.h"
#include "platform/fs.h"

#include <filesystem>
#include <system_error>

namespace propedit {

namespace {

std::string shown(std::string_view path) { return "\"" + std::string(path) + "\""; }

// The folder part with links and "." / ".." resolved, with a trailing "/"; "" when it cannot be.
std::string realFolder(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string parent = slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(std::filesystem::path(parent), ec);
  if (ec) return {};
  return core::AddSlash(real.native());
}

}  // namespace

bool isRegularFile(std::string_view path) {
  const platform::FileStatus st = platform::fileStatus(path, false);
  return st.error == 0 && st.type == platform::FileType::Regular;
}

LoadResult loadFileProperties(std::string_view path) {
  LoadResult r;
  const platform::FileStatus st = platform::fileStatus(path, false);
  r.exists = st.error == 0;
  switch (st.type) {
    case platform::FileType::Regular:
      break;
    case platform::FileType::Missing:
      r.status = "No such file: " + shown(path);
      return r;
    case platform::FileType::Symlink:
      r.status = "Not shown: " + shown(path) + " is a symbolic link (open the file it points to).";
      return r;
    case platform::FileType::Directory:
      r.status = "Not shown: " + shown(path) + " is a folder; only files can be edited here.";
      return r;
    case platform::FileType::Other:
      r.status = "Not shown: " + shown(path) + " is a device, pipe or socket, not a regular file.";
      return r;
  }
  LoadedFile f;
  f.folder = realFolder(path);
  if (f.folder.empty()) {
    r.status = "Not shown: the folder of " + shown(path) + " cannot be read.";
    return r;
  }
  f.name = std::string(path.substr(path.rfind('/') + 1));
  f.path = f.folder + f.name;
  f.size = st.size;
  if (core::readFileTimes(f.path) == 0) {
    const core::FileTimeRecords& rec = core::coreState().fileTimes;
    f.created = rec.created;
    f.modified = rec.modified;
    f.accessed = rec.accessed;
  } else {
    f.created.known = f.modified.known = f.accessed.known = false;
  }
  const platform::Attributes a = platform::readAttributes(f.path);
  f.readOnly = a.readOnly;
  f.hidden = a.hidden;
  f.hiddenByName = a.hiddenByName;
  f.archive = a.archive;
  f.archiveSupported = a.archiveSupported;
  r.file = std::move(f);
  return r;
}

}  // namespace propedit
