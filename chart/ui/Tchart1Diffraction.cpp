// Tchart1: the diffraction analysis on the chart: level windows, the fit on
// worker threads, the fitted curve, event marker and residuals, and the
// diffraction panel it opens and feeds.
#include <QPixmap>
#include <QProgressBar>

#include "base/NumberText.h"
#include "chart/ui/ChartPainter.h"
#include "chart/ui/DiffractionFitJob.h"
#include "chart/ui/Tchart1.h"
#include "base/ui/MemoLines.h"
#include "events/ui/TFresnelCtrl.h"

std::vector<double> Tchart1::ObjectAValues() {
  RefreshData();
  std::vector<double> v;
  v.reserve(data_.Records.size());
  // Empty cells, cells that are not numbers and empty lines all count as 0.
  for (const ChartRecord& r : data_.Records) v.push_back(r.Value[CurveA]);
  return v;
}

void Tchart1::DRAverage() {
  RefreshData();
  DiffractionState& d = events_.Diffraction;
  if (d.UpperLevelFixed || d.LowerLevelFixed) {
    d.UpperLevelFirst = FresnelCtrl && FresnelCtrl->CheckBox6->isChecked();
    return;
  }
  d.PreviousUpperLevelFirst = d.UpperLevelFirst;
  const int sel = session_.ChartState.SelectedFrame;
  LevelWindowOffsets w;
  w.PreFrom = d.PreEventWindowFrom, w.PreTo = d.PreEventWindowTo;
  w.StepFrom = d.ThirdWindowFrom, w.StepTo = d.ThirdWindowTo;
  w.PostFrom = d.PostEventWindowFrom, w.PostTo = d.PostEventWindowTo;
  const LevelAverages a = AverageLevelWindows(ObjectAValues(), sel, w);
  d.LevelMean = a.Mean;
  d.LevelStdError = a.StdError;
  d.LevelCount = a.Count;
  d.UpperLevelFirst = session_.DiffractionMode ? (a.Mean[0] > a.Mean[2] ? 1 : 0) : 1;
  d.LevelWindowFrames = {sel + w.PreFrom, sel + w.PreTo, sel + w.PostFrom, sel + w.PostTo};
}

bool Tchart1::FresnelDraw(double pre_mean, double post_mean, std::function<void()> done) {
  if (fit_job_ || !FresnelCtrl) return false;
  RefreshData();
  DiffractionState& d = events_.Diffraction;
  TFresnelCtrl& panel = *FresnelCtrl;
  DiffractionParams p;
  p.ObjectDistance = d.ObjectDistance;
  p.ObjectVelocity = d.ObjectVelocity;
  p.StarDiameterOn = d.StarDiameterOn;
  p.StarAngularDiameter = d.StarAngularDiameter;
  p.DoubleStarFit = d.DoubleStarFit;
  p.ComponentSeparation = d.ComponentSeparation;
  p.ComponentWeight = d.ComponentWeight;
  p.ModelFrameRate = ModelFrameRateFor(host_.TimingFrameRate(), events_.Flags.IntegrationCount);
  p.FieldMode = data_.FieldMode;
  d.ModelFrameRate = p.ModelFrameRate;
  const DiffractionModel model(MakeFresnelTables(), events_.Spectral, p);
  if (!model.Valid() || !(p.ModelFrameRate > 0)) {
    panel.ShowStatus("The fit needs a distance, a velocity and a frame rate above zero.");
    return false;
  }
  panel.Edit22->setText(QString::fromStdString(FormatFixed(model.StarDiskIntensity(0.000001L) * 100, 1, 5)));
  panel.Edit24->setText(QString::fromStdString(FormatFixed(d.StarAngularDiameter, 3, 5)));
  GraphShow3();
  const FitLevels levels =
      DecideFitLevels(pre_mean, post_mean, panel.CheckBox8->isChecked(), events_.Flags.MagDrop, d);
  d.ReappearanceFit = levels.Reappearance;
  d.UpperLevel = levels.Upper;
  d.LowerLevel = levels.Lower;

  FitInput in;
  in.Mode = !panel.RadioButton2->isChecked() ? FitMode::Occultation
            : panel.CheckBox7->isChecked()   ? FitMode::GrazingNew
                                             : FitMode::GrazingOld;
  in.Rising = levels.Reappearance != 0;
  in.Factor = d.RateFactor;
  in.Base = levels.Lower;
  in.Amplitude = levels.Upper - levels.Lower;
  in.Selected = session_.ChartState.SelectedFrame;
  in.Range = FittingRange(d.CustomFitRange != 0, d.FitRangeFrom, d.FitRangeTo, p.FieldMode);
  panel.Edit30->setText(QString::number(events_.Flags.IntegrationCount));

  fit_job_ = std::make_unique<DiffractionFitJob>(model, ObjectAValues(), in, levels, std::move(done));
  DiffractionFitJob* job = fit_job_.get();
  job->Worker = std::thread([this, job] {
    FitHooks hooks;
    hooks.Cancel = &job->Cancel;
    // Reports still queued when the fit was stopped are dropped.
    hooks.Progress = [this, job](int v) {
      QMetaObject::invokeMethod(
          this, [this, job, v] {
            if (FresnelCtrl && fit_job_.get() == job) FresnelCtrl->ProgressBar1->setValue(v);
          },
          Qt::QueuedConnection);
    };
    hooks.Memo = [this, job](const std::string& line) {
      QMetaObject::invokeMethod(
          this, [this, job, line] {
            if (FresnelCtrl && fit_job_.get() == job) FresnelCtrl->Memo1->appendPlainText(QString::fromStdString(line));
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
  panel.FitRunning(true);
  return true;
}

void Tchart1::StopFit() {
  if (!fit_job_) return;
  fit_job_.reset();  // cancels and joins
  if (FresnelCtrl) {
    FresnelCtrl->ProgressBar1->setValue(0);
    FresnelCtrl->FitRunning(false);
  }
}

void Tchart1::FinishFit(const FitOutcome& out) {
  const std::unique_ptr<DiffractionFitJob> job = std::move(fit_job_);
  if (job->Worker.joinable()) job->Worker.join();
  if (FresnelCtrl) FresnelCtrl->FitRunning(false);
  if (out.Cancelled) return;
  DiffractionState& d = events_.Diffraction;
  d.RateFactor = out.Factor;
  d.FitOffset = out.Offset;
  d.FitResidual = out.Residual;
  d.ObservedWindowCount = out.ObservedWindowCount;
  const DiffractionParams& p = job->Model.Params();
  const FitTimingError error = ComputeFitTimingError(out.Residual, out.ObservedWindowCount, d, job->Levels.A,
                                                     job->Levels.B, p.ModelFrameRate, p.FieldMode);
  events_.Texts.EventErrorText[0] = error.SecondsText;
  if (FresnelCtrl) {
    TFresnelCtrl& panel = *FresnelCtrl;
    panel.Edit34->setText(QString::fromStdString(out.TargetText));
    panel.Edit11->setText(QString::fromStdString(out.ResidualText));
    panel.ProgressBar1->setValue(0);
    panel.Edit33->setText(QString::fromStdString(error.FramesText));
    panel.Edit12->setText(QString::fromStdString(error.MsText));
    panel.Edit13->setText(QString::fromStdString(error.CountText));
  }

  const TChartState& st = session_.ChartState;
  FitDrawInput in;
  in.View = view_;
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
  in.ComponentSeparation = d.DoubleStarFit ? d.ComponentSeparation : 0;
  in.JoinResiduals = CheckBox7->isChecked();
  in.PointSize = UpDown1->value();
  const DeveloperListingOptions dev = host_.DeveloperListing();
  in.CurveColour = FitCurveColour(dev.CurveColour);
  const FitDrawing drawing = BuildFitDrawing(job->Model, in, job->Values);
  if (dev.DiskIntensity) host_.AddDeveloperLines(DeveloperMemo::Memo5, DiskIntensityListing(job->Model), true);
  if (dev.CurveValues) host_.AddDeveloperLines(DeveloperMemo::Memo2, CurveValueListing(job->Model, in), false);
  AppendMemoLines(Memo1, drawing.CurveLines);
  fit_curve_ = drawing.Curve;
  fit_residual_ = drawing.Residual;
  PaintFitDrawing();
  if (job->Done) job->Done();
}

void Tchart1::PaintFitDrawing() {
  PaintChartOps(picture_, fit_curve_);
  ChartImg1->setPixmap(QPixmap::fromImage(picture_));
  if (lower_picture_.isNull()) {
    lower_picture_ = QImage(ChartImg2->width(), ChartImg2->height(), QImage::Format_RGB32);
    lower_picture_.fill(Qt::white);
  }
  PaintChartOps(lower_picture_, fit_residual_);
  ChartImg2->setPixmap(QPixmap::fromImage(lower_picture_));
  fit_drawn_ = true;
}

void Tchart1::InformationShow() {
  const bool keep = fit_drawn_;
  GraphShow3();
  if (keep) PaintFitDrawing();
}

void Tchart1::AfterChartSelection() {
  if (session_.DiffractionMode && FresnelCtrl) FresnelCtrl->ShowAverage();
  host_.AfterChartSelection();
}

void Tchart1::ClampDiffractionWindows() {
  const int fm = session_.SelectedOffsetMin, fM = session_.SelectedOffsetMax;
  if (!FresnelCtrl || !(fm < 0 && fM > 0)) return;
  FresnelCtrl->ClampWindowsToRecords(fm, fM);
}

void Tchart1::CloseFresnelCtrl() {
  if (FresnelCtrl) FresnelCtrl->close();
}

void Tchart1::OpenFresnelCtrl() {
  if (FresnelCtrl) return;
  FresnelCtrl = new TFresnelCtrl(*this);
  FresnelCtrl->show();
}
