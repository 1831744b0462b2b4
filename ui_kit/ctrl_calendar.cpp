#include "ui_kit/ctrl_calendar.h"

#include "ui_kit/calendar_date.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace uikit {

// One day cell of the grid: a flat button whose caption is the day number (or empty).
class CalendarDayLabel : public QAbstractButton {
  Q_OBJECT
 public:
  explicit CalendarDayLabel(QWidget* parent) : QAbstractButton(parent) { setFocusPolicy(Qt::ClickFocus); }
 Q_SIGNALS:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setFont(font());
    // Centred over the day marker, which starts 30 twips into the label and is 420 twips wide.
    p.drawText(QRect(px(30), 0, px(420), height()), Qt::AlignCenter, text());
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    e->accept();
    Q_EMIT doubleClicked();
  }
};

namespace {
constexpr std::array<int, 7> kColumnLeft = {140, 580, 1060, 1540, 2020, 2500, 2895};
// Day and month names are fixed English texts of the calendar.
const std::array<const char*, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const std::array<const char*, 12> kMonths = {"January", "February", "March",     "April",   "May",      "June",
                                             "July",    "August",   "September", "October", "November", "December"};
constexpr std::uint32_t kPanelColor = 0xFF8080;
constexpr std::uint32_t kBorderColor = 0xC00000;

QWidget* clippedHolder(QWidget* parent, int leftTw, int topTw, int wTw, int hTw, QWidget* child, int childWTw) {
  auto* holder = new QWidget(parent);
  holder->setGeometry(px(leftTw), px(topTw), px(wTw), px(hTw));
  child->setParent(holder);
  // The list sits 30 twips up and left inside its holder, so the holder clips its border.
  child->setGeometry(-px(30), -px(30), px(childWTw), px(hTw) + px(60));
  return holder;
}
}  // namespace

CtrlCalendar::CtrlCalendar(QWidget* parent)
    : QFrame(parent),
      today_([] { return QDate::currentDate(); }),
      comMonth_(new QComboBox),
      comYear_(new QComboBox),
      shpDate_(new QFrame(this)),
      cmdReset_(new CtrlCmd(this)),
      cmdCloseCal_(new CtrlCmd(this)) {
  setFixedSize(px(3510), px(3255));
  setAutoFillBackground(false);
  comMonth_->setObjectName(QStringLiteral("comMonth"));
  comYear_->setObjectName(QStringLiteral("comYear"));
  // Named in the calendar's own fixed English, as its month names and buttons are.
  comMonth_->setAccessibleName(QStringLiteral("Month"));
  comYear_->setAccessibleName(QStringLiteral("Year"));
  clippedHolder(this, 120, 120, 1935, 305, comMonth_, 2000);
  clippedHolder(this, 2400, 120, 945, 300, comYear_, 1005);
  for (int c = 0; c < 7; ++c) {
    auto* head = new QLabel(QString::fromLatin1(kWeekdays[static_cast<std::size_t>(c)]), this);
    head->setGeometry(px(kColumnLeft[static_cast<std::size_t>(c)]), px(525), px(480), px(260));
    QFont f = head->font();
    f.setBold(true);
    head->setFont(f);
  }
  for (int i = 0; i < 42; ++i) {
    auto* lbl = new CalendarDayLabel(this);
    lbl->setObjectName(QStringLiteral("lblDate%1").arg(i));
    const int r = i / 7, c = i % 7;
    lbl->setGeometry(px(kColumnLeft[static_cast<std::size_t>(c)]), px(870 + 330 * r), px(510), px(240));
    connect(lbl, &QAbstractButton::clicked, this, [this, i] { clickDay(i); });
    connect(lbl, &CalendarDayLabel::doubleClicked, this, [this, i] { doubleClickDay(i); });
    lblDate_[static_cast<std::size_t>(i)] = lbl;
  }
  shpDate_->setObjectName(QStringLiteral("shpDate"));
  shpDate_->setAttribute(Qt::WA_TransparentForMouseEvents);
  shpDate_->setStyleSheet(QStringLiteral("QFrame#shpDate { border: 4px solid %1; background: transparent; }")
                              .arg(core::toQColor(kBorderColor).name()));
  shpDate_->resize(px(420), px(315));
  shpDate_->hide();
  cmdReset_->setObjectName(QStringLiteral("cmdReset"));
  cmdReset_->setCaption(QStringLiteral("Reset"));
  cmdCloseCal_->setObjectName(QStringLiteral("cmdCloseCal"));
  cmdCloseCal_->setCaption(QStringLiteral("Close"));
  for (CtrlCmd* b : {cmdReset_, cmdCloseCal_}) b->setBackColor(0xFFC0C0);
  cmdReset_->setGeometry(px(1560), px(2760), px(855), px(375));
  cmdCloseCal_->setGeometry(px(2520), px(2760), px(855), px(375));
  connect(cmdReset_, &CtrlCmd::Click, this, &CtrlCalendar::reset);
  connect(cmdCloseCal_, &CtrlCmd::Click, this, &CtrlCalendar::closeCalendar);
  connect(comMonth_, &QComboBox::activated, this, [this](int idx) { chooseMonth(idx + 1); });
  connect(comYear_, &QComboBox::activated, this,
          [this](int idx) { chooseYear(comYear_->itemText(idx).toInt()); });
}

QSize CtrlCalendar::sizeHint() const { return {px(3510), px(3255)}; }

void CtrlCalendar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), core::toQColor(kPanelColor));
  p.setPen(QPen(core::toQColor(kBorderColor), 4));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(2, 2, -2, -2));
}

void CtrlCalendar::setCalendarShown(bool isVis) { setVisible(isVis); }

int CtrlCalendar::shownYear() const { return comYear_->currentText().toInt(); }
int CtrlCalendar::shownMonth() const { return comMonth_->currentIndex() + 1; }
QString CtrlCalendar::dayCaption(int index) const {
  return index >= 0 && index < 42 ? lblDate_[static_cast<std::size_t>(index)]->text() : QString();
}

void CtrlCalendar::initCalendar() {
  listEvents_ = false;
  for (int y = kCalendarFirstYear; y <= kCalendarLastYear; ++y) comYear_->addItem(QString::number(y));
  for (const char* m : kMonths) comMonth_->addItem(QString::fromLatin1(m));
  reset();
  listEvents_ = true;
}

void CtrlCalendar::setBox(QLineEdit* boxParse) {
  setCalendarShown(false);  // the redraws below must write nothing back
  if (!setUp_) {
    initCalendar();
    setUp_ = true;
  }
  target_ = boxParse;
  const QDate today = today_();
  const BoxDate d = parseBoxDate(boxParse != nullptr ? boxParse->text() : QString(), today);
  listEvents_ = false;
  comYear_->setCurrentIndex(d.year - kCalendarFirstYear);
  comMonth_->setCurrentIndex(d.month - 1);
  selectedDay_ = d.day;
  drawMonth();
  listEvents_ = true;
  setCalendarShown(true);
  if (parentWidget() != nullptr) raise();
}

void CtrlCalendar::drawMonth() {
  const int year = shownYear();
  const int month = shownMonth();
  if (year < kCalendarFirstYear || month < 1) return;
  const int days = daysInMonth(year, month);
  const int first = firstGridIndex(year, month);
  shpDate_->hide();
  marked_ = -1;
  // A cell without a day is no button: screen readers and the keyboard do not meet it.
  for (CalendarDayLabel* l : lblDate_) {
    l->setText(QString());
    l->setAccessibleName(QString());
    l->hide();
  }
  for (int d = 1; d <= days; ++d) {
    CalendarDayLabel* l = lblDate_[static_cast<std::size_t>(first + d - 1)];
    l->setText(QString::number(d));
    l->setAccessibleName(QString::number(d));
    l->show();
    if (d == selectedDay_) markLabel(first + d - 1);
  }
  if (calendarShown()) writeTarget(selectedBoxText());
}

void CtrlCalendar::markLabel(int index) {
  CalendarDayLabel* l = lblDate_[static_cast<std::size_t>(index)];
  shpDate_->move(l->x() + px(30), l->y());
  shpDate_->show();
  shpDate_->raise();
  marked_ = index;
  selectedDay_ = l->text().toInt();
}

QString CtrlCalendar::selectedBoxText() const { return formatBoxDate(shownMonth(), selectedDay_, shownYear()); }

void CtrlCalendar::writeTarget(const QString& text) {
  if (target_) target_->setText(text);
}

void CtrlCalendar::chooseMonth(int month) {
  if (month < 1 || month > 12) return;
  comMonth_->setCurrentIndex(month - 1);
  if (listEvents_) drawMonth();
}

void CtrlCalendar::chooseYear(int year) {
  if (year < kCalendarFirstYear || year > kCalendarLastYear) return;
  comYear_->setCurrentIndex(year - kCalendarFirstYear);
  if (listEvents_) drawMonth();
}

void CtrlCalendar::clickDay(int index) {
  if (index < 0 || index >= 42 || dayCaption(index).isEmpty()) return;
  markLabel(index);
  writeTarget(selectedBoxText());
}

void CtrlCalendar::doubleClickDay(int index) {
  (void)index;  // the click before it has already written the date
  setCalendarShown(false);
}

void CtrlCalendar::reset() {
  listEvents_ = false;
  const QDate today = today_();
  selectedDay_ = today.day();
  comMonth_->setCurrentIndex(today.month() - 1);
  comYear_->setCurrentIndex(today.year() - kCalendarFirstYear);
  drawMonth();
  writeTarget(formatBoxDate(today.month(), today.day(), today.year()));
  listEvents_ = true;
}

void CtrlCalendar::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && calendarShown()) {
    closeCalendar();
    e->accept();
    return;
  }
  QFrame::keyPressEvent(e);
}

void CtrlCalendar::closeCalendar() {
  setCalendarShown(false);
  if (target_) target_->setFocus();
}

}  // namespace uikit

#include "ctrl_calendar.moc"
