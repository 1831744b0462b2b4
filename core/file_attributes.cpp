// GetAtt and SetAtt of file_paths.h: the DOS attribute byte over the platform's R/H/A/S mapping.
#include "core/file_paths.h"

#include "platform/file_attributes.h"

namespace core {

std::uint8_t GetAtt(std::string_view path, const std::unordered_set<std::string>* listedHidden) {
  return AttBits(platform::readAttributes(path, listedHidden));
}

std::uint8_t AttBits(const platform::Attributes& a) {
  if (a.error != 0) return 0;
  std::uint8_t bits = 0;
  if (a.readOnly) bits |= kAttrReadOnly;
  if (a.hidden) bits |= kAttrHidden;
  if (a.system) bits |= kAttrSystem;
  if (a.directory) bits |= kAttrFolder;
  if (a.archive) bits |= kAttrArchive;
  return bits;
}

int SetAtt(std::string_view path, std::uint8_t attributes, const std::unordered_set<std::string>* listedHidden) {
  const platform::Attributes cur = platform::readAttributes(path, listedHidden);
  if (cur.error != 0) return 1;
  const bool wantR = (attributes & kAttrReadOnly) != 0;
  const bool wantH = (attributes & kAttrHidden) != 0;
  const bool wantA = (attributes & kAttrArchive) != 0;
  const bool wantS = (attributes & kAttrSystem) != 0;
  bool ok = wantS == cur.system;  // S follows from the kind of file and cannot change
  // Write bits go last when set and first when cleared: the archive attribute needs them.
  if (!wantR && cur.readOnly) ok = platform::setReadOnly(path, false) == 0 && ok;
  if (wantH != cur.hidden) ok = platform::setHidden(path, wantH) == 0 && ok;
  if (wantA != cur.archive) ok = platform::setArchive(path, wantA) == 0 && ok;
  if (wantR && !cur.readOnly) ok = platform::setReadOnly(path, true) == 0 && ok;
  return ok ? 0 : 1;
}

}  // namespace core
