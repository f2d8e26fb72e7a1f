// TFresnelCtrl: the level windows' averages and the diffraction fit on worker
// threads, drawn on the chart when it ends.
#include <QProgressBar>
#include <algorithm>

#include "base/NumberText.h"
#include "chart/ui/Tchart1.h"
#include "events/ChartEventState.h"
#include "events/ui/DiffractionFitJob.h"
#include "events/ui/TFresnelCtrl.h"

void TFresnelCtrl::DRAverage() {
  chart_.RefreshData();
  DiffractionState& d = events_.Diffraction;
  if (d.UpperLevelFixed || d.LowerLevelFixed) {
    d.UpperLevelFirst = CheckBox6->isChecked();
    return;
  }
  d.PreviousUpperLevelFirst = d.UpperLevelFirst;
  const int sel = session_.ChartState.SelectedFrame;
  LevelWindowOffsets w;
  w.PreFrom = d.PreEventWindowFrom, w.PreTo = d.PreEventWindowTo;
  w.StepFrom = d.ThirdWindowFrom, w.StepTo = d.ThirdWindowTo;
  w.PostFrom = d.PostEventWindowFrom, w.PostTo = d.PostEventWindowTo;
  const LevelAverages a = AverageLevelWindows(chart_.ObjectAValues(), sel, w);
  d.LevelMean = a.Mean;
  d.LevelStdError = a.StdError;
  d.LevelCount = a.Count;
  d.UpperLevelFirst = session_.DiffractionMode ? (a.Mean[0] > a.Mean[2] ? 1 : 0) : 1;
  d.LevelWindowFrames = {sel + w.PreFrom, sel + w.PreTo, sel + w.PostFrom, sel + w.PostTo};
}

FitSettings TFresnelCtrl::CurrentFitSettings() const {
  const DiffractionState& d = events_.Diffraction;
  FitSettings s;
  DiffractionParams& p = s.Params;
  p.ObjectDistance = d.ObjectDistance;
  p.ObjectVelocity = d.ObjectVelocity;
  p.StarDiameterOn = d.StarDiameterOn;
  p.StarAngularDiameter = d.StarAngularDiameter;
  p.DoubleStarFit = d.DoubleStarFit;
  p.ComponentSeparation = d.ComponentSeparation;
  p.ComponentWeight = d.ComponentWeight;
  p.ModelFrameRate = ModelFrameRateFor(host_.TimingFrameRate(), events_.Flags.IntegrationCount);
  p.FieldMode = chart_.Data().FieldMode;
  // Every n-th frame (or block) measured: the model's time runs n times as
  // fast as the table's (the velocity is scaled), while each record is one
  // frame (or block) long.
  p.ExposureRate = p.ModelFrameRate * RecordTimeScale();
  s.Weights = events_.Spectral.SpectralWeight;
  s.Factor = d.RateFactor;
  s.Mode = !RadioButton2->isChecked() ? FitMode::Occultation
           : CheckBox7->isChecked()   ? FitMode::GrazingNew
                                      : FitMode::GrazingOld;
  s.MagDropApplied = CheckBox8->isChecked();
  s.MagDrop = events_.Flags.MagDrop;
  return s;
}

void TFresnelCtrl::StopFitOnModelChange() {
  if (!fit_job_ || CurrentFitSettings() == fit_job_->Settings) return;
  StopFit();
  ShowStatus("Fit stopped: a model setting changed.");
}

bool TFresnelCtrl::FresnelDraw(double pre_mean, double post_mean, std::function<void()> done) {
  if (fit_job_) return false;
  chart_.RefreshData();
  DiffractionState& d = events_.Diffraction;
  const FitSettings settings = CurrentFitSettings();
  const DiffractionParams& p = settings.Params;
  d.ModelFrameRate = p.ModelFrameRate;
  const DiffractionModel model(MakeFresnelTables(), events_.Spectral, p);
  if (!model.Valid() || !(p.ModelFrameRate > 0)) {
    ShowStatus("The fit needs a distance, a velocity and a frame rate above zero.");
    return false;
  }
  // Slower exposures make the offset steps overflow and the sub-steps of
  // one exposure (one a millisecond) run for hours.
  if (p.ModelFrameRate < 0.01L) {
    ShowStatus("The fit needs at least 0.01 exposures per second.");
    return false;
  }
  Edit22->setText(QString::fromStdString(FormatFixed(model.StarDiskIntensity(0.000001L) * 100, 1, 5)));
  Edit24->setText(QString::fromStdString(FormatFixed(d.StarAngularDiameter, 3, 5)));
  chart_.GraphShow3();
  const FitLevels levels = DecideFitLevels(pre_mean, post_mean, settings.MagDropApplied, settings.MagDrop, d);
  d.ReappearanceFit = levels.Reappearance;
  d.UpperLevel = levels.Upper;
  d.LowerLevel = levels.Lower;

  FitInput in;
  in.Mode = settings.Mode;
  in.Rising = levels.Reappearance != 0;
  in.Factor = settings.Factor;
  in.Base = levels.Lower;
  in.Amplitude = levels.Upper - levels.Lower;
  in.Selected = session_.ChartState.SelectedFrame;
  in.Range = FittingRange(d.CustomFitRange != 0, d.FitRangeFrom, d.FitRangeTo, p.FieldMode);
  Edit30->setText(QString::number(events_.Flags.IntegrationCount));

  fit_job_ = std::make_unique<DiffractionFitJob>(model, chart_.ObjectAValues(), in, levels, std::move(done));
  DiffractionFitJob* job = fit_job_.get();
  job->Settings = settings;
  job->Worker = std::thread([this, job] {
    FitHooks hooks;
    hooks.Cancel = &job->Cancel;
    // Reports still queued when the fit was stopped are dropped.
    hooks.Progress = [this, job](int v) {
      QMetaObject::invokeMethod(
          this, [this, job, v] {
            if (fit_job_.get() == job) ProgressBar1->setValue(v);
          },
          Qt::QueuedConnection);
    };
    hooks.Memo = [this, job](const std::string& line) {
      QMetaObject::invokeMethod(
          this, [this, job, line] {
            if (fit_job_.get() == job) Memo1->appendPlainText(QString::fromStdString(line));
          },
          Qt::QueuedConnection);
    };
    const FitOutcome out = FitDiffractionModel(job->Model, job->Values, job->Input, hooks);
    QMetaObject::invokeMethod(
        this, [this, job, out] {
          if (fit_job_.get() == job) FinishFit(out);  // not a fit stopped meanwhile
        },
        Qt::QueuedConnection);
  });
  FitRunning(true);
  return true;
}

void TFresnelCtrl::StopFit() {
  if (!fit_job_) return;
  fit_job_.reset();  // cancels and joins
  ProgressBar1->setValue(0);
  FitRunning(false);
}

void TFresnelCtrl::FinishFit(const FitOutcome& out) {
  const std::unique_ptr<DiffractionFitJob> job = std::move(fit_job_);
  if (job->Worker.joinable()) job->Worker.join();
  FitRunning(false);
  if (out.Cancelled) return;
  // A fit that found no event time writes nothing.
  // One record matches the model at a whole span of offsets.
  const char* refused =
      out.ObservedWindowCount < 2 ? "No event time: the fitting window holds fewer than two records. Widen the "
                                    "fitting window. Nothing fitted."
      : !out.Determined ? "No event time: the model does not change over the fitting window (equal levels, a "
                        "contact angle near 90 degrees, or a velocity near 0 m/s). Nothing fitted."
      : out.AtSearchEnd ? "No event time near the selected record: the search ran to its end. Select a record "
                          "nearer the event. Nothing fitted."
                        : nullptr;
  if (refused) {
    ProgressBar1->setValue(0);
    events_.Diffraction.DiffractionFitted = 0;  // the chart no longer shows an earlier fit
    ShowStatus(refused);
    return;
  }
  DiffractionState& d = events_.Diffraction;
  d.RateFactor = out.Factor;
  d.FitOffset = out.Offset;
  d.FitResidual = out.Residual;
  d.ObservedWindowCount = out.ObservedWindowCount;
  d.EventWidthRecords = out.EventWidthRecords;
  const DiffractionParams& p = job->Model.Params();
  // The error counts in exposures (an integration block) or, where records lie
  // further apart than that, in records; blocks measured frame by frame are
  // one exposure over several records.
  const FitTimingError error =
      ComputeFitTimingError(out.Residual, out.ObservedWindowCount, d, job->Levels.A, job->Levels.B,
                            p.ModelFrameRate / std::max(1.0L, RecordTimeScale()), p.FieldMode, out.EventWidthRecords);
  events_.Texts.EventErrorText[0] = error.SecondsText;
  Edit34->setText(QString::fromStdString(out.TargetText));
  Edit11->setText(QString::fromStdString(out.ResidualText));
  ProgressBar1->setValue(0);
  Edit33->setText(QString::fromStdString(error.FramesText));
  Edit12->setText(QString::fromStdString(error.MsText));
  Edit13->setText(QString::fromStdString(error.CountText));

  const TChartState& st = session_.ChartState;
  FitDrawInput in;
  in.View = chart_.View();
  in.Selected = st.SelectedFrame;
  in.FirstShown = st.FirstShownFrame;
  in.ShownCount = st.VisibleFrameCount;
  in.RecordCount = st.TotalFrameCount;
  in.TimingFrameRate = host_.TimingFrameRate();
  in.Factor = out.Factor;
  in.FitOffset = out.Offset;
  in.Reappearance = d.ReappearanceFit;
  in.Upper = d.UpperLevel;
  in.Lower = d.LowerLevel;
  in.Error = error;
  in.TimeScale = RecordTimeScale();
  in.ComponentSeparation = d.DoubleStarFit ? d.ComponentSeparation : 0;
  in.JoinResiduals = chart_.CheckBox7->isChecked();
  in.PointSize = chart_.UpDown1->value();
  const DeveloperListingOptions dev = host_.DeveloperListing();
  in.CurveColour = FitCurveColour(dev.CurveColour);
  FitDrawing drawing = BuildFitDrawing(job->Model, in, job->Values);
  if (dev.DiskIntensity) host_.AddDeveloperLines(DeveloperMemo::Memo5, DiskIntensityListing(job->Model), true);
  if (dev.CurveValues) host_.AddDeveloperLines(DeveloperMemo::Memo2, CurveValueListing(job->Model, in), false);
  chart_.ShowFitDrawing(std::move(drawing.Curve), std::move(drawing.Residual), drawing.CurveLines);
  if (job->Done) job->Done();
}
