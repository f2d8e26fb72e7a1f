#include "app/ui/DisplayPacer.h"

#include <QWidget>

#include "base/SteadyClock.h"

DisplayPacer::DisplayPacer(std::vector<QWidget*> widgets, std::function<bool()> running, int interval_ms,
                           QObject* parent)
    : QObject(parent), widgets_(std::move(widgets)), running_(std::move(running)), interval_ms_(interval_ms) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &DisplayPacer::TimerDue);
}

void DisplayPacer::FrameShown() {
  if (!running_()) {
    Release();
    return;
  }
  if (!holding_) {
    // The first frame of a run paints as usual; the following ones wait.
    Hold();
    return;
  }
  const qint64 since = SteadyMs() - presented_ms_;
  if (since >= interval_ms_)
    Present();
  else if (!timer_.isActive())
    timer_.start(static_cast<int>(interval_ms_ - since));
}

void DisplayPacer::Hold() {
  holding_ = true;
  presented_ms_ = SteadyMs();
  Present();
}

// Paints the held widgets now, in one pass, and holds them again.
void DisplayPacer::Present() {
  timer_.stop();
  presented_ms_ = SteadyMs();
  for (QWidget* w : widgets_) w->setUpdatesEnabled(true);
  // One synchronous repaint paints every widget marked dirty above.
  for (QWidget* w : widgets_) {
    if (w->isVisible()) {
      w->repaint();
      break;
    }
  }
  for (QWidget* w : widgets_) w->setUpdatesEnabled(false);
}

void DisplayPacer::Release() {
  if (!holding_) return;
  holding_ = false;
  timer_.stop();
  // Each widget repaints in the next pass of the event loop, as any change does.
  for (QWidget* w : widgets_) w->setUpdatesEnabled(true);
}

void DisplayPacer::TimerDue() {
  if (running_())
    Present();
  else
    Release();
}
