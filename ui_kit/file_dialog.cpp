#include "ui_kit/file_dialog.h"

#include "core/file_paths.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/host.h"
#include "core/widgets/tool_form.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/look.h"
#include "ui_kit/message_box.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include <algorithm>

namespace uikit {

namespace {

QPointer<FrmBrowse>& openDialog() {
  static QPointer<FrmBrowse> d;
  return d;
}

std::string recentKey(int place) { return "lastFile" + std::to_string(place); }

}  // namespace

RecentFiles addRecent(const RecentFiles& list, const std::string& p) {
  if (p.empty() || p.size() >= kRecentLimit) return list;
  RecentFiles out = list;
  auto found = std::find(out.begin(), out.end(), p);
  if (found == out.end()) found = out.end() - 1;
  std::rotate(out.begin(), found, found + 1);
  out[0] = p;
  return out;
}

RecentFiles readRecent() {
  RecentFiles list;
  for (int i = 0; i < 9; ++i) list[static_cast<std::size_t>(i)] = core::getSet(recentKey(i + 1));
  return list;
}

void writeRecent(const RecentFiles& list) {
  for (int i = 0; i < 9; ++i) core::saveSet(recentKey(i + 1), list[static_cast<std::size_t>(i)]);
}

std::string withTypeExtension(const std::string& path, const std::string& typeEntry, bool allFiles) {
  if (allFiles) return path;
  const std::string ext = core::RetAftLast(".", typeEntry);
  if (ext.empty() || ext.find_first_of("*?") != std::string::npos) return path;
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.find('.') != std::string::npos) return path;
  return path + "." + ext;
}

FrmBrowse* FrmBrowse::current() { return openDialog().data(); }

FrmBrowse::FrmBrowse(QWidget* parent) : UnloadingWindow(parent, true) {
  setObjectName(QStringLiteral("frmBrowse"));
  resize(px(6600), px(5400));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(px(120), px(60), px(120), px(120));
  auto* bar = new QMenuBar(this);
  outer->setMenuBar(bar);
  recentMenu_ = bar->addMenu(QStringLiteral("Recent"));
  recentMenu_->menuAction()->setObjectName(QStringLiteral("menuRecent1"));
  menuClear_ = recentMenu_->addAction(QStringLiteral("Clear"));
  menuClear_->setObjectName(QStringLiteral("menuClear"));
  menuSep_ = recentMenu_->addSeparator();
  menuSep_->setObjectName(QStringLiteral("menuSep"));
  for (int i = 0; i < 9; ++i) {
    QAction* a = recentMenu_->addAction(QString());
    a->setObjectName(QStringLiteral("menuRecent"));
    a->setVisible(false);
    connect(a, &QAction::triggered, this, [this, a] { accept(vb::bpath(a->data().toString())); });
    menuRecent_[static_cast<std::size_t>(i)] = a;
  }
  menuDesktop_ = bar->addAction(QStringLiteral("Desktop"));
  menuDesktop_->setObjectName(QStringLiteral("menuDesktop"));
  connect(menuClear_, &QAction::triggered, this, &FrmBrowse::menuClearClick);
  connect(menuDesktop_, &QAction::triggered, this, &FrmBrowse::menuDesktopClick);

  lblFormIs_ = new QLabel(this);
  lblFormIs_->setObjectName(QStringLiteral("lblFormIs"));
  outer->addWidget(lblFormIs_);

  auto* panes = new QHBoxLayout();
  dir1_ = new CtrlTreeDir(this);
  dir1_->setObjectName(QStringLiteral("dir1"));
  panes->addWidget(dir1_, 1);
  auto* framList = new QWidget(this);
  framList->setObjectName(QStringLiteral("framList"));
  auto* listLayout = new QVBoxLayout(framList);
  listLayout->setContentsMargins(0, 0, 0, 0);
  fileBrowse_ = new QListWidget(framList);
  fileBrowse_->setObjectName(QStringLiteral("FileBrowse"));
  listLayout->addWidget(fileBrowse_);
  panes->addWidget(framList, 1);
  outer->addLayout(panes, 1);

  auto* grid = new QGridLayout();
  lbl1_ = new QLabel(QStringLiteral("File Name:"), this);
  lbl1_->setObjectName(QStringLiteral("lbl1"));
  txtFileName_ = new QLineEdit(this);
  txtFileName_->setObjectName(QStringLiteral("txtFileName"));
  txtFileName_->installEventFilter(this);
  auto* framComType = new QWidget(this);
  framComType->setObjectName(QStringLiteral("framComType"));
  auto* typeLayout = new QHBoxLayout(framComType);
  typeLayout->setContentsMargins(0, 0, 0, 0);
  comType_ = new QComboBox(framComType);
  comType_->setObjectName(QStringLiteral("comType"));
  typeLayout->addWidget(comType_);
  cmdStart_ = new CtrlCmd(this);
  cmdStart_->setObjectName(QStringLiteral("cmdStart"));
  cmdStart_->setDesignSize({px(1095), px(375)});
  cmdClose_ = new CtrlCmd(this);
  cmdClose_->setObjectName(QStringLiteral("cmdClose"));
  cmdClose_->setCaption(QStringLiteral("&Close"));
  cmdClose_->setDesignSize({px(1095), px(375)});
  grid->addWidget(lbl1_, 0, 0);
  grid->addWidget(txtFileName_, 0, 1);
  grid->addWidget(cmdStart_, 0, 2);
  grid->addWidget(framComType, 1, 1);
  grid->addWidget(cmdClose_, 1, 2);
  outer->addLayout(grid);

  connect(cmdStart_, &CtrlCmd::Click, this, [this] { accept(); });
  connect(cmdClose_, &CtrlCmd::Click, this, &FrmBrowse::unload);
  connect(dir1_, &CtrlTreeDir::Change, this, &FrmBrowse::refreshFiles);
  connect(fileBrowse_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { txtFileName_->setText(item->text()); });
  connect(fileBrowse_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    txtFileName_->setText(item->text());
    accept();
  });
  connect(comType_, &QComboBox::activated, this, [this](int index) {
    pattern_ = index <= 0 ? QStringLiteral("*") : comType_->itemText(index);
    refreshFiles();
  });
  // A bare name: only "/" cannot be part of a Linux file name.
  connect(txtFileName_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (t.contains(QLatin1Char('/'))) {
      const int cursor = txtFileName_->cursorPosition();
      txtFileName_->setText(QString(t).remove(QLatin1Char('/')));
      txtFileName_->setCursorPosition(std::max(0, cursor - 1));
    }
  });
  connect(txtFileName_, &QLineEdit::returnPressed, this, [this] { accept(); });
}

FrmBrowse* FrmBrowse::LoadMe(QWidget* myRef, const QString& formType, const QString& fileName,
                             const QString& filePat) {
  FrmBrowse* d = openDialog();
  if (!d) {
    d = new FrmBrowse();
    openDialog() = d;
  }
  core::Host& h = core::host();
  h.addForm(d);
  d->mode_ = formType;
  d->setWindowIcon(h.icon());
  d->opener_ = myRef;
  int stateMode = 1;
  core::loadForm(d, stateMode, {}, "Browse");
  d->pattern_ = filePat.isEmpty() ? QStringLiteral("*") : filePat;
  d->comType_->clear();
  d->comType_->addItem(vb::qs(core::msgMain(3)));
  if (!filePat.isEmpty()) d->comType_->addItem(filePat);
  d->comType_->setCurrentIndex(filePat.isEmpty() ? 0 : 1);
  if (myRef) myRef->setEnabled(false);

  const bool save = d->isSaveMode();
  d->setWindowTitle(vb::qs(core::msgMain(save ? 7 : 4)));
  d->cmdStart_->setCaption(vb::qs(core::msgMain(save ? 8 : 5)));
  d->lblFormIs_->setText(vb::qs(core::msgMain(save ? 9 : 6)));
  const std::string last = core::getSet(save ? "vardlsp" : "vardLast");
  const std::size_t slash = last.rfind('/');
  std::string name = slash == std::string::npos ? std::string() : last.substr(slash + 1);
  std::string folder = slash == std::string::npos ? std::string() : last.substr(0, slash + 1);
  if (folder.empty()) folder = core::coreState().appPath;
  if (!fileName.isEmpty()) {
    name = vb::bpath(fileName);
    if (name.front() == '/') {
      const std::size_t cut = name.rfind('/');
      folder = name.substr(0, cut + 1);
      name = name.substr(cut + 1);
    }
  }
  d->txtFileName_->setText(vb::qpath(name));
  d->dir1_->setWords(treeWordsFor("Browse"));
  d->dir1_->setPathBytes(QByteArray::fromStdString(folder));
  d->dir1_->Initialize();
  d->dir1_->setPathBytes(QByteArray::fromStdString(folder));
  d->buildRecentMenu();
  d->refreshFiles();
  if (h.sMenuOpa() && myRef) h.formOpacity(myRef, true);
  d->show();
  d->raise();
  d->activateWindow();
  d->txtFileName_->setFocus();
  return d;
}

std::string FrmBrowse::folder() const {
  const QByteArray p = dir1_->pathBytes();
  if (p.isEmpty() || p.front() != '/') return {};
  return core::AddSlash(p.toStdString());
}

void FrmBrowse::refreshFiles() {
  fileBrowse_->clear();
  const std::string f = folder();
  if (f.empty()) return;
  QDir dir(vb::qpath(f));
  const QStringList patterns = pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  dir.setNameFilters(patterns.isEmpty() ? QStringList{QStringLiteral("*")} : patterns);
  dir.setFilter(QDir::Files | QDir::CaseSensitive);
  dir.setSorting(QDir::Name);
  fileBrowse_->addItems(dir.entryList());
}

QAction* FrmBrowse::recentItem(int place) const {
  if (place < 1 || place > 9) return nullptr;
  return menuRecent_[static_cast<std::size_t>(place - 1)];
}

void FrmBrowse::buildRecentMenu() {
  RecentFiles list = readRecent();
  bool any = false;
  for (std::size_t i = 0; i < list.size(); ++i) {
    QAction* a = menuRecent_[i];
    const bool shown = !list[i].empty() && core::FileExist(list[i]) != 0 && core::PathExist(list[i]) == 0;
    if (shown) {
      const QString path = vb::qpath(list[i]);
      a->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
      a->setData(path);
      any = true;
    } else if (!list[i].empty()) {
      list[i].clear();
      core::saveSet(recentKey(static_cast<int>(i) + 1), "");
    }
    a->setVisible(shown);
  }
  menuSep_->setVisible(any);
}

void FrmBrowse::menuClearClick() {
  writeRecent(RecentFiles{});
  buildRecentMenu();
}

void FrmBrowse::menuDesktopClick() {
  const std::string desktop = core::GetDesktop();
  if (desktop == "A_Err") {
    respond(this, "O", core::msgMain(2), "E", "");
    return;
  }
  dir1_->setPathBytes(QByteArray::fromStdString(desktop));
}

void FrmBrowse::accept(const std::string& given) {
  std::string path = given;
  if (path.empty()) {
    const std::string f = folder();
    const std::string name = vb::bpath(txtFileName_->text());
    if (f.empty() || name.empty()) return;
    path = f + name;
  }
  if (core::PathExist(path) != 0) {
    dir1_->setPathBytes(QByteArray::fromStdString(path));
    txtFileName_->clear();
    refreshFiles();
    return;
  }
  path = withTypeExtension(path, vb::bs(comType_->currentText()), comType_->currentIndex() <= 0);
  auto* form = dynamic_cast<core::ToolForm*>(opener_.data());
  std::uint8_t answer = 1;
  if (isSaveMode()) {
    setEnabled(false);
    core::saveSet("vardlsp", path);
    if (form) answer = form->saveHandle(vb::qpath(path));
  } else if (core::FileExist(path) != 0) {
    core::saveSet("vardLast", path);
    setEnabled(false);
    if (form) answer = form->loadHandle(vb::qpath(path));
  } else {
    respond(this, "O", core::msgMain(1) + path, "E", "");
    refused();
    return;
  }
  if (answer == 0) {
    writeRecent(addRecent(readRecent(), path));
    unload();
    return;
  }
  refused();
}

void FrmBrowse::refused() {
  if (isUnloading() || !isVisible()) return;
  refreshFiles();
  setEnabled(true);
  activateWindow();
  txtFileName_->setFocus();
}

void FrmBrowse::unloadWindow() {
  core::Host& h = core::host();
  if (opener_) opener_->setEnabled(true);
  if (h.sMenuOpa() && opener_) h.formOpacity(opener_, false);
  hide();
  if (opener_ && opener_->isVisible()) {
    opener_->activateWindow();
    opener_->setFocus();
  }
  h.remForm(this);
  (void)core::saveFormState(this, std::string_view{}, 1);
  if (openDialog() == this) openDialog() = nullptr;
}


bool FrmBrowse::eventFilter(QObject* watched, QEvent* e) {
  if (watched == txtFileName_ && e->type() == QEvent::FocusIn) {
    QMetaObject::invokeMethod(txtFileName_, &QLineEdit::selectAll, Qt::QueuedConnection);
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace uikit
