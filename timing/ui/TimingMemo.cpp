#include "timing/ui/TimingMemo.h"

#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>

#include "base/ui/ControlEvents.h"

QPlainTextEdit* MakeMemo(const QString& name, QWidget* parent, MemoWrap wrap) {
  auto* memo = Named<QPlainTextEdit>(name, parent);
  memo->setReadOnly(true);
  QFont courier("Courier New");
  courier.setStyleHint(QFont::Monospace);
  memo->setFont(courier);
  memo->setLineWrapMode(wrap == MemoWrap::On ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  return memo;
}

QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent) {
  return Named<QLabel>(name, text, parent);
}

void AddMemoLine(QPlainTextEdit* memo, const std::string& line) { memo->appendPlainText(QString::fromStdString(line)); }
