#pragma once
// Small control makers shared by the identification windows: every control
// carries its designer name as objectName.
#include <QColor>
#include <QComboBox>
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
