// CtrlCmd: the program's flat push button. It paints its stored back colour without a border;
// while the pointer is over it or it has the keyboard focus it turns light yellow with a raised
// top-left edge. Disabling it really disables it (a disabled button never clicks). The mouse,
// Space, Enter and a screen reader's Press all run the same click.
#pragma once

#include <QPushButton>
#include <QVariantMap>

#include <cstdint>

namespace uikit {

class CtrlCmd : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
  Q_PROPERTY(QString Font READ Font WRITE setFontName)
  Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
  Q_PROPERTY(int FontSize READ FontSize WRITE setFontSize)
  Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledFlag)

 public:
  explicit CtrlCmd(QWidget* parent = nullptr);
  // A dialog button: the object name its form files use, its caption and a width it never goes below.
  static CtrlCmd* make(QWidget* parent, const char* objectName, const QString& caption, int minWidth = 90);

  [[nodiscard]] QString Caption() const { return text(); }
  void setCaption(const QString& myCap);
  [[nodiscard]] QString Font() const { return font().family(); }
  void setFontName(const QString& myFont);
  // The colour shown now: the hover colour while the hover look is on, else the stored colour.
  [[nodiscard]] uint BackColor() const;
  // Stores the colour and paints it at once (also while hovered; the next normal look keeps it).
  void setBackColor(uint myCol);
  [[nodiscard]] int FontSize() const;
  void setFontSize(int mySize);
  [[nodiscard]] bool Enabled() const { return enabledFlag_; }
  // Sets the flag and enables or disables the button to match.
  void setEnabledFlag(bool myEnabled);
  // Shows item myPic of the host's image list "imgSet" (a uikit::ImageList among the ancestors'
  // children). False, with the picture unchanged, when there is no such list or item.
  bool setPicture(int myPic);

  // A button laid out at its design size (pixels): it keeps that size, but grows wider whenever its
  // caption (in the language shown, in the font set) needs more room. An empty size releases it.
  void setDesignSize(QSize size);
  // The width the caption and the picture need, with the button's margins.
  [[nodiscard]] int captionWidth() const;

  // Applies "Caption", "FontSize", "BackColor", "Enabled", "Font" (defaults for missing keys),
  // as a form load does.
  void ReadProperties(const QVariantMap& bag);
  [[nodiscard]] QVariantMap WriteProperties() const;

  [[nodiscard]] bool isHoverLook() const { return hoverLook_; }
  QSize sizeHint() const override;

 Q_SIGNALS:
  void Click();
  // The pointer entered the button (once per entry).
  void MouseMove();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;

 private:
  void setLook(bool hover);
  void applyDesignSize();

  bool enabledFlag_ = true;
  bool pointerHover_ = false;  // the hover look is on because of the pointer
  bool hoverLook_ = false;
  uint backColor_ = 0xE2FFFF;
  QSize designSize_;
};

}  // namespace uikit
