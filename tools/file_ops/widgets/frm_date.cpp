#include "tools/file_ops/widgets/frm_date.h"

#include "core/file_times.h"
#include "core/text_routines.h"
#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_date_attrib_tools.h"
#include "tools/file_ops/widgets/frm_date_attrib_controls.h"
#include "ui_kit/ctrl_calendar.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tools::file_ops {

using tools::text::makeButton;
using tools::text::makeCheck;
using tools::text::makeFrame;

namespace {

constexpr int kCreatedDate = 0, kCreatedTime = 1;

bool isTimeBox(int index) { return index % 2 == 1; }
DateKind timeOfBox(int index) {
  return index < 2 ? DateKind::Created : index < 4 ? DateKind::Modified : DateKind::Accessed;
}

QComboBox* makeList(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
  auto* c = new QComboBox(parent);
  c->setSizeAdjustPolicy(QComboBox::AdjustToContents);  // the items change with the language
  c->setObjectName(QString::fromLatin1(name));
  for (const char* item : items) c->addItem(QString::fromUtf8(item));
  return c;
}

}  // namespace

FrmDate::FrmDate() : ToolWindow("frmDate", "Date") {
  setWindowTitle(QStringLiteral("Date And Time Stamps"));
  auto* main = new QVBoxLayout(this);

  addModeRow(this, main, optChange_, "optChange", "Set Dates And Times", optAdd_, "optAdd", "Add Or Subtract Time");

  // Six boxes, in the order of the box indexes: created, modified, accessed; each date, then time.
  framChange_ = makeFrame(this, "framChange", "");
  auto* grid = new QGridLayout(framChange_);
  static constexpr std::array<const char*, 6> kChecks = {"chkCreate", "chkCreateT", "chkModify",
                                                         "chkModifyT", "chkAccess", "chkAccessT"};
  static constexpr std::array<const char*, 6> kBoxes = {"txtCreate", "txtCreateT", "txtModify",
                                                        "txtModifyT", "txtAccess", "txtAccessT"};
  static constexpr std::array<const char*, 6> kCaptions = {"Created", "Time", "Modified", "Time", "Accessed", "Time"};
  const QDate today = QDate::currentDate();
  const QString todayText = vb::qs(core::padZero(today.month(), 2) + "/" + core::padZero(today.day(), 2) + "/" +
                                   std::to_string(today.year()));
  auto* scratch = new QHBoxLayout;  // makeCheck adds to a layout; the grid places the boxes
  for (int i = 0; i < 6; ++i) {
    const auto u = static_cast<std::size_t>(i);
    chk_[u] = makeCheck(framChange_, scratch, kChecks[u], kCaptions[u]);
    txt_[u] = new QLineEdit(framChange_);
    txt_[u]->setObjectName(QString::fromLatin1(kBoxes[u]));
    txt_[u]->setText(isTimeBox(i) ? QStringLiteral("00:00:00") : todayText);
    txt_[u]->setMaxLength(isTimeBox(i) ? 9 : 10);
    const int width = txt_[u]->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000"));
    txt_[u]->setMinimumWidth(width + 12);
    cmdIns_[u] = makeButton(framChange_, "cmdIns", "<>");
    cmdIns_[u]->setFixedWidth(cmdIns_[u]->sizeHint().height() + 8);
    const int row = i / 2, col = isTimeBox(i) ? 4 : 0;
    grid->addWidget(chk_[u], row, col);
    grid->addWidget(txt_[u], row, col + 1);
    grid->addWidget(cmdIns_[u], row, col + 2);
    connect(cmdIns_[u], &uikit::CtrlCmd::Click, this, [this, i] {
      QMenu* menu = insertMenu(i);
      menu->popup(cmdIns_[static_cast<std::size_t>(i)]->mapToGlobal(QPoint(0, cmdIns_[static_cast<std::size_t>(i)]->height())));
    });
    connect(chk_[u], &uikit::CtrlCheckBox::Click, this, &FrmDate::follow);
    if (isTimeBox(i)) {
      connect(txt_[u], &QLineEdit::textEdited, this, [this, u] { fixTime(txt_[u]); });
    } else {
      txt_[u]->installEventFilter(this);
    }
  }
  delete scratch;
  grid->setColumnMinimumWidth(3, 12);
  grid->setColumnStretch(7, 1);
  // The boxes read month first whatever the language: say so where they are typed.
  lblOrder_ = new QLabel(QStringLiteral("Dates are typed month first: mm/dd/yyyy"), framChange_);
  lblOrder_->setObjectName(QStringLiteral("lblOrder"));
  lblOrder_->setWordWrap(true);
  grid->addWidget(lblOrder_, 3, 0, 1, 8);
  lblCreate_ = new QLabel(QStringLiteral("The creation time cannot be changed on Linux."), framChange_);
  lblCreate_->setObjectName(QStringLiteral("lblCreate"));
  lblCreate_->setWordWrap(true);
  grid->addWidget(lblCreate_, 4, 0, 1, 8);
  main->addWidget(framChange_);

  framInc_ = makeFrame(this, "framInc", "");
  auto* incRow = new QHBoxLayout(framInc_);
  comAddMinus_ = makeList(framInc_, "comAddMinus", {"Add", "Subtract"});
  txtAdd_ = new QLineEdit(QStringLiteral("1"), framInc_);
  txtAdd_->setObjectName(QStringLiteral("txtAdd"));
  txtAdd_->setMaxLength(5);
  txtAdd_->setFixedWidth(txtAdd_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
  comType_ = makeList(framInc_, "comType", {"Seconds", "Minutes", "Hours", "Days", "Months", "Years"});
  lblTo_ = new QLabel(QStringLiteral("to the time"), framInc_);
  lblTo_->setObjectName(QStringLiteral("lblTo"));
  comDatType_ = makeList(framInc_, "comDatType", {"Created", "Modified", "Accessed"});
  for (QWidget* w : std::initializer_list<QWidget*>{comAddMinus_, txtAdd_, comType_, lblTo_, comDatType_}) incRow->addWidget(w);
  incRow->addStretch(1);
  // The creation time cannot be set: offered for the saved states' indexes, never choosable.
  if (auto* model = qobject_cast<QStandardItemModel*>(comDatType_->model())) model->item(0)->setEnabled(false);
  comDatType_->setCurrentIndex(1);
  connect(txtAdd_, &QLineEdit::textChanged, this, &FrmDate::fixAmount);
  main->addWidget(framInc_);

  addStartClose(this, main, cmdStart_, cmdClose_);

  static constexpr std::array<std::pair<const char*, const char*>, 6> kBoxNames = {
      {{"menuCreated", "Created Date"}, {"menuTimeCreated", "Created Time"}, {"menuModified", "Modified Date"},
       {"menuTimeModified", "Modified Time"}, {"menuAccessed", "Accessed Date"}, {"menuTimeAccessed", "Accessed Time"}}};
  for (std::size_t i = 0; i < 6; ++i) {
    if (isTimeBox(static_cast<int>(i))) readAs(chk_[i], {{kBoxNames[i].first, kBoxNames[i].second}});  // each "Time"
    readAs(txt_[i], {{kBoxNames[i].first, kBoxNames[i].second}});
    readAs(cmdIns_[i], {{"accInsert", "Insert"}, txt_[i]});
  }
  readAs(comAddMinus_, {{"accAddMinus", "Add or subtract"}});
  readAs(txtAdd_, {{"accAmount", "Amount"}});
  readAs(comType_, {{"accUnit", "Unit"}});
  readAs(comDatType_, {lblTo_});
  readAs(framChange_, {optChange_});  // the panels have no title of their own
  readAs(framInc_, {optAdd_});

  menuDate_ = new QMenu(this);
  menuDate_->setObjectName(QStringLiteral("menuDate"));
  static constexpr std::array<const char*, 6> kEntries = {"menuCreated", "menuModified", "menuAccessed",
                                                          "menuTimeCreated", "menuTimeModified", "menuTimeAccessed"};
  static constexpr std::array<const char*, 6> kEntryCaptions = {"Created Date", "Modified Date", "Accessed Date",
                                                                "Created Time", "Modified Time", "Accessed Time"};
  for (std::size_t e = 0; e < 6; ++e) {
    menuEntries_[e] = menuDate_->addAction(QString::fromUtf8(kEntryCaptions[e]));
    menuEntries_[e]->setObjectName(QString::fromLatin1(kEntries[e]));
    const DateKind source = e % 3 == 0 ? DateKind::Created : e % 3 == 1 ? DateKind::Modified : DateKind::Accessed;
    connect(menuEntries_[e], &QAction::triggered, this, [this, source, e] { insertTag(source, e >= 3); });
  }

  calMain_ = new uikit::CtrlCalendar(this);
  calMain_->setObjectName(QStringLiteral("calMain"));
  calMain_->hide();

  tools::whenChosen(optChange_, [this] { follow(); });
  tools::whenChosen(optAdd_, [this] { follow(); });
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmDate::start);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmDate::closeForm);
  follow();
}

void FrmDate::follow() {
  if (following_) return;  // unticking a box raises its Click again
  following_ = true;
  for (int i : {kCreatedDate, kCreatedTime}) chk_[static_cast<std::size_t>(i)]->setValue(0);
  for (std::size_t i = 0; i < 6; ++i) {
    const bool creation = i <= static_cast<std::size_t>(kCreatedTime);
    const bool on = chk_[i]->Value() != 0;
    chk_[i]->setEnabledFlag(!creation);
    if (on) {
      core::enableText(txt_[i]);
    } else {
      if (calMain_->target() == txt_[i]) calMain_->setCalendarShown(false);
      core::disableText(txt_[i]);
    }
    cmdIns_[i]->setEnabled(on);
  }
  const bool change = optChange_->isChecked();
  if (!change) calMain_->setCalendarShown(false);
  framChange_->setVisible(change);
  framInc_->setVisible(!change);
  following_ = false;
  fitHeight();
}

void FrmDate::fitHeight() {
  QTimer::singleShot(0, this, [this] {
    if (isMaximized()) return;
    int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : sizeHint().height();
    // A dropped calendar takes room of its own: the Start and Close row goes below it.
    if (calMain_->calendarShown()) {
      const int below = layout()->spacing() + cmdStart_->sizeHint().height() + layout()->contentsMargins().bottom();
      height = std::max(height, calMain_->geometry().bottom() + 1 + below);
    }
    resize(width(), height);
  });
}

void FrmDate::doResize() {}

void FrmDate::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);
  // The lists' items are the window's messages 17..27, in every language.
  const auto fill = [this](QComboBox* c, int first) {
    for (int i = 0; i < c->count(); ++i) {
      const std::string& text = msg(first + i);
      if (!text.empty()) c->setItemText(i, vb::qs(text));
    }
  };
  fill(comType_, 17);
  fill(comDatType_, 23);
  fill(comAddMinus_, 26);
  for (std::size_t i = 0; i < txt_.size(); ++i) {
    if (!isTimeBox(static_cast<int>(i))) txt_[i]->setAccessibleDescription(lblOrder_->text());
  }
  follow();
}

QMenu* FrmDate::insertMenu(int index) {
  insIndex_ = index;
  const bool timeBox = isTimeBox(index);
  const DateKind own = timeOfBox(index);
  for (std::size_t e = 0; e < 6; ++e) {
    const DateKind source = e % 3 == 0 ? DateKind::Created : e % 3 == 1 ? DateKind::Modified : DateKind::Accessed;
    menuEntries_[e]->setVisible((e >= 3) == timeBox && source != own);
  }
  return menuDate_;
}

void FrmDate::insertTag(DateKind source, bool timeBox) {
  if (isTimeBox(insIndex_) != timeBox || timeOfBox(insIndex_) == source) return;
  txt_[static_cast<std::size_t>(insIndex_)]->setText(QString::fromLatin1(dateTag(source, timeBox)));
}

void FrmDate::pickDate(QLineEdit* box) {
  const QSize size = calMain_->sizeHint();
  calMain_->resize(size);
  const QPoint below = box->mapTo(this, QPoint(0, box->height()));
  calMain_->move(std::clamp(below.x(), 0, std::max(0, width() - size.width())), below.y());
  calMain_->raise();
  calMain_->setBox(box);
  fitHeight();
}

void FrmDate::fixTime(QLineEdit* box) {
  const TimeBoxEdit e = fixTimeText(vb::bs(box->text()), box->cursorPosition());
  if (vb::qs(e.text) != box->text()) box->setText(vb::qs(e.text));
  box->setCursorPosition(e.caret);
}

void FrmDate::fixAmount() {
  const QString text = txtAdd_->text();
  const QString digits = vb::qs(core::FilterTxt(vb::bs(text), "0123456789"));
  if (digits != text) {
    txtAdd_->setText(digits);
    txtAdd_->setCursorPosition(static_cast<int>(digits.size()));
    return;  // the change comes back here once more
  }
  if (vb::ValInt(vb::bs(digits)) == 0) {
    txtAdd_->setText(QStringLiteral("1"));
    txtAdd_->setCursorPosition(1);
  }
}

bool FrmDate::eventFilter(QObject* watched, QEvent* event) {
  // A date box drops the calendar down when clicked or typed into; the key still reaches the box.
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
    if (auto* box = qobject_cast<QLineEdit*>(watched); box && box->isEnabled()) {
      const auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
      // Esc closes the calendar dropped from the box first, as a drop-down list's Esc does.
      if (key && key->key() == Qt::Key_Escape && calMain_->calendarShown()) {
        calMain_->closeCalendar();
        return true;
      }
      // Keys that leave the box or close the window do not drop it.
      const bool passing = key && (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Tab ||
                                   key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::AltModifier));
      if (!passing) pickDate(box);
    }
  }
  return ToolWindow::eventFilter(watched, event);
}

void FrmDate::mousePressEvent(QMouseEvent* e) {
  calMain_->setCalendarShown(false);
  ToolWindow::mousePressEvent(e);
}

void FrmDate::closing() { calMain_->setCalendarShown(false); }

DateOptions FrmDate::readOptions() const {
  const tools::text::MainBoxes boxes = tools::text::mainBoxes(mainForm());
  const auto box = [this](std::size_t i) {
    return DateBoxText{.ticked = chk_[i]->Value() != 0, .text = vb::bs(txt_[i]->text())};
  };
  const int unit = comType_->currentIndex();
  const int which = comDatType_->currentIndex();
  return {.mode = optAdd_->isChecked() ? DateMode::Shift : DateMode::Change,
          .change = {.createdDate = box(0), .createdTime = box(1), .modifiedDate = box(2),
                     .modifiedTime = box(3), .accessedDate = box(4), .accessedTime = box(5)},
          .shift = {.amount = vb::bs(txtAdd_->text()),
                    .unit = unit >= 1 && unit <= 5 ? static_cast<DateUnit>(unit) : DateUnit::Seconds,
                    .which = which == 0 ? DateKind::Created : which == 2 ? DateKind::Accessed : DateKind::Modified,
                    .direction = comAddMinus_->currentIndex() == 0 ? DateDirection::Add : DateDirection::Subtract},
          .withSubfolders = boxes.withSubfolders,
          .withHidden = boxes.withHidden};
}

void FrmDate::start() {
  calMain_->setCalendarShown(false);
  runStart([this](tools::ToolRun& run) {
    const DateStart r = runDates(run.pipe, run.form, readOptions(), run.msg);
    if (r.refused == DateRefusal::BadAmount) txtAdd_->setFocus();
    if (r.refused == DateRefusal::BadBox && r.box >= 0) txt_[static_cast<std::size_t>(r.box)]->setFocus();
  });
}

void registerDateTool() {
  mainwin::registerToolForm("frmDate", [] { return new FrmDate(); });
}

}  // namespace tools::file_ops
