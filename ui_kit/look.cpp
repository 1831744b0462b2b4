#include "ui_kit/look.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAccessibleObject>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace uikit {

namespace {

// A menu that no menu bar or other menu holds: its parent to a screen reader is the application.
bool standsAlone(const QMenu* m) {
  for (const QObject* o : m->menuAction()->associatedObjects()) {
    if (qobject_cast<const QMenu*>(o) || qobject_cast<const QMenuBar*>(o)) return false;
  }
  return true;
}

// The application to a screen reader: its windows and, while they are open, the pop-up menus
// that name it as their parent (a button's Insert, Undo or Tags menu), which Qt leaves out.
class ApplicationAccessible : public QAccessibleApplication {
 public:
  int childCount() const override { return QAccessibleApplication::childCount() + static_cast<int>(openMenus().size()); }
  QAccessibleInterface* child(int index) const override {
    const int windows = QAccessibleApplication::childCount();
    if (index < windows) return QAccessibleApplication::child(index);
    const QList<QMenu*> menus = openMenus();
    return index - windows < menus.size() ? QAccessible::queryAccessibleInterface(menus[index - windows]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const int window = QAccessibleApplication::indexOfChild(child);
    if (window >= 0 || !child) return window;
    const auto at = openMenus().indexOf(qobject_cast<QMenu*>(child->object()));
    return at < 0 ? -1 : QAccessibleApplication::childCount() + static_cast<int>(at);
  }

 private:
  static QList<QMenu*> openMenus() {
    QList<QMenu*> out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* m = qobject_cast<QMenu*>(w);
      if (m && m->isVisible() && standsAlone(m)) out << m;
    }
    return out;
  }
};

QAccessibleInterface* applicationAccessibility(const QString& key, QObject* object) {
  if (object != qApp || key != QLatin1String(object->metaObject()->className())) return nullptr;
  return new ApplicationAccessible;
}

// The program's windows are plain widgets with the window flag, which screen readers would get as
// a "filler" (Qt's role for a plain widget): give each the window role; its name is its title.
QAccessibleInterface* windowAccessibility(const QString& key, QObject* object) {
  auto* w = qobject_cast<QWidget*>(object);
  if (!w || !w->isWindow() || key != QLatin1String(object->metaObject()->className())) return nullptr;
  // Only windows built on a plain QWidget: buttons, lists, main windows and dialogs keep Qt's own.
  const QMetaObject* mo = object->metaObject();
  while (mo && !QByteArray(mo->className()).startsWith('Q')) mo = mo->superClass();
  if (!mo || qstrcmp(mo->className(), "QWidget") != 0) return nullptr;
  return new QAccessibleWidget(w, QAccessible::Window);
}

const bool kWindowAccessibility = [] {
  QAccessible::installFactory(&windowAccessibility);
  QAccessible::installFactory(&applicationAccessibility);
  return true;
}();

}  // namespace

QFont faceFont(const QString& face, double pointSize, bool bold) {
  QFont f(face);
  if (pointSize > 0) f.setPointSizeF(pointSize);
  f.setBold(bold);
  return f;
}

void setFontFace(QWidget* w, const QString& face) {
  QFont f = w->font();
  f.setFamily(face);
  w->setFont(f);
  w->updateGeometry();
}

void setFontPoints(QWidget* w, int points) {
  QFont f = w->font();
  if (points > 0) f.setPointSize(points);
  w->setFont(f);
  w->updateGeometry();
}

int fontPoints(const QWidget* w) { return static_cast<int>(std::lround(w->font().pointSizeF())); }

namespace {

// A caption's "&" marks the access key ("&&" is one "&"); a screen reader reads it without.
QString withoutAccessMark(const QString& caption) {
  QString name;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == u'&') continue;
    name += caption[i];
  }
  return name;
}

}  // namespace

void applyAccessibleName(QWidget* w, const QString& caption) {
  const QString name = withoutAccessMark(caption);
  w->setAccessibleName(name.isEmpty() ? w->objectName() : name);
}

QString spokenCaption(const QString& caption) {
  QString name = withoutAccessMark(caption);
  while (!name.isEmpty() && (name.back() == u':' || name.back().isSpace())) name.chop(1);
  return name;
}

void placeOverOwner(QWidget* form, const QWidget* owner) {
  static const char* const kPlaced = "corvanePlaced";
  if (!form || !owner || form == owner || form->isVisible() || form->testAttribute(Qt::WA_Moved) ||
      form->property(kPlaced).toBool() || !owner->isVisible()) {
    return;
  }
  form->setProperty(kPlaced, true);
  if (!form->testAttribute(Qt::WA_Resized)) form->adjustSize();
  // The new window's frame is not known before it is shown; the owner's is a close estimate.
  const QRect ownerFrame = owner->frameGeometry();
  const QRect ownerClient = owner->geometry();
  const QMargins frame(ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
                       ownerFrame.right() - ownerClient.right(), ownerFrame.bottom() - ownerClient.bottom());
  QRect r(QPoint(0, 0), form->size().grownBy(frame));
  r.moveCenter(ownerFrame.center());
  if (const QScreen* screen = owner->screen()) {
    const QRect avail = screen->availableGeometry();
    r.moveRight(std::min(r.right(), avail.right()));
    r.moveBottom(std::min(r.bottom(), avail.bottom()));
    r.moveLeft(std::max(r.left(), avail.left()));
    r.moveTop(std::max(r.top(), avail.top()));
  }
  form->move(r.topLeft());
}

}  // namespace uikit
