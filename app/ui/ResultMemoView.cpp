#include "app/ui/ResultMemoView.h"

#include <QPlainTextEdit>
#include <QScrollBar>

#include "base/ResultTable.h"

namespace {

QString JoinLines(const ResultTable& table, int first) {
  std::string text;
  for (int i = first; i < table.Count(); ++i) {
    if (i > first) text += '\n';
    text += table.Line(i);
  }
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ResultMemoView::ResultMemoView(ResultTable& table, QPlainTextEdit* memo, QObject* parent)
    : QObject(parent), table_(table), memo_(memo) {
  timer_.setSingleShot(true);
  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, this, &ResultMemoView::SyncNow);
  table_.SetChangeListener([this] { Schedule(); });
  SyncNow();
}

ResultMemoView::~ResultMemoView() { table_.SetChangeListener({}); }

void ResultMemoView::Schedule() {
  dirty_ = true;
  if (!timer_.isActive()) timer_.start();
}

void ResultMemoView::SyncNow() {
  timer_.stop();
  if (shown_generation_ == table_.Generation() && table_.Count() >= shown_count_) {
    if (table_.Count() > shown_count_) {
      // appendPlainText starts a new paragraph, so the first row must not be
      // appended to an empty memo as a second line.
      if (shown_count_ == 0)
        memo_->setPlainText(JoinLines(table_, 0));
      else
        memo_->appendPlainText(JoinLines(table_, shown_count_));
    }
  } else {
    memo_->setPlainText(JoinLines(table_, 0));
  }
  shown_generation_ = table_.Generation();
  shown_count_ = table_.Count();
  dirty_ = false;
}
