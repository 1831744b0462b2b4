#include "main_window/favourites.h"

#include "core/file_paths.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "platform/fs.h"
#include "platform/program_paths.h"

namespace mainwin {

namespace {

std::string key(const char* prefix, int n) { return prefix + std::to_string(n); }

}  // namespace

std::vector<Favourite> readFavourites() {
  std::vector<Favourite> list;
  for (int n = 1; n <= kMaxFavourites; ++n) {
    std::string caption = core::getSet(key("FavC", n));
    if (caption.empty()) break;
    list.push_back({std::move(caption), core::getSet(key("FavP", n))});
  }
  return list;
}

std::string desktopFavouriteFolder() {
  // Where no desktop folder is set up (or it is gone), the desktop is the home folder, as
  // xdg-user-dir answers.
  std::string d = platform::desktopFolder();
  if (d.empty() || core::PathExist(d) == 0) d = platform::homeDir();
  return core::AddSlash(d);
}

void seedDesktopFavourite() {
  if (!core::getSet("FavC1").empty()) return;
  core::saveSet("FavP1", desktopFavouriteFolder());
  core::saveSet("FavC1", core::msgMain(105));
}

int firstFreeFavouriteSlot() {
  for (int n = 1; n <= kMaxFavourites; ++n) {
    if (core::getSet(key("FavC", n)).empty()) return n;
  }
  return 0;
}

std::string defaultFavouriteCaption(std::string_view folder) {
  std::string_view f = folder;
  while (f.size() > 1 && f.back() == '/') f.remove_suffix(1);
  std::string last = core::RetAftLast("/", f);
  return last.empty() ? std::string(folder) : last;
}

void storeFavourite(int n, std::string_view folder, std::string_view caption) {
  if (n < 1 || n > kMaxFavourites) return;
  core::saveSet(key("FavP", n), folder);
  core::saveSet(key("FavC", n), caption.empty() ? defaultFavouriteCaption(folder) : std::string(caption));
}

void writeFavourites(const std::vector<Favourite>& list) {
  bool ended = false;
  for (int n = 1; n <= kMaxFavourites; ++n) {
    const std::size_t i = static_cast<std::size_t>(n - 1);
    if (!ended && i < list.size() && !list[i].caption.empty()) {
      core::saveSet(key("FavC", n), list[i].caption);
      core::saveSet(key("FavP", n), list[i].folder);
    } else {
      ended = true;
      if (!core::getSet(key("FavC", n)).empty() || !core::getSet(key("FavP", n)).empty()) blankFavourite(n);
    }
  }
}

FavouriteTarget favouriteTarget(int n) {
  if (n < 1 || n > kMaxFavourites) return {};
  std::string folder = core::getSet(key("FavP", n));
  if (core::PathExist(folder) != 0) return {FavouriteTarget::Open, std::move(folder)};
  const std::string caption = core::getSet(key("FavC", n));
  if (caption != core::msgMain(105) && caption != "Desktop") return {FavouriteTarget::Missing, std::move(folder)};
  const std::string desktop = desktopFavouriteFolder();
  if (core::PathExist(desktop) == 0) return {FavouriteTarget::Missing, std::move(folder)};
  core::saveSet(key("FavP", n), desktop);
  return {FavouriteTarget::Open, desktop};
}

void blankFavourite(int n) {
  core::saveSet(key("FavC", n), "");
  core::saveSet(key("FavP", n), "");
}

}  // namespace mainwin
