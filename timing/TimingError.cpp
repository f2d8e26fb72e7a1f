#include "timing/TimingError.h"

#include "base/NumberText.h"

long double TimingErrorCurve(long double x, long double split) {
  static constexpr std::array<long double, 7> kLow{0.000861085973516832L, 0.262693911737246L, 10.6156500352604L,
                                                   -62.1345811519649L,    156.572146985533L,  -57.7858223341369L,
                                                   -108.758169727983L};
  static constexpr std::array<long double, 7> kHigh{0.0305187343200233L,  -0.508930499520982L, 7.51029253431152L,
                                                    -4.90320241926873L,   4.65091487833908L,   -1.57333176862108L,
                                                    -0.00573391971885274L};
  const auto& c = x <= split ? kLow : kHigh;
  long double y = 0;
  for (size_t i = c.size(); i-- > 0;) y = y * x + c[i];
  return y;
}

double TimingErrorPolynomial(double x, double split) { return static_cast<double>(TimingErrorCurve(x, split)); }

const std::array<double, 31>& SimulatedTimingErrors() {
  static const std::array<double, 31> v = {0,      0.037,  0.0835, 0.1397, 0.2088, 0.2929, 0.4079, 0.5533,
                                           0.8252, 1.0448, 1.3023, 1.6475, 1.9107, 2.0849, 2.549,  2.8303,
                                           3.3163, 3.8001, 4.078,  4.7364, 5.3057, 5.6999, 6.1761, 7.0768,
                                           7.3266, 8.0561, 8.5325, 9.4163, 10.1986, 10.6163, 10.9949};
  return v;
}

int TimingErrorPx(double x) { return static_cast<int>(RoundHalfAway(300.0L * x)) + 60; }
int TimingErrorPy(double y) { return 452 - static_cast<int>(RoundHalfAway(36.0L * y)); }
