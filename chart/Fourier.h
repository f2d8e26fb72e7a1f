#pragma once
// Complex Fourier transform of one block of samples, in long double.
// The forward transform is scaled by 1/N, the inverse is not, so a forward
// transform followed by an inverse one returns the samples.
#include <cstddef>
#include <vector>

// The block: input and output, real and imaginary parts. N is the size of
// InputRe; the other arrays are sized to N by the transforms.
struct FftBlock {
  std::vector<long double> InputRe, InputIm;
  std::vector<long double> OutputRe, OutputIm;

  // All four arrays to n entries of 0.
  void Resize(size_t n);
  size_t Length() const { return InputRe.size(); }
};

enum class FftDirection { Forward = 1, Inverse = -1 };

// True for 2, 4, 8, ... (the lengths the fast transform accepts).
bool IsFftLength(size_t n);

// Radix-2 transform of the block (N a power of two, at least 2; otherwise the
// output is left as zeros). Forward: X[k] = (1/N) sum x[n] e^(-2 pi i k n / N).
// Inverse: x[n] = sum X[k] e^(+2 pi i k n / N). The input arrays are left
// holding intermediate values.
void FastFourierTransform(FftBlock& block, FftDirection direction);

// The plain O(N^2) forward transform, unscaled; the input stays unchanged.
void DiscreteFourierTransform(FftBlock& block);
