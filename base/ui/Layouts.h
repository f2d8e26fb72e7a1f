#pragma once
// Layout shortcuts: widgets into neighbouring cells of a grid, in the order
// given (which is also their tab order), and layouts without margins.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QString>
#include <QWidget>
#include <initializer_list>

// Left to right along `row`, from `first_column`.
inline void AddGridRow(QGridLayout* grid, int row, std::initializer_list<QWidget*> widgets, int first_column = 0) {
  for (QWidget* w : widgets) grid->addWidget(w, row, first_column++);
}

// Top to bottom down `column`, from `first_row`.
inline void AddGridColumn(QGridLayout* grid, int column, std::initializer_list<QWidget*> widgets, int first_row = 0) {
  for (QWidget* w : widgets) grid->addWidget(w, first_row++, column);
}

// A titled group of widgets side by side (QVBoxLayout: one above the other).
template <class Layout = QHBoxLayout>
QGroupBox* GroupOf(const QString& caption, std::initializer_list<QWidget*> widgets) {
  auto* box = new QGroupBox(caption);
  auto* layout = new Layout(box);
  for (QWidget* w : widgets) layout->addWidget(w);
  return box;
}

// A layout of `widget` that runs to its edges, for panels set inside others.
template <class Layout>
Layout* EdgeLayout(QWidget* widget) {
  auto* layout = new Layout(widget);
  layout->setContentsMargins(0, 0, 0, 0);
  return layout;
}
