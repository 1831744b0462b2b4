#include "main_window/widgets/filter_panel.h"

#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "core/widgets/text_controls.h"
#include "main_window/filter_box.h"
#include "main_window/widgets/file_list_controller.h"
#include "ui_kit/ctrl_calendar.h"
#include "ui_kit/ctrl_check_box.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>

namespace mainwin {

namespace {

// Background of a date box that does not hold a real date (&HBBGGRR: light red).
constexpr std::uint32_t kMarkColour = 0xC8C8FF;

QString message(int n, const char* fallback) {
  const std::string& m = core::msgMain(n);
  return m.empty() ? QString::fromLatin1(fallback) : vb::qs(m);
}

uikit::CtrlCheckBox* makeCheck(QWidget* parent, const char* name, const char* caption) {
  auto* c = new uikit::CtrlCheckBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setCaption(QString::fromLatin1(caption));
  return c;
}

template <typename W>
W* named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

// The caret after `bytes` bytes of a UTF-8 text, in characters of the box.
int caretChars(const std::string& text, long bytes) {
  if (bytes < 0) return -1;
  return static_cast<int>(vb::qs(std::string_view(text).substr(0, static_cast<std::size_t>(bytes))).size());
}

}  // namespace

FilterPanel::FilterPanel(FileListController& controller, QWidget* parent)
    : QFrame(parent), controller_(controller) {
  setObjectName(QStringLiteral("framMisc"));
  build();
  retranslate();
  setDates(QDate::currentDate());
}

void FilterPanel::build() {
  chkExtension = makeCheck(this, "chkExtension", "Filter by name:");
  txtExtension = named(new QLineEdit(QStringLiteral("*"), this), "txtExtension");
  comExtension = named(new QComboBox(this), "comExtension");
  comExtension->setMaximumWidth(24);
  comExtension->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  chkCase = makeCheck(this, "chkCase", "Match case");

  chkSiz = makeCheck(this, "chkSiz", "Size");
  framSize = named(new QFrame(this), "framSize");
  comSizeIs = named(new QComboBox(framSize), "comSizeIs");
  txtSize = named(new QLineEdit(QStringLiteral("0"), framSize), "txtSize");
  txtSize->setMaximumWidth(90);
  comSizeType = named(new QComboBox(framSize), "comSizeType");
  auto* sizeRow = new QHBoxLayout(framSize);
  sizeRow->setContentsMargins(0, 0, 0, 0);
  sizeRow->addWidget(comSizeIs);
  sizeRow->addWidget(txtSize);
  sizeRow->addWidget(comSizeType);

  chkDat = makeCheck(this, "chkDat", "Date");
  framDat = named(new QFrame(this), "framDat");
  comDateType = named(new QComboBox(framDat), "comDateType");
  txtDateFrom = named(new QLineEdit(framDat), "txtDateFrom");
  txtDateTo = named(new QLineEdit(framDat), "txtDateTo");
  for (QLineEdit* box : {txtDateFrom, txtDateTo}) {
    box->setMaxLength(10);
    box->setMaximumWidth(100);
    box->installEventFilter(this);
  }
  // The drop-down lists take the width of their longest item in the language shown, whatever the
  // room: a text box beside them gives way instead.
  for (QComboBox* c : {comSizeIs, comSizeType, comDateType}) {
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    c->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }
  auto* dateRow = new QHBoxLayout(framDat);
  dateRow->setContentsMargins(0, 0, 0, 0);
  dateRow->addWidget(comDateType);
  dateRow->addWidget(txtDateFrom);
  dateRow->addWidget(txtDateTo);

  chkHidden = makeCheck(this, "chkHidden", "Hide hidden files");
  chkInclude = makeCheck(this, "chkInclude", "Include subfolders");
  chkIncHidden = makeCheck(this, "chkIncHidden", "Include hidden folders");

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(8);
  auto* patternRow = new QHBoxLayout;
  patternRow->addWidget(chkExtension);
  patternRow->addWidget(txtExtension, 1);
  patternRow->addWidget(comExtension);
  patternRow->addWidget(chkCase);
  grid->addLayout(patternRow, 0, 0, 1, 2);
  auto* valueRow = new QHBoxLayout;
  valueRow->addWidget(chkSiz);
  valueRow->addWidget(framSize);
  valueRow->addSpacing(12);
  valueRow->addWidget(chkDat);
  valueRow->addWidget(framDat);
  valueRow->addStretch(1);
  grid->addLayout(valueRow, 1, 0, 1, 2);
  auto* boxRow = new QHBoxLayout;
  boxRow->addWidget(chkHidden);
  boxRow->addSpacing(12);
  boxRow->addWidget(chkInclude);
  boxRow->addWidget(chkIncHidden);
  boxRow->addStretch(1);
  grid->addLayout(boxRow, 2, 0, 1, 2);

  for (QWidget* w : {static_cast<QWidget*>(chkCase), static_cast<QWidget*>(txtExtension),
                     static_cast<QWidget*>(comExtension), static_cast<QWidget*>(framSize),
                     static_cast<QWidget*>(framDat), static_cast<QWidget*>(chkIncHidden)}) {
    w->setVisible(false);
  }

  txtExtension->installEventFilter(this);
  txtSize->installEventFilter(this);
  comExtension->installEventFilter(this);
  comExtension->view()->installEventFilter(this);

  connect(txtExtension, &QLineEdit::textChanged, this, [this] {
    if (!inExtensionStep_) extensionChanged();
  });
  connect(comExtension, &QComboBox::activated, this, [this](int index) {
    historyIndex_ = index;
    setExtensionText(comExtension->itemText(index));
  });
  connect(chkExtension, &uikit::CtrlCheckBox::Click, this, &FilterPanel::chkExtensionClick);
  connect(chkCase, &uikit::CtrlCheckBox::Click, this, [this] {
    const QString t = txtExtension->text();
    if (t.toUpper() != t.toLower()) controller_.requestRefill();
  });
  connect(chkHidden, &uikit::CtrlCheckBox::Click, this, [this] { controller_.requestRefill(); });
  connect(chkDat, &uikit::CtrlCheckBox::Click, this, &FilterPanel::chkDatClick);
  connect(comDateType, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index == lastDateType_) return;
    lastDateType_ = index;
    controller_.requestRefill();
  });
  for (QLineEdit* box : {txtDateFrom, txtDateTo}) {
    connect(box, &QLineEdit::textChanged, this, [this] {
      markDates();
      controller_.scheduleRefill();
    });
  }
  connect(chkSiz, &uikit::CtrlCheckBox::Click, this, &FilterPanel::chkSizClick);
  connect(comSizeIs, &QComboBox::currentIndexChanged, this, [this] {
    sizeTag_ = QStringLiteral("r");
    sizeLimit_ = -1;  // the same number with another comparison still refills
    sizeChanged();
    if (controller_.delayedRefillPending()) controller_.requestRefill();
  });
  connect(comSizeType, &QComboBox::currentIndexChanged, this, [this] {
    sizeTag_ = QStringLiteral("r");
    sizeChanged();
    if (controller_.delayedRefillPending()) controller_.requestRefill();
  });
  connect(txtSize, &QLineEdit::textChanged, this, [this] { sizeChanged(); });
  connect(chkInclude, &uikit::CtrlCheckBox::Click, this, [this] {
    const bool on = chkInclude->Value() != 0;
    chkIncHidden->setVisible(on);
    if (on && controller_.hasLoaded()) {
      core::host().respond(window(), "O", core::msgMain(26), "I", "frmMainShowSub");
    }
  });
}

void FilterPanel::retranslate() {
  struct Combo {
    QComboBox* box;
    int first[3];
    const char* fallback[3];
    int initial;
  };
  const Combo combos[] = {
      {comSizeIs, {49, 50, 51}, {"Exactly", "Greater Than", "Less Than"}, kSizeGreater},
      {comSizeType, {52, 53, 54}, {"Bytes", "KB", "MB"}, kUnitBytes},
      {comDateType, {55, 48, 47}, {"Accessed", "Created", "Modified"}, kDateModified},
  };
  for (const Combo& c : combos) {
    const QSignalBlocker block(c.box);
    const int index = c.box->count() == 3 ? c.box->currentIndex() : c.initial;
    c.box->clear();
    for (int i = 0; i < 3; ++i) c.box->addItem(message(c.first[i], c.fallback[i]));
    c.box->setCurrentIndex(index);
  }
  lastDateType_ = comDateType->currentIndex();

  // The boxes have no caption of their own: a screen reader names them after the check box that
  // switches them on (the form's texts are in place by now).
  const auto captionOf = [](const uikit::CtrlCheckBox* box) {
    QString c = box->Caption();
    c.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    while (c.endsWith(QLatin1Char(':'))) c.chop(1);
    return c.trimmed();
  };
  txtExtension->setAccessibleName(captionOf(chkExtension));
  comExtension->setAccessibleName(captionOf(chkExtension));
  txtSize->setAccessibleName(captionOf(chkSiz));
  txtDateFrom->setAccessibleName(captionOf(chkDat) + QLatin1String(": ") + message(127, "First date"));
  txtDateTo->setAccessibleName(captionOf(chkDat) + QLatin1String(": ") + message(128, "Last date"));
}

void FilterPanel::setDates(const QDate& day) {
  const QString text = day.toString(QStringLiteral("MM/dd/yyyy"));
  txtDateFrom->setText(text);
  txtDateTo->setText(text);
}

uikit::CtrlCalendar* FilterPanel::calMain() {
  if (!cal_) {
    cal_ = new uikit::CtrlCalendar(window());
    cal_->setObjectName(QStringLiteral("calMain"));
    cal_->setCalendarShown(false);
  }
  return cal_;
}

bool FilterPanel::extensionFilterOn() const {
  return chkExtension->Value() != 0 && controller_.panelShown();
}

void FilterPanel::readInto(FilterSettings& s) const {
  s.hideHidden = chkHidden->Value() != 0;
  s.dateOn = chkDat->Value() != 0;
  s.dateType = comDateType->currentIndex();
  s.dateFrom = vb::bs(txtDateFrom->text());
  s.dateTo = vb::bs(txtDateTo->text());
  s.sizeOn = chkSiz->Value() != 0;
  s.sizeIs = comSizeIs->currentIndex();
  s.sizeLimit = sizeLimit_;
  s.extensionOn = chkExtension->Value() != 0;
  s.extensionText = vb::bs(acceptedText_);
  s.caseSensitive = chkCase->Value() != 0;
}

void FilterPanel::setPattern(const std::string& pattern) {
  if (pattern == pattern_) return;
  pattern_ = pattern;
  controller_.scheduleRefill();
}

void FilterPanel::setExtensionText(const QString& text) {
  if (txtExtension->text() == text) {
    extensionChanged();
  } else {
    txtExtension->setText(text);  // textChanged runs the change step
  }
}

void FilterPanel::extensionChanged() {
  if (chkExtension->Value() == 0) return;
  const QString boxText = txtExtension->text();
  const std::string bytes = vb::bs(boxText);
  const long caret = static_cast<long>(vb::bs(boxText.left(txtExtension->cursorPosition())).size());
  const ExtensionEdit edit = cleanExtensionText(bytes, caret);
  if (edit.refused) {
    core::host().respond(window(), "O", core::msgMain(59), core::msgMain(60), "");
    inExtensionStep_ = true;
    txtExtension->setText(acceptedText_);  // the pattern in effect does not change
    inExtensionStep_ = false;
    return;
  }
  if (edit.boxText != bytes) {
    inExtensionStep_ = true;
    txtExtension->setText(vb::qs(edit.boxText));
    const int c = caretChars(edit.boxText, edit.caret);
    if (c >= 0) txtExtension->setCursorPosition(c);
    inExtensionStep_ = false;
  }
  const QString now = txtExtension->text();
  acceptedText_ = now;
  if (now != extensionTag_) setPattern(edit.pattern);
  extensionTag_ = now;
}

void FilterPanel::extensionLeft() {
  const std::string bytes = vb::bs(txtExtension->text());
  const std::string left = extensionTextOnLeave(bytes);
  if (left != bytes) txtExtension->setText(vb::qs(left));
}

void FilterPanel::chkExtensionClick() {
  const bool ticked = chkExtension->Value() != 0;
  if (ticked) {
    chkCase->setVisible(true);
    txtExtension->setVisible(true);
    comExtension->setVisible(true);
    const QString t = txtExtension->text();
    if (t.isEmpty()) {
      txtExtension->setText(QStringLiteral("*"));
    } else {
      extensionTag_.clear();  // the box's text is to be taken up again
      extensionChanged();
    }
    // The list showed every file while the box was unticked: show the pattern's result at once.
    if (pattern_ != "*") controller_.requestRefill();
  } else {
    chkCase->setValue(0);
    chkCase->setVisible(false);
    txtExtension->setVisible(false);
    comExtension->setVisible(false);
    pattern_ = "*";
    extensionTag_ = QStringLiteral("*");
    if (txtExtension->text() != QLatin1String("*")) controller_.requestRefill();
  }
}

void FilterPanel::chkDatClick() {
  if (chkDat->Value() != 0 && controller_.panelShown()) {
    framDat->setVisible(true);
  } else {
    if (cal_) cal_->setCalendarShown(false);
    framDat->setVisible(false);
  }
  markDates();
  controller_.requestRefill();
}

void FilterPanel::chkSizClick() {
  if (chkSiz->Value() != 0 && controller_.panelShown()) {
    sizeTag_ = QStringLiteral("h");
    framSize->setVisible(true);
    const double before = sizeLimit_;
    sizeChanged();
    if (sizeLimit_ == before) controller_.requestRefill();  // same bound: the tick still shows it
    else if (controller_.delayedRefillPending()) controller_.requestRefill();
  } else {
    sizeLimit_ = -1;
    framSize->setVisible(false);
    controller_.requestRefill();
  }
}

void FilterPanel::sizeChanged() {
  if (chkSiz->Value() == 0 || txtSize->text() == sizeTag_) return;
  QString text = txtSize->text();
  const QSignalBlocker block(txtSize);
  if (text.isEmpty()) {
    txtSize->setText(QStringLiteral("0"));
    txtSize->setCursorPosition(1);
    text = txtSize->text();
  }
  const std::string kept = cleanSizeText(vb::bs(text));
  if (vb::qs(kept) != text) {
    const int caret = txtSize->cursorPosition();
    txtSize->setText(vb::qs(kept));
    if (caret - 1 >= 1) txtSize->setCursorPosition(caret - 1);
    text = txtSize->text();
  }
  sizeTag_ = text;
  const double value = sizeLimitFromText(vb::bs(text), comSizeType->currentIndex());
  if (value != sizeLimit_) {
    sizeLimit_ = value;
    controller_.scheduleRefill();
  }
}

void FilterPanel::markDates() {
  const bool check = chkDat->Value() != 0 && controller_.panelShown();
  dateMarked_ = false;
  for (QLineEdit* box : {txtDateFrom, txtDateTo}) {
    const bool bad = check && !checkDateText(vb::bs(box->text()));
    dateMarked_ = dateMarked_ || bad;
    core::setBackColour(box, bad ? kMarkColour : core::coreState().backColor);
    box->setProperty("dateMarked", bad);
  }
}

void FilterPanel::dropCalendar(QLineEdit* box) {
  uikit::CtrlCalendar* cal = calMain();
  QWidget* host = cal->parentWidget();
  if (!host) return;
  const QSize size = cal->sizeHint();
  cal->resize(size);
  const QPoint boxTopRight = box->mapTo(host, QPoint(box->width(), 0));
  int left = boxTopRight.x() - size.width();
  int top = cal->calendarShown() ? cal->y() : boxTopRight.y() - size.height();
  left = std::max(0, left);
  top = std::max(0, top);
  cal->move(left, top);
  cal->raise();
  cal->setBox(box);
}

QStringList FilterPanel::history() const {
  QStringList out;
  for (int i = 0; i < comExtension->count(); ++i) out << comExtension->itemText(i);
  return out;
}

void FilterPanel::setHistory(const QStringList& entries) {
  comExtension->clear();
  for (const QString& e : entries) {
    if (!e.isEmpty() && comExtension->count() < static_cast<int>(kHistorySize)) comExtension->addItem(e);
  }
  historyIndex_ = 0;
}

void FilterPanel::addExt() {
  if (chkExtension->Value() == 0 || !controller_.panelShown()) return;
  std::vector<std::string> h;
  for (const QString& e : history()) h.push_back(vb::bs(e));
  if (!addToHistory(h, vb::bs(txtExtension->text()))) return;
  QStringList out;
  for (const std::string& e : h) out << vb::qs(e);
  setHistory(out);
}

void FilterPanel::historyKey(int key) {
  const int n = comExtension->count();
  if (n == 0) return;
  historyIndex_ = std::clamp(historyIndex_, 0, n - 1);
  setExtensionText(comExtension->itemText(historyIndex_));
  if (key == Qt::Key_Up) {
    historyIndex_ = std::max(0, historyIndex_ - 1);
  } else {
    historyIndex_ = std::min({9, n - 1, historyIndex_ + 1});
  }
}

void FilterPanel::applyFilterSet() {
  const int loaded = controller_.hasLoaded();
  controller_.setHasLoaded(0);
  if (chkDat->Value() != 0) chkDatClick();
  if (chkExtension->Value() != 0) chkExtensionClick();
  if (chkSiz->Value() != 0) chkSizClick();
  controller_.setHasLoaded(loaded);
  if (chkSiz->Value() != 0 || chkDat->Value() != 0 || chkHidden->Value() != 0 ||
      (chkExtension->Value() != 0 && txtExtension->text() != QLatin1String("*"))) {
    controller_.requestRefill();
  }
}

void FilterPanel::disableFilters() {
  controller_.setPanelShown(false);
  controller_.host().layoutPanels(false);
  markDates();
  if (chkSiz->Value() != 0 || chkDat->Value() != 0 || chkHidden->Value() != 0 ||
      (chkExtension->Value() != 0 && txtExtension->text() != QLatin1String("*"))) {
    controller_.requestRefill();
  }
}

void FilterPanel::enableFilters() {
  controller_.setPanelShown(true);
  controller_.host().layoutPanels(true);
  applyFilterSet();
}

void FilterPanel::hideEvent(QHideEvent* event) {
  controller_.cancelDelayedRefill();
  if (cal_) cal_->setCalendarShown(false);
  QFrame::hideEvent(event);
}

bool FilterPanel::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == txtExtension) {
    if (type == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        controller_.requestRefill();
        return true;
      }
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        historyKey(key);
        return true;
      }
    } else if (type == QEvent::FocusIn) {
      core::SelectText(txtExtension);
    } else if (type == QEvent::FocusOut) {
      extensionLeft();
    }
  } else if (watched == txtSize && type == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      controller_.requestRefill();
      return true;
    }
  } else if ((watched == comExtension || watched == comExtension->view()) && type == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && comExtension->count() > 0) {
      comExtension->removeItem(comExtension->count() - 1);
      return true;
    }
  } else if ((watched == txtDateFrom || watched == txtDateTo) &&
             (type == QEvent::MouseButtonPress || type == QEvent::KeyPress)) {
    if (type == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape) return false;
    }
    dropCalendar(static_cast<QLineEdit*>(watched));
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace mainwin
