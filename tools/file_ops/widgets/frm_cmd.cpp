// The batch builder's window: its controls and menus, the tabs, the file choice and the Insert
// Tag menus.
#include "tools/file_ops/widgets/frm_cmd.h"

#include "core/date_tokens.h"
#include "core/language_file.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_show.h"
#include "core/widgets/text_controls.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_cmd_register.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/image_list.h"
#include "ui_kit/look.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tools::file_ops {

namespace {

constexpr std::array<const char*, 4> kBoxNames = {"txtHead", "txtFold", "txtFile", "txtTail"};
constexpr std::array<const char*, 4> kOptionNames = {"optAll", "optRead", "optArchive", "optFold"};
constexpr std::array<const char*, 4> kOptionCaptions = {"Work On All Files", "Work On Read Only Files",
                                                        "Work On Archive Files", "Work On Folders"};
constexpr std::array<BatchFilter, 4> kOptionFilters = {BatchFilter::All, BatchFilter::ReadOnly,
                                                       BatchFilter::Archive, BatchFilter::Folders};
// Tab numbers (1-based, as the tab strip's captions are messages 29 to 32).
constexpr int kHeadTab = 1, kFoldTab = 2, kFileTab = 3;

struct DateSourceMenu {
  const char* menu;   // the source's menu
  const char* items;  // the name its format items share
  const char* caption;
  core::DateSource source;
};
constexpr std::array<DateSourceMenu, 4> kDateSources = {{
    {"menuMod", "menuDate1", "File Modified", core::DateSource::Modified},
    {"menuAcc", "menuDate2", "File Last Accessed", core::DateSource::Accessed},
    {"menuCreate", "menuDate3", "File Created", core::DateSource::Created},
    {"menuToday", "menuDate4", "Today", core::DateSource::Today},
}};

QIcon themeIcon(const char* name, QStyle::StandardPixmap fallback) {
  const QIcon icon = QIcon::fromTheme(QLatin1String(name));
  return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

}  // namespace

FrmCmd::FrmCmd() : ToolWindow("frmCmd", "Cmd") {
  const core::CoreState& st = core::coreState();
  todayStamp_ = core::nowDateStamp();
  jobPath_ = st.tempPath + std::string(kJobName);
  buildWindow();
  buildMenus();
  loadAtStart();
}

void FrmCmd::buildWindow() {
  setWindowTitle(QStringLiteral("Create/Run Batch Job"));
  setMinimumSize(uikit::px(7200), uikit::px(5400));
  resize(uikit::px(9000), uikit::px(6600));

  auto* images = new uikit::ImageList(this);
  images->setObjectName(QStringLiteral("imgSet"));
  images->add(themeIcon("document-open", QStyle::SP_DialogOpenButton));
  images->add(themeIcon("document-save", QStyle::SP_DialogSaveButton));
  images->add(themeIcon("system-run", QStyle::SP_MediaPlay));

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(uikit::px(120), uikit::px(60), uikit::px(120), uikit::px(120));
  outer->setMenuBar(new QMenuBar(this));

  auto* buttonRow = new QHBoxLayout();
  const std::array<std::pair<const char*, const char*>, 3> buttons = {
      {{"cmdOpen", "&Load Code"}, {"cmdSaveC", "&Save Code"}, {"cmdCompile", "Compile And &Run"}}};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    auto* b = new uikit::CtrlCmd(this);
    b->setObjectName(QLatin1String(buttons[i].first));
    b->setCaption(QLatin1String(buttons[i].second));
    (void)b->setPicture(static_cast<int>(i) + 1);
    b->setDesignSize(QSize(uikit::px(1800), uikit::px(420)));
    buttons_[i] = b;
    buttonRow->addWidget(b);
  }
  buttonRow->addStretch(1);
  outer->addLayout(buttonRow);
  connect(buttons_[0], &uikit::CtrlCmd::Click, this, &FrmCmd::menuLoad);
  connect(buttons_[1], &uikit::CtrlCmd::Click, this, &FrmCmd::menuSaveC);
  connect(buttons_[2], &uikit::CtrlCmd::Click, this, &FrmCmd::menuRun);

  tabBoxes_ = new QTabBar(this);
  tabBoxes_->setObjectName(QStringLiteral("tabBoxes"));
  tabBoxes_->setExpanding(false);
  for (const char* caption : {"Head", "Each Folder", "Each File", "Tail"}) tabBoxes_->addTab(QLatin1String(caption));
  outer->addWidget(tabBoxes_);
  stack_ = new QStackedWidget(this);
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    auto* box = new QPlainTextEdit(stack_);
    box->setObjectName(QLatin1String(kBoxNames[i]));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setTabChangesFocus(true);  // Tab moves on, as in every other box; a job needs no tab character
    boxes_[i] = box;
    stack_->addWidget(box);
  }
  outer->addWidget(stack_, 1);
  connect(tabBoxes_, &QTabBar::currentChanged, this, [this](int index) { selectTab(index + 1); });

  auto* optionRows = new QVBoxLayout();
  for (int row = 0; row < 2; ++row) {
    auto* line = new QHBoxLayout();
    for (int col = 0; col < 2; ++col) {
      const std::size_t i = static_cast<std::size_t>(row * 2 + col);
      auto* o = new QRadioButton(QLatin1String(kOptionCaptions[i]), this);
      o->setObjectName(QLatin1String(kOptionNames[i]));
      options_[i] = o;
      line->addWidget(o, 1);
      if (i == 0) o->setChecked(true);
      tools::whenChosen(o, [this] { optionChosen(); });
    }
    optionRows->addLayout(line);
  }
  outer->addLayout(optionRows);
}

QAction* FrmCmd::addItem(QMenu* menu, const char* name, const char* caption) {
  QAction* a = menu->addAction(QString::fromUtf8(caption));
  a->setObjectName(QLatin1String(name));
  actions_.insert(a->objectName(), a);
  return a;
}

QMenu* FrmCmd::addMenu(QMenu* parent, const char* name, const char* caption) {
  auto* bar = findChild<QMenuBar*>();
  QMenu* m = parent ? parent->addMenu(QString::fromUtf8(caption)) : bar->addMenu(QString::fromUtf8(caption));
  m->setObjectName(QLatin1String(name));
  actions_.insert(m->objectName(), m->menuAction());
  return m;
}

void FrmCmd::buildMenus() {
  QMenu* file = addMenu(nullptr, "menuFile1", "&File");
  connect(addItem(file, "menuLoad", "&Load Code"), &QAction::triggered, this, &FrmCmd::menuLoad);
  connect(addItem(file, "menuCompile", "&Compile Job"), &QAction::triggered, this, &FrmCmd::menuCompile);
  connect(addItem(file, "menuRun", "Compile And &Run"), &QAction::triggered, this, &FrmCmd::menuRun);
  file->addSeparator();
  connect(addItem(file, "menuEdit", "&Edit Job"), &QAction::triggered, this, &FrmCmd::menuEdit);
  connect(addItem(file, "menuLaunch", "La&unch Job"), &QAction::triggered, this, &FrmCmd::menuLaunch);
  connect(addItem(file, "menuSaveJ", "Save &Job"), &QAction::triggered, this, &FrmCmd::menuSaveJ);
  file->addSeparator();
  connect(addItem(file, "menuSaveC", "&Save Code"), &QAction::triggered, this, &FrmCmd::menuSaveC);
  connect(addItem(file, "menuClear", "Cle&ar"), &QAction::triggered, this, &FrmCmd::menuClear);
  file->addSeparator();
  connect(addItem(file, "menuExit", "E&xit"), &QAction::triggered, this, &FrmCmd::menuExit);

  QMenu* insert = addMenu(nullptr, "menuInsert", "&Insert Tag");
  const auto tagItem = [&](const char* name, const char* caption, const char* tag, bool folderTag) {
    connect(addItem(insert, name, caption), &QAction::triggered, this, [this, tag, folderTag] { insertTag(tag, folderTag); });
  };
  tagItem("menuFile", "File Name Without Extension And Path", "<myFile>", false);
  tagItem("menuExt", "File Extension Without Dot", "<myExt>", false);
  tagItem("menuDos", "Short File Name (The Whole Name)", "<myDosFile>", false);
  insert->addSeparator();
  tagItem("menuPath", "Full Path Without File Name", "<myFold>", true);
  tagItem("menuDosPath", "Short Path Name (The Full Path)", "<myDosFold>", true);
  tagItem("menuFolder", "Folder Name With No Path Information", "<foldNoPath>", true);
  insert->addSeparator();
  QMenu* dates = addMenu(insert, "menuDate", "Add &Date");
  for (const DateSourceMenu& source : kDateSources) {
    QMenu* m = addMenu(dates, source.menu, source.caption);
    dateMenus_.insert(QLatin1String(source.menu), m);
    for (const std::string_view format : core::kDateFormatWords) {
      QAction* a = m->addAction(vb::qs(format));
      a->setObjectName(QLatin1String(source.items));
      const std::string token = core::longDateToken(core::DateTokenStyle::Semicolon, source.source, format);
      connect(a, &QAction::triggered, this, [this, token] { insertAtCursor(token, box(kFileTab)); });
    }
  }

  QMenu* help = addMenu(nullptr, "menuHelp", "&Help");
  connect(addItem(help, "menuContents", "&Contents"), &QAction::triggered, this, &FrmCmd::menuContents);
  enableInsertMenus();
}

QAction* FrmCmd::action(const QString& name) const { return actions_.value(name, nullptr); }

QAction* FrmCmd::dateItem(const QString& sourceMenu, int item) const {
  const QMenu* m = dateMenus_.value(sourceMenu, nullptr);
  if (!m || item < 1 || item > m->actions().size()) return nullptr;
  return m->actions().at(item - 1);
}

void FrmCmd::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);  // reads this window's messages
  // What the window first shows (the last code, or its state file restored over it) counts as
  // saved: both are kept in files.
  if (!shownBefore_) baseline_ = templates();
  shownBefore_ = true;
  for (int tab = 1; tab <= 4; ++tab) {
    const std::string& caption = msg(28 + tab);
    if (!caption.empty()) tabBoxes_->setTabText(tab - 1, vb::qs(caption));
    boxes_[static_cast<std::size_t>(tab - 1)]->setAccessibleName(tabBoxes_->tabText(tab - 1));
  }
}

void FrmCmd::doResize() {
  // The layout follows the window; the size grip's smallest size stays.
}

void FrmCmd::selectTab(int tab) {
  if (tab < 1 || tab > 4) return;
  if (tabBoxes_->currentIndex() != tab - 1) tabBoxes_->setCurrentIndex(tab - 1);  // comes back here
  stack_->setCurrentIndex(tab - 1);
  enableInsertMenus();
}

// The tag items that fit the box on view: file tags in the file template, folder tags in the
// folder and file templates, none in the head and tail, and none for files while the job works on
// folders only.
void FrmCmd::enableInsertMenus() {
  const int tab = tabBoxes_->currentIndex() + 1;
  const bool folders = options_[3]->isChecked();
  const bool fileGroup = tab == kFileTab && !folders;
  const bool folderGroup = tab == kFoldTab || (tab == kFileTab && !folders);
  for (const char* name : {"menuDos", "menuFile", "menuExt", "menuDate"}) actions_.value(QLatin1String(name))->setEnabled(fileGroup);
  for (const char* name : {"menuDosPath", "menuPath", "menuFolder"}) actions_.value(QLatin1String(name))->setEnabled(folderGroup);
}

void FrmCmd::insertTag(const char* tag, bool folderTag) {
  const bool intoFolder = folderTag && tabBoxes_->currentIndex() + 1 == kFoldTab;
  insertAtCursor(tag, box(intoFolder ? kFoldTab : kFileTab));
}

void FrmCmd::insertAtCursor(const std::string& tag, QPlainTextEdit* target) {
  QTextCursor cursor = target->textCursor();
  cursor.insertText(vb::qs(tag));  // replaces the selection; the cursor follows the tag
  target->setTextCursor(cursor);
  target->setFocus();
}

void FrmCmd::optionChosen() {
  QPlainTextEdit* file = box(kFileTab);
  if (options_[3]->isChecked()) {
    core::disableText(file);
  } else {
    core::enableText(file);
  }
  enableInsertMenus();
}

BatchTemplates FrmCmd::templates() const {
  const auto text = [this](int tab) { return vb::bs(box(tab)->toPlainText()); };
  return {.head = text(1), .fold = text(2), .file = text(3), .tail = text(4)};
}

BatchCode FrmCmd::code() const {
  BatchCode c{.templates = templates()};
  for (std::size_t i = 0; i < options_.size(); ++i) {
    if (options_[i]->isChecked()) c.filter = kOptionFilters[i];
  }
  return c;
}

void FrmCmd::setCode(const BatchCode& c) {
  const std::array<const std::string*, 4> texts = {&c.templates.head, &c.templates.fold, &c.templates.file,
                                                   &c.templates.tail};
  for (std::size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->setPlainText(vb::qs(*texts[i]));
  for (std::size_t i = 0; i < options_.size(); ++i) {
    if (kOptionFilters[i] == c.filter) options_[i]->setChecked(true);
  }
  baseline_ = templates();
}

void FrmCmd::setCaptionText(const std::string& text) { setWindowTitle(vb::qs(text)); }

std::string FrmCmd::message(int n) const { return messages().empty() ? core::readFormMessages(shortName())(n) : msg(n); }

void registerCmdTool() {
  mainwin::registerToolForm("frmCmd", [] { return new FrmCmd(); });
}

}  // namespace tools::file_ops
