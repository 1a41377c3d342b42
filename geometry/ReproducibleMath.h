#pragma once
// sin, cos and acos that give the same bits on every system and compiler.
// The C libraries differ in the last bit (MinGW's acos for about one argument
// in thirteen, glibc's and MinGW's sin and cos for about one in a thousand),
// and a corner arc's last point depends on those bits: the same job would cut
// differently on Windows and Linux. These use only IEEE additions,
// multiplications, divisions and square roots (built without fused
// multiply-add), so every build computes them alike.

namespace kerfmax {

// Within one unit in the last place (correctly rounded for all but a few in
// a hundred arguments, and at the quarter turns); exact at 0. NaN for
// infinite or NaN arguments. Meant for the angles of a job (|x| below 2^20).
double ReproducibleSin(double x);
double ReproducibleCos(double x);

// Correctly rounded (computed in double-double and rounded once), as glibc's
// acos is on all but rare arguments. NaN outside [-1, 1].
double ReproducibleAcos(double x);

}  // namespace kerfmax
