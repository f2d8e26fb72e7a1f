#pragma once
// The program's one pseudo-random generator. Every drawing part shares its
// state, so the order of draws decides every value that follows.
#include <cstdint>

// Linear congruential: state := state * 134775813 + 1 (mod 2^32); result
// state / 2^32 in [0, 1). The state starts at 0 and is never reseeded.
double NextUniform();
// Polar method: pairs of uniforms until inside the unit circle.
long double NextGaussian(long double mean, long double sd);

uint32_t RandomState();
// For tests and benchmarks that need a known starting point.
void SetRandomState(uint32_t state);
