#pragma once
// Three stars drifting 0.3 px per frame with a shake of up to 3 px, written
// as a small AVI, and the ways a user places objects A, B and C on them.
#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <cmath>

#include "MainRoadFixture.h"
#include "support/GaussianStarField.h"

constexpr int kObjFrames = 80;

inline DriftingStarField SmallDriftingField(double rate_x, double rate_y, uint32_t seed = 77) {
  DriftingStarField f;
  f.Width = 160;
  f.Height = 120;
  f.Background = 25;
  f.NoiseSigma = 2.0;
  f.RateX = rate_x;
  f.RateY = rate_y;
  f.Start = {{35.4, 35.2, 150, 2.2}, {75.0, 55.0, 170, 2.5}, {105.7, 80.6, 130, 2.0}};
  f.Shake = MakeShakeTable(kObjFrames, 3, seed);
  return f;
}

class ObjectsWindow : public MainRoadWindow {
 public:
  explicit ObjectsWindow(Reader reader = Reader::OwnAvi) : MainRoadWindow(reader) {}

  // 'Open AVI' applies the preset of the occultation type (none: Anchor,
  // outer radius 25, threshold 50). These tests measure with the tracking
  // mode, outer radius and threshold their settings file gave the objects,
  // so those come back after opening.
  bool OpenField(const DriftingStarField& f, const std::string& name = "stars.avi") {
    std::vector<Bitmap24> frames;
    for (int n = 0; n < kObjFrames; ++n) frames.push_back(f.Frame(n));
    return OpenFrames(frames, name);
  }

  // The same for any frames.
  bool OpenFrames(const std::vector<Bitmap24>& frames, const std::string& name = "stars.avi") {
    video = Path(name);
    const auto before = window->Frames.FrameDataLines[0].Objects;
    const int outer = Find<QSpinBox>("UpDown3")->value();
    if (!WriteAvi(video.string(), frames) || !OpenThroughButton1(video)) return false;
    for (size_t k = 0; k < 3; ++k) {
      ObjectResult& o = window->Frames.FrameDataLines[0].Objects[k];
      o.TrackMode = before[k].TrackMode;
      o.BackgroundOuter = outer;
      o.Threshold = before[k].Threshold;
    }
    window->ShowSelectedObjectSettings();
    return true;
  }

  void RightClickImage1(int x, int y) {
    QLabel* image = Find<QLabel>("Image1");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, y), image->mapToGlobal(QPointF(x, y)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(image, &press);
    if (auto* popup = window->findChild<QMenu*>("PopupMenu1")) popup->hide();
  }

  void Trigger(const char* action) {
    QAction* a = Find<QAction>(action);
    if (a) a->trigger();
  }

  // A placed by a left click, B and C added through the popup, each on the
  // pixel nearest its star in the current frame `n`; then the tracking
  // radius when one is given.
  void PlaceThree(const DriftingStarField& f, int n = 0, int track_radius = 0) {
    ClickImage1(Px(f.X(1, n)), Px(f.Y(1, n)));
    for (int k = 2; k <= 3; ++k) {
      RightClickImage1(Px(f.X(k, n)), Px(f.Y(k, n)));
      Trigger("Add1");
    }
    if (track_radius > 0) SetTrackRadius(track_radius);
  }

  void Select(int k) { Find<QRadioButton>(k == 1 ? "RadioButton7" : k == 2 ? "RadioButton8" : "RadioButton9")->setChecked(true); }

  // 'Anchor' for object k through its radio button.
  void SetAnchor(int k) {
    Select(k);
    Find<QRadioButton>("RadioButton4")->setChecked(true);
  }

  // Placement leaves a small tracking disk; a shake of up to 3 px per axis
  // needs a wider one. Each object gets it, and a threshold of half the
  // peak, through its up-downs.
  void SetTrackRadius(int r, int threshold = 50) {
    for (int k = 1; k <= window->Run.ObjectCount; ++k) {
      Select(k);
      for (auto [name, v] : {std::pair{"UpDown5", r}, std::pair{"UpDown7", threshold}}) {
        QSpinBox* u = Find<QSpinBox>(name);
        u->setValue(v == u->value() ? v - 1 : v);
        u->setValue(v);
      }
    }
  }

  static int Px(double v) { return static_cast<int>(std::lround(v)); }

  // Position columns of object k in a result row.
  static std::pair<int, int> RowPosition(const std::string& row, int k) {
    const int c = 25 + 17 * (k - 1);
    return {StrToIntOrZero(StripQuotes(GetCsvField(row, c))), StrToIntOrZero(StripQuotes(GetCsvField(row, c + 1)))};
  }

  std::filesystem::path video;
};

// On the star: within a pixel of its true centre in x and y.
inline ::testing::AssertionResult OnStar(std::pair<int, int> p, double tx, double ty, double tol = 1.0) {
  if (std::fabs(p.first - tx) <= tol && std::fabs(p.second - ty) <= tol) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at (" << p.first << ", " << p.second << "), star at (" << tx << ", " << ty
                                       << ")";
}
