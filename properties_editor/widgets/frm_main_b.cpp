#include "properties_editor/widgets/frm_main_b.h"

#include "core/companion_start.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "main_window/edited_name.h"
#include "platform/program_link.h"
#include "properties_editor/editor_fields.h"
#include "properties_editor/save_plan.h"
#include "ui_kit/ctrl_calendar.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/form_texts.h"
#include "ui_kit/look.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace propedit {

namespace {

constexpr int kReportLength = 256;  // "3" + name + NULs: the main program's fixed-size rename report

QString shownText(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

std::string workingFolder() {
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::string("/") : cwd.native();
}

QIcon fileIcon(const std::string& name) {
  // By the name only: the file is never opened to guess its kind.
  static const QMimeDatabase db;
  const QMimeType mime = db.mimeTypeForFile(shownText(name), QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(mime.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  return icon;
}

QLineEdit* box(QWidget* parent, const char* name, bool readOnly) {
  auto* b = new QLineEdit(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setReadOnly(readOnly);
  return b;
}

uikit::CtrlCheckBox* flagBox(QWidget* parent, const char* name) {
  auto* c = new uikit::CtrlCheckBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setFontSize(9);
  return c;
}

uikit::CtrlCmd* button(QWidget* parent, const char* name) {
  auto* c = uikit::CtrlCmd::make(parent, name, QString());
  c->setFontSize(9);
  return c;
}

void setBoxes(QLineEdit* date, QLineEdit* time, const core::SystemTime& t, bool editable) {
  const QString text = QString::fromStdString(formatEditorTime(t));
  date->setText(text.left(10));
  time->setText(text.size() >= 19 ? text.right(8) : QString());
  date->setReadOnly(!editable || !t.known);
  time->setReadOnly(!editable || !t.known);
}

}  // namespace

FrmMainB::FrmMainB(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), texts_(uikit::formSection(kEditorTexts)) {
  setObjectName(QStringLiteral("frmMainB"));
  setWindowTitle(text("frmMainB", "Corvane Properties Editor"));
  setFont(uikit::faceFont(vb::qs(core::coreState().fontName), 9, false));
  buildWindow();
  nameControls();
  applyScheme();
  clearFile();
}

FrmMainB::~FrmMainB() = default;

void FrmMainB::buildWindow() {
  imgIcon_ = new QLabel(this);
  imgIcon_->setObjectName(QStringLiteral("imgIcon"));
  imgIcon_->setFixedSize(40, 40);
  imgIcon_->setAlignment(Qt::AlignCenter);
  txtName_ = box(this, "txtName", false);
  txtPath_ = box(this, "txtPath", true);
  txtSize_ = box(this, "txtSize", true);
  txtDos_ = box(this, "txtDos", true);
  txtCreate_ = box(this, "txtCreate", true);
  txtCreateT_ = box(this, "txtCreateT", true);
  txtMod_ = box(this, "txtMod", false);
  txtModT_ = box(this, "txtModT", false);
  txtAccess_ = box(this, "txtAccess", false);
  txtAccessT_ = box(this, "txtAccessT", false);
  for (QLineEdit* t : {txtCreateT_, txtModT_, txtAccessT_}) t->setFixedWidth(80);
  for (QLineEdit* d : {txtCreate_, txtMod_, txtAccess_}) d->setFixedWidth(100);

  chkRO_ = flagBox(this, "chkRO");
  chkHidden_ = flagBox(this, "chkHidden");
  chkArchive_ = flagBox(this, "chkArchive");
  cmdSave_ = button(this, "cmdSave");
  cmdCancel_ = button(this, "cmdCancel");

  lblStatus_ = new QLabel(this);
  lblStatus_->setObjectName(QStringLiteral("lblStatus"));
  lblStatus_->setWordWrap(true);
  lblStatus_->setMinimumHeight(36);
  lblStatus_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  // The order the date and time boxes are read in, over their columns.
  auto* dateOrder = new QLabel(this);
  dateOrder->setObjectName(QStringLiteral("lblDateOrder"));
  auto* timeOrder = new QLabel(this);
  timeOrder->setObjectName(QStringLiteral("lblTimeOrder"));

  auto* grid = new QGridLayout;
  const auto row = [&](int r, const char* label, QLineEdit* first, QLineEdit* second) {
    auto* l = new QLabel(this);
    l->setObjectName(QString::fromLatin1(label));
    l->setBuddy(first);
    grid->addWidget(l, r, 0);
    if (second) {
      grid->addWidget(first, r, 1);
      grid->addWidget(second, r, 2);
    } else {
      grid->addWidget(first, r, 1, 1, 3);
    }
  };
  row(0, "lblName", txtName_, nullptr);
  row(1, "lblPath", txtPath_, nullptr);
  row(2, "lblDos", txtDos_, nullptr);
  row(3, "lblSize", txtSize_, nullptr);
  grid->addWidget(dateOrder, 4, 1, Qt::AlignBottom);
  grid->addWidget(timeOrder, 4, 2, Qt::AlignBottom);
  row(5, "lblCreate", txtCreate_, txtCreateT_);
  row(6, "lblMod", txtMod_, txtModT_);
  row(7, "lblAccess", txtAccess_, txtAccessT_);
  grid->setColumnStretch(3, 1);

  auto* head = new QHBoxLayout;
  head->addWidget(imgIcon_, 0, Qt::AlignTop);
  head->addLayout(grid, 1);

  auto* flags = new QHBoxLayout;
  flags->addWidget(chkRO_);
  flags->addWidget(chkHidden_);
  flags->addWidget(chkArchive_);
  flags->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdSave_);
  buttons->addWidget(cmdCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addLayout(flags);
  layout->addWidget(lblStatus_);
  layout->addLayout(buttons);

  // The calendar drops down over the window, outside the layout.
  calMain_ = new uikit::CtrlCalendar(this);
  calMain_->setObjectName(QStringLiteral("calMain"));
  calMain_->setCalendarShown(false);
  setMinimumSize(600, std::max(350, calMain_->height() + 40));

  connect(cmdSave_, &uikit::CtrlCmd::Click, this, &FrmMainB::cmdSave_Click);
  connect(cmdCancel_, &uikit::CtrlCmd::Click, this, &FrmMainB::cmdCancel_Click);
  connect(txtName_, &QLineEdit::textEdited, this, &FrmMainB::onNameEdited);
  for (QLineEdit* t : {txtModT_, txtAccessT_}) {
    connect(t, &QLineEdit::textEdited, this, [this, t] { onTimeEdited(t); });
  }
  // Every box: the date boxes open the calendar, and Esc reaches the window from any of them.
  for (QLineEdit* b : findChildren<QLineEdit*>()) b->installEventFilter(this);
  connect(chkHidden_, &uikit::CtrlCheckBox::Click, this, [this] {
    if (!followingName_ && chkHidden_->Enabled()) hiddenChoice_ = chkHidden_->Value() != 0;
  });
  connect(chkHidden_, &uikit::CtrlCheckBox::NotAbled, this,
          [this] { showStatus(text("msg14", "Hidden cannot be cleared: the name starts with \".\".")); });
  connect(chkArchive_, &uikit::CtrlCheckBox::NotAbled, this, [this] {
    showStatus(text("msg15", "Archive cannot be set: this file system keeps no extended attributes."));
  });
}

QString FrmMainB::text(const char* key, const char* fallback) const { return uikit::formText(texts_, key, fallback); }

void FrmMainB::nameControls() {
  // Captions, from the editor's language file (the English ones when it is missing).
  static constexpr std::pair<const char*, const char*> kLabels[] = {
      {"lblName", "&Name:"},       {"lblPath", "Folder:"},    {"lblDos", "Full path:"},
      {"lblSize", "Size:"},        {"lblCreate", "Created:"}, {"lblMod", "&Modified:"},
      {"lblAccess", "Acc&essed:"}};
  for (const auto& [name, fallback] : kLabels) {
    auto* l = findChild<QLabel*>(QString::fromLatin1(name));
    l->setText(text(name, fallback));
    // A box is known by the caption of its row.
    if (auto* buddy = qobject_cast<QLineEdit*>(l->buddy())) {
      buddy->setAccessibleName(uikit::spokenCaption(l->text()));
    }
  }
  findChild<QLabel*>(QStringLiteral("lblDateOrder"))->setText(text("msg1", "mm/dd/yyyy"));
  findChild<QLabel*>(QStringLiteral("lblTimeOrder"))->setText(text("msg2", "hh:mm:ss"));
  chkRO_->setCaption(text("chkRO", "&Read Only"));
  chkHidden_->setCaption(text("chkHidden", "&Hidden"));
  chkArchive_->setCaption(text("chkArchive", "&Archive"));
  cmdSave_->setCaption(text("cmdSave", "&Save"));
  cmdCancel_->setCaption(text("cmdCancel", "&Cancel"));

  // The two boxes of a time share its row's caption: each has a name of its own.
  static constexpr std::tuple<const char*, const char*, const char*> kTimeBoxes[] = {
      {"txtCreate", "msg3", "Created date"},   {"txtCreateT", "msg4", "Created time"},
      {"txtMod", "msg5", "Modified date"},     {"txtModT", "msg6", "Modified time"},
      {"txtAccess", "msg7", "Accessed date"},  {"txtAccessT", "msg8", "Accessed time"}};
  const QString dateOrder = text("msg9", "Month, day, year");
  const QString timeOrder = text("msg10", "Hours, minutes, seconds");
  for (const auto& [name, key, fallback] : kTimeBoxes) {
    auto* b = findChild<QLineEdit*>(QString::fromLatin1(name));
    b->setAccessibleName(text(key, fallback));
    b->setAccessibleDescription(std::string_view(name).ends_with('T') ? timeOrder : dateOrder);
  }
  // The calendar's month and year lists have no caption: a reader would know them by the month or
  // year they show. A label beside each, which the calendar does not draw, names them.
  static constexpr std::tuple<const char*, const char*, const char*> kLists[] = {
      {"comMonth", "msg11", "Month"}, {"comYear", "msg12", "Year"}};
  for (const auto& [name, key, fallback] : kLists) {
    auto* list = calMain_->findChild<QComboBox*>(QString::fromLatin1(name));
    if (!list) continue;
    auto* label = new QLabel(text(key, fallback), list->parentWidget());
    label->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(name).mid(3));
    label->setBuddy(list);
    label->hide();
  }
}

void FrmMainB::applyScheme() {
  const core::CoreState& st = core::coreState();
  for (QLineEdit* b : findChildren<QLineEdit*>()) {
    if (b->isReadOnly()) {
      core::setBackColour(b, st.disabledColor);
      core::setForeColour(b, 0);
    } else {
      core::enableText(b);
    }
  }
}

void FrmMainB::start(const EditorLaunch& launch) {
  launchedAlone_ = launch.launchedAlone;
  if (launch.servesLink) {
    server_ = new platform::LinkServer(this);
    connect(server_, &platform::LinkServer::executed, this, &FrmMainB::formLinkExecute);
    connect(server_, &platform::LinkServer::linkOpened, this, &FrmMainB::formLinkOpened);
    connect(server_, &platform::LinkServer::linkClosed, this, &FrmMainB::formLinkClosed);
    if (!server_->listen(QString::fromLatin1(kEditorLinkApplication), QString::fromLatin1(kEditorLinkTopic))) {
      // Another editor follows the main program already: this one is on its own.
      delete server_;
      server_ = nullptr;
      launchedAlone_ = true;
    }
  }
  if (!launch.path.empty()) loadProperties(launch.path, false);
}

bool FrmMainB::servingLink() const { return server_ && server_->isListening(); }

QString FrmMainB::statusText() const { return lblStatus_->text(); }

void FrmMainB::setStatus(const std::string& text) { showStatus(shownText(text)); }
void FrmMainB::showStatus(const QString& text) { lblStatus_->setText(text); }

void FrmMainB::loadProperties(const std::string& path, bool fromLink) {
  LoadResult r = loadFileProperties(path);
  if (r.file) {
    showFile(*r.file);
    showStatus(QString());
    return;
  }
  if (fromLink && !r.exists) return;
  clearFile();
  setStatus(r.status);
}

void FrmMainB::showFile(const LoadedFile& f) {
  loaded_ = f;
  imgIcon_->setPixmap(fileIcon(f.name).pixmap(32, 32));
  shownName_ = shownText(f.name);
  txtName_->setText(shownName_);
  nameBefore_ = shownName_;
  txtName_->setReadOnly(false);
  txtPath_->setText(shownText(f.folder));
  txtDos_->setText(shownText(f.path));
  txtSize_->setText(QString::fromStdString(sizeText(f.size)));
  setBoxes(txtCreate_, txtCreateT_, f.created, false);
  setBoxes(txtMod_, txtModT_, f.modified, true);
  setBoxes(txtAccess_, txtAccessT_, f.accessed, true);
  chkRO_->setValue(f.readOnly ? 1 : 0);
  chkRO_->setEnabledFlag(true);
  // A dot-name is hidden by its name; a name without one is hidden when the user says so.
  hiddenChoice_ = !f.hiddenByName && f.hidden;
  followName(shownName_);
  chkArchive_->setValue(f.archive ? 1 : 0);
  chkArchive_->setEnabledFlag(f.archiveSupported);
  cmdSave_->setEnabledFlag(true);
  applyScheme();
  Q_EMIT fileShown(QByteArray::fromStdString(f.path));
}

void FrmMainB::clearFile() {
  const bool had = loaded_.has_value();
  loaded_.reset();
  imgIcon_->clear();
  shownName_.clear();
  nameBefore_.clear();
  for (QLineEdit* b : findChildren<QLineEdit*>()) b->clear();
  for (QLineEdit* b : findChildren<QLineEdit*>()) b->setReadOnly(true);
  for (uikit::CtrlCheckBox* c : {chkRO_, chkHidden_, chkArchive_}) {
    c->setValue(0);
    c->setEnabledFlag(false);
  }
  cmdSave_->setEnabledFlag(false);
  calMain_->setCalendarShown(false);
  applyScheme();
  if (had) Q_EMIT fileShown(QByteArray());
}

void FrmMainB::onNameEdited(const QString& text) {
  const MaskedText m = filterTypedName(nameBefore_, text, txtName_->cursorPosition());
  if (m.text != text) {
    txtName_->setText(m.text);
    txtName_->setCursorPosition(m.caret);
  }
  nameBefore_ = m.text;
  followName(m.text);
}

void FrmMainB::followName(const QString& name) {
  const bool byName = name.startsWith(u'.');
  followingName_ = true;
  chkHidden_->setValue(byName || hiddenChoice_ ? 1 : 0);
  chkHidden_->setEnabledFlag(!byName);
  followingName_ = false;
}

void FrmMainB::onTimeEdited(QLineEdit* box) {
  const MaskedText m = maskTimeField(box->text(), box->cursorPosition());
  if (m.text != box->text()) box->setText(m.text);
  box->setCursorPosition(m.caret);
}

void FrmMainB::showCalendar(QLineEdit* box) {
  if (!box || box->isReadOnly()) return;
  calMain_->setBox(box);
  // Beside the row's time box, level with the row where the window allows: the date and time
  // boxes stay in view while a date is picked.
  QLineEdit* time = box == txtMod_ ? txtModT_ : txtAccessT_;
  const QPoint right = time->mapTo(this, QPoint(time->width() + 6, 0));
  const int x = std::clamp(right.x(), 0, std::max(0, width() - calMain_->width()));
  const int y = std::clamp(right.y() - calMain_->height() / 2, 0, std::max(0, height() - calMain_->height()));
  calMain_->move(x, y);
  calMain_->setCalendarShown(true);
  calMain_->raise();
}

bool FrmMainB::eventFilter(QObject* watched, QEvent* e) {
  auto* box = qobject_cast<QLineEdit*>(watched);
  if (!box || (e->type() != QEvent::KeyRelease && e->type() != QEvent::KeyPress && e->type() != QEvent::MouseButtonPress))
    return QWidget::eventFilter(watched, e);
  const auto* key = e->type() == QEvent::MouseButtonPress ? nullptr : static_cast<QKeyEvent*>(e);
  if (key && key->key() == Qt::Key_Escape) {
    if (e->type() == QEvent::KeyRelease) escape();
    return true;
  }
  if ((box == txtMod_ || box == txtAccess_) && (!key || (e->type() == QEvent::KeyPress && !key->text().isEmpty())))
    showCalendar(box);
  return QWidget::eventFilter(watched, e);
}

void FrmMainB::cmdSave_Click() {
  if (!loaded_) {
    showStatus(text("msg16", "No file is shown."));
    return;
  }
  calMain_->setCalendarShown(false);
  EditorEdits edits;
  // A name is bytes; the box holds text. Only the part the user changed comes from the text.
  if (txtName_->text() != shownName_) {
    edits.name = mainwin::nameAfterEdit(loaded_->name, txtName_->text());
    if (!edits.name) {
      showStatus(text("msg13", "Not saved: the part of the name you changed holds \uFFFD, which stands for "
                              "bytes that cannot be shown. Retype that part without it."));
      return;
    }
  }
  edits.modifiedDate = txtMod_->text().toStdString();
  edits.modifiedTime = txtModT_->text().toStdString();
  edits.accessedDate = txtAccess_->text().toStdString();
  edits.accessedTime = txtAccessT_->text().toStdString();
  edits.readOnly = chkRO_->Value() != 0;
  edits.hidden = chkHidden_->Value() != 0;
  edits.archive = chkArchive_->Value() != 0;

  const SavePlan plan = planSave(*loaded_, edits);
  if (!plan.refusal.empty()) {
    setStatus(plan.refusal);
    return;
  }
  const LoadedFile before = *loaded_;
  const SaveOutcome done = applySave(before, plan);
  if (done.renamed || done.ok) {
    const LoadResult now = loadFileProperties(done.path);
    if (now.file) showFile(*now.file);
    else clearFile();
  }
  setStatus(done.status);
  // The main program's list must learn of a rename even when a later step failed.
  if (!launchedAlone_ && (done.ok || done.renamed)) reportRename(done.name);
  if (launchedAlone_ && done.ok) end();
}

void FrmMainB::reportRename(const std::string& name) {
  std::string message = "3" + name;
  if (message.size() < kReportLength) message.append(kReportLength - message.size(), '\0');
  (void)core::linkExecute("Quarrow", "frmMain", message);  // the main program may have closed
}

void FrmMainB::cmdCancel_Click() { end(); }

void FrmMainB::formLinkExecute(const QByteArray& command) {
  launchedAlone_ = false;
  linkCarriedMessage_ = true;
  // A path holding a NUL would name another file to the system: it names none.
  if (command.isEmpty() || command.contains('\0')) return;
  loadProperties(absolutePath(command.toStdString(), workingFolder()), true);
}

void FrmMainB::formLinkOpened() { ++openLinks_; }

void FrmMainB::formLinkClosed() {
  openLinks_ = std::max(0, openLinks_ - 1);
  // A probe that connects and leaves without a message does not end the editor.
  if (openLinks_ == 0 && linkCarriedMessage_) end();
}

void FrmMainB::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    escape();
    return;
  }
  QWidget::keyReleaseEvent(e);
}

void FrmMainB::escape() {
  if (calMain_->calendarShown()) calMain_->setCalendarShown(false);
  else cmdCancel_Click();
}

void FrmMainB::closeEvent(QCloseEvent* e) {
  e->accept();
  end();
}

void FrmMainB::end() {
  if (ending_) return;
  ending_ = true;
  if (server_) server_->close();
  hide();
  if (endProgram_) endProgram_();
  else QCoreApplication::quit();
}

}  // namespace propedit
