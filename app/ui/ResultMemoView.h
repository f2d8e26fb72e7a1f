#pragma once
// Shows a ResultTable in a plain-text memo. Changes are gathered and shown a
// moment later in one step: appended rows are added at the end, any other
// change reloads the memo. SyncNow() brings the memo up to date at once.
//
// A long table is not copied into the memo: past kWholeTableRows rows the
// memo holds only the rows in view, and a scroll bar beside it moves through
// the table, which stays the only copy of the rows.
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>

class QPlainTextEdit;
class QScrollBar;
class ResultTable;

class ResultMemoView : public QObject {
  Q_OBJECT
 public:
  static constexpr int kWholeTableRows = 10000;

  // `rows_bar` is the scroll bar shown beside the memo for a long table.
  ResultMemoView(ResultTable& table, QPlainTextEdit* memo, QScrollBar* rows_bar, QObject* parent = nullptr);
  ~ResultMemoView() override;
  void SyncNow();
  bool InSync() const { return !dirty_; }
  // True while the memo holds only the rows in view.
  bool ShowsRowsInView() const { return windowed_; }
  // The whole table as the memo shows it (LF line ends), for copying.
  QString WholeText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Schedule();
  void SyncWhole();
  void SyncWindow();
  void ShowRowsFrom(int top);
  int RowsInView() const;
  ResultTable& table_;
  QPlainTextEdit* memo_;
  QScrollBar* bar_;
  QTimer timer_;
  uint64_t shown_generation_ = UINT64_MAX;
  int shown_count_ = 0;
  bool dirty_ = true;
  bool windowed_ = false;
  bool whole_table_selected_ = false;
  int shown_top_ = -1;
};
