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

// The slot a current-slot value names, or 0 when it names none.
int slotOfValue(const std::string& value) {
  const long long v = vb::ValInt(value);
  return v < 1 || v > SlotRing::kSlots ? 0 : static_cast<int>(v);
}

}  // namespace

std::string SlotRing::slotKey(int slot) const { return std::string(keys_.slotKeyPrefix) + std::to_string(slot); }

int SlotRing::currentIn(const platform::SettingsEdit& values) const {
  const int slot = slotOfValue(values.get(keys_.currentKey));
  return slot == 0 ? 1 : slot;
}

std::string SlotRing::nameIn(const platform::SettingsEdit& values, int slot) const {
  std::string name = values.get(slotKey(slot));
  return ownsName(name) ? name : std::string();
}

int SlotRing::current() const {
  if (const int slot = slotOfValue(getSet(keys_.currentKey)); slot != 0) return slot;
  int slot = 1;
  (void)editSettings([&](platform::SettingsEdit& values) {
    slot = currentIn(values);
    values.set(keys_.currentKey, std::to_string(slot));
  });
  return slot;
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
  int slot = 1;
  std::string previous;
  // One locked update: two runs that start together take two slots, and neither deletes the
  // other's file as the previous holder of its slot.
  const bool stored = editSettings([&](platform::SettingsEdit& values) {
    slot = currentIn(values) % kSlots + 1;
    previous = nameIn(values, slot);
    values.set(slotKey(slot), name);
    values.set(keys_.currentKey, std::to_string(slot));
  });
  // Only a file no slot names any more is deleted.
  if (stored && !previous.empty() && previous != name && FileExist(pathOf(previous)) != 0)
    (void)KillFile(pathOf(previous));
  return slot;
}

void SlotRing::release(int slot) const {
  (void)editSettings([&](platform::SettingsEdit& values) {
    values.set(slotKey(slot), "");
    if (slot == currentIn(values)) values.set(keys_.currentKey, std::to_string(slot > 1 ? slot - 1 : kSlots));
  });
}

std::vector<std::pair<int, std::string>> SlotRing::existing(int except, bool forgetMissing) const {
  std::vector<std::pair<int, std::string>> out;
  bool missing = false;
  for (int i = 1; i <= kSlots; ++i) {
    if (i == except) continue;
    std::string name = slotName(i);
    if (!name.empty() && FileExist(pathOf(name)) != 0) {
      out.emplace_back(i, std::move(name));
    } else {
      missing = missing || !getSet(slotKey(i)).empty();
    }
  }
  if (forgetMissing && missing) {
    // Looked at again under the lock: a slot another run took meanwhile names a file that exists.
    (void)editSettings([&](platform::SettingsEdit& values) {
      for (int i = 1; i <= kSlots; ++i) {
        if (i == except || values.get(slotKey(i)).empty()) continue;
        const std::string name = nameIn(values, i);
        if (name.empty() || FileExist(pathOf(name)) == 0) values.set(slotKey(i), "");
      }
    });
  }
  return out;
}

void SlotRing::clear(int except) const {
  std::vector<std::string> names;
  const bool stored = editSettings([&](platform::SettingsEdit& values) {
    names.clear();
    for (int i = 1; i <= kSlots; ++i) {
      if (i == except) continue;
      if (std::string name = nameIn(values, i); !name.empty()) names.push_back(std::move(name));
      values.set(slotKey(i), "");
    }
  });
  if (!stored) return;
  for (const std::string& name : names)
    if (FileExist(pathOf(name)) != 0) (void)KillFile(pathOf(name));
}

}  // namespace core
