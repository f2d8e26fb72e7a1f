// TLEDGraph: the recorded-time graph and the LED brightness graph.
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <cmath>

#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "timing/ui/TLEDGraph.h"
#include "timing/ui/TimingMemo.h"

namespace {

constexpr int kLeft = 50, kTop = 20, kBottom = 40;

void Dot(QPainter& p, QPoint c, int radius, const QColor& outline, const QColor& fill) {
  p.setPen(outline);
  p.setBrush(fill);
  p.drawEllipse(c, radius, radius);
}

}  // namespace

int TLEDGraph::PlotWidth() const { return Picture.width() - 70; }
int TLEDGraph::PlotHeight() const { return Picture.height() - 60; }

void TLEDGraph::ShowPicture() { LEDImage1->setPixmap(QPixmap::fromImage(Picture)); }

int TLEDGraph::ValueY(long double v) const {
  long double span = range_.Maximum - range_.Minimum;
  if (span == 0) span = 0.0001L;
  const long double scale = PlotHeight() / span;
  const long double offset = PlotHeight() - scale * range_.Maximum;
  const long double y = (Picture.height() - kBottom) - (v * scale * UpDown12->Position() + offset);
  return static_cast<int>(std::clamp<int64_t>(RoundHalfAway(y), -100000, 100000));
}

QPoint TLEDGraph::SignalDot(int line) const {
  const int x = kLeft + (line - ScrollBar1->value()) * UpDown15->Position();
  if (line < 0 || line >= static_cast<int>(samples_.size())) return {x, 0};
  return {x, ValueY(samples_[static_cast<size_t>(line)].Signal)};
}

void TLEDGraph::DrawCurrentGraph() {
  if (RadioGroup1->ItemIndex() == 1) {
    DrawLedGraph();
    return;
  }
  DrawRecordedTimeGraph();
}

void TLEDGraph::DrawAxes(QPainter& p) {
  p.fillRect(Picture.rect(), Qt::white);
  p.setPen(Qt::black);
  p.drawLine(kLeft, kTop, kLeft, Picture.height() - kBottom);
  p.drawLine(kLeft, Picture.height() - kBottom, Picture.width() - 20, Picture.height() - kBottom);
}

void TLEDGraph::DrawRecordedTimeGraph() {
  QPainter p(&Picture);
  DrawAxes(p);
  const int g = UpDown12->Position(), h = UpDown15->Position();
  const int middle = kTop + static_cast<int>(RoundHalfAway(PlotHeight() / 2.0L));
  DrawUpwardText(p, 4, Picture.height() - kBottom, "Recorded time - Least mean time (msec)");
  for (int u = -10; u <= 10; ++u) {
    if (std::abs(u * g) > 20) continue;
    const int y = middle + u * 10 * g;
    p.setPen(u == 0 ? QColor(Qt::red) : QColor(0xC0, 0xC0, 0xC0));
    p.drawLine(kLeft, y, kLeft + PlotWidth(), y);
    if (g == 1 && u % 2 != 0) continue;
    p.setPen(Qt::black);
    p.drawText(kLeft - 24, y + 4, QString::number(-u));
  }
  const LedTable t = Table();
  if (state_.LedFrameTimes.empty() || t.LastLine < 0) {
    ShowPicture();
    return;
  }
  const LedRowFrames keys = KeyLedRows(t);
  for (int i = ScrollBar1->value(); i <= t.LastLine && (i - ScrollBar1->value()) * h <= PlotWidth(); ++i) {
    const int x = kLeft + (i - ScrollBar1->value()) * h;
    const int frame = keys.HasRecord(t, i) ? keys.Rows[static_cast<size_t>(i)].Frame : t.StartFrame + i;
    if (frame % 50 == 0) {
      p.setPen(Qt::black);
      p.drawLine(x, Picture.height() - kBottom, x, Picture.height() - kBottom + 5);
      p.drawText(x - 10, Picture.height() - kBottom + 18, QString::number(frame));
    }
    // Rows without a readable PC time take no part in the fit: no dot either.
    const std::optional<long double> recorded = RecordedPcTime(t, i);
    if (!keys.HasRecord(t, i) || frame >= static_cast<int>(state_.LedFrameTimes.size()) || !recorded) continue;
    const TLedFrameTime& r = state_.LedFrameTimes[static_cast<size_t>(frame)];
    // A row recorded after midnight against a fitted time past 24 h.
    const long double delay = std::remainder(*recorded - Seconds(r.FitHour, r.FitMinute, r.FitSeconds), 86400.0L);
    const int64_t v = RoundHalfAway(g * delay * 10000.0L);
    Dot(p, {x, middle - static_cast<int>(std::clamp<int64_t>(v, -10000, 10000))}, 1, Qt::black, Qt::black);
  }
  ShowPicture();
}

void TLEDGraph::DrawLedGraph() {
  range_ = LedBrightnessRange(host_.Lines(), HeaderLineCount(), state_.LedDataLineCount);
  Edit1->setText(QString::fromStdString(FormatGeneral(range_.Maximum, 15)));
  Edit2->setText(QString::fromStdString(FormatGeneral(range_.Minimum, 15)));
  QPainter p(&Picture);
  DrawAxes(p);
  const int h = UpDown15->Position(), first = ScrollBar1->value();
  const int last = std::min(state_.LedDataLineCount, static_cast<int>(samples_.size()) - 1);
  const LedCycleKind kind = CycleKind(Rate());
  const int n = state_.LedCycleFrames;
  const int pps = PpsRisingLine(samples_, last);
  const bool pps_chosen = last >= 0 && samples_[static_cast<size_t>(pps)].PpsRising;
  QPoint previous_background;
  for (int i = first; i <= last && (i - first) * h <= PlotWidth(); ++i) {
    const TLedFrameSample& s = samples_[static_cast<size_t>(i)];
    const int x = kLeft + (i - first) * h;
    if (s.CycleMember || (pps_chosen && i == state_.PpsLine)) {
      p.setPen(BgrColor(0xFFFF00));
      p.drawLine(x, kTop, x, kTop + 8);
      if (i == state_.PpsLine && pps_chosen) p.drawLine(x, kTop + 12, x, kTop + 20);
      if (pps_chosen && n > 0 && (i - pps) % (10 * n) == 0) {
        p.setPen(Qt::black);
        p.drawText(x + 2, kTop + 10, QString::number((i - pps) / n));
      }
    }
    if (s.ZeroCrossing) {
      p.setPen(BgrColor(0x800000));
      p.drawLine(x, kTop, x, Picture.height() - kBottom);
    }
    const QPoint background(x, ValueY(EvaluatePolynomial(background_, static_cast<int>(background_.size()) - 1, i)));
    if (i > first) {
      p.setPen(QColor(0x80, 0x80, 0x80));
      p.drawLine(previous_background, background);
    }
    previous_background = background;
    Dot(p, {x, ValueY(s.Brightness)}, 2, BgrColor(0x22FF22), BgrColor(0x44FF44));
    const QPoint dot = SignalDot(i);
    if (s.PpsRising)
      Dot(p, dot, 3, BgrColor(0x0000FF), BgrColor(0x0000FF));
    else if (s.InFit)
      Dot(p, dot, 3, BgrColor(0xFF0000), BgrColor(0xFF0000));
    else if (ClickCandidate(samples_, last, i, n, kind))
      Dot(p, dot, 2, BgrColor(0xFF00FF), BgrColor(0xFF00FF));
    else
      Dot(p, dot, 2, BgrColor(0xFF00FF), BgrColor(0x00FFFF));
    if (s.FittedSignal > -200.0L) {
      p.setPen(BgrColor(0xFF0000));
      p.drawPoint(x, ValueY(s.FittedSignal));
    }
  }
  ShowPicture();
}
