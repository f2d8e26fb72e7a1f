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

void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
  QStringList all;
  all.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& l : lines) all << QString::fromStdString(l);
  memo->setPlainText(all.join('\n'));
}

void AddMemoLine(QPlainTextEdit* memo, const std::string& line) { memo->appendPlainText(QString::fromStdString(line)); }

std::vector<std::string> MemoLines(const QPlainTextEdit* memo) {
  std::vector<std::string> out;
  if (memo->document()->isEmpty()) return out;
  for (const QString& l : memo->toPlainText().split('\n')) out.push_back(l.toStdString());
  return out;
}
