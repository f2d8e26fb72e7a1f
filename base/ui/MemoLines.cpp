#include "base/ui/MemoLines.h"

#include <QStringList>

std::vector<std::string> MemoLines(const QPlainTextEdit* m) {
  std::vector<std::string> out;
  const QString text = m->toPlainText();
  if (text.isEmpty()) return out;
  for (const QString& l : text.split('\n')) out.push_back(l.toStdString());
  return out;
}

void SetMemoLines(QPlainTextEdit* m, const std::vector<std::string>& lines) {
  QStringList all;
  for (const std::string& l : lines) all << QString::fromStdString(l);
  m->setPlainText(all.join('\n'));
  m->moveCursor(QTextCursor::Start);
}

void AppendMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  std::string text;
  for (const std::string& l : lines) text += (text.empty() ? "" : "\n") + l;
  memo->appendPlainText(QString::fromStdString(text));
}
