#pragma once
// Layout shortcuts: widgets into neighbouring cells of a grid, in the order
// given (which is also their tab order), and layouts without margins.
#include <QGridLayout>
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

// A layout of `widget` that runs to its edges, for panels set inside others.
template <class Layout>
Layout* EdgeLayout(QWidget* widget) {
  auto* layout = new Layout(widget);
  layout->setContentsMargins(0, 0, 0, 0);
  return layout;
}
