#pragma once
// Shows a ResultTable in a plain-text memo. Changes are gathered and shown a
// moment later in one step: appended rows are added at the end, any other
// change reloads the memo. SyncNow() brings the memo up to date at once.
#include <QObject>
#include <QTimer>
#include <cstdint>

class QPlainTextEdit;
class ResultTable;

class ResultMemoView : public QObject {
  Q_OBJECT
 public:
  ResultMemoView(ResultTable& table, QPlainTextEdit* memo, QObject* parent = nullptr);
  ~ResultMemoView() override;
  void SyncNow();
  bool InSync() const { return !dirty_; }

 private:
  void Schedule();
  ResultTable& table_;
  QPlainTextEdit* memo_;
  QTimer timer_;
  uint64_t shown_generation_ = UINT64_MAX;
  int shown_count_ = 0;
  bool dirty_ = true;
};
