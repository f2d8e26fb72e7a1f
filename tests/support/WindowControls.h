#pragma once
// Window tests: a control looked up by its designer name (a missing one fails
// the test), and a mouse release on a widget, as a click on it ends.
#include <QApplication>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>
#include <gtest/gtest.h>

template <class T>
T* Find(const QObject* root, const char* name) {
  T* c = root->findChild<T*>(name);
  if (!c) ADD_FAILURE() << "no control named " << name;
  return c;
}

inline void ReleaseAt(QWidget* w, int x, int y) {
  const QPointF p(x, y);
  QMouseEvent e(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
