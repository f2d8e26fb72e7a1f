#pragma once
// A deterministic screenshot-like picture: flat window areas, a title-bar
// gradient, lines of text-like glyphs, a chart with curves and a noisy video
// pane. Bytes blue, green, red; rows top-down, packed (no row padding).
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> MakeScreenshotImage(int width, int height);
// Deterministic pseudo-random bytes.
std::vector<uint8_t> MakeRandomBytes(size_t count, uint32_t seed);
