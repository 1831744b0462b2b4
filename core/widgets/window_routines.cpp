#include "core/widgets/window_routines.h"

#include "platform/widgets/window_effects.h"

#include <QCoreApplication>
#include <QString>
#include <QWidget>

#include <cmath>

namespace core {

namespace {
constexpr double kTwipsPerPixel = 15.0;
int toPixels(int twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }
int toTwips(int pixels) { return pixels * static_cast<int>(kTwipsPerPixel); }
}  // namespace

int PrintText(std::string_view text) {
  QString body = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  body += u'\n';
  return platform::printPlainText(body, 10);
}

void PlaceBottomRight(QWidget* control, QWidget* container, int offsetTwips) {
  if (!control || !container) return;
  const int top = toTwips(container->height()) - toTwips(control->height()) - offsetTwips - 80;
  const int left = toTwips(container->width()) - toTwips(control->width()) - 255;
  control->move(toPixels(left), toPixels(top));
}

void PlaceBottomLeft(QWidget* control, QWidget* container, int offsetTwips) {
  if (!control || !container) return;
  const int top = toTwips(container->height()) - toTwips(control->height()) - offsetTwips - 360;
  control->move(toPixels(120), toPixels(top));
}

void FormOpacity(QWidget* window, int& dim) {
  const int alpha = dim != 0 ? 180 : 255;
  if (window) {
    QCoreApplication::processEvents();
    platform::setWindowOpacityBestEffort(window, alpha / 255.0);
    QCoreApplication::processEvents();
  }
  dim = alpha;
}

}  // namespace core
