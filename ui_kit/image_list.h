// ImageList: a host form's numbered picture list ("imgSet"), which flat buttons take their
// pictures from by item number. A form holds one as a child object named "imgSet".
#pragma once

#include <QIcon>
#include <QList>
#include <QObject>

namespace uikit {

class ImageList : public QObject {
  Q_OBJECT
 public:
  explicit ImageList(QObject* parent = nullptr) : QObject(parent) {}
  void add(const QIcon& icon) { items_.append(icon); }
  [[nodiscard]] int count() const { return static_cast<int>(items_.size()); }
  // Item n, 1-based; a null icon outside 1..count().
  [[nodiscard]] QIcon item(int n) const { return n >= 1 && n <= count() ? items_[n - 1] : QIcon(); }

 private:
  QList<QIcon> items_;
};

}  // namespace uikit
