// Main window: what is drawn over a measured frame (object outlines, the
// magnifier in direction-setting mode, the LED boxes) and the selected
// object's position. The drawing itself is app/Overlay.h, on a copy of the
// frame so that direction-setting mode can measure the frame again.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include "app/Overlay.h"
#include "app/ui/TPlatform.h"
#include "base/ui/BitmapLabel.h"

void TPlatform::DrawFrameOverlay(FrameContext& ctx) {
  const FrameDriverState& st = ctx.State;
  const int selected = std::clamp(Run.SelectedObject, 1, 3);
  if (Run.DirectionSettingMode) {
    // Only the selected object's patch is redrawn over what Image1 shows.
    const size_t i = static_cast<size_t>(selected - 1);
    MagnifierParams p;
    p.X = st.MagnifierX[i];
    p.Y = st.MagnifierY[i];
    p.DirectionX = st.Geometry[i].DirectionX;
    p.DirectionY = st.Geometry[i].DirectionY;
    p.DirectionSettingMode = true;
    if (!Display.Image1Bitmap.Empty()) {
      DrawMagnifier(Display.Image1Bitmap, ctx.FrameBitmap, OutlineMapFrom(st.Classes[i]), p);
      ShowBitmap(Image1, Display.Image1Bitmap);
    }
    Position1Show(selected);
    return;
  }
  Display.OverlayBitmap = ctx.FrameBitmap;
  for (int k = std::clamp(Run.ObjectCount, 1, 3); k >= 1; --k) {
    const size_t i = static_cast<size_t>(k - 1);
    // An object not yet placed on a star stands at a default position: no outline.
    if (!Stars.ObjectPlaced[i]) continue;
    ApertureOutlineStyle style;
    style.Object = k;
    style.Selected = k == selected;
    style.Mode = static_cast<::OutlineDisplayMode>(std::min<uint8_t>(Display.OutlineDisplayMode, 2));
    style.BackgroundForm = ctx.Lines[0].Objects[i].BackgroundForm;
    DrawApertureOutlines(OutlineMapFrom(st.Classes[i]), style, st.ObjectX[i], st.ObjectY[i], Display.OverlayBitmap);
  }
  Position1Show(selected);
  // A box that was never placed (still at 0, 0) has no marker.
  Signal1Marker s1;
  s1.SignalMarkersOn = Options.SignalMarkersOn != 0 && (Marks.Signal1X != 0 || Marks.Signal1Y != 0);
  s1.X = Marks.Signal1X;
  s1.Y = Marks.Signal1Y;
  s1.HalfX = Options.Signal1HalfWidth;
  s1.HalfY = Options.Signal1HalfHeight;
  DrawSignal1Marker(Display.OverlayBitmap, s1);
  Signal2Marker s2;
  s2.SignalMarkersOn = Options.SignalMarkersOn != 0 && (Marks.Signal2X != 0 || Marks.Signal2Y != 0);
  s2.X = Marks.Signal2X;
  s2.Y = Marks.Signal2Y;
  DrawSignal2Marker(Display.OverlayBitmap, s2);
  DrawStampMarkers();
  if (CheckBox19 && CheckBox19->isChecked()) DrawContourLines(Display.OverlayBitmap);  // ---- commands ----
  Display.OverlayDrawn = true;
}

// The time-inserter boxes (drawn for GHS only): the located characters with
// 'KIWI', else the two digit boxes and their sample points.
void TPlatform::DrawStampMarkers() {
  const bool kiwi = CheckBox5->isChecked();
  bool located = false, digits = false;
  if (Options.TimeStampMode == 2) {
    located = kiwi;
  } else if (!Tivi.TiviLocatePending) {
    digits = !kiwi && Options.TiviAvailable;
    located = kiwi && Options.TiviAvailableKiwi;
  }
  if (digits) {
    TiviBoxMarkers t;
    t.TimeStampMode = Options.TimeStampMode;
    t.TiviBox = Tivi.TiviDigitBox;
    for (size_t d = 0; d < 2; ++d)
      for (size_t i = 0; i < 9; ++i) t.SamplePoints[d][i] = {Tivi.TiviPoints[d][i].x, Tivi.TiviPoints[d][i].y};
    DrawTiviBoxMarkers(Display.OverlayBitmap, t);
  }
  if (located) {
    LocatedStampMarkers l;
    l.TimeStampMode = Options.TimeStampMode;
    for (size_t i = 0; i < l.DigitCentres.size() && i < StampLocator.DigitCentres.size(); ++i)
      l.DigitCentres[i] = StampLocator.DigitCentres[i];
    l.LocatedStampRow = Options.LocatedStampRow;
    l.StampCharPitch = static_cast<double>(StampGlyphs.stampCharPitch);
    l.StampCharHeight = static_cast<double>(StampLocator.StampCharHeight);
    DrawLocatedStampMarkers(Display.OverlayBitmap, l);
  }
}
