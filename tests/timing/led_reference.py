#!/usr/bin/env python3
"""Second, exact computation of the LED time correction of the synthetic table
in tests/support/LedTestTable.h, with rational numbers. Its printout is the
expected values of LedTimeCorrectionTest.cpp. Run: python3 led_reference.py"""
from fractions import Fraction as F
from decimal import Decimal, ROUND_HALF_UP
import math

ROWS, P0, N = 300, 160, 30
RATE = F(2997, 100)
SECOND, EXPOSURE, LIT = 10**6, 33367, 100000

def offset(f):
    return (f * 100000000 + 1498) // 2997

E0 = 77405 * SECOND + (SECOND - offset(P0) % SECOND) + 6000
end = [E0 + offset(f) for f in range(ROWS)]

def lit_overlap(e):
    s = 0
    w = (e // SECOND - 1) * SECOND
    while w <= e:
        s += max(0, min(e, w + LIT) - max(e - EXPOSURE, w))
        w += SECOND
    return s

overlap = [lit_overlap(e) for e in end]
bright = [F(20000 + 2 * f + 200000 * overlap[f] // EXPOSURE, 1000) for f in range(ROWS)]
pc_units = [end[f] // 100 + 3127 + 5 * ((37 * f) % 21 - 10) for f in range(ROWS)]
pc = [F(u, 10000) for u in pc_units]  # seconds of the day, exactly as written

def line_fit(xs, ys):
    n = len(xs)
    sx, sy = sum(xs), sum(ys)
    sxy = sum(x * y for x, y in zip(xs, ys))
    sxx = sum(x * x for x in xs)
    d = n * sxx - sx * sx
    if d == 0:
        d = 1
    return (n * sxy - sx * sy) / d, (sy * sxx - sx * sxy) / d  # slope, intercept

slope, intercept = line_fit([F(i) for i in range(ROWS)], pc)

# The dark frames are those the LED does not reach; a straight background through them.
dark = [i for i in range(ROWS) if overlap[i] == 0]
bslope, bint = line_fit([F(i) for i in dark], [bright[i] for i in dark])
signal = [bright[i] - (bint + bslope * i) for i in range(ROWS)]

ks = list(range(-5, 5))
a, b = line_fit([F(k) for k in ks], [signal[P0 + N * k] for k in ks])
k0 = -b / a
K = int(k0)  # toward zero
frac = k0 - K
pps_line = K * N + P0
D = F(30) / RATE - 1
T = intercept + slope * pps_line
def round_half_away(x):
    return math.floor(x + F(1, 2)) if x >= 0 else -math.floor(-x + F(1, 2))
U = round_half_away(T) - frac * D
led_offset = U - T

# Estimated error over the fitted lines (cycles -5..4).
u = [F(P0 + N * k - P0, N) for k in ks]
fitted = [b + a * x for x in u]
ys = [signal[P0 + N * k] for k in ks]
m = len(ks)
res = sum((y - f) ** 2 for y, f in zip(ys, fitted))
umean, ymean = sum(u) / m, sum(ys) / m
S = sum((umean - k) ** 2 for k in ks)
err = abs(D) * math.sqrt(res / (m - 2)) / abs(a) * math.sqrt(F(1, m) + ymean**2 / (a**2 * S))

def split(t):
    h = int(t / 3600)
    t -= h * 3600
    mi = int(t / 60)
    return h, mi, t - mi * 60

def sec4(s):
    exact = Decimal(s.numerator) / Decimal(s.denominator)
    text = str(exact.quantize(Decimal("0.0001"), ROUND_HALF_UP))
    return text if len(text) == 7 else "0" + text

print("PcTimeSlope     %.15f" % float(slope))
print("PcTimeIntercept %.9f" % float(intercept))
print("cycle fit a %.9f b %.9f k0 %.9f" % (float(a), float(b), float(k0)))
print("PpsLine", pps_line, "PpsFrame", pps_line, "fraction %.9f" % float(frac))
print("LedTimeOffset   %.12f" % float(led_offset))
print("Error           %.3e" % float(err))
worst = 0
for f in range(ROWS):
    e = intercept + slope * f + led_offset
    worst = max(worst, abs(e - F(end[f], SECOND)))
print("largest |corrected end - true end| = %.9f s" % float(worst))
for f in (0, 10, 160, 299):
    e = intercept + slope * f + led_offset
    c = e - 1 / (2 * RATE)
    ch, cm, cs = split(c)
    eh, em, es = split(e)
    print("row", f, "fields 4-7: %02d,%02d,%s,%s" % (ch, cm, sec4(cs), sec4(es)))
