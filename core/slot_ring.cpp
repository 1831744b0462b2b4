#include "core/slot_ring.h"

#include "core/file_errors.h"
#include "core/file_paths.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "platform/fs.h"

#include <cerrno>

namespace core {

namespace {

// Suffixes " (2)" .. " (99)" are tried before a name counts as unavailable.
constexpr int kMaxVariant = 99;

}  // namespace

std::string SlotRing::slotKey(int slot) const { return std::string(keys_.slotKeyPrefix) + std::to_string(slot); }

int SlotRing::current() const {
  const long long v = vb::ValInt(getSet(keys_.currentKey));
  if (v < 1 || v > kSlots) {
    saveSet(keys_.currentKey, "1");
    return 1;
  }
  return static_cast<int>(v);
}

void SlotRing::setCurrent(int slot) const { saveSet(keys_.currentKey, std::to_string(slot)); }

bool SlotRing::ownsName(std::string_view name) const {
  const std::size_t fixed = keys_.filePrefix.size() + keys_.fileSuffix.size();
  return name.size() >= fixed && name.substr(0, keys_.filePrefix.size()) == keys_.filePrefix &&
         name.substr(name.size() - keys_.fileSuffix.size()) == keys_.fileSuffix &&
         name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string SlotRing::slotName(int slot) const {
  std::string name = getSet(slotKey(slot));
  return ownsName(name) ? name : std::string();
}

std::string SlotRing::slotPath(int slot) const {
  const std::string name = slotName(slot);
  return name.empty() ? std::string() : pathOf(name);
}

std::string SlotRing::pathOf(std::string_view name) const { return coreState().appPath + std::string(name); }

std::string SlotRing::fileNameOf(std::string_view stamp, int n) const {
  std::string name = std::string(keys_.filePrefix) + vb::Replace(stamp, ":", "ZZ");
  if (n > 1) name += " (" + std::to_string(n) + ")";
  return name + std::string(keys_.fileSuffix);
}

std::string SlotRing::captionOf(std::string_view fileName) const {
  if (!ownsName(fileName)) return {};
  const std::string_view stamp = fileName.substr(
      keys_.filePrefix.size(), fileName.size() - keys_.filePrefix.size() - keys_.fileSuffix.size());
  return vb::Replace(stamp, "ZZ", ":");
}

std::string SlotRing::fileOfCaption(std::string_view caption) const { return fileNameOf(caption); }

std::string SlotRing::createUnique(std::string_view stamp, int* errorNumber) const {
  int err = 0;
  for (int n = 1; n <= kMaxVariant; ++n) {
    const std::string name = fileNameOf(stamp, n);
    err = platform::createExclusive(pathOf(name));
    if (err == 0) {
      if (errorNumber) *errorNumber = 0;
      return name;
    }
    if (err != EEXIST) break;
  }
  if (errorNumber) *errorNumber = errorNumberFromErrno(err);
  return {};
}

int SlotRing::take(std::string_view name) const {
  int slot = current() + 1;
  if (slot > kSlots) slot = 1;
  const std::string previous = slotName(slot);
  if (!previous.empty() && previous != name && FileExist(pathOf(previous)) != 0) (void)KillFile(pathOf(previous));
  saveSet(slotKey(slot), name);
  setCurrent(slot);
  return slot;
}

void SlotRing::release(int slot) const {
  saveSet(slotKey(slot), "");
  if (slot != current()) return;
  setCurrent(slot > 1 ? slot - 1 : kSlots);
}

std::vector<std::pair<int, std::string>> SlotRing::existing(int except, bool forgetMissing) const {
  std::vector<std::pair<int, std::string>> out;
  for (int i = 1; i <= kSlots; ++i) {
    if (i == except) continue;
    std::string name = slotName(i);
    if (!name.empty() && FileExist(pathOf(name)) != 0) {
      out.emplace_back(i, std::move(name));
    } else if (forgetMissing) {
      saveSet(slotKey(i), "");
    }
  }
  return out;
}

void SlotRing::clear(int except) const {
  for (int i = 1; i <= kSlots; ++i) {
    if (i == except) continue;
    const std::string name = slotName(i);
    saveSet(slotKey(i), "");
    if (!name.empty() && FileExist(pathOf(name)) != 0) (void)KillFile(pathOf(name));
  }
}

}  // namespace core
