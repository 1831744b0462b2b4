// The main window's Favourites menu: the entries from the store, adding through the folder
// dialog, opening, and the organiser.
#include "main_window/widgets/main_form.h"

#include "core/file_paths.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "main_window/favourites.h"
#include "main_window/widgets/favourites_dialog.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/folder_dialog.h"

#include <QAction>
#include <QInputDialog>

namespace mainwin {

void MainForm::refreshFav() {
  seedDesktopFavourite();
  const std::vector<Favourite> list = readFavourites();
  for (int n = 1; n <= kMaxFavourites; ++n) {
    QAction* a = menuFav1_[static_cast<std::size_t>(n)];
    const bool used = n <= static_cast<int>(list.size());
    if (used) a->setText(vb::qs(list[static_cast<std::size_t>(n - 1)].caption));
    a->setVisible(used);
  }
  const bool any = !list.empty();
  action(QStringLiteral("menuAddFav"))->setEnabled(static_cast<int>(list.size()) < kMaxFavourites);
  action(QStringLiteral("menuSep2"))->setVisible(any);
  action(QStringLiteral("menuOrgFav"))->setEnabled(any);
}

void MainForm::menuAddFav() {
  const std::string folder = currentFolder();
  const QString start = !folder.empty() && core::PathExist(folder) ? vb::qpath(folder) : QString();
  (void)uikit::FrmBrowse2::LoadMe(this, start);
}

void MainForm::browseClose(const QString& myPath) {
  const int n = firstFreeFavouriteSlot();
  if (n == 0) return;
  const std::string folder = vb::bpath(myPath);
  const std::string proposed = defaultFavouriteCaption(folder);
  bool ok = false;
  const QString answer = QInputDialog::getText(this, QString(), vb::qs(core::msgMain(106)), QLineEdit::Normal,
                                               vb::qs(proposed), &ok);
  const std::string caption = ok && !answer.isEmpty() ? vb::bs(answer) : proposed;
  storeFavourite(n, folder, caption);
  QAction* a = menuFav1_[static_cast<std::size_t>(n)];
  a->setText(vb::qs(caption));
  a->setVisible(true);
  refreshFav();
}

void MainForm::openFavourite(int n) {
  const FavouriteTarget t = favouriteTarget(n);
  if (t.kind == FavouriteTarget::Missing) core::host().respond(this, "O", core::msgMain(107) + t.folder, "I", "");
  if (t.kind == FavouriteTarget::Open && core::AddSlash(t.folder) != currentFolder()) setCurrentFolder(t.folder);
}

void MainForm::menuOrgFav() {
  frmFav_->open(this, [this] { refreshFav(); });
}

}  // namespace mainwin
