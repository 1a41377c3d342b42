#pragma once
// Constants and tables of the fast sine, cosine and arc cosine, written by
// make_trig_tables.py (which says how each value was computed).
#include <cstdint>

namespace kerfmax::trig {

// sin(j * pi / kSineSteps) for j = 0 .. kSineSteps / 2, as a double-double,
// with the upper 26 bits of hi for exact products.
struct SineRow {
    double hi, lo, hiHigh;
};
constexpr int kSineSteps = 512;
constexpr int kSineRows = kSineSteps / 2 + 1;

// asin(c + v) = sum a_k v^k for |v| <= 1 / (4 * kArcSineIntervals) around
// c = i / (2 * kArcSineIntervals); a1 as a1High (27 significant bits, so
// that its product with a 26-bit offset is exact) plus a1Low.
constexpr int kArcSineIntervals = 1024;
constexpr int kArcSineRows = kArcSineIntervals + 1;
constexpr int kArcSineDegree = 5;
struct ArcSineRow {
    double bases[3][2];  // a0, a0 - pi/2 and pi/2 + a0 as double-doubles: the arc cosine starts from one
    double a1High, a1Low;
    double a[kArcSineDegree - 1];  // a2 .. a5
};

extern const double kStepsPerRadian;  // kSineSteps / pi
extern const double kStepParts[4];  // pi / kSineSteps: three 25-bit parts and the rest
extern const double kHalfPi[2];
extern const double kPi[2];
extern const SineRow kSineTable[kSineRows];
extern const ArcSineRow kArcSineTable[kArcSineRows];

// pi / 2 in 32-bit words: the whole part, then the fraction from the top.
constexpr int kHalfPiWordCount = 11;
extern const std::uint32_t kHalfPiWords[kHalfPiWordCount];

}  // namespace kerfmax::trig
