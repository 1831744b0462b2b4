// The filter panel "framMisc": hidden files, a date range on one of three file times (with the
// drop-down calendar), a size bound, the name pattern box with its history and letter-case
// option, and the two subfolder boxes that steer the tools' runs (they never change the list).
// The panel validates and normalises what is typed, keeps the pattern in effect, and asks the
// controller for a refill now (ticks, Enter) or after a pause (typing).
#pragma once

#include "main_window/filter_settings.h"

#include <QDate>
#include <QFrame>
#include <QPointer>
#include <QStringList>

#include <string>

class QComboBox;
class QLineEdit;

namespace uikit {
class CtrlCalendar;
class CtrlCheckBox;
}  // namespace uikit

namespace mainwin {

class FileListController;

class FilterPanel : public QFrame {
  Q_OBJECT

 public:
  explicit FilterPanel(FileListController& controller, QWidget* parent = nullptr);

  // The controls, by their form names.
  uikit::CtrlCheckBox* chkHidden = nullptr;
  uikit::CtrlCheckBox* chkDat = nullptr;
  QFrame* framDat = nullptr;
  QComboBox* comDateType = nullptr;
  QLineEdit* txtDateFrom = nullptr;
  QLineEdit* txtDateTo = nullptr;
  uikit::CtrlCheckBox* chkSiz = nullptr;
  QFrame* framSize = nullptr;
  QComboBox* comSizeIs = nullptr;
  QLineEdit* txtSize = nullptr;
  QComboBox* comSizeType = nullptr;
  uikit::CtrlCheckBox* chkExtension = nullptr;
  QLineEdit* txtExtension = nullptr;
  QComboBox* comExtension = nullptr;
  uikit::CtrlCheckBox* chkCase = nullptr;
  uikit::CtrlCheckBox* chkInclude = nullptr;
  uikit::CtrlCheckBox* chkIncHidden = nullptr;

  // The drop-down calendar (created on first use, as a child of the panel's window).
  [[nodiscard]] uikit::CtrlCalendar* calMain();

  // Reads the controls into the listing's settings (all but panelShown, which the controller
  // keeps).
  void readInto(FilterSettings& settings) const;
  // The pattern in effect when the extension filter applies (the box's accepted text, cleaned).
  [[nodiscard]] const std::string& pattern() const { return pattern_; }
  [[nodiscard]] double sizeLimit() const { return sizeLimit_; }

  // Puts text into the pattern box (its change step runs when the extension filter is ticked).
  void setExtensionText(const QString& text);
  // Fills the combo lists with their items in the current language (common messages 49-55).
  void retranslate();
  // Both date boxes := day as mm/dd/yyyy.
  void setDates(const QDate& day);

  // The pattern history, newest first; recording the current pattern (addExt: only while the
  // extension filter is ticked and the panel shown).
  [[nodiscard]] QStringList history() const;
  void setHistory(const QStringList& entries);
  void addExt();

  // Click steps of the boxes (also run at start-up and by the commands that change filters).
  void chkExtensionClick();
  void chkDatClick();
  void chkSizClick();
  // Re-applies the ticked filters after the panel is shown: one refill at most.
  void applyFilterSet();
  // The arrow labels: hide the panel (arrDisFilts) / show it (arrEnFilts, menuFilter).
  void disableFilters();
  void enableFilters();

  // The steps of the boxes, reachable for tests as a user's typing would run them.
  void extensionChanged();
  void extensionLeft();
  void sizeChanged();
  void historyKey(int key);  // Up / Down in the pattern box

  // True when a date box does not hold a real date while the date filter is on (marked).
  [[nodiscard]] bool dateMarked() const { return dateMarked_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void build();
  void setPattern(const std::string& pattern);
  void dropCalendar(QLineEdit* box);
  void markDates();
  [[nodiscard]] bool extensionFilterOn() const;

  FileListController& controller_;
  QPointer<uikit::CtrlCalendar> cal_;
  std::string pattern_ = "*";     // myPattern while the extension filter applies
  QString acceptedText_ = "*";    // the box text last accepted (a refused text is put back)
  QString extensionTag_ = "*";    // the text last processed (tells a change from its own echo)
  QString sizeTag_;
  double sizeLimit_ = -1;
  int historyIndex_ = 0;
  int lastDateType_ = kDateModified;
  bool inExtensionStep_ = false;
  bool dateMarked_ = false;
};

}  // namespace mainwin
