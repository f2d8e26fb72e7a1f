#pragma once
// A memo's text as lines, and lines into a memo.
#include <QPlainTextEdit>
#include <string>
#include <vector>

std::vector<std::string> MemoLines(const QPlainTextEdit* memo);
// Replaces the memo's text and scrolls it to its first line.
void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines);
// Adds the lines at the memo's end in one step (a long listing stays fast).
void AppendMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines);
