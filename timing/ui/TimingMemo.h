#pragma once
// Small control helpers shared by the timing tool windows.
#include <QString>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QWidget;

enum class MemoWrap { Off, On };

QPlainTextEdit* MakeMemo(const QString& name, QWidget* parent, MemoWrap wrap);
QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent);
// Replaces the memo's lines.
void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines);
void AddMemoLine(QPlainTextEdit* memo, const std::string& line);
std::vector<std::string> MemoLines(const QPlainTextEdit* memo);
