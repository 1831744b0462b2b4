#include "core/file_content.h"

#include "core/file_errors.h"
#include "core/file_paths.h"
#include "platform/fs.h"

namespace core {

int OutputFile(std::string_view path, std::string_view text) {
  // The replacement keeps permission bits, owner, extended attributes and the name (so its
  // ".hidden" entry), which is what clearing and restoring the attributes achieved.
  const int err = platform::writeFileAtomic(path, text);
  return err == 0 ? 0 : errorNumberForPath(err, path);
}

int AppendFile(std::string_view path, std::string_view text) {
  const int err = platform::appendToFile(path, text);
  return err == 0 ? 0 : errorNumberForPath(err, path);
}

std::optional<std::string> readBits(std::string_view path, std::uint64_t start, std::uint64_t length) {
  if (FileExist(path) == 0) return std::nullopt;
  platform::ReadResult r = platform::readRange(path, start > 0 ? start - 1 : 0, length);
  if (r.error != 0) return std::nullopt;
  return std::move(r.data);
}

CappedRead readCapped(std::string_view path, std::uint64_t cap) {
  CappedRead out;
  if (const platform::FileStatus st = platform::fileStatus(path, true); st.error == 0 && st.size > cap) {
    out.tooLarge = true;
    return out;
  }
  out.data = readBits(path, 1, cap + 1);
  if (out.data && out.data->size() > cap) {
    out.data.reset();
    out.tooLarge = true;
  }
  return out;
}

std::string InputBits(std::string_view path, std::uint64_t start, std::uint64_t length) {
  std::optional<std::string> data = readBits(path, start, length);
  return data ? std::move(*data) : std::string(kErr);
}

std::string InputBitsAPI(std::string_view path, std::uint64_t start, std::uint64_t length) {
  return InputBits(path, start, length);
}

int OutputBits(std::string_view path, std::uint64_t start, std::string_view data) {
  return platform::writeAt(path, start > 0 ? start - 1 : 0, data) == 0 ? 0 : 1;
}

}  // namespace core
