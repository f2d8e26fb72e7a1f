#include "timing/ui/TimingMemo.h"

#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>

QPlainTextEdit* MakeMemo(const QString& name, QWidget* parent, MemoWrap wrap) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(name);
  memo->setReadOnly(true);
  QFont courier("Courier New");
  courier.setStyleHint(QFont::Monospace);
  memo->setFont(courier);
  memo->setLineWrapMode(wrap == MemoWrap::On ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  return memo;
}

QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

void AddMemoLine(QPlainTextEdit* memo, const std::string& line) { memo->appendPlainText(QString::fromStdString(line)); }
