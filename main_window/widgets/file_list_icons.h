// Icons of the file list, one per extension: looked up once by the file name's extension in the
// MIME database (by name only, never by reading the file) and the desktop's icon theme, then
// cached. Names without an extension (and .ico files) share the blank file icon.
#pragma once

#include <QIcon>
#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mainwin {

class ExtensionIcons {
 public:
  // The cache holds at most this many icons; reaching it starts the cache over.
  static constexpr std::size_t kCap = 300;

  ExtensionIcons();

  // The cache key of a file name: the lower-cased text after its last "."; "" for a name
  // without one and for ".ico" files (they show the blank icon).
  [[nodiscard]] static std::string keyOf(std::string_view name);

  // Index of the icon of `name`'s extension (0 = blank), looking the extension up on first use.
  // Once the cache is full every new extension gets the blank icon until trim() runs.
  [[nodiscard]] int indexOf(std::string_view name);
  // Starts the cache over when it is full (the start of an icon assignment does this).
  void trim();

  // The icon of an index; `ghosted` gives its dimmed look (hidden files).
  [[nodiscard]] const QIcon& icon(int index, bool ghosted) const;

  // Number of theme lookups made so far (one per extension met).
  [[nodiscard]] std::size_t lookups() const { return lookups_; }
  [[nodiscard]] std::size_t size() const { return icons_.size(); }

 private:
  struct Entry {
    QIcon normal, ghosted;
  };
  Entry make(const QString& probeName);

  mutable std::vector<Entry> icons_;  // the dimmed look is made on first use
  std::unordered_map<std::string, int> byKey_;
  std::size_t lookups_ = 0;
};

}  // namespace mainwin
