#!/usr/bin/env python3
"""Writes geometry/TrigonometryTables.cpp: the constants and tables of the
fast sine, cosine and arc cosine (ReproducibleMath.cpp) and the digits of pi
for the wide fixed-point path. Needs mpmath; computes with 400 bits. Run from
any folder:
    python3 geometry/make_trig_tables.py
It prints the largest relative error of the arc sine polynomials and the
largest share of their terms from v^2 up in the result; the fast path's error
bound (ReproducibleMath.cpp) assumes these stay below 2^-75.5 and 2^-24.
"""
import os

import mpmath
from mpmath import mpf

mpmath.mp.prec = 400

SINE_STEPS = 512  # table points per half turn
ASIN_INTERVALS = int(os.environ.get("ASIN_INTERVALS", 1024))  # polynomials on [0, 1/2]
ASIN_DEGREE = int(os.environ.get("ASIN_DEGREE", 5))
WIDE_LIMBS = 10  # 32-bit words of pi/2 after the binary point


def to_double(v):
    return mpmath.libmp.to_float(mpf(v)._mpf_, rnd="n")


def double_double(v):
    hi = to_double(v)
    return hi, to_double(mpf(v) - hi)


def high_half(a):
    """Veltkamp's split, the same operations the C++ code would do."""
    c = 134217729.0 * a
    return c - (c - a)


def rounded_to_bits(v, bits):
    e = int(mpmath.floor(mpmath.log(abs(v), 2)))
    m = mpmath.nint(v * mpf(2) ** (bits - 1 - e))
    return float(m * mpf(2) ** (e - bits + 1))


def split_27(v):
    """v as a double of 27 significant bits and a double."""
    hi = rounded_to_bits(v, 27)
    return hi, to_double(mpf(v) - hi)


def cody_waite(v, parts):
    """v as parts of 25 bits (so that a 28-bit whole number times each is exact) and a double."""
    out = []
    rest = mpf(v)
    for _ in range(parts):
        c = rounded_to_bits(rest, 25)
        out.append(c)
        rest -= c
    out.append(to_double(rest))
    return out


def chebyshev_nodes(low, high, count):
    return [(low + high) / 2 + (high - low) / 2 * mpmath.cos(mpmath.pi * (k + mpf(1) / 2) / count)
            for k in range(count)]


def asin_polynomial(c, h, degree):
    """Coefficients a0..a_degree of asin(c + v) for |v| <= h (0 <= v for c = 0,
    where the polynomial is odd), each rounded in turn with the higher ones
    fitted again to what the rounding left: a0 to a double-double, a1 to a
    27-bit double and a double (the first times a 26-bit offset is exact),
    the others to doubles."""
    odd = c == 0
    nodes = chebyshev_nodes(mpf(0) if odd else -h, h, 48)
    coefficients = [mpf(0)] * (degree + 1)
    powers = [p for p in range(degree + 1) if not odd or p % 2 == 1]
    for index, power in enumerate(powers):
        def rest(v, done=list(coefficients)):
            return mpmath.asin(c + v) - sum(a * v ** j for j, a in enumerate(done))
        rest_nodes = [v for v in nodes if abs(rest(v)) > 0]
        weight = lambda v: mpmath.asin(c + v)
        matrix = mpmath.matrix([[v ** p / weight(v) for p in powers[index:]] for v in rest_nodes])
        values = mpmath.matrix([rest(v) / weight(v) for v in rest_nodes])
        solution = mpmath.qr_solve(matrix, values)[0]
        value = solution[0]
        if power == 0:
            hi, lo = double_double(value)
            coefficients[power] = mpf(hi) + mpf(lo)
        elif power == 1:
            hi, lo = split_27(value)
            coefficients[power] = mpf(hi) + mpf(lo)
        else:
            coefficients[power] = mpf(to_double(value))
    return coefficients


def worst_relative_error(c, h, coefficients):
    """Sampled on a fine grid (the error curve has only degree + 2 extremes)
    over a hair more than |v| <= h: the offset carries a rounded tail."""
    worst = mpf(0)
    h = h * (1 + mpf(2) ** -20)
    for k in range(1, 801):
        v = -h + 2 * h * k / 801 if c else h * k / 800
        exact = mpmath.asin(c + v)
        approx = sum(a * v ** j for j, a in enumerate(coefficients))
        worst = max(worst, abs(approx - exact) / abs(exact))
    return worst


def largest_higher_share(c, h, coefficients):
    """max |sum over k >= 2 of a_k v^k| / asin(c + v): what the plain-double
    part of the evaluation contributes, so its rounding errors scale with it."""
    worst = mpf(0)
    for k in range(1, 201):
        v = -h + 2 * h * k / 201 if c else h * k / 200
        higher = sum(a * v ** j for j, a in enumerate(coefficients) if j >= 2)
        worst = max(worst, abs(higher) / mpmath.asin(c + v))
    return worst


def hex_list(values, per_line):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append("    " + ", ".join(values[i:i + per_line]) + ",")
    return "\n".join(lines)


def main():
    pi = mpmath.pi
    step = pi / SINE_STEPS
    rows = []
    for j in range(SINE_STEPS // 2 + 1):
        hi, lo = double_double(mpmath.sin(j * step))
        rows.append("    {%s, %s, %s}," % (hi.hex(), lo.hex(), high_half(hi).hex()))
    c1, c2, c3, c4 = cody_waite(step, 3)

    h = mpf(1) / (4 * ASIN_INTERVALS)
    asin_rows = []
    worst = mpf(0)
    share = mpf(0)
    for i in range(ASIN_INTERVALS + 1):
        c = mpf(i) / (2 * ASIN_INTERVALS)
        a = asin_polynomial(c, h, ASIN_DEGREE)
        worst = max(worst, worst_relative_error(c, h, a))
        share = max(share, largest_higher_share(c, h * (1 + mpf(2) ** -20), a))
        a0 = double_double(a[0])
        a1 = split_27(a[1])
        stored_a0 = mpf(a0[0]) + mpf(a0[1])
        minus = double_double(stored_a0 - pi / 2)
        plus = double_double(pi / 2 + stored_a0)
        values = [*a0, *minus, *plus, *a1] + [to_double(x) for x in a[2:]]
        asin_rows.append("    {" + ", ".join(v.hex() for v in values) + "},")
    print("largest relative error of the arc sine polynomials: 2^%.1f" % float(mpmath.log(worst, 2)))
    print("largest share of the terms from v^2 up: 2^%.1f" % float(mpmath.log(share, 2)))

    half_pi = pi / 2
    words = []
    rest = half_pi
    for _ in range(WIDE_LIMBS + 1):
        whole = int(mpmath.floor(rest))
        words.append("0x%08xu" % whole)
        rest = (rest - whole) * 2 ** 32

    text = """// Generated by make_trig_tables.py: do not edit.
#include "geometry/TrigonometryTables.h"

namespace kerfmax::trig {

const double kStepsPerRadian = %s;
const double kStepParts[4] = {%s, %s, %s, %s};
const double kHalfPi[2] = {%s, %s};
const double kPi[2] = {%s, %s};

const SineRow kSineTable[kSineRows] = {
%s
};

const ArcSineRow kArcSineTable[kArcSineRows] = {
%s
};

const std::uint32_t kHalfPiWords[kHalfPiWordCount] = {
%s
};

}  // namespace kerfmax::trig
""" % (to_double(SINE_STEPS / pi).hex(), c1.hex(), c2.hex(), c3.hex(), c4.hex(),
       *(v.hex() for v in double_double(half_pi)), *(v.hex() for v in double_double(pi)),
       "\n".join(rows), "\n".join(asin_rows), hex_list(words, 6))
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "TrigonometryTables.cpp")
    with open(target, "w") as out:
        out.write(text)


if __name__ == "__main__":
    main()
