#pragma once
// Monte-Carlo trials of fitting a step event's time in a noisy light curve of
// 201 frames (-100..100, the event in frame 0). Positions are in hundredths
// of a frame. Random numbers are drawn serially from the program's generator
// in a fixed order; only the fitting runs in parallel, so results do not
// depend on the number of threads.
#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

struct SimSettings {
  long double STDV1 = 0.10L;  // noise while occulted (signal 0)
  long double STDV2 = 0.10L;  // noise when the signal is 1
  long double EventWidth = 0.10L;  // frames taken by the brightness rise
};

long double RampFraction(long double w, long double x);
long double StepFraction(long double c, int i);
// Mean brightness of frame i for a ramp of width w centred at e.
long double RampFrameValue(long double w, int i, long double e);

struct SimTrial {
  long double phase = 0;  // SimPhase, frames
  int shift = 0;          // SimShift, hundredths
  long double error = 0;  // SimError, frames
};

// Progress and stop of a long run. Progress is called from the fitting
// threads (about every per cent, one call at a time) with the trials fitted
// so far; a set Cancel skips the fits still to come, and the run's results
// are then worthless.
struct SimHooks {
  std::function<void(int done, int total)> Progress;
  const std::atomic<bool>* Cancel = nullptr;
};

// Integrated-ramp trials (the error is shift/100 - phase).
std::vector<SimTrial> RunRampTrials(const SimSettings& s, int count, int threads = 0, const SimHooks& hooks = {});
// Sharp-step trials.
std::vector<SimTrial> RunStepTrials(const SimSettings& s, int count, int threads = 0, const SimHooks& hooks = {});
// Whole-frame trials (the error is phase - fitted/100).
std::vector<SimTrial> RunWholeFrameTrials(const SimSettings& s, int count, int threads = 0,
                                          const SimHooks& hooks = {});

// One sharp-step trial with its samples, for listing and drawing.
struct SingleSimulation {
  std::array<long double, 201> samples{};  // frames -100..100
  double r = 0;
  SimTrial trial;
};
SingleSimulation MakeSingleSimulation(const SimSettings& s);
std::vector<std::string> SingleSimulationLines(const SingleSimulation& sim);

// The memo lines of the runs.
std::string RampRunLine(const SimSettings& s, const std::vector<SimTrial>& t);           // 10000 trials
std::vector<std::string> RampNoiseSweep(SimSettings& s, int threads = 0, const SimHooks& hooks = {});  // k/20, 1000 each
std::string StepRunLine(const SimSettings& s, const std::vector<SimTrial>& t);
std::vector<std::string> WholeFrameNoiseSweep(SimSettings& s, int threads = 0, const SimHooks& hooks = {});
std::vector<std::string> RampFractionLines(long double event_width);
std::vector<std::string> StepFractionLines();

// A run that left a setting behind (a sweep its last noise level, the step run
// its event width) hands it on when it ends; a setting the user changed while
// it ran keeps the user's value, as a click after the run would have.
void AdoptRunLeftover(SimSettings& now, const SimSettings& started, const SimSettings& left);
