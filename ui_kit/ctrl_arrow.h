// CtrlArrow: a clickable caption with a small arrow picture behind it, used as a link-like
// button. The pointer over it or the keyboard focus shows the hover picture and a blue caption.
#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QVariantMap>

namespace uikit {

class CtrlArrow : public QAbstractButton {
  Q_OBJECT
  Q_PROPERTY(QString Font READ Font WRITE setFontName)
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
  Q_PROPERTY(int FontSize READ FontSize WRITE setFontSize)
  Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)

 public:
  explicit CtrlArrow(QWidget* parent = nullptr);

  [[nodiscard]] QString Font() const { return font().family(); }
  void setFontName(const QString& myFont);
  [[nodiscard]] QString Caption() const { return text(); }
  void setCaption(const QString& myCap);
  [[nodiscard]] int FontSize() const;
  void setFontSize(int mySize);
  [[nodiscard]] uint BackColor() const { return backColor_; }
  void setBackColor(uint myCol);
  // Takes the pictures of the host's image labels "imgOut" and "imgOver" (QLabels among the
  // ancestors' children). False, with the pictures unchanged, when either is missing.
  bool changeSet();

  // Applies "Caption", "BackColor", "FontSize", "Font" (defaults for missing keys).
  void ReadProperties(const QVariantMap& bag);
  [[nodiscard]] QVariantMap WriteProperties() const;

  [[nodiscard]] bool isHoverLook() const { return hoverLook_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 Q_SIGNALS:
  void Click();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void setLook(bool hover);

  QPixmap imgOut_;
  QPixmap imgOver_;
  uint backColor_ = 0xD8E9EC;
  bool hoverLook_ = false;
};

// The kit's default arrow pictures (18 x 19 pixels): grey for the normal look, blue for hover.
[[nodiscard]] QPixmap defaultArrowPicture(bool hover);

}  // namespace uikit
