#pragma once
// Rows of a form laid out on a grid.
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "base/ui/ControlEvents.h"

// A caption, an up-down and the read-only edit that shows the value it sets,
// in columns 0 to 2 of `row`; returns the edit.
inline QLineEdit* AddUpDownRow(QGridLayout* grid, int row, const QString& caption, QSpinBox* updown,
                               const QString& edit_name, const QString& text) {
  QWidget* form = grid->parentWidget();
  auto* edit = Named<QLineEdit>(edit_name, text, form);
  edit->setReadOnly(true);
  grid->addWidget(new QLabel(caption, form), row, 0);
  grid->addWidget(updown, row, 1);
  grid->addWidget(edit, row, 2);
  return edit;
}
