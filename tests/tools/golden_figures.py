#!/usr/bin/env python3
"""Golden figures of tests/measure/FilterGoldenTest.cpp and PhotometryGoldenTest.cpp.

Works each figure out pixel by pixel from the written rules, with nothing
taken from the program: the frame filters (gamma table, Gaussian and
moving-average kernels with border neighbours left out, gain in exact tenths,
field rotation), the class masks (digital disks, the sunlit-face and
lunar-limb cuts) and the aperture sums of the three blocks (frame, odd rows,
even rows). Plain Python 3, no packages.

    python3 tests/tools/golden_figures.py          # prints every figure
    python3 tests/tools/golden_figures.py --check  # compares with the tests' tables
"""
import math
import sys
from fractions import Fraction


def round_even(v):
    return int(round(v))  # Python rounds halves to even


def round_away(v):
    return int(math.floor(abs(v) + 0.5)) * (1 if v >= 0 else -1)


# ---- frame filters ----

FW, FH = 23, 17


def filter_pattern():
    return [[[(x * 37 + y * 11 + i * 53 + (x * y) % 13) % 256 for i in range(3)] for x in range(FW)] for y in range(FH)]


def checksum(img):
    s, i = 0, 0
    for row in img:
        for px in row:
            for v in px:  # blue, green, red
                s += v * (i % 251 + 1)
                i += 1
    return s


def gamma_table(g):
    return [round_even(255 * math.pow(i / 255, 1 / g)) for i in range(256)]


def apply_gamma(img, g):
    t = gamma_table(g)
    return [[[t[v] for v in px] for px in row] for row in img]


GAUSS3 = ([[0.03, 0.083, 0.03], [0.083, 0.225, 0.083], [0.03, 0.083, 0.03]], 0.677)
GAUSS5 = ([[0.13, 0.279, 0.36, 0.279, 0.13], [0.279, 0.6, 0.775, 0.6, 0.279], [0.36, 0.775, 1.0, 0.775, 0.36],
           [0.279, 0.6, 0.775, 0.6, 0.279], [0.13, 0.279, 0.36, 0.279, 0.13]], 10.692)


def gaussian(img, r):
    kernel, divisor = GAUSS3 if r == 1 else GAUSS5
    h, w = len(img), len(img[0])
    out = [[list(px) for px in row] for row in img]
    for y in range(h):
        for x in range(w):
            for c in range(3):
                s, n = 0.0, 0
                for dy in range(-r, r + 1):
                    for dx in range(-r, r + 1):
                        if 0 <= x + dx < w and 0 <= y + dy < h:
                            s += kernel[dy + r][dx + r] * img[y + dy][x + dx][c]
                            n += 1
                if n:
                    out[y][x][c] = round_even(s / divisor)
    return out


def moving_average(img, r):
    h, w = len(img), len(img[0])
    out = [[list(px) for px in row] for row in img]
    for y in range(h):
        for x in range(w):
            for c in range(3):
                s, n = 0, 0
                for dy in range(-r, r + 1):
                    for dx in range(-r, r + 1):
                        if 0 <= x + dx < w and 0 <= y + dy < h:
                            s += img[y + dy][x + dx][c]
                            n += 1
                out[y][x][c] = round_even(s / n)
    return out


def gain(img, tenths):
    out = [[list(px) for px in row] for row in img]
    for y in range(2, len(img)):
        for px in out[y]:
            for c in range(3):
                px[c] = min(255, round(Fraction(px[c] * tenths, 10)))  # Fraction rounds halves to even
    return out


def rotate(img, s):
    w = len(img[0])
    out = [list(row) for row in img]
    for y in range(1, len(img)):
        k = (abs(s) * y) % w
        row = img[y]
        out[y] = [row[(x + k) % w] if s < 0 else row[(x - k) % w] for x in range(w)]
    return out


def filter_figures():
    p = filter_pattern()
    rows = [
        ("none", p),
        ("gamma 0.7", apply_gamma(p, 0.7)),
        ("gamma 2.2", apply_gamma(p, 2.2)),
        ("Gaussian 3 x 3", gaussian(p, 1)),
        ("Gaussian 5 x 5", gaussian(p, 2)),
        ("moving average 3 x 3", moving_average(p, 1)),
        ("moving average 5 x 5", moving_average(p, 2)),
        ("gain 1.3", gain(p, 13)),
        ("gain 0.5", gain(p, 5)),
        ("rotation -2", rotate(p, -2)),
        ("rotation 3", rotate(p, 3)),
        ("chain: gamma 0.7, Gaussian 5 x 5, average 3 x 3, gain 1.3, rotation -2",
         rotate(gain(moving_average(gaussian(apply_gamma(p, 0.7), 2), 1), 13), -2)),
    ]
    return [(name, checksum(img)) for name, img in rows]


# ---- masks and aperture sums ----

PW, PH = 64, 48


def photometry_frame():
    f = []
    for y in range(PH):
        row = []
        for x in range(PW):
            d2 = (x - 30) ** 2 + (y - 21) ** 2
            star = 6000 // (d2 + 25)
            b = min(255, 20 + (3 * x + 5 * y) % 7 + star)
            g = min(255, 10 + (x + 2 * y) % 5 + star // 2)
            r = 15 + (x * y) % 4
            row.append((b, g, r))
        f.append(row)
    return f


def disk(m, r, cls):
    if r < 0:
        return
    for v in range(-r, r + 1):
        m[(0, v)] = cls
    for i in range(1, r + 1):
        h = round_even(math.sqrt(r * r - (i - 0.5) ** 2))
        for u in (i, -i):
            for v in range(-h, h + 1):
                m[(u, v)] = cls


def geometry(dx, dy, gap, width):
    if dx != 0:
        g = gap if dx > 0 else -gap
        slope = dy / dx
        gap_offset = math.sqrt(slope * slope + 1) * g
    else:
        slope = 1e6
        gap_offset = -gap if dy >= 0 else gap
    if dy != 0:
        w = width if dx > 0 else -width
        perp = -1 / slope
        width_offset = math.sqrt(slope * slope + 1) * w * perp
    else:
        perp, width_offset = 1e6, 1.0
    return slope, gap_offset, perp, width_offset


def build_mask(ap, inner, outer, form, gap, width, upper, lower, dx, dy):
    m = {(u, v): 0 for u in range(-25, 26) for v in range(-25, 26)}
    disk(m, outer, 2)
    disk(m, inner - 1, 0)
    disk(m, ap, 1)
    slope, gap_offset, perp, width_offset = geometry(dx, dy, gap, width)
    cells = lambda: [k for k, c in m.items() if c == 2]
    if form == 1:
        for (u, v) in cells():
            if dx != 0:
                line = u * slope + gap_offset
                if (dx > 0 and v > line) or (dx < 0 and v < line):
                    m[(u, v)] = 0
            elif (dy < 0 and u > gap) or (dy >= 0 and u < -gap):
                m[(u, v)] = 0
        for (u, v) in cells():
            if dy != 0:
                a, b = sorted((u * perp + width_offset, u * perp - width_offset))
                if (upper and v < a) or (lower and v > b):
                    m[(u, v)] = 0
            elif u < -width or u > width:
                m[(u, v)] = 0
    elif form == 2 and outer >= gap:
        for (u, v) in cells():
            if dx != 0:
                a, b = sorted((u * slope + gap_offset, u * slope - gap_offset))
                if a < v < b:
                    m[(u, v)] = 0
            elif -gap < u < gap:
                m[(u, v)] = 0
        for (u, v) in cells():
            if dy != 0:
                a, b = sorted((u * perp + width_offset, u * perp - width_offset))
                if not (a <= v <= b):
                    m[(u, v)] = 0
            elif not (-width <= u <= width):
                m[(u, v)] = 0
    return m


def block_figures(frame, m, outer, x, y, accurate, subtract):
    ap = [[0.0] * 3 for _ in range(3)]
    bg = [[0.0] * 3 for _ in range(3)]
    apn, bgn = [0] * 3, [0] * 3
    peak = 0
    cells = []
    for dx in range(-outer, outer + 1):
        for dy in range(-outer, outer + 1):
            px, py = x + dx, y + dy
            if px < 0 or py < 0 or px > PW or py > PH:
                continue  # outside the image: skipped
            p = frame[py][px] if px < PW and py < PH else (0, 0, 0)
            cls = m.get((dx, dy), 0)
            blocks = (0, 1 if py % 2 == 1 else 2)
            if cls == 1:
                peak = max(peak, round_away(p[0]))
                cells.append((dx, dy, p))
                for j in blocks:
                    for c in range(3):
                        ap[j][c] += p[c]
                    apn[j] += 1
            elif cls == 2:
                for j in blocks:
                    for c in range(3):
                        bg[j][c] += p[c]
                    bgn[j] += 1
    b0 = sum(bg[0]) / bgn[0] if bgn[0] else 0.0
    s_sum = t_sum = farthest = 0.0
    for dx, dy, p in cells:
        s = p[0] + p[1] + p[2] - b0
        s_sum += s
        t_sum += s * math.sqrt(dx * dx + dy * dy)
        farthest = max(farthest, math.sqrt(dx * dx + dy * dy))
    hfd = 2 * t_sum / s_sum if s_sum != 0 else 0.0
    if not 0 <= hfd <= 2 * farthest:  # beyond the aperture: no measurement
        hfd = 0.0
    out = []
    for j in range(3):
        a = sum(ap[j]) / 3
        b = sum(bg[j]) / 3
        count = bgn[j]
        if count == 0:
            b, count = 0.0, 10
        value = a - (apn[j] / count) * b
        if j > 0 and accurate:
            value = (apn[0] / 2 / apn[j]) * value
        pk = peak - b / count if subtract else peak
        out.append((apn[j], bgn[j], value, round_even(a), round_even(b), pk))
    return out, hfd


PHOTOMETRY_CASES = [
    # name, (ap, inner, outer, form, gap, width, upper, lower), direction, position, accurate, subtract
    ("sunlit face, dx < 0, upper side cut", (6, 8, 25, 1, 3, 10, True, False), (-300, 400), (30, 21), False, False),
    ("sunlit face, dx > 0, both side cuts, accurate, peak less background", (5, 7, 18, 1, 2, 6, True, True),
     (433, -250), (30, 21), True, True),
    ("lunar limb, dx < 0, accurate", (5, 9, 20, 2, 4, 12, False, False), (-433, 250), (30, 21), True, False),
    ("lunar limb, vertical upwards, peak less background", (4, 6, 22, 2, 3, 9, False, False), (0, -500), (30, 20),
     False, True),
    ("ring at the frame corner, accurate, peak less background", (6, 8, 25, 0, 0, 0, False, False), (0, 0), (3, 2),
     True, True),
]


def photometry_figures():
    frame = photometry_frame()
    out = []
    for name, (ap, inner, outer, form, gap, width, upper, lower), (dx, dy), (x, y), accurate, subtract in PHOTOMETRY_CASES:
        m = build_mask(ap, inner, outer, form, gap, width, upper, lower, dx, dy)
        class1 = sum(1 for c in m.values() if c == 1)
        bgcells = [k for k, c in m.items() if c == 2]
        fingerprint = (sum(u for u, v in bgcells), sum(v for u, v in bgcells), sum(u * v for u, v in bgcells),
                       sum(31 * u * u + 7 * v * v + 3 * u for u, v in bgcells))
        blocks, hfd = block_figures(frame, m, outer, x, y, accurate, subtract)
        out.append((name, blocks, hfd, class1, len(bgcells), fingerprint))
    return out


# ---- the tests' tables ----

FILTER_EXPECTED = [17922386, 14765154, 24624226, 17291573, 16594040, 17962885, 17991075, 21771456, 9547005, 18151820,
                   18095240, 17830869]

PHOTOMETRY_EXPECTED = [
    ([(137, 744, 7909.5909498207875, 11800, 21126, 255), (71, 372, 4022.8091397849457, 6058, 10665, 255),
      (66, 372, 3885.4086021505373, 5741, 10461, 255)], 7.692162303220485, 137, 744, (3594, 9276, 23782, 3955012)),
    ([(101, 153, 5809.660130718954, 9479, 5558, 218.67320261437908), (51, 75, 2895.0296732026145, 4781, 2731,
      218.5822222222222), (50, 78, 2914.5578632478637, 4698, 2827, 218.76068376068378)], 6.690515644400237, 101, 153,
     (-912, -1576, 9518, 356016)),
    ([(101, 638, 6385.291013584117, 9479, 19540, 255), (51, 320, 3186.039430147059, 4781, 9810, 255),
      (50, 318, 3199.364507337527, 4698, 9731, 255)], 6.767926559121051, 101, 638, (0, 0, 36002, 2297358)),
    ([(69, 658, 4640.732522796352, 7004, 22537, 220.7497467071935), (32, 332, 2194.240963855422, 3305, 11521,
      220.2991967871486), (37, 326, 2449.0511247443765, 3699, 11016, 221.2085889570552)], 5.755093485529605, 69, 658,
     (0, 0, -3726, 4099202)),
    ([(81, 581, -477.202524383247, 1592, 14840, 7.458405048766494), (37, 286, -244.8613211113212, 731, 7377,
      7.206293706293707), (44, 295, -232.02422958397534, 861, 7463, 7.702824858757062)], 7.549118467529369, 137, 1892,
     (0, 0, 0, 12940748)),
]


def close(a, b):
    return abs(a - b) <= 1e-9 * max(1.0, abs(b))


def check():
    bad = 0
    for (name, got), want in zip(filter_figures(), FILTER_EXPECTED):
        if got != want:
            print(f"filter {name}: {got}, the test has {want}")
            bad += 1
    for (name, blocks, hfd, c1, c2, fp), (wblocks, whfd, wc1, wc2, wfp) in zip(photometry_figures(), PHOTOMETRY_EXPECTED):
        same = (c1, c2, fp) == (wc1, wc2, wfp) and close(hfd, whfd)
        for got, want in zip(blocks, wblocks):
            same = same and got[:2] == want[:2] and got[3:5] == want[3:5] and close(got[2], want[2]) and close(got[5], want[5])
        if not same:
            print(f"photometry {name}: {blocks} hfd {hfd} classes {c1} {c2} {fp}")
            bad += 1
    print("all figures agree" if bad == 0 else f"{bad} figure set(s) differ")
    return bad == 0


def main():
    if "--check" in sys.argv:
        sys.exit(0 if check() else 1)
    for name, value in filter_figures():
        print(f"{name}: {value}")
    for name, blocks, hfd, c1, c2, fp in photometry_figures():
        print(name)
        for j, b in enumerate(blocks):
            print(f"  block {j}: counts {b[0]} {b[1]}, value {b[2]!r}, sums {b[3]} {b[4]}, peak {b[5]!r}")
        print(f"  hfd {hfd!r}, classes {c1} {c2}, class-2 fingerprint {fp}")


if __name__ == "__main__":
    main()
