// Memo1's view of the results table: a short table is copied into the memo
// whole; a long one shows only the rows in view, moved by the scroll bar
// beside it, the wheel and the keys, and still copies whole.
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "MainRoadFixture.h"
#include "app/ui/ResultMemoView.h"
#include "base/ResultTable.h"

namespace {

constexpr int kLong = ResultMemoView::kWholeTableRows + 300;

std::vector<std::string> Rows(int n) {
  std::vector<std::string> rows;
  for (int i = 0; i < n; ++i) rows.push_back(std::to_string(i) + ".0,row " + std::to_string(i));
  return rows;
}

QString Joined(const std::vector<std::string>& rows) {
  QStringList all;
  for (const auto& r : rows) all << QString::fromStdString(r);
  return all.join('\n');
}

struct MemoHost {
  ResultTable table;
  QWidget host;
  QPlainTextEdit* memo = new QPlainTextEdit;
  QScrollBar* bar = new QScrollBar;
  std::unique_ptr<ResultMemoView> view;
  MemoHost() {
    auto* row = new QHBoxLayout(&host);
    row->addWidget(memo);
    row->addWidget(bar);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    host.resize(500, 300);
    host.show();
    view = std::make_unique<ResultMemoView>(table, memo, bar);
  }
  QStringList Shown() const { return memo->toPlainText().split('\n'); }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(memo, &e);
  }
};

TEST(ResultMemoView, ALongTableShowsOnlyTheRowsInViewAndFollowsTheEnd) {
  MemoHost h;
  h.table.Assign(Rows(kLong));
  h.view->SyncNow();
  ASSERT_TRUE(h.view->ShowsRowsInView());
  EXPECT_TRUE(h.bar->isVisible());
  const int in_view = h.bar->pageStep();
  EXPECT_GT(in_view, 3);
  EXPECT_LE(h.memo->blockCount(), in_view + 1);
  EXPECT_EQ(h.bar->maximum(), kLong - in_view);
  EXPECT_EQ(h.Shown().back().toStdString(), h.table.Line(kLong - 1));

  // Rows appended while the end is in view come into view.
  h.table.Add("appended");
  h.view->SyncNow();
  EXPECT_EQ(h.Shown().back(), "appended");

  // The scroll bar, the wheel and the keys move through the table.
  h.bar->setValue(0);
  EXPECT_EQ(h.Shown().front().toStdString(), h.table.Line(0));
  QWheelEvent down(QPointF(5, 5), h.memo->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(h.memo->viewport(), &down);
  EXPECT_EQ(h.bar->value(), 3);
  EXPECT_EQ(h.Shown().front().toStdString(), h.table.Line(3));
  h.Key(Qt::Key_PageDown);
  EXPECT_EQ(h.Shown().front().toStdString(), h.table.Line(3 + in_view));
  h.Key(Qt::Key_Down);
  EXPECT_EQ(h.Shown().front().toStdString(), h.table.Line(4 + in_view));

  // Away from the end, appending leaves the rows in view; an edit in view shows.
  h.table.Add("more");
  h.table.SetLine(5 + in_view, "edited");
  h.view->SyncNow();
  EXPECT_EQ(h.Shown().front().toStdString(), h.table.Line(4 + in_view));
  EXPECT_EQ(h.Shown().at(1), "edited");
}

TEST(ResultMemoView, SelectAllAndCopyTakeTheWholeLongTable) {
  MemoHost h;
  std::vector<std::string> rows = Rows(kLong);
  h.table.Assign(rows);
  h.view->SyncNow();
  QApplication::clipboard()->clear();
  h.Key(Qt::Key_A, Qt::ControlModifier);
  h.Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), Joined(rows));
}

TEST(ResultMemoView, ATableCutShortIsCopiedWholeAgain) {
  MemoHost h;
  h.table.Assign(Rows(kLong));
  h.view->SyncNow();
  ASSERT_TRUE(h.view->ShowsRowsInView());
  h.table.Truncate(40);
  h.view->SyncNow();
  EXPECT_FALSE(h.view->ShowsRowsInView());
  EXPECT_FALSE(h.bar->isVisible());
  EXPECT_EQ(h.memo->toPlainText(), Joined(Rows(40)));
}

TEST(ResultMemoView, CopyCsvCopiesTheWholeLongTableOfTheMainWindow) {
  MainRoadWindow m(Reader::OwnAvi);
  std::vector<std::string> rows = Rows(kLong);
  m.W().Results.Assign(rows);
  QApplication::clipboard()->clear();
  m.Click("Button42");
  EXPECT_EQ(QApplication::clipboard()->text(), Joined(rows));
}

}  // namespace
