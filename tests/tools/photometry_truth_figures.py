# Expected figures of tests/app/ui/PhotometryTruthTest.cpp: the frames made
# again here (MT19937 and Box-Muller as tests/support/SyntheticStars.cpp
# makes them), then every measured cell worked out pixel by pixel with numpy
# from the masks, sums and profile fit as they are described. Pass the test
# video's path to check the frames against ffmpeg's own decoding first.
import math, sys, subprocess
import numpy as np

W, H = 120, 90
STARS = [(60.3, 45.6, 2000, 1.5), (2.4, 40.2, 1500, 1.4), (95.2, 20.7, 9000, 1.2)]
POS = [(60, 46), (2, 40), (95, 21)]


class MT:
    def __init__(self, seed):
        self.mt = [0] * 624; self.i = 624; self.mt[0] = seed
        for i in range(1, 624):
            self.mt[i] = (1812433253 * (self.mt[i - 1] ^ (self.mt[i - 1] >> 30)) + i) & 0xFFFFFFFF
    def __call__(self):
        if self.i >= 624:
            for k in range(624):
                y = (self.mt[k] & 0x80000000) | (self.mt[(k + 1) % 624] & 0x7FFFFFFF)
                self.mt[k] = self.mt[(k + 397) % 624] ^ (y >> 1) ^ (0x9908B0DF if y & 1 else 0)
            self.i = 0
        y = self.mt[self.i]; self.i += 1
        y ^= y >> 11; y ^= (y << 7) & 0x9D2C5680; y ^= (y << 15) & 0xEFC60000; y ^= y >> 18
        return y


def share(i, c, s):
    cdf = lambda t: 0.5 * math.erfc(-t / (s * math.sqrt(2.0)))
    return cdf(i + 0.5 - c) - cdf(i - 0.5 - c)


def frame(seed, background=30.0, noise=3.0, stars=STARS):
    rng = MT(seed); f = np.zeros((H, W), np.int64)
    for y in range(H):
        for x in range(W):
            v = background
            for sx, sy, flux, sg in stars:
                if abs(x - sx) > 10 * sg + 1 or abs(y - sy) > 10 * sg + 1: continue
                v += flux * share(x, sx, sg) * share(y, sy, sg)
            if noise > 0:
                u1 = (rng() + 1.0) / 4294967297.0; u2 = rng() / 4294967296.0
                v += noise * math.sqrt(-2 * math.log(u1)) * math.cos(6.283185307179586 * u2)
            r = math.trunc(v + 0.5) if v >= 0 else math.trunc(v - 0.5)
            f[y, x] = min(255, max(0, r))
    return f


FRAMES = [frame(11 + n) for n in range(3)]


def disk(r):
    s = set()
    if r < 0: return s
    for dy in range(-r, r + 1): s.add((0, dy))
    for i in range(1, r + 1):
        h = round(math.sqrt(r * r - (i - 0.5) ** 2))  # halves to even
        for dy in range(-h, h + 1): s |= {(i, dy), (-i, dy)}
    return s


def ring(ap, inner, outer):
    m = {c: 2 for c in disk(outer)}
    m.update({c: 0 for c in disk(inner - 1)}); m.update({c: 1 for c in disk(ap)})
    return m


def cut(m, form, d, gap, width, upper=False, lower=False):
    # The background cuts by their line equations (slope 1e6 standing in for
    # a vertical direction), removed cells becoming class 0.
    dx, dy = d
    if dx != 0:
        slope = dy / dx; gap_off = math.sqrt(slope * slope + 1) * (gap if dx > 0 else -gap)
    else:
        slope = 1e6; gap_off = -gap if dy >= 0 else gap
    if dy != 0:
        perp = -1 / slope; width_off = math.sqrt(slope * slope + 1) * (width if dx > 0 else -width) * perp
    else:
        perp = 1e6; width_off = 1.0
    m = dict(m)
    def sweep(drop):
        for (u, v), c in list(m.items()):
            if c == 2 and drop(u, v): m[(u, v)] = 0
    if form == 1:
        if dx != 0: sweep(lambda u, v: v > u * slope + gap_off if dx > 0 else v < u * slope + gap_off)
        else: sweep(lambda u, v: (dy < 0 and u > gap) or (dy >= 0 and u < -gap))
        if dy != 0:
            def side(u, v):
                a, b = sorted((u * perp + width_off, u * perp - width_off))
                return (upper and v < a) or (lower and v > b)
            sweep(side)
        else: sweep(lambda u, v: u < -width or u > width)
    else:
        if dx != 0: sweep(lambda u, v: sorted((u * slope + gap_off, u * slope - gap_off))[0] < v < sorted((u * slope + gap_off, u * slope - gap_off))[1])
        else: sweep(lambda u, v: -gap < u < gap)
        if dy != 0:
            def band(u, v):
                a, b = sorted((u * perp + width_off, u * perp - width_off))
                return not (a <= v <= b)
            sweep(band)
        else: sweep(lambda u, v: not (-width <= u <= width))
    return m


def sums(f, x, y, m):
    blk = [dict(a=0, b=0, na=0, nb=0) for _ in range(3)]; peak = 0
    for (dx, dy), c in m.items():
        px, py = x + dx, y + dy
        if c == 0 or not (0 <= px < W and 0 <= py < H): continue
        p = int(f[py, px]) * 3  # three equal bytes
        for j in (0, 1 if py % 2 else 2):
            if c == 1: blk[j]['a'] += p; blk[j]['na'] += 1
            else: blk[j]['b'] += p; blk[j]['nb'] += 1
        if c == 1: peak = max(peak, int(f[py, px]))
    b = blk[0]['b'] / blk[0]['nb'] if blk[0]['nb'] else 0
    S = T = R = 0.0
    for (dx, dy), c in m.items():
        px, py = x + dx, y + dy
        if c != 1 or not (0 <= px < W and 0 <= py < H): continue
        s = int(f[py, px]) * 3 - b; S += s; T += s * math.hypot(dx, dy); R = max(R, math.hypot(dx, dy))
    hfd = 2 * T / S if S else 0.0
    return blk, peak, (hfd if 0 <= hfd <= 2 * R else 0.0)  # beyond the aperture: no measurement


def block_cells(blk, j, accurate):
    A = blk[j]['a'] / 3; B = blk[j]['b'] / 3; n = blk[j]['nb']
    if n == 0: B, n = 0, 10
    v = A - blk[j]['na'] / n * B
    if j > 0 and accurate: v = blk[0]['na'] / 2 / blk[j]['na'] * v
    return v, round(A), round(B), blk[j]['na'], blk[j]['nb']


def psf(f, x, y, m, sat=255, satstart=350):
    # A star placed before PSF photometry was ticked: every frame is fitted
    # with the wide searches (radius 8, widths 2..14), centre within 0.6 px.
    win = {}
    for dx in range(-27, 28):
        for dy in range(-27, 28):
            px, py = x + dx, y + dy
            if 0 <= px < W and 1 <= py < H: win[(dx, dy)] = float(f[py, px])
    bg = [win[c] for c, k in m.items() if k == 2 and c in win]
    B = sum(bg) / max(len(bg), 1)
    cells = []; saturated = False
    for (dx, dy), v in win.items():
        if dx * dx + dy * dy > 64 or abs(dx) > 25 or abs(dy) > 25: continue
        if v >= sat: saturated = True; continue
        cells.append((dx, dy, v))
    largest = max(v for _, _, v in cells)
    A0 = satstart if saturated else (largest + win.get((0, 0), largest)) / 2 - B  # no centre pixel: the peak alone
    C = np.array(cells, float); inner = C[(np.abs(C[:, 0]) <= 10) & (np.abs(C[:, 1]) <= 10)]
    def rms(cs, A, s, cx, cy):
        ex = cs[:, 0] - cx; ey = cs[:, 1] - cy
        return math.sqrt(((A / np.exp(2 * ((ex * ex + ey * ey) / (s * s))) + B - cs[:, 2]) ** 2).sum() / len(cs))
    def best(lo, hi, fb, fn):
        b, bi = 1e10, fb
        for i in range(lo, hi + 1):
            r = fn(i)
            if r < b: b, bi = r, i
        return bi
    s0 = best(2, 14, 2, lambda s: rms(inner, A0, s, 0, 0))
    s1 = max(s0 + best(-10, 10, 0, lambda k: rms(inner, A0, s0 + k / 10, 0, 0)) / 10, 1.0)
    be = bf = 0; bb = 1e10
    for e in range(-6, 7):
        for g in range(-6, 7):
            r = rms(C, A0, s1, e / 10, g / 10)
            if r < bb: bb, be, bf = r, e, g
    cx, cy = be / 10, bf / 10
    w = min(max(round(s1 * 100), 150), 1000) / 100
    i1 = best(-10, 10, 0, lambda i: rms(C, A0, w + i / 10, cx, cy))
    i2 = best(-10, 10, 0, lambda i: rms(C, A0, w + i1 / 10 + i / 100, cx, cy))
    s = max(w + i1 / 10 + i2 / 100, 1.0)
    ia = best(-7, 20, 10, lambda i: rms(C, i / 10 * A0, s, cx, cy))
    ib = best(-10, 10, 0, lambda i: rms(C, (ia / 10 + i / 100) * A0, s, cx, cy))
    ic = best(-10, 10, 0, lambda i: rms(C, (ia / 10 + ib / 100 + i / 1000) * A0, s, cx, cy))
    A = (ia / 10 + ib / 100 + ic / 1000) * A0
    return math.pi * s * s * A / 2, 1.17741 * s, A


def cpp_row(name, cells):
    print('      {"%s", {%s}},' % (name, ', '.join(
        '{%.6f, %.6f, %.6f, %d, %d, %d}' % c for c in cells)))


def check_against(path):
    raw = subprocess.run(['ffmpeg', '-v', 'error', '-i', path, '-f', 'rawvideo', '-pix_fmt', 'bgr24', '-'],
                         capture_output=True, check=True).stdout
    dec = np.frombuffer(raw, np.uint8).reshape(-1, H, W, 3)
    for n, f in enumerate(FRAMES):
        for c in range(3): assert (dec[n, :, :, c] == f).all(), 'frame %d differs' % n
    print('// frames equal to ffmpeg decoding of', path)


if len(sys.argv) > 1: check_against(sys.argv[1])
CASES = [('ring 6/8/20', ring(6, 8, 20), 'frame'), ('ring 0/1/25', ring(0, 1, 25), 'frame'),
         ('ring 20/22/25', ring(20, 22, 25), 'frame'),
         ('avoid sunlit face 5/8/20', cut(ring(5, 8, 20), 1, (0, -100), 10, 25), 'frame'),
         ('meteor/lunar limb 5/8/20', cut(ring(5, 8, 20), 2, (0, -100), 10, 25), 'frame'),
         ('avoid sunlit face 5/8/20, width 6, upper and lower cut',
          cut(ring(5, 8, 20), 1, (0, -100), 10, 6, True, True), 'frame'),
         ('fields 6/8/20, accurate', ring(6, 8, 20), 'fields'),
         ('peak less background 6/8/20', ring(6, 8, 20), 'peak'),
         ('PSF 6/8/20', ring(6, 8, 20), 'psf'),
         ('PSF below level 200 from 300', ring(6, 8, 20), 'psf200')]
for name, m, kind in CASES:
    print('    // ' + name)
    for n, f in enumerate(FRAMES):
        rows = [(n, 0)] if kind != 'fields' else [(n, 1), (n, 2)]  # 'Bottom first': odd rows first
        for fn, j in rows:
            cells = []
            for k in range(3):
                blk, peak, hfd = sums(f, *POS[k], m)
                v, A, B, na, nb = block_cells(blk, j, kind == 'fields')
                if kind == 'peak': v = peak - blk[j]['b'] / 3 / blk[j]['nb']
                if kind.startswith('psf'):
                    vol, fwhm, amp = psf(f, *POS[k], m) if kind == 'psf' else psf(f, *POS[k], m, 200, 300)
                    cells.append((vol, fwhm, amp, 0, 1, 1))
                else:
                    cells.append((v, hfd, A, B, na, nb))
            cpp_row('%d.%d' % (n, 5 if j == 2 else 0), cells)
