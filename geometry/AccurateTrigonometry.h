#pragma once
// sin, cos and acos to about 250 bits, rounded once to the nearest double:
// slow (microseconds), for the rare arguments where the fast evaluation
// cannot tell which way its result rounds.

namespace kerfmax {

// For 2^-26 <= |x| < 2^20.
double AccurateSin(double x);
double AccurateCos(double x);

// For -1 < x < 1; guess + guessTail is acos(x) within 2^-60 of it.
double AccurateAcos(double x, double guess, double guessTail);

}  // namespace kerfmax
