#include "properties_editor/widgets/frm_main_b.h"

#include "core/companion_start.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "platform/program_link.h"
#include "properties_editor/editor_fields.h"
#include "properties_editor/save_plan.h"
#include "ui_kit/ctrl_calendar.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QApplication>
#include <QCloseEvent>
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
  b->setAccessibleName(QString::fromLatin1(name));
  b->setReadOnly(readOnly);
  return b;
}

QLabel* caption(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setBuddy(buddy);
  return l;
}

uikit::CtrlCheckBox* flagBox(QWidget* parent, const char* name, const QString& text) {
  auto* c = new uikit::CtrlCheckBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setCaption(text);
  c->setFontSize(9);
  return c;
}

uikit::CtrlCmd* button(QWidget* parent, const char* name, const QString& text) {
  auto* c = uikit::CtrlCmd::make(parent, name, text);
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

FrmMainB::FrmMainB(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmMainB"));
  setWindowTitle(QStringLiteral("Corvane Properties Editor"));
  setFont(uikit::faceFont(vb::qs(core::coreState().fontName), 9, false));
  buildWindow();
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

  chkRO_ = flagBox(this, "chkRO", QStringLiteral("&Read Only"));
  chkHidden_ = flagBox(this, "chkHidden", QStringLiteral("&Hidden"));
  chkArchive_ = flagBox(this, "chkArchive", QStringLiteral("&Archive"));
  cmdSave_ = button(this, "cmdSave", QStringLiteral("&Save"));
  cmdCancel_ = button(this, "cmdCancel", QStringLiteral("&Cancel"));

  lblStatus_ = new QLabel(this);
  lblStatus_->setObjectName(QStringLiteral("lblStatus"));
  lblStatus_->setWordWrap(true);
  lblStatus_->setMinimumHeight(36);
  lblStatus_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* grid = new QGridLayout;
  grid->addWidget(caption(this, "lblName", QStringLiteral("&Name:"), txtName_), 0, 0);
  grid->addWidget(txtName_, 0, 1, 1, 3);
  grid->addWidget(caption(this, "lblPath", QStringLiteral("Folder:"), txtPath_), 1, 0);
  grid->addWidget(txtPath_, 1, 1, 1, 3);
  grid->addWidget(caption(this, "lblDos", QStringLiteral("Full path:"), txtDos_), 2, 0);
  grid->addWidget(txtDos_, 2, 1, 1, 3);
  grid->addWidget(caption(this, "lblSize", QStringLiteral("Size:"), txtSize_), 3, 0);
  grid->addWidget(txtSize_, 3, 1, 1, 3);
  grid->addWidget(caption(this, "lblCreate", QStringLiteral("Created:"), txtCreate_), 4, 0);
  grid->addWidget(txtCreate_, 4, 1);
  grid->addWidget(txtCreateT_, 4, 2);
  grid->addWidget(caption(this, "lblMod", QStringLiteral("&Modified:"), txtMod_), 5, 0);
  grid->addWidget(txtMod_, 5, 1);
  grid->addWidget(txtModT_, 5, 2);
  grid->addWidget(caption(this, "lblAccess", QStringLiteral("A&ccessed:"), txtAccess_), 6, 0);
  grid->addWidget(txtAccess_, 6, 1);
  grid->addWidget(txtAccessT_, 6, 2);
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
  setMinimumSize(600, std::max(330, calMain_->height() + 40));

  connect(cmdSave_, &uikit::CtrlCmd::Click, this, &FrmMainB::cmdSave_Click);
  connect(cmdCancel_, &uikit::CtrlCmd::Click, this, &FrmMainB::cmdCancel_Click);
  connect(txtName_, &QLineEdit::textEdited, this, &FrmMainB::onNameEdited);
  for (QLineEdit* t : {txtModT_, txtAccessT_}) {
    connect(t, &QLineEdit::textEdited, this, [this, t] { onTimeEdited(t); });
  }
  // Every box: the date boxes open the calendar, and Esc reaches the window from any of them.
  for (QLineEdit* b : findChildren<QLineEdit*>()) b->installEventFilter(this);
  connect(chkHidden_, &uikit::CtrlCheckBox::NotAbled, this,
          [this] { setStatus("Hidden cannot be cleared: the name starts with \".\"."); });
  connect(chkArchive_, &uikit::CtrlCheckBox::NotAbled, this,
          [this] { setStatus("Archive cannot be set: this file system keeps no extended attributes."); });
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

void FrmMainB::setStatus(const std::string& text) { lblStatus_->setText(shownText(text)); }

void FrmMainB::loadProperties(const std::string& path, bool fromLink) {
  LoadResult r = loadFileProperties(path);
  if (r.file) {
    showFile(*r.file);
    setStatus({});
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
  chkHidden_->setValue(f.hidden ? 1 : 0);
  chkHidden_->setEnabledFlag(!f.hiddenByName);
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
    setStatus("No file is shown.");
    return;
  }
  calMain_->setCalendarShown(false);
  EditorEdits edits;
  // A name that is not valid UTF-8 does not survive the box: unchanged text means the loaded name.
  if (txtName_->text() != shownName_) edits.name = QFile::encodeName(txtName_->text()).toStdString();
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
