#include "timing/ui/TimingMemo.h"

#include <QFont>
#include <QLabel>
#include <QPainter>
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

QLabel* MakePicture(const QString& name, int width, int height, QWidget* parent) {
  QLabel* picture = MakeLabel(name, "", parent);
  picture->setFixedSize(width, height);
  return picture;
}

void DrawUpwardText(QPainter& p, int x, int y, const QString& text) {
  p.save();
  p.translate(x, y);
  p.rotate(-90);
  p.drawText(0, p.fontMetrics().ascent(), text);
  p.restore();
}

void AddMemoLine(QPlainTextEdit* memo, const std::string& line) { memo->appendPlainText(QString::fromStdString(line)); }
