#pragma once
// The 1-sigma timing error of an event against the noise of the light curve:
// a fitted polynomial and the simulated points it was fitted to.
#include <array>

// Degree 6 in the noise ratio x, one coefficient set up to `split`, another above.
long double TimingErrorCurve(long double x, long double split);
double TimingErrorPolynomial(double x, double split = 0.45);
// Simulated errors at x = 0, 0.05, ..., 1.5.
const std::array<double, 31>& SimulatedTimingErrors();

// Graph mapping: 30 pixels per 0.1 of noise ratio, 36 per frame of error.
int TimingErrorPx(double x);
int TimingErrorPy(double y);
