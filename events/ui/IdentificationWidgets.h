#pragma once
// Small control makers shared by the identification windows: every control
// carries its designer name as objectName.
#include <QColor>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <cstdint>

#include "base/ui/ControlEvents.h"

// Prediction texts larger than this are not read.
inline constexpr int64_t kMaxPredictionFileBytes = 16 * 1024 * 1024;

inline QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
  return Named<QPushButton>(name, caption, parent);
}

inline QLineEdit* MakeEdit(QWidget* parent, const char* name) { return Named<QLineEdit>(name, parent); }

inline QPlainTextEdit* MakeMemo(QWidget* parent, const char* name) { return Named<QPlainTextEdit>(name, parent); }

inline QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items) {
  auto* c = Named<QComboBox>(name, parent);
  c->addItems(items);
  return c;
}

// Caption and control pairs filling the rows of a grid, `per_row` pairs a row.
class CaptionedCells {
 public:
  CaptionedCells(QWidget* parent, QGridLayout* grid, int per_row) : parent_(parent), grid_(grid), per_row_(per_row) {}
  QGridLayout* Grid() const { return grid_; }
  void Add(const char* caption, QWidget* control) {
    const int row = next_ / per_row_, column = next_ % per_row_ * 2;
    grid_->addWidget(new QLabel(caption), row, column);
    grid_->addWidget(control, row, column + 1);
    ++next_;
  }
  QLineEdit* AddEdit(const char* name, const char* caption) {
    QLineEdit* edit = MakeEdit(parent_, name);
    Add(caption, edit);
    return edit;
  }

 private:
  QWidget* parent_;
  QGridLayout* grid_;
  int per_row_;
  int next_ = 0;
};
