// 'Play' and 'Stop': the video plays at its own rate in Panel3 through the
// FFmpeg source, decoding forward. The measured frame on Image1 and the frame
// scroll bar stay where they are.
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/ui/TPlatform.h"
#include "base/SteadyClock.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/Layouts.h"

namespace {
constexpr int kPanel3Width = 160;
constexpr int kPanel3Height = 120;

// The open video's own source, not the reader choice: a choice changed while
// a run or playback held CheckBox7 back applies at the next opening.
bool OpenThroughFfmpeg(const VideoState& video) {
  return video.VideoAccessKind == static_cast<uint8_t>(VideoAccess::DirectShow);
}
}  // namespace

QWidget* TPlatform::CreatePlayPanel() {
  auto* panel = new QWidget;
  auto* grid = EdgeLayout<QGridLayout>(panel);
  Button19 = Named<QPushButton>("Button19", "Play");
  Button27 = Named<QPushButton>("Button27", "Stop");
  Panel3 = Named<QLabel>("Panel3");
  Panel3->setFixedSize(kPanel3Width, kPanel3Height);
  Panel3->setAlignment(Qt::AlignCenter);
  Panel3->setStyleSheet("background: black");
  PlayTimer = Named<QTimer>("PlayTimer", this);
  AddGridRow(grid, 0, {Button19, Button27});
  grid->addWidget(Panel3, 1, 0, 1, 2, Qt::AlignHCenter);
  return panel;
}

void TPlatform::Button19Click() {
  if (!OpenThroughFfmpeg(Video) || !Run.VideoLoaded || Run.MeasuringRun) return;
  Sources.DirectShow.DSPlay();
  Play.PlayStartFrame = ScrollBar1->value();
  Play.PlayShownFrame = -1;
  Play.PlayStartMs = SteadyMs();
  const long double rate = Video.VideoFrameRate * Video.FrameRateFactor;
  // A rate typed far out of range (a nominal rate of 1e-300) must not
  // overflow the timer's interval.
  PlayTimer->start(rate > 0 ? static_cast<int>(std::clamp(500.0L / rate, 1.0L, 60000.0L)) : 20);
  PlayTimerTick();
}

void TPlatform::Button27Click() {
  if (!OpenThroughFfmpeg(Video)) return;
  Sources.DirectShow.DSPause();
  PlayTimer->stop();
}

void TPlatform::PlayTimerTick() {
  if (!Run.VideoLoaded || !Sources.DirectShow.Playing()) {
    PlayTimer->stop();
    return;
  }
  const long double rate = Video.VideoFrameRate * Video.FrameRateFactor;
  const qint64 elapsed_ms = SteadyMs() - Play.PlayStartMs;
  const long double due = Play.PlayStartFrame + std::floor(elapsed_ms * rate / 1000.0L);
  // The end of the video pauses it on its last frame, also when a late tick
  // (a busy machine) has skipped past the last frame's time, or a rate typed
  // far out of range puts the frame beyond any frame number.
  const bool past_end = !(due <= ScrollBar1->maximum());
  const int n = past_end ? ScrollBar1->maximum() : static_cast<int>(due);
  if (n != Play.PlayShownFrame) {
    std::string status;
    Sources.DirectShow.DSGrabFrame(n, Play.PlayBitmap, status, Video.VideoFrameRate, Video.FrameRateFactor);
    if (status != "S_OK") {
      Button27Click();
      return;
    }
    Play.PlayShownFrame = n;
    const QImage frame(Play.PlayBitmap.Data(), Play.PlayBitmap.Width(), Play.PlayBitmap.Height(),
                       Play.PlayBitmap.Stride(), QImage::Format_BGR888);
    Panel3->setPixmap(QPixmap::fromImage(frame.scaled(Panel3->size(), Qt::KeepAspectRatio, Qt::FastTransformation)));
  }
  if (past_end) Button27Click();
}
