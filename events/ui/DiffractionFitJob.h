#pragma once
// A diffraction fit running on worker threads for the chart: what it fits
// and what the drawing needs afterwards. The diffraction panel owns it, stops
// it when it or the chart closes and joins its thread before the job goes.
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "events/DiffractionDrawing.h"
#include "events/DiffractionFit.h"

// What the panel's model controls gave the fit: the result of a fit whose
// settings changed meanwhile belongs to none the panel shows.
struct FitSettings {
  DiffractionParams Params;
  SpectralCurve Weights{};
  long double Factor = 1;
  FitMode Mode = FitMode::Occultation;
  bool MagDropApplied = false;
  double MagDrop = 0;

  bool operator==(const FitSettings&) const = default;
};

struct DiffractionFitJob {
  DiffractionFitJob(const DiffractionModel& model, std::vector<double> values, const FitInput& input,
                    const FitLevels& levels, std::function<void()> done)
      : Model(model), Values(std::move(values)), Input(input), Levels(levels), Done(std::move(done)) {}
  ~DiffractionFitJob() {
    Cancel = true;
    if (Worker.joinable()) Worker.join();
  }
  DiffractionModel Model;
  std::vector<double> Values;
  FitInput Input;
  FitLevels Levels;
  FitSettings Settings;
  std::function<void()> Done;
  std::atomic<bool> Cancel{false};
  std::thread Worker;
};
