// Cost per call of our sin, cos (alone and both of one angle) and acos beside the C library's, over the
// arguments the program passes (arc angles and law-of-cosines values) and
// over the whole range the functions are meant for.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "geometry/ReproducibleMath.h"

namespace {

using namespace kerfmax;

constexpr std::size_t kArguments = 4096;  // fits the first-level cache with the tables

std::vector<double> Arguments(double low, double high)
{
    std::vector<double> values(kArguments);
    std::uint64_t state = 0x9e3779b97f4a7c15u;
    for (double& v : values) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        v = low + (high - low) * double(state >> 11) * 0x1p-53;
    }
    return values;
}

void Calls(benchmark::State& state, double (*function)(double), double low, double high)
{
    const std::vector<double> values = Arguments(low, high);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(function(values[i]));
        i = (i + 1) % kArguments;
    }
    state.SetItemsProcessed(state.iterations());
}

// Both values of an angle, as the corner arcs take them; the sum keeps both alive.
double ReproducibleBoth(double x)
{
    const SineAndCosine both = ReproducibleSinCos(x);
    return both.sine + both.cosine;
}
double LibraryBoth(double x)
{
    return std::sin(x) + std::cos(x);
}

double LibrarySin(double x)
{
    return std::sin(x);
}
double LibraryCos(double x)
{
    return std::cos(x);
}
double LibraryAcos(double x)
{
    return std::acos(x);
}

BENCHMARK_CAPTURE(Calls, ReproducibleSin_arc_angles, ReproducibleSin, 0.0, 2.1);
BENCHMARK_CAPTURE(Calls, LibrarySin_arc_angles, LibrarySin, 0.0, 2.1);
BENCHMARK_CAPTURE(Calls, ReproducibleCos_arc_angles, ReproducibleCos, 0.0, 2.1);
BENCHMARK_CAPTURE(Calls, LibraryCos_arc_angles, LibraryCos, 0.0, 2.1);
BENCHMARK_CAPTURE(Calls, ReproducibleSinCos_arc_angles, ReproducibleBoth, 0.0, 2.1);
BENCHMARK_CAPTURE(Calls, LibrarySinAndCos_arc_angles, LibraryBoth, 0.0, 2.1);
BENCHMARK_CAPTURE(Calls, ReproducibleSin_up_to_2p20, ReproducibleSin, -0x1p20, 0x1p20);
BENCHMARK_CAPTURE(Calls, LibrarySin_up_to_2p20, LibrarySin, -0x1p20, 0x1p20);
BENCHMARK_CAPTURE(Calls, ReproducibleCos_up_to_2p20, ReproducibleCos, -0x1p20, 0x1p20);
BENCHMARK_CAPTURE(Calls, LibraryCos_up_to_2p20, LibraryCos, -0x1p20, 0x1p20);
BENCHMARK_CAPTURE(Calls, ReproducibleAcos_middle, ReproducibleAcos, -0.5, 0.5);
BENCHMARK_CAPTURE(Calls, LibraryAcos_middle, LibraryAcos, -0.5, 0.5);
BENCHMARK_CAPTURE(Calls, ReproducibleAcos_near_1, ReproducibleAcos, 0.5, 1.0);
BENCHMARK_CAPTURE(Calls, LibraryAcos_near_1, LibraryAcos, 0.5, 1.0);
BENCHMARK_CAPTURE(Calls, ReproducibleAcos_minus_1_to_1, ReproducibleAcos, -1.0, 1.0);
BENCHMARK_CAPTURE(Calls, LibraryAcos_minus_1_to_1, LibraryAcos, -1.0, 1.0);

}  // namespace

BENCHMARK_MAIN();
