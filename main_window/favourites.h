// Favourite folders: up to twenty numbered pairs "FavC" n (caption) and "FavP" n (folder) in the
// settings store. The list is the run of slots from 1 up to the first empty caption; every reader
// stops there. The main window's Favourites menu shows it; the organiser (favourites_dialog.h)
// reorders and deletes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mainwin {

inline constexpr int kMaxFavourites = 20;

struct Favourite {
  std::string caption;
  std::string folder;
  friend bool operator==(const Favourite&, const Favourite&) = default;
};

// The stored list, slot 1 first, ending before the first empty caption (at most 20).
[[nodiscard]] std::vector<Favourite> readFavourites();
// The desktop folder with a trailing "/": the XDG desktop folder (user-dirs.dirs) when it exists,
// else the home folder. Never an error text.
[[nodiscard]] std::string desktopFavouriteFolder();
// When "FavC1" is empty: "FavP1" := desktopFavouriteFolder(), "FavC1" := common message 105.
void seedDesktopFavourite();
// The first slot (1..20) whose caption is empty, or 0 when all twenty are used.
[[nodiscard]] int firstFreeFavouriteSlot();
// The caption proposed for a folder: its last component; the whole path when it has none ("/").
[[nodiscard]] std::string defaultFavouriteCaption(std::string_view folder);
// Stores folder under slot n with caption (an empty caption takes the default caption).
void storeFavourite(int n, std::string_view folder, std::string_view caption);
// Rewrites the whole list from slot 1: entries up to the first empty caption are stored, every
// later slot up to 20 is blanked (so no stale entry can reappear after a shorter list).
void writeFavourites(const std::vector<Favourite>& list);
// Blanks slot n's caption and folder.
void blankFavourite(int n);

// What opening slot n leads to.
struct FavouriteTarget {
  enum Kind { Nothing, Open, Missing } kind = Nothing;
  std::string folder;  // Open: the folder to show; Missing: the stored folder (for the message)
};
// The slot's folder when it exists. A desktop favourite (caption message 105 or "Desktop") whose
// folder is gone (or holds no path at all) follows the desktop: desktopFavouriteFolder() is stored
// in the slot and opened. Any other missing folder is Missing, with the stored folder for the
// message. Slots outside 1..20 give Nothing.
[[nodiscard]] FavouriteTarget favouriteTarget(int n);

}  // namespace mainwin
