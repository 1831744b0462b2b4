// Test support for tool windows: a control of a window found by its object name. Only *_qtest.cpp
// files include it.
#pragma once

#include <QString>
#include <QWidget>

namespace tools::testing {

// w's child named name as a T, or nullptr when it has none of that name and type.
template <class T = QWidget>
T* child(const QWidget* w, const char* name) {
  return w->findChild<T*>(QString::fromLatin1(name));
}

}  // namespace tools::testing
