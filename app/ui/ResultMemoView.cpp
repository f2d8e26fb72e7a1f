#include "app/ui/ResultMemoView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "base/ResultTable.h"

namespace {

QString JoinLines(const ResultTable& table, int first, int end) {
  std::string text;
  for (int i = first; i < end; ++i) {
    if (i > first) text += '\n';
    text += table.Line(i);
  }
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The scroll bar's move for a paging key, or none.
QScrollBar::SliderAction PagingAction(const QKeyEvent& key) {
  if (key.matches(QKeySequence::MoveToEndOfDocument)) return QScrollBar::SliderToMaximum;
  if (key.matches(QKeySequence::MoveToStartOfDocument)) return QScrollBar::SliderToMinimum;
  switch (key.key()) {
    case Qt::Key_PageDown:
      return QScrollBar::SliderPageStepAdd;
    case Qt::Key_PageUp:
      return QScrollBar::SliderPageStepSub;
    case Qt::Key_Down:
      return QScrollBar::SliderSingleStepAdd;
    case Qt::Key_Up:
      return QScrollBar::SliderSingleStepSub;
    default:
      return QScrollBar::SliderNoAction;
  }
}

}  // namespace

ResultMemoView::ResultMemoView(ResultTable& table, QPlainTextEdit* memo, QScrollBar* rows_bar, QObject* parent)
    : QObject(parent), table_(table), memo_(memo), bar_(rows_bar) {
  timer_.setSingleShot(true);
  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, this, &ResultMemoView::SyncNow);
  bar_->setOrientation(Qt::Vertical);
  bar_->setVisible(false);
  connect(bar_, &QScrollBar::valueChanged, this, [this](int top) {
    if (windowed_) ShowRowsFrom(top);
  });
  memo_->installEventFilter(this);
  memo_->viewport()->installEventFilter(this);
  table_.SetChangeListener([this] { Schedule(); });
  SyncNow();
}

ResultMemoView::~ResultMemoView() { table_.SetChangeListener({}); }

void ResultMemoView::Schedule() {
  dirty_ = true;
  if (!timer_.isActive()) timer_.start();
}

QString ResultMemoView::WholeText() const { return JoinLines(table_, 0, table_.Count()); }

void ResultMemoView::SyncNow() {
  timer_.stop();
  const bool windowed = table_.Count() > kWholeTableRows;
  if (windowed != windowed_) {
    windowed_ = windowed;
    whole_table_selected_ = false;
    shown_generation_ = UINT64_MAX;
    shown_top_ = -1;
    memo_->setVerticalScrollBarPolicy(windowed ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    bar_->setVisible(windowed);
  }
  if (windowed_)
    SyncWindow();
  else
    SyncWhole();
  shown_generation_ = table_.Generation();
  shown_count_ = table_.Count();
  dirty_ = false;
}

void ResultMemoView::SyncWhole() {
  if (shown_generation_ == table_.Generation() && table_.Count() >= shown_count_) {
    if (table_.Count() > shown_count_) {
      // appendPlainText starts a new paragraph, so the first row must not be
      // appended to an empty memo as a second line.
      if (shown_count_ == 0)
        memo_->setPlainText(JoinLines(table_, 0, table_.Count()));
      else
        memo_->appendPlainText(JoinLines(table_, shown_count_, table_.Count()));
    }
  } else {
    memo_->setPlainText(JoinLines(table_, 0, table_.Count()));
  }
}

// Like the whole text, the view follows the end of the table while it is there.
void ResultMemoView::SyncWindow() {
  const bool at_end = shown_top_ < 0 || bar_->value() >= bar_->maximum();
  const int rows = RowsInView();
  const QSignalBlocker quiet(bar_);
  bar_->setRange(0, std::max(0, table_.Count() - rows));
  bar_->setPageStep(rows);
  if (at_end) bar_->setValue(bar_->maximum());
  shown_top_ = -1;
  ShowRowsFrom(bar_->value());
}

void ResultMemoView::ShowRowsFrom(int top) {
  const int end = std::min(table_.Count(), top + RowsInView() + 1);
  QScrollBar* across = memo_->horizontalScrollBar();
  const int x = across->value();
  memo_->setPlainText(JoinLines(table_, top, end));
  across->setValue(x);
  shown_top_ = top;
}

int ResultMemoView::RowsInView() const {
  const int line = std::max(1, memo_->fontMetrics().lineSpacing());
  return std::max(1, memo_->viewport()->height() / line);
}

// With only the rows in view in the memo, the wheel and the paging keys move
// through the table, and select all / copy take the whole table.
bool ResultMemoView::eventFilter(QObject* watched, QEvent* event) {
  if (!windowed_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Resize:
      if (watched == memo_->viewport() && RowsInView() != bar_->pageStep()) SyncNow();
      break;
    case QEvent::MouseButtonPress:
      whole_table_selected_ = false;
      break;
    case QEvent::Wheel: {
      const int steps = static_cast<QWheelEvent*>(event)->angleDelta().y() / 40;
      bar_->setValue(bar_->value() - steps);
      return true;
    }
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->matches(QKeySequence::SelectAll)) {
        memo_->selectAll();
        whole_table_selected_ = true;
        return true;
      }
      if (key->matches(QKeySequence::Copy) && whole_table_selected_) {
        QApplication::clipboard()->setText(WholeText());
        return true;
      }
      const QScrollBar::SliderAction action = PagingAction(*key);
      if (action == QScrollBar::SliderNoAction) break;
      whole_table_selected_ = false;
      bar_->triggerAction(action);
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}
