// CtrlCalendar: the month calendar a window drops down beside a date box. setBox binds it to the
// box (a QLineEdit holding mm/dd/yyyy), opens the box's month with the day marked and from then
// on writes every picked date straight back into the box.
#pragma once

#include <QDate>
#include <QFrame>
#include <QPointer>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
#include <QLineEdit>

namespace uikit {

class CtrlCmd;
class CalendarDayLabel;

class CtrlCalendar : public QFrame {
  Q_OBJECT
  Q_PROPERTY(bool isVisible READ calendarShown WRITE setCalendarShown)

 public:
  explicit CtrlCalendar(QWidget* parent = nullptr);

  // Binds the calendar to boxParse, shows the box's month (out-of-range parts: today's) with
  // the day marked, and drops the calendar down. Writes nothing to the box.
  void setBox(QLineEdit* boxParse);
  [[nodiscard]] bool calendarShown() const { return !isHidden(); }
  void setCalendarShown(bool isVis);

  // Tests and hosts that need a fixed "today".
  void setTodayProvider(std::function<QDate()> today) { today_ = std::move(today); }

  // What the grid shows now: the year and month chosen in the lists, the caption of day label
  // index (0..41; "" for an empty cell), the marked label (-1 when none) and the selected day.
  [[nodiscard]] int shownYear() const;
  [[nodiscard]] int shownMonth() const;
  [[nodiscard]] QString dayCaption(int index) const;
  [[nodiscard]] int markedIndex() const { return marked_; }
  [[nodiscard]] QLineEdit* target() const { return target_; }

  // The user's actions, also reached by the children's signals: choosing a month (1..12) or a
  // year in the lists, clicking and double-clicking a day label, Reset and Close.
  void chooseMonth(int month);
  void chooseYear(int year);
  void clickDay(int index);
  void doubleClickDay(int index);
  void reset();
  void closeCalendar();

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  // Esc closes the calendar, and only the calendar (its window stays).
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void initCalendar();
  void drawMonth();
  void markLabel(int index);
  void writeTarget(const QString& text);
  [[nodiscard]] QString selectedBoxText() const;

  std::function<QDate()> today_;
  QPointer<QLineEdit> target_;
  QComboBox* comMonth_;
  QComboBox* comYear_;
  std::array<CalendarDayLabel*, 42> lblDate_{};
  QFrame* shpDate_;
  CtrlCmd* cmdReset_;
  CtrlCmd* cmdCloseCal_;
  int selectedDay_ = 1;
  int marked_ = -1;
  bool setUp_ = false;
  bool listEvents_ = false;
};

}  // namespace uikit
