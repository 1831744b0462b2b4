#include "ui_kit/tool_tip.h"

#include "ui_kit/look.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace uikit {

clsToolTip::clsToolTip(QObject* parent) : QObject(parent), popTimer_(new QTimer(this)) {
  popTimer_->setSingleShot(true);
  popTimer_->setInterval(kAutoPopMs);
  connect(popTimer_, &QTimer::timeout, this, &clsToolTip::hideTip);
}

clsToolTip::~clsToolTip() { release(); }

QLabel* clsToolTip::tipWindow() const { return tip_.get(); }

void clsToolTip::release() {
  popTimer_->stop();
  if (tool_) tool_->removeEventFilter(this);
  tool_ = nullptr;
  tip_.reset();
}

void clsToolTip::makeTip(QWidget* contHwnd, QWidget* formHwnd, const QString& myText, std::uint32_t myForeCol,
                         std::uint32_t myBackCol, const QString& myFont) {
  release();
  QWidget* target = contHwnd != nullptr ? contHwnd : formHwnd;
  if (target == nullptr) return;
  tool_ = target;
  text_ = myText;
  fore_ = myForeCol;
  back_ = myBackCol;
  font_ = myFont;
  target->installEventFilter(this);
}

void clsToolTip::showAt(const QPoint& globalPos) {
  if (!tip_) {
    tip_ = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    tip_->setTextFormat(Qt::PlainText);  // shown literally, never as markup
    tip_->setWordWrap(true);
    tip_->setFrameStyle(QFrame::Box | QFrame::Plain);
    tip_->setLineWidth(1);
    tip_->setMargin(3);
    tip_->setAutoFillBackground(true);
  }
  QPalette pal = tip_->palette();
  pal.setColor(QPalette::Window, core::toQColor(back_));
  pal.setColor(QPalette::WindowText, core::toQColor(fore_));
  tip_->setPalette(pal);
  QFont f(font_);
  f.setPixelSize(13);
  f.setBold(true);
  tip_->setFont(f);
  QScreen* screen = QGuiApplication::screenAt(globalPos);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const QRect avail = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const int maxWidth = std::max(100, (screen != nullptr ? screen->geometry().width() : 1024) / 3);
  tip_->setMaximumWidth(maxWidth);
  tip_->setText(text_);
  // A label with word wrap picks a narrow width by itself; give it the width its longest line
  // needs, up to the limit, so lines break only where the text does or the limit forces.
  const QFontMetrics fm(f);
  int widest = 0;
  for (const QString& line : text_.split(QLatin1Char('\n'))) widest = std::max(widest, fm.horizontalAdvance(line));
  const int w = std::min(maxWidth, widest + 2 * (tip_->margin() + tip_->lineWidth()) + 2);
  tip_->setFixedWidth(w);
  tip_->setFixedHeight(tip_->heightForWidth(w));
  QPoint pos = globalPos + QPoint(2, 16);
  if (pos.x() + tip_->width() > avail.right()) pos.setX(avail.right() - tip_->width());
  if (pos.y() + tip_->height() > avail.bottom()) pos.setY(globalPos.y() - tip_->height() - 4);
  tip_->move(pos);
  tip_->show();
  tip_->raise();
  popTimer_->start();
}

void clsToolTip::hideTip() {
  popTimer_->stop();
  if (tip_) tip_->hide();
}

bool clsToolTip::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tool_) {
    switch (event->type()) {
      case QEvent::ToolTip:
        if (!text_.isEmpty()) showAt(static_cast<QHelpEvent*>(event)->globalPos());
        return true;
      case QEvent::Leave:
      case QEvent::MouseButtonPress:
      case QEvent::Hide:
      case QEvent::KeyPress:
        hideTip();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace uikit
