#pragma once
// Small control helpers shared by the timing tool windows.
#include <QString>
#include <string>
#include <vector>

#include "base/ui/MemoLines.h"  // MemoLines, SetMemoLines

class QLabel;
class QPlainTextEdit;
class QWidget;

enum class MemoWrap { Off, On };

QPlainTextEdit* MakeMemo(const QString& name, QWidget* parent, MemoWrap wrap);
QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent);
void AddMemoLine(QPlainTextEdit* memo, const std::string& line);
