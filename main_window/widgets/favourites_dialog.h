// frmFav: the favourites organiser. Lists the captions in stored order; Move Up, Move Down and
// Delete act on the selected item (a delete blanks its stored slot at once); Close and Esc write
// the whole list back, call the main window's refreshFav and close through hideForm.
#pragma once

#include "main_window/favourites.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QListWidget;

namespace uikit {
class CtrlCmd;
}

namespace mainwin {

class FrmFav : public QWidget {
  Q_OBJECT

 public:
  explicit FrmFav(QWidget* parent = nullptr);

  // Shows the organiser for owner (the main window); onClosed runs after the list was written
  // (the main window's refreshFav).
  void open(QWidget* owner, std::function<void()> onClosed);

  // loadFavourites: fills the list from the store.
  void loadFavourites();
  // saveFavourites: writes the list back, refreshes the owner and closes.
  void saveFavourites();

  void cmdUpClick();
  void cmdDownClick();
  void cmdDelClick();
  void cmdCloseClick() { saveFavourites(); }

  [[nodiscard]] std::vector<Favourite> items() const { return items_; }
  [[nodiscard]] QListWidget* list() const { return listFav_; }

 protected:
  void keyReleaseEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  // The selected row, or -1 after telling the user to select one.
  int selectedOrNotice();
  void showItems(int select);

  QListWidget* listFav_;
  uikit::CtrlCmd* cmdUp_;
  uikit::CtrlCmd* cmdDown_;
  uikit::CtrlCmd* cmdDel_;
  uikit::CtrlCmd* cmdClose_;
  std::vector<Favourite> items_;
  QPointer<QWidget> owner_;
  std::function<void()> onClosed_;
  bool closing_ = false;
};

}  // namespace mainwin
