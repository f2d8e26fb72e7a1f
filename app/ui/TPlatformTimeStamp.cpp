// Main window: the time of every shown frame (burnt-in inserter text, the
// embedded tick count, a capture log, a loaded table's CMOS times), the stamp
// locators and the GPS line, and what opening a video does for the stamp.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "base/NumberText.h"
#include "app/Overlay.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/OpenWindow.h"
#include "base/ui/NamedItems.h"
#include "base/ui/HandlerTable.h"
#include "base/ui/DialogService.h"
#include "app/ui/TPlatform.h"
#include "video/ui/TRestoreNoTimeRecorded.h"
#include "base/ui/BitmapLabel.h"

namespace {

const QColor kAqua(0x00, 0xFF, 0xFF);
// The GHS start point used when a video is opened.
constexpr int kGhsOpenStartX = 390, kGhsOpenStartY = 387;
// Edit56 while no stamp line has been found on the frames shown.
const char* const kNoStampText = "No time stamp found";
// Stamp.StampFieldOrder while no read has said which field comes first.
constexpr uint8_t kFieldOrderUnread = 2;

}  // namespace

void TPlatform::SetUpTimeStampControls() {
  LoadKiwiDigitPositions(Stamp.DigitX);
  CaptureLogTimes.CaptureLogFrameRate = 1;
  CaptureLogTimes.CaptureLogFrameInterval = 1;
  CaptureLogTimes.CaptureLogNominalFrameRate = 30;

  connect(Button39, &QPushButton::clicked, this, &TPlatform::Button39Click);
  connect(Button40, &QPushButton::clicked, this, &TPlatform::Button40Click);

  QMenu* option = TopMenu("Option1", "Option");
  DisplayCamcordersTime2 = NamedAction(option, "DisplayCamcordersTime2", "Display Camcorders Time");
  DisplayCamcordersTime2->setCheckable(true);
  connect(DisplayCamcordersTime2, &QAction::triggered, this, &TPlatform::DisplayCamcordersTime2Click);
  RectangleAperture1 = NamedAction(option, "RectangleAperture1", "Rectangle Aperture");
  RectangleAperture1->setCheckable(true);
  AddTimeToNoCmosTime1 = NamedAction(option, "AddTimeToNoCmosTime1", "Add Time to no CMOS time recorded");

  PopupMenu2 = Named<QMenu>("PopupMenu2", this);
  QAction* available = NamedAction(PopupMenu2, "IViavailable1", "TIVi available");
  QAction* unavailable = NamedAction(PopupMenu2, "IViunavailable1", "TIVi unavailable");
  QAction* cancel = NamedAction(PopupMenu2, "Cancel2", "Cancel");
  connect(available, &QAction::triggered, this, &TPlatform::IViavailable1Click);
  connect(unavailable, &QAction::triggered, this, &TPlatform::IViunavailable1Click);
  connect(cancel, &QAction::triggered, this, &TPlatform::Cancel2Click);
  RadioButton13->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(RadioButton13, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu2->popup(RadioButton13->mapToGlobal(p)); });

  ConnectEach(this, {{RectangleAperture1, &TPlatform::RectangleAperture1Click},
                     {AddTimeToNoCmosTime1, &TPlatform::AddTimeToNoCmosTime1Click},
                     {RadioButton10, &TPlatform::RadioButton10Click}, {RadioButton11, &TPlatform::RadioButton11Click},
                     {RadioButton12, &TPlatform::RadioButton12Click}, {RadioButton13, &TPlatform::RadioButton13Click}});
  if (CheckBox15) OnCheckBoxClick(CheckBox15, this, &TPlatform::CheckBox15Click);
}

GlyphContext TPlatform::StampGlyphContext(bool field_view) const {
  GlyphContext c = StampGlyphs;
  c.mode = static_cast<TimeStampMode>(Options.TimeStampMode);
  c.stampLocated = Options.StampLocated != 0;
  c.searchMode = GlyphSearchMode::TimeLine;
  c.lettersOnly = false;
  c.glyphThreshold = Options.GlyphThreshold;
  c.frameRateRounded = Video.FrameRateRounded;
  c.digitThreshold = UpDown4->Position();
  c.showField = field_view;
  c.enhanceContrast = CheckBox24 && CheckBox24->isChecked();  // ---- commands ----
  return c;
}

void TPlatform::FrameTimeStep(const Bitmap24& frame, bool field_view) {
  const bool located_now = StampLocator.LocatePending && !field_view && RetryStampLocate(frame);
  if (!CheckBox5->isChecked()) {
    // Only two seven-segment digits: tenths and hundredths of the second.
    if (field_view || !Options.TiviAvailable) return;
    // A frame on which the box scan finds no digits (blank, washed out) is
    // not read at the fallback box, where a lit area reads as "88".
    InserterDigitsDisplay d;
    d.Edit26 = "EE";
    if (!Tivi.TiviLocateOn || Options.StampLocated) d = ShowInserterDigits(frame, Tivi.TiviPoints, UpDown4->Position());
    Edit24->setText(QString::fromStdString(d.Edit24));
    Edit25->setText(QString::fromStdString(d.Edit25));
    Edit26->setText(QString::fromStdString(d.Edit26));
    Edit27->setText(QString::fromStdString(d.Edit27));
    Options.TiviDigitsValid = d.TiviDigitsValid ? 1 : 0;
    return;
  }
  if (!field_view && Options.PositionSetMode == 3 && !Options.TiviAvailableKiwi) {
    // The stamp is not read while its digits are being pointed out: the
    // frame and its rows get no time rather than the last frame read's.
    ClearStampTimes(Times);
    ClearTimeEdits();
    return;
  }
  // The tick count sits in row 0 or 1 of the frame itself; the split view
  // moves row 1 away, so the count is read from the unsplit frame.
  if (field_view && Options.TimeStampMode == 3 && !Driver.FrameBitmap.Empty()) {
    ShowFrameTime(Driver.FrameBitmap, false);
    return;
  }
  if (!located_now) {
    ShowFrameTime(frame, field_view);
    return;
  }
  // A line found only now (the first frames showed none) gives 'Field Order'
  // as a video whose first frame shows it does on opening: else the fields'
  // times and light go into each other's rows for the whole run.
  const uint8_t order_before = Stamp.StampFieldOrder;
  Stamp.StampFieldOrder = kFieldOrderUnread;
  ShowFrameTime(frame, field_view);
  if (Stamp.StampFieldOrder == kFieldOrderUnread) {
    Stamp.StampFieldOrder = order_before;
    return;
  }
  const int index = Stamp.StampFieldOrder == 1 ? 0 : 1;
  Stamp.FieldOrderState = 2;
  if (RadioGroup2->ItemIndex() == index) return;
  RadioGroup2->SetItemIndex(index);
  ShowFrameTime(frame, field_view);  // the fields' rows as the stamp orders them
}

void TPlatform::ShowFrameTime(const Bitmap24& frame, bool field_view) {
  const int n = ScrollBar1->value();
  ShowFrameTimeInputs in;
  in.frame = &frame;
  std::string row;
  bool table_holds_frame = false;
  if (Run.CsvCmosTime && Run.StartFrame >= 0 && n >= Run.StartFrame) {
    const int line = RowLineOfFrame(Results.Lines(), Options.CsvHeaderLines, Run.StartFrame, n);
    if (line >= 0) row = Results.Lines()[static_cast<size_t>(line)];
    table_holds_frame = line >= 0 && CsvRowShowsTime(row);
  }
  // A frame the loaded table has no row for takes its time from the video, so
  // the rows measured on from a loaded table carry their times too; so does a
  // frame whose row keeps only the end of its exposure (a capture program's
  // ticks), which would otherwise show no time at all.
  in.csvCarriesCmosTimes = Run.CsvCmosTime && table_holds_frame;
  in.csvRow = row;
  in.ledRecord = LedRecordFor(n);
  in.glyphs = StampGlyphContext(field_view);
  in.readOptions.fieldOrder = RadioGroup2->ItemIndex() == 0 ? FieldOrder::EvenFirst : FieldOrder::OddFirst;
  in.readOptions.fieldMeasure = CheckBox2->isChecked();
  in.embedded.ticksRow = Ticks.EmbeddedTicksRow;
  in.embedded.frameInterval = Video.FrameInterval;
  std::optional<CaptureLogFrameTime> log_time;
  if (CaptureLogTimes.Loaded()) {
    log_time = FrameTimeFromCaptureLog(CaptureLogTimes, n);
    in.embedded.captureLogTime =
        TicksDateTime{log_time->Year, log_time->Month, log_time->Day, log_time->Hours, log_time->Minutes,
                      log_time->RestOfMinute};
  }
  const ShowFrameTimeResult r = ::ShowFrameTime(in, Stamp, Times);
  if (r.source == FrameTimeSource::EmbeddedTicks) Ticks.StampYear = r.stampYear;
  if (log_time && r.source == FrameTimeSource::EmbeddedTicks && RestoreNoTimeRecorded)
    RestoreNoTimeRecorded->ShowFrameTime(n, *log_time);

  const QColor base = r.edits.colour == TimeEditColour::Aqua ? kAqua : QColor(Qt::white);
  for (auto* e : {Edit24, Edit25, Edit26, Edit27}) PaintBase(e, base);
  if (r.edits.edit26BlackFont) PaintText(Edit26, Qt::black);
  Edit24->setText(QString::fromStdString(r.edits.Edit24));
  Edit25->setText(QString::fromStdString(r.edits.Edit25));
  Edit26->setText(QString::fromStdString(r.edits.Edit26));
  Edit27->setText(QString::fromStdString(r.edits.Edit27));
  Edit59->setText(QString::fromStdString(r.Edit59));
  if (r.source == FrameTimeSource::CsvCmosTimes) Edit57->setText(QString::number(Run.StartFrame));
  if (r.source == FrameTimeSource::InserterText && !field_view && Options.StampLocated && Options.TimeStampMode == 2 &&
      !StampLocator.LocatePending)
    Edit56->setText("X:   Y: " + QString::number(Options.LocatedStampRow));
}

void TPlatform::ClearTimeEdits() {
  for (auto* e : {Edit24, Edit25, Edit26, Edit27}) e->clear();
  Times.StampCount1.clear();
  Times.StampCount2.clear();
}

bool TPlatform::GrabCurrentFrame(Bitmap24& frame) {
  const std::string error = GrabFrameText(ScrollBar1->value(), frame);
  if (error.empty()) return true;
  Dialogs().ShowError(QString::fromStdString(error));
  return false;
}

void TPlatform::LocateIotaTimeStamp() {
  Bitmap24 frame;
  if (GrabCurrentFrame(frame)) {
    LocateIotaOnFrame(frame);
    return;
  }
  GlyphContext ctx = StampGlyphContext(false);
  SetIotaFallbackLayout(Video.FrameWidth, ctx, Stamp, StampLocator);
  TakeIotaLayout(ctx);
}

void TPlatform::TakeIotaLayout(const GlyphContext& ctx) {
  StampGlyphs.stampCharPitch = ctx.stampCharPitch;
  StampGlyphs.stampCharHeight = ctx.stampCharHeight;
  StampGlyphs.stampCellPitch = ctx.stampCellPitch;
  StampGlyphs.stampBackgroundLevel = ctx.stampBackgroundLevel;
  Options.LocatedStampRow = Stamp.LocatedStampRow;
}

bool TPlatform::LocateIotaOnFrame(const Bitmap24& frame) {
  GlyphContext ctx = StampGlyphContext(false);
  LocatorOptions lo;
  lo.iotaWideScan = CheckBox18 && CheckBox18->isChecked();
  lo.ghsLocateEnabled = Options.GhsLocateEnabled;
  const bool found = ::LocateIotaTimeStamp(frame, ctx, Stamp, StampLocator, lo);
  ShowStampLocated(found);
  if (!found) return false;  // the previous layout and levels stay
  TakeIotaLayout(ctx);
  return true;
}

void TPlatform::LocateGhsTimeStamp(int x, int y) {
  Bitmap24 frame;
  if (GrabCurrentFrame(frame)) LocateGhsOnFrame(frame, x, y);
}

bool TPlatform::LocateGhsOnFrame(const Bitmap24& frame, int x, int y) {
  GlyphContext ctx = StampGlyphContext(false);
  LocatorOptions lo;
  lo.ghsLocateEnabled = Options.GhsLocateEnabled;
  StampLocator.GhsSearchU = Options.GhsSearchU != 0;
  StampLocator.Edit55.clear();
  const bool found = ::LocateGhsTimeStamp(frame, x, y, ctx, Stamp, StampLocator, lo);
  Options.GhsSearchU = StampLocator.GhsSearchU ? 1 : 0;
  if (!StampLocator.Edit55.empty()) Edit55->setText(QString::fromStdString(StampLocator.Edit55));
  ShowStampLocated(found);
  // A locate that found no line keeps the previous levels: the background
  // measured on a frame without a stamp would make every cell read as lit.
  if (!found) return false;
  StampGlyphs.stampCharPitch = ctx.stampCharPitch;
  StampGlyphs.stampBackgroundLevel = ctx.stampBackgroundLevel;
  Options.LocatedStampRow = Stamp.LocatedStampRow;
  return true;
}

void TPlatform::ShowStampLocated(bool found) {
  if (found || !StampLocator.LocatePending) StampLocator.RetriesSinceMiss = 0;
  StampLocator.LocatePending = !found;
  if (!found) {
    Edit56->setText(kNoStampText);
    Edit56->setToolTip("No time stamp was found on this frame; it is looked for again on the next frames shown.");
  } else if (Edit56->text() == kNoStampText) {
    Edit56->clear();
    Edit56->setToolTip({});
  }
}

// A video whose first frames show no stamp is located on its first frame
// that does, instead of reading every frame through an unlocated layout.
bool TPlatform::RetryStampLocate(const Bitmap24& frame) {
  if (!StampRetryDue(StampLocator, Run.MeasuringRun)) return false;
  const bool reading = CheckBox5->isChecked() && Options.StampLocated;
  if (reading && Options.TimeStampMode == 0) return LocateIotaOnFrame(frame);
  if (reading && Options.TimeStampMode == 2) return LocateGhsOnFrame(frame, kGhsOpenStartX, kGhsOpenStartY);
  ShowStampLocated(true);
  return false;
}

void TPlatform::ApplyStampFieldOrder() {
  if (Options.TimeStampMode != 0 && Options.TimeStampMode != 2) return;
  RadioGroup2->SetItemIndex(Stamp.StampFieldOrder == 1 ? 0 : 1);
  Stamp.FieldOrderState = 2;
  ShowNeighbor();
}

void TPlatform::ReadIotaGpsLine() {
  Bitmap24 frame;
  if (!GrabCurrentFrame(frame)) return;
  GlyphContext ctx = StampGlyphContext(false);
  const GpsReadResult r = ::ReadIotaGpsLine(frame, ctx, Stamp, Station);
  StampGlyphs.gpsCharPitch = ctx.gpsCharPitch;
  DrawGpsOutlines(r.outlines);
}

void TPlatform::DrawGpsOutlines(const std::vector<GpsCellOutline>& outlines) {
  if (outlines.empty()) return;
  DrawImage1Now();  // a frame still waiting to be drawn comes first
  if (Display.Image1Bitmap.Empty()) return;
  for (const GpsCellOutline& c : outlines)
    DrawRectangleOutline(Display.Image1Bitmap, c.left, c.top, c.right, c.bottom, OverlayRgb(0, 0, 255));
  ShowBitmap(Image1, Display.Image1Bitmap);
}

void TPlatform::Button39Click() {
  if (!Run.VideoLoaded) return;
  ReadIotaGpsLine();
}

void TPlatform::LocateStampBeforeFirstFrame() {
  ShowStampLocated(true);
  if (Options.TimeStampMode == 0) {
    LocateIotaTimeStamp();
  } else if (Options.TimeStampMode == 2) {
    Options.GhsLocateEnabled = true;
    LocateGhsTimeStamp(kGhsOpenStartX, kGhsOpenStartY);
  }
}

void TPlatform::DetectTickStampOnOpen() {
  // The span of the video before is not this one's: the report would give it
  // as this recording's when this video's counts do not read.
  Ticks.FirstFrameTicks = Ticks.LastFrameTicks = 0;
  for (auto* e : {Edit60, Edit61, Edit62, Edit63, Edit64}) e->clear();
  // The rate written into the file is the one its frames are sought by; a
  // nominal rate left from another video would make frames show their neighbours.
  if (Video.VideoFrameRate > 0) {
    CaptureLogTimes.CaptureLogNominalFrameRate = static_cast<double>(Video.VideoFrameRate);
    if (RestoreNoTimeRecorded) RestoreNoTimeRecorded->ShowNominalRate();
  }
  const int first = ScrollBar1->minimum();
  Bitmap24 a, b;
  std::string error = GrabFrameText(first, a);
  if (error.empty() && ScrollBar1->maximum() > first) error = GrabFrameText(first + 1, b);
  if (!error.empty()) {
    Dialogs().ShowError(QString::fromStdString(error));
  } else {
    // A video of one frame: its count alone says which row carries it.
    Ticks.EmbeddedTicksRow = ::DetectEmbeddedTicksRow(a, b.Empty() ? a : b);
  }
  PaintText(Edit26, Qt::black);
  // The year of the first frame's count decides; the shown texts stay untouched.
  StampTexts scratch;
  EmbeddedStampOptions eo;
  eo.ticksRow = Ticks.EmbeddedTicksRow;
  eo.frameInterval = Video.FrameInterval;
  Ticks.StampYear = ReadEmbeddedTimeStamp(a, eo, scratch);
  if (!((Ticks.StampYear >= 1901 && Ticks.StampYear <= 2199) || Ticks.FixedFrameInterval != 0 || CaptureLogTimes.Loaded())) return;
  // A log loaded for an earlier video would time this one without a word.
  const std::string mismatch = CaptureLogCountMismatch(CaptureLogTimes, ScrollBar1->maximum() + 1);
  if (!mismatch.empty()) Dialogs().ShowWarning(QString::fromStdString(mismatch));

  SelectSharpTime();
  SetComboIndex(ComboBox1, 3);
  CheckBox5->setChecked(true);
  CheckBox22->setChecked(true);
  PaintText(Edit26, QColor(0xC0, 0xC0, 0xC0));
  Edit26->setToolTip("Time (center of exposure) estimated from end of exposure.");
  PaintBase(Edit27, BgrColor(16746564));
  Edit27->setToolTip("Time (end of exposure) recorded by SharpCap.");
  if (RadioButton15) RadioButton15->setChecked(true);
}

void TPlatform::DeriveFrameRateFromTicks() {
  TickRateInputs in;
  in.captureLogLoaded = CaptureLogTimes.Loaded();
  in.captureLogFrameRate = CaptureLogTimes.CaptureLogFrameRate;
  in.captureLogNominalFrameRate = CaptureLogTimes.CaptureLogNominalFrameRate;
  in.fixedFrameInterval = Ticks.FixedFrameInterval;
  in.lastFrame = ScrollBar1->maximum();
  if (DeriveFrameRateNeedsFrames(in)) {
    Bitmap24 first, last;
    std::string error = GrabFrameText(ScrollBar1->minimum(), first);
    if (error.empty()) error = GrabFrameText(ScrollBar1->maximum(), last);
    if (!error.empty()) {
      Dialogs().ShowError(QString::fromStdString(error));
      return;
    }
    in.firstTicks = ReadTickCount(first, Ticks.EmbeddedTicksRow);
    in.lastTicks = ReadTickCount(last, Ticks.EmbeddedTicksRow);
  }
  const TickRateResult r = ::DeriveFrameRateFromTicks(in);
  if (r.spanSet) {
    Edit63->setText(QString::fromStdString(r.Edit63));
    Edit64->setText(QString::fromStdString(r.Edit64));
    Edit60->setText(QString::fromStdString(r.Edit60));
    Edit61->setText(QString::fromStdString(r.Edit61));
    Edit62->setText(QString::fromStdString(r.Edit62));
  }
  if (r.rateSet) Video.VideoFrameRate = r.videoFrameRate;
  if (r.factorSet) Video.FrameRateFactor = r.frameRateFactor;
  if (r.spanSet) {
    Video.VideoDuration = r.videoDuration;
    Ticks.FirstFrameTicks = r.firstFrameTicks;
    Ticks.LastFrameTicks = r.lastFrameTicks;
  }
}

void TPlatform::AddTimeToNoCmosTime1Click() {
  RaiseOrShow(RestoreNoTimeRecorded, [this] {
    CaptureLogHost host;
    host.measuring = [this] { return Run.MeasuringRun != 0; };
    host.videoFrames = [this] { return Run.VideoLoaded ? ScrollBar1->maximum() + 1 : 0; };
    host.loaded = [this] { CaptureLogLoaded(); };
    return new TRestoreNoTimeRecorded(CaptureLogTimes, this, std::move(host));
  });
}

// The video's rate, its header and the frame on show would otherwise stay
// those of the log loaded before, while the frames are timed by this one.
void TPlatform::CaptureLogLoaded() {
  if (!Run.VideoLoaded || Options.TimeStampMode != 3) return;
  DeriveSharpFrameRate();
  ShowNeighbor();
}

void TPlatform::LocateTiviDigits(const Bitmap24& frame) {
  if (!Tivi.TiviLocateOn) return;
  Tivi.TiviLocatePending = false;
  const int threshold = UpDown4->Position();
  if (!CheckBox5->isChecked()) {
    Options.StampLocated = LocateTiviBox(frame, Tivi.TiviPickX, Tivi.TiviPickY, threshold, Tivi.TiviDigitBox) ? 1 : 0;
    Tivi.TiviPoints = PlaceDigitSamplePoints(Tivi.TiviDigitBox, Tivi.TiviTemplate);
    return;
  }
  GlyphContext ctx = StampGlyphContext(false);
  if (LocateDigitPositions(frame, Tivi.TiviPickX, Tivi.TiviPickY, threshold, ctx, Stamp, StampLocator.StampCharHeight)) {
    Options.StampLocated = 1;
    StampGlyphs.stampCharPitch = ctx.stampCharPitch;
    StampGlyphs.stampCharHeight = ctx.stampCharHeight;
    StampGlyphs.stampCellPitch = ctx.stampCellPitch;
    Options.LocatedStampRow = Stamp.LocatedStampRow;
  } else {
    Options.StampLocated = 0;
  }
}

void TPlatform::TiviDigitBoxClick(int x, int y) {
  const bool ghs = Options.TimeStampMode == 2;
  if (CheckBox5->isChecked()) {
    if (y < 578 && !ghs) y += 2;
    Options.TiviAvailableKiwi = 1;
  } else {
    Options.TiviAvailable = 1;
  }
  Tivi.TiviPickX = x;
  Tivi.TiviPickY = y;
  if (ghs && CheckBox5->isChecked()) {
    // Snapped to the GHS character grid; this point is the start, once.
    const auto [gx, gy] = SnapToGhsGrid(x, y);
    Options.GhsSearchU = 0;
    Options.GhsLocateEnabled = true;
    LocateGhsTimeStamp(gx, gy);
    ApplyStampFieldOrder();
  } else {
    Tivi.TiviLocateOn = true;
    Tivi.TiviLocatePending = true;
  }
  ShowNeighbor();
  if (!ghs) return;
  ApplyStampFieldOrder();
  RadioButton10->setChecked(true);
  Options.PositionSetMode = 0;
}

void TPlatform::IViavailable1Click() {
  if (CheckBox5->isChecked())
    Options.TiviAvailableKiwi = 1;
  else
    Options.TiviAvailable = 1;
  ShowNeighbor();
}

void TPlatform::IViunavailable1Click() {
  if (CheckBox5->isChecked())
    Options.TiviAvailableKiwi = 0;
  else
    Options.TiviAvailable = 0;
  for (auto* e : {Edit24, Edit25, Edit26, Edit27}) e->clear();
  ShowNeighbor();
}
