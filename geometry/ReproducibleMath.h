#pragma once
// sin, cos and acos that give the same bits on every system and compiler.
// The C libraries differ in the last bit (MinGW's acos for about one argument
// in thirteen, glibc's and MinGW's sin and cos for about one in a thousand),
// and a corner arc's last point depends on those bits: the same job would cut
// differently on Windows and Linux. These are correctly rounded (to nearest,
// ties to even), the one result every correct library agrees with, and use
// only IEEE additions, multiplications, divisions, square roots and integer
// arithmetic (built without fused multiply-add), so every build computes them
// alike.
#include <cstdint>

namespace kerfmax {

// Correctly rounded for |x| < 2^20 (the angles of a job); the C library's
// value beyond. NaN for infinite or NaN arguments.
double ReproducibleSin(double x);
double ReproducibleCos(double x);

// Both of one angle, as the two functions give them, for about the price of one.
struct SineAndCosine {
    double sine, cosine;
};
SineAndCosine ReproducibleSinCos(double x);

// Correctly rounded on [-1, 1]; NaN outside it.
double ReproducibleAcos(double x);

// How many times so far the slow, wide path ran: for a call that could not
// decide the rounding from the fast evaluation (about one in ten thousand),
// unless its thread had asked the same a moment before.
struct ReproducibleMathSlowCalls {
    std::uint64_t sin = 0, cos = 0, acos = 0;
};
ReproducibleMathSlowCalls ReproducibleMathSlowCallCounts();

}  // namespace kerfmax
