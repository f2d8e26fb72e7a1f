#pragma once
// Keeps a set of read-outs from repainting on every frame of a run or
// playback: their texts and values change at once, but they paint at most once
// per interval while the run goes on, and at once when it stops.
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

class DisplayPacer : public QObject {
 public:
  // `running` tells whether frames are still coming in quick succession.
  DisplayPacer(std::vector<QWidget*> widgets, std::function<bool()> running, int interval_ms,
               QObject* parent = nullptr);
  // After each frame shown (and whenever a run or playback may have ended).
  void FrameShown();
  bool Holding() const { return holding_; }

 private:
  void Hold();
  void Present();
  void Release();
  void TimerDue();
  std::vector<QWidget*> widgets_;
  std::function<bool()> running_;
  int interval_ms_;
  QTimer timer_;
  qint64 presented_ms_ = 0;
  bool holding_ = false;
};
