#include "main_window/widgets/favourites_dialog.h"

#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_show.h"
#include "core/widgets/host.h"
#include "ui_kit/ctrl_cmd.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

namespace mainwin {

FrmFav::FrmFav(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmFav"));
  setWindowTitle(QStringLiteral("Organize Favorites"));
  listFav_ = new QListWidget(this);
  listFav_->setObjectName(QStringLiteral("listFav"));
  auto make = [this](const char* name, const char* caption) {
    auto* b = new uikit::CtrlCmd(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setCaption(QString::fromLatin1(caption));
    return b;
  };
  cmdUp_ = make("cmdUp", "Move Up");
  cmdDown_ = make("cmdDown", "Move Down");
  cmdDel_ = make("cmdDel", "Delete");
  cmdClose_ = make("cmdClose", "Close");
  connect(cmdUp_, &uikit::CtrlCmd::Click, this, &FrmFav::cmdUpClick);
  connect(cmdDown_, &uikit::CtrlCmd::Click, this, &FrmFav::cmdDownClick);
  connect(cmdDel_, &uikit::CtrlCmd::Click, this, &FrmFav::cmdDelClick);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmFav::cmdCloseClick);

  auto* buttons = new QVBoxLayout;
  for (auto* b : {cmdUp_, cmdDown_, cmdDel_}) buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(cmdClose_);
  auto* row = new QHBoxLayout(this);
  row->addWidget(listFav_, 1);
  row->addLayout(buttons);
  row->setSizeConstraint(QLayout::SetMinimumSize);
  resize(420, 300);
}

void FrmFav::open(QWidget* owner, std::function<void()> onClosed) {
  owner_ = owner;
  onClosed_ = std::move(onClosed);
  closing_ = false;
  int stateMode = 0;
  core::showForm(this, owner, stateMode, 1, "Fav", 1);
  loadFavourites();
}

void FrmFav::loadFavourites() {
  items_ = readFavourites();
  showItems(-1);
}

void FrmFav::showItems(int select) {
  listFav_->clear();
  for (const auto& f : items_) listFav_->addItem(vb::qs(f.caption));
  listFav_->setCurrentRow(select);
  if (select < 0) listFav_->clearSelection();
}

int FrmFav::selectedOrNotice() {
  const auto sel = listFav_->selectedItems();
  if (sel.isEmpty()) {
    core::host().respond(this, "O", core::msgForm(1), "I", "");
    return -1;
  }
  return listFav_->row(sel.front());
}

void FrmFav::cmdUpClick() {
  const int i = selectedOrNotice();
  if (i <= 0) return;
  std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(i - 1)]);
  showItems(i - 1);
}

void FrmFav::cmdDownClick() {
  const int i = selectedOrNotice();
  if (i < 0 || i + 1 >= static_cast<int>(items_.size())) return;
  std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(i + 1)]);
  showItems(i + 1);
}

void FrmFav::cmdDelClick() {
  const int i = selectedOrNotice();
  if (i < 0) return;
  items_.erase(items_.begin() + i);
  blankFavourite(i + 1);
  showItems(-1);
}

void FrmFav::saveFavourites() {
  if (closing_) return;
  closing_ = true;
  writeFavourites(items_);
  if (onClosed_) onClosed_();
  core::hideForm(this, owner_, 0, 1);
}

void FrmFav::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    saveFavourites();
    return;
  }
  QWidget::keyReleaseEvent(e);
}

void FrmFav::closeEvent(QCloseEvent* e) {
  // The close box saves like Close; hideForm then hides the window itself.
  if (!closing_) {
    e->ignore();
    saveFavourites();
    return;
  }
  QWidget::closeEvent(e);
}

void FrmFav::changeEvent(QEvent* e) {
  if (e->type() == QEvent::WindowStateChange && isMinimized()) core::host().minForm();
  QWidget::changeEvent(e);
}

}  // namespace mainwin
