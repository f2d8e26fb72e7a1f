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
  std::function<void()> Done;
  std::atomic<bool> Cancel{false};
  std::thread Worker;
};
