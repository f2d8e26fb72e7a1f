#pragma once
// Small control and drawing helpers shared by the timing tool windows.
#include <QString>
#include <string>
#include <vector>

#include "base/ui/MemoLines.h"  // MemoLines, SetMemoLines

class QLabel;
class QPainter;
class QPlainTextEdit;
class QWidget;

enum class MemoWrap { Off, On };

QPlainTextEdit* MakeMemo(const QString& name, QWidget* parent, MemoWrap wrap);
QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent);
// A label of fixed size that shows a drawn graph.
QLabel* MakePicture(const QString& name, int width, int height, QWidget* parent);
// An axis caption read upwards, its first letter at (x, y) and its top
// towards the left.
void DrawUpwardText(QPainter& p, int x, int y, const QString& text);
void AddMemoLine(QPlainTextEdit* memo, const std::string& line);
