#pragma once
// Menu items and read-outs carrying their designer names (see Named<> for
// other controls).
#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QObject>
#include <QShortcut>
#include <QString>

template <class Menu>
QAction* NamedAction(Menu* menu, const QString& name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  return item;
}

// A hidden menu item: only its shortcut, which `window` owns as
// "<name>Shortcut", reaches it.
template <class Menu, class Window>
QAction* HiddenNamedAction(Menu* menu, const QString& name, const QString& caption, const QString& key,
                           Window* window, void (Window::*handler)()) {
  QAction* item = NamedAction(menu, name, caption);
  item->setShortcut(QKeySequence(key));
  item->setVisible(false);
  auto* shortcut = new QShortcut(QKeySequence(key), window);
  shortcut->setObjectName(name + "Shortcut");
  QObject::connect(shortcut, &QShortcut::activated, window, handler);
  return item;
}

// An edit that only shows a value; a width above 0 fixes its width.
inline QLineEdit* NamedReadOut(const QString& name, const QString& text = {}, int width = 0) {
  auto* edit = new QLineEdit(text);
  edit->setObjectName(name);
  edit->setReadOnly(true);
  if (width > 0) edit->setFixedWidth(width);
  return edit;
}
