// CtrlCheckBox: the program's flat check box. Its Value is a byte kept by the control (0 unticked,
// anything else ticked), drawn as a white square with a two-stroke tick. Enabled greys it, takes
// it out of the Tab round and tells screen readers it is disabled, but the box stays
// input-enabled so that a click on a "disabled" box can raise NotAbled, which tools use to
// explain why an option is unavailable. A toggle that does not come through a click (a
// screen reader's Toggle action, setChecked) runs the same click path as the mouse and Space.
#pragma once

#include <QCheckBox>
#include <QVariantMap>

#include <cstdint>

namespace uikit {

class CtrlCheckBox : public QCheckBox {
  Q_OBJECT
  Q_PROPERTY(int Value READ Value WRITE setValue)
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
  Q_PROPERTY(QString Font READ Font WRITE setFontName)
  Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
  Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledFlag)
  Q_PROPERTY(int FontSize READ FontSize WRITE setFontSize)

 public:
  explicit CtrlCheckBox(QWidget* parent = nullptr);

  [[nodiscard]] int Value() const { return value_; }
  // Stores the byte (0..255), shows the tick for any non-zero value and raises Click when the
  // value changed.
  void setValue(int myVal);
  [[nodiscard]] QString Caption() const { return text(); }
  void setCaption(const QString& myCap);
  [[nodiscard]] QString Font() const { return font().family(); }
  void setFontName(const QString& myFont);
  [[nodiscard]] uint BackColor() const { return backColor_; }
  void setBackColor(uint myCol);
  // The Enabled flag: the look, the Tab round and what screen readers read follow it; clicks
  // while clear raise NotAbled.
  [[nodiscard]] bool Enabled() const { return enabledFlag_; }
  void setEnabledFlag(bool myEnabled);
  [[nodiscard]] int FontSize() const;
  void setFontSize(int mySize);

  // Applies the stored properties ("Caption", "Enabled", "Value", "BackColor", "FontSize",
  // "Font"; missing keys take their defaults) in that order and then raises Click once, whatever
  // the value. Hosts call it after connecting their handlers, as a form load would.
  void ReadProperties(const QVariantMap& bag);
  // The same six keys with the control's current values.
  [[nodiscard]] QVariantMap WriteProperties() const;

  // True while the hover look is on (tests and the gallery).
  [[nodiscard]] bool isHoverLook() const { return hover_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 Q_SIGNALS:
  void Click();
  void MouseMove();
  void NotAbled();

 protected:
  void nextCheckState() override;
  void checkStateSet() override;
  bool hitButton(const QPoint& pos) const override;
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  void storeValue(int v);
  void setHover(bool on);

  std::uint8_t value_ = 0;
  bool enabledFlag_ = true;
  bool hover_ = false;
  bool storing_ = false;  // the box itself is setting the native checked state
  Qt::FocusPolicy focusPolicy_ = Qt::StrongFocus;  // the policy while the Enabled flag is set
  uint backColor_ = 0x8000000F;
};

}  // namespace uikit
