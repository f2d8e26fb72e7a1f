// TLEDGraph: the histogram panel of the LED box's pixels, its model
// histogram, and the cycle plots drawn on the LED graph's picture.
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/DialogService.h"
#include "base/ui/StdText.h"
#include "timing/ui/TLEDGraph.h"
#include "timing/ui/TimingMemo.h"

long double TLEDGraph::DrawHistogramPanel() {
  HistogramPicture = QImage(Histogram->width(), Histogram->height(), QImage::Format_RGB32);
  HistogramPicture.fill(Qt::white);
  QPainter p(&HistogramPicture);
  const int h = HistogramPicture.height();
  // UpDown6 grey levels around the box's mean, each UpDown5 pixels wide.
  const LedBoxStats sample = LedBoxSampleStatistics(box_histogram_);
  const int bins = UpDown6->Position(), width = std::max(UpDown5->Position(), 1);
  const int first = static_cast<int>(RoundHalfAway(sample.Mean)) - bins / 2;
  const long double per_count = h / static_cast<long double>(std::max(UpDown7->Position(), 1)) * 8;
  auto bar_height = [&](long double count) {
    return static_cast<int>(std::clamp<int64_t>(RoundHalfAway(count * per_count), 0, h));
  };
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x40, 0x40, 0xC0));
  for (int k = 0; k < bins; ++k) {
    const int grey = first + k;
    if (grey < 0 || grey > 255) continue;
    const int bh = bar_height(box_histogram_[static_cast<size_t>(grey)]);
    p.drawRect(k * width, h - bh, width - (width > 2 ? 1 : 0), bh);
  }
  if (noise_factor_ <= 15) {
    const ModelHistogramFit fit = FitModelHistogram(box_histogram_, noise_factor_);
    if (fit.Fitted) {
      p.setPen(Qt::red);
      for (int k = 1; k < bins; ++k) {
        const int g0 = first + k - 1, g1 = first + k;
        if (g0 < 0 || g1 > 255) continue;
        p.drawLine(k * width - width / 2, h - bar_height(fit.Model[static_cast<size_t>(g0)]), k * width + width / 2,
                   h - bar_height(fit.Model[static_cast<size_t>(g1)]));
      }
      model_level_ = fit.ModelLevel;
    }
  }
  Histogram->setPixmap(QPixmap::fromImage(HistogramPicture));
  Edit7->setText(Q(FormatFixed(sample.Mean, 4, 8)));
  Edit8->setText(Q(FormatFixed(sample.StdDev, 4, 8)));
  return model_level_;
}

// The chart selects a record; the panel looks at the video frame it was
// measured from, which differs from the record's index when the measurement
// began after frame 0, stepped over frames or has a row per field.
int TLEDGraph::SelectedVideoFrame() const {
  const int record = host_.SelectedFrame ? host_.SelectedFrame() : 0;
  const std::vector<std::string>& lines = host_.Lines();
  const long long at = static_cast<long long>(LedTableLine(HeaderLineCount(), record));
  if (record < 0 || at < 0 || at >= static_cast<long long>(lines.size())) return record;
  const int frame = RowFrameNumber(lines[static_cast<size_t>(at)]);
  return frame >= 0 ? frame : record;
}

void TLEDGraph::Button1Click() {
  const int selected = SelectedVideoFrame();
  const LedBox box = host_.Signal1Box ? host_.Signal1Box() : LedBox{};
  auto grab = [&](int frame, LedBoxHistogram& h) {
    Bitmap24 bitmap;
    const std::string error = host_.GrabFrame ? host_.GrabFrame(frame, bitmap) : "no video";
    if (!error.empty()) return false;
    h = GrabLedBoxHistogram(bitmap, box);
    return true;
  };
  if (!vratio_taken_) {
    LedBoxHistogram h{};
    if (grab(selected, h)) noise_factor_ = VRatio(LedBoxStatistics(h));
    vratio_taken_ = true;
  }
  {
    const QSignalBlocker b9(UpDown9), b10(UpDown10);
    UpDown9->SetPosition(static_cast<int>(std::clamp<int64_t>(RoundHalfAway(noise_factor_ * 100), 0, 8000)));
    UpDown10->SetPosition(static_cast<int>(std::clamp<int64_t>(RoundHalfAway(noise_factor_ * 10), 0, 800)));
  }
  Edit13->setText(Q(FormatFixed(noise_factor_, 2, 15)));
  Edit1->setText(QString::number(selected));
  Memo2->clear();
  const int n = state_.LedCycleFrames, last_frame = host_.LastFrame();
  std::vector<std::pair<int, long double>> levels;
  for (int c = -5; c <= 9; ++c) {
    const int frame = c * n + selected;
    if (frame <= 0 || frame >= last_frame || !grab(frame, box_histogram_)) continue;
    levels.emplace_back(c, DrawHistogramPanel());
    if (c == 0) histogram_drawn_ = true;
  }
  QPainter p(&Picture);
  p.setPen(BgrColor(0xFF0000));
  p.setBrush(BgrColor(0xFF0000));
  for (const auto& [c, level] : levels) {
    const int y = Picture.height() - 40 - static_cast<int>(RoundHalfAway(level * PlotHeight()));
    p.drawEllipse(QPoint(50 + 30 * (c + 5), y), 3, 3);
  }
  p.end();
  ShowPicture();
}

void TLEDGraph::Button2Click() {
  range_ = LedBrightnessRange(host_.Lines(), HeaderLineCount(), state_.LedDataLineCount);
  QPainter p(&Picture);
  DrawAxes(p);
  const int current = host_.CurrentLine ? host_.CurrentLine() : 0;
  AddMemoLine(Memo1, "LCurrentFrameNum" + FormatInt(current));
  const std::vector<std::string>& lines = host_.Lines();
  p.setPen(BgrColor(0xFF0000));
  p.setBrush(BgrColor(0xFF0000));
  for (int c = -10; c <= 10; ++c) {
    const int line = current + c * state_.LedCycleFrames;
    if (line <= 0 || line > state_.LedDataLineCount) continue;
    const size_t at = static_cast<size_t>(LedTableLine(HeaderLineCount(), line));
    if (at >= lines.size()) continue;
    const long double v = ParseLongDouble(GetCsvCell(lines[at], 2)).value_or(0.0L);
    AddMemoLine(Memo1, FormatGeneral(v, 15));
    const int x = 50 + PlotWidth() / 2 + static_cast<int>(RoundHalfAway(c * PlotWidth() / 20.0L));
    p.drawEllipse(QPoint(x, ValueY(v)), 3, 3);
  }
  p.end();
  ShowPicture();
}

void TLEDGraph::Button3Click() {
  if (histogram_drawn_) DrawHistogramPanel();
}

void TLEDGraph::UpDown5Click() {
  Edit5->setText(QString::number(UpDown5->Position()));
  if (histogram_drawn_) DrawHistogramPanel();
}

void TLEDGraph::UpDown6Click() {
  Edit6->setText(QString::number(UpDown6->Position()));
  if (histogram_drawn_) DrawHistogramPanel();
}

void TLEDGraph::UpDown7Click() { Edit10->setText(QString::number(UpDown7->Position())); }

void TLEDGraph::UpDown8Click() {
  model_level_ = UpDown8->Position() / 1000.0L;
  Edit11->setText(Q(FormatFixed(model_level_, 3, 15)));
  UpDown11->SetPosition(UpDown8->Position() / 10);
  Edit14->setText(QString::number(UpDown11->Position()));
}

void TLEDGraph::UpDown11Click() {
  Edit14->setText(QString::number(UpDown11->Position()));
  if (UpDown8->Position() < 11 || UpDown8->Position() > 979) return;
  UpDown8->SetPosition(UpDown11->Position() * 10);
  model_level_ = UpDown8->Position() / 1000.0L;
  Edit11->setText(Q(FormatFixed(model_level_, 3, 15)));
}

void TLEDGraph::UpDown9Click() {
  noise_factor_ = UpDown9->Position() / 100.0L;
  Edit13->setText(Q(FormatFixed(noise_factor_, 2, 15)));
  if (UpDown9->Position() >= 10 && UpDown9->Position() <= 7990) UpDown10->SetPosition(UpDown9->Position() / 10);
}

void TLEDGraph::UpDown10Click() {
  noise_factor_ = UpDown10->Position() / 10.0L;
  Edit13->setText(Q(FormatFixed(noise_factor_, 2, 15)));
  if (UpDown10->Position() <= 799 && UpDown9->Position() > 1) UpDown9->SetPosition(UpDown10->Position() * 10);
}
