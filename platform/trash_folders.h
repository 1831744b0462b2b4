// The freedesktop trash folders on bytes, shared by the two ways a file enters the trash (moved
// there, or a copy put there while the file stays): where the user's trash for a file lies, opening
// it through descriptors with its files/ and info/ checked, and adding an entry under a free name.
// Internal to the platform layer. Every function returns an errno value (0 = success) where it
// can fail; no name is turned into text, and no link is followed below the folder a trash is in.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace platform::trash {

// What an entry's info file adds to its name under info/.
inline constexpr std::string_view kInfoSuffix = ".trashinfo";

// Owns one descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd();
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept;
  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

// An open trash folder. It, files/ and info/ are real folders (never links) owned by the user;
// files/ and info/ are made (mode 0700) when missing.
struct Folder {
  std::string dir;        // its path with a trailing "/", to name the entries
  std::string top;        // the mount's top folder it serves ("" for the home trash)
  std::uint64_t dev = 0;  // its device, as deviceId gives it
  Fd files, info;
};

// st_dev in the form FileStatus::dev has, so that both can be compared.
[[nodiscard]] std::uint64_t deviceId(dev_t dev);

// path made absolute against the current folder, without trailing slashes; "" when the current
// folder cannot be read (errno set).
[[nodiscard]] std::string absolutePath(std::string_view path);
// The folder with every link and "." / ".." resolved; "" on failure (errno set).
[[nodiscard]] std::string canonicalFolder(const std::string& folder);
// Where the file or folder open as fd really is (from /proc); "" when that cannot be told (no
// /proc, a file removed meanwhile).
[[nodiscard]] std::string realPathOf(int fd);

// The device of the home trash ($XDG_DATA_HOME/Trash), or of its nearest existing folder above
// while it is not made yet: nothing is created. Through fileStatus.
[[nodiscard]] std::uint64_t homeDevice(int& err);
// The home trash, made (mode 0700) when missing. err receives the errno on failure.
[[nodiscard]] std::optional<Folder> openHome(int& err);
// The top folder of the mount holding folder (canonical, on device dev as fileStatus gives it):
// the highest folder above it on the same device, stopping at a mount point.
[[nodiscard]] std::string mountTop(const std::string& folder, std::uint64_t dev);
// The user's trash at the top folder top: "$top/.Trash/$uid" when "$top/.Trash" is a real folder
// with the sticky bit, else "$top/.Trash-$uid"; made when missing. A user folder there that is a
// link, not a folder or not the user's own is refused (err EACCES, ENOTDIR or ELOOP).
[[nodiscard]] std::optional<Folder> openAtTop(const std::string& top, int& err);
// The trash folder dir itself (not a link), with its files/ and info/.
[[nodiscard]] std::optional<Folder> openFolder(const std::string& dir, int& err);

// Where the number of a taken name goes: "stem.2.ext" (the extension kept, so the entry still
// opens as its kind) or "name.2".
enum class Numbering { BeforeExtension, AtEnd };
// Whether the info file is flushed to the disk before the data is placed.
enum class InfoWrite { Written, Synced };

struct EntryStyle {
  Numbering numbering = Numbering::BeforeExtension;
  InfoWrite info = InfoWrite::Written;
};

// Puts the data of an entry at name in the open files/ folder filesFd, never replacing anything:
// 0, EEXIST when the name is taken (the next one is tried), or another errno.
using PlaceData = std::function<int(int filesFd, const std::string& name)>;

// The name a file called fileName takes in files/ at the given try (1 = its own): cut so that the
// info file's name still fits a folder entry, never inside a UTF-8 sequence; "file" for a name
// that cannot be one.
[[nodiscard]] std::string entryName(const std::string& fileName, int attempt, Numbering numbering);

// Adds an entry for the file fileName whose absolute path is original, under the first name free
// in files/ and info/: its info file (the percent-encoded path, relative to folder.top when the
// folder has one, and the deletion date) is written under a temporary name in info/, locked;
// place puts the data into files/; the info file's rename to its own name (never replacing one)
// completes the entry. Should that name be taken meanwhile, the data moves on to the next name;
// when none is left, unplace takes it out again (without unplace it is removed). A kill leaves at
// worst data with its info file under the temporary name, which the next addEntry in this folder
// (recoverPending) completes. 0 with name set; otherwise errno and nothing is left in the trash.
// With attempt, the names before *attempt are taken for granted (a run that made them knows),
// and *attempt receives the try that was used.
int addEntry(const Folder& folder, const std::string& fileName, const std::string& original,
             const EntryStyle& style, const PlaceData& place, std::string& name, const PlaceData& unplace = {},
             int* attempt = nullptr);

// Completes the entries of folder whose trashing was killed after the data was placed (their
// info file gets its name) and removes info files left under a temporary name without data, and
// copies left under a temporary name in files/. Only what this program provably left
// (own_temporary.h) is touched: files held by a trashing in progress, and any file of a like name
// another program put there, are left alone.
void recoverPending(const Folder& folder);

}  // namespace platform::trash
