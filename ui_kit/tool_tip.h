// clsToolTip: one tip attached to one control (or, without a control, to its form). The tip is
// the literal text with its line breaks, bold, in the given colours and font face, wrapped at a
// third of the screen width, and stays up for 20 seconds. A second makeTip replaces the tip;
// destroying the object removes it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>

class QLabel;
class QTimer;
class QWidget;

namespace uikit {

class clsToolTip : public QObject {
  Q_OBJECT
 public:
  explicit clsToolTip(QObject* parent = nullptr);
  ~clsToolTip() override;

  // Attaches the tip to contHwnd, or to formHwnd when contHwnd is null; both null: no tip.
  // Colours are &HBBGGRR. Releases any tip this object held before.
  void makeTip(QWidget* contHwnd, QWidget* formHwnd, const QString& myText, std::uint32_t myForeCol,
               std::uint32_t myBackCol, const QString& myFont);

  // The widget the tip is attached to (null when none) and its tip window (null until shown).
  [[nodiscard]] QWidget* tool() const { return tool_; }
  [[nodiscard]] QLabel* tipWindow() const;
  // How long a shown tip stays up, in ms.
  static constexpr int kAutoPopMs = 20000;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void release();
  void showAt(const QPoint& globalPos);
  void hideTip();

  QPointer<QWidget> tool_;
  QString text_;
  std::uint32_t fore_ = 0;
  std::uint32_t back_ = 0xFFFFFF;
  QString font_;
  std::unique_ptr<QLabel> tip_;
  QTimer* popTimer_ = nullptr;
};

}  // namespace uikit
