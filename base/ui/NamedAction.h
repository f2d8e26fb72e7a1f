#pragma once
// A menu item carrying its designer name (see Named<> for controls).
#include <QAction>
#include <QString>

template <class Menu>
QAction* NamedAction(Menu* menu, const QString& name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  return item;
}
