#pragma once
// Window tests: a control looked up by its designer name (a missing one fails
// the test), and a mouse release on a widget, as a click on it ends.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
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

// A left click (press and release) on row `row` of a list box.
inline void ClickListRow(QListWidget* list, int row) {
  const QPoint p = list->visualItemRect(list->item(row)).center();
  QMouseEvent press(QEvent::MouseButtonPress, p, list->viewport()->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, p, list->viewport()->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &release);
}

// Lets the event loop work until `done` holds; false after limit_ms.
template <class Done>
bool SpinUntil(Done done, int limit_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Shows `window`, makes it the active one and leaves `text` typed into `edit`
// with the focus still there, as an observer leaves it when the window goes.
inline bool LeaveTypingIn(QWidget* window, QWidget* edit, const QString& text) {
  window->show();
  window->activateWindow();
  QApplication::processEvents();
  edit->setFocus();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &press);
  }
  return edit->hasFocus();
}

// Typed as an observer types: the edit's text replaced key by key.
inline void TypeInto(QLineEdit* e, const QString& text) {
  e->selectAll();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(e, &press);
  }
}

// Typed into the focused edit and taken over with Enter.
inline void TypeAndPressEnter(QLineEdit* e, const QString& text) {
  e->setFocus();
  TypeInto(e, text);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(e, &enter);
}
