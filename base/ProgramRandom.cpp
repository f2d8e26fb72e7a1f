#include "base/ProgramRandom.h"

#include <cmath>

namespace {
uint32_t g_state = 0;
}

double NextUniform() {
  g_state = g_state * 134775813u + 1u;
  return static_cast<double>(g_state) / 4294967296.0;
}

long double NextGaussian(long double mean, long double sd) {
  long double u1 = 0, u2 = 0, s = 0;
  do {
    u1 = 2.0L * NextUniform() - 1;
    u2 = 2.0L * NextUniform() - 1;
    s = u1 * u1 + u2 * u2;
  } while (s >= 1 || s == 0);  // s 0 would take the log of zero
  return mean + sd * u1 * std::sqrt(-2 * std::log(s) / s);
}

uint32_t RandomState() { return g_state; }
void SetRandomState(uint32_t state) { g_state = state; }
