#pragma once
// The placement transform: a 2x3 matrix with a double linear part and an
// integer translation, and the two ways it is applied (points and boxes).
#include <cstdint>

#include "geometry/PathTypes.h"

namespace kerfmax {

// x' = truncate(a*x + c*y) + tx, y' = truncate(b*x + d*y) + ty. The translation
// is held in 64 bits so that moving a box that starts at -2^31 to the origin can
// be said; the sums wrap to 32 bits as below.
struct Transform {
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    std::int64_t tx = 0;
    std::int64_t ty = 0;
};

// The rotation angles of the Rotate menu. These truncated constants are the ones
// the cutter output has always been made with; exact multiples of pi would move
// turned points by one unit.
inline constexpr double kQuarterTurn = 1.5707963;
inline constexpr double kHalfTurn = 3.1415926;
inline constexpr double kThreeQuarterTurn = 4.7123889;

// Truncates toward zero. Values outside the 32-bit range (only hostile coordinates
// get there) saturate instead of being undefined; NaN gives 0.
std::int32_t TruncateToInt32(double value);

// 32-bit sum that wraps like the plotter's two's-complement arithmetic instead of
// overflowing (only hostile coordinates get near the limits).
inline std::int32_t WrappingAdd(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t WrappingNegate(std::int32_t a)
{
    return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(a));
}
// The low 32 bits of a 64-bit sum, as the wrapping sum above gives them.
inline std::int32_t WrapToInt32(std::int64_t a)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(a)));
}
inline bool FitsInt32(std::int64_t value)
{
    return value >= INT32_MIN && value <= INT32_MAX;
}
// Whether truncating value toward zero gives a signed 32-bit number.
inline bool TruncatesIntoInt32(double value)
{
    return value > -2147483649.0 && value < 2147483648.0;
}

Transform RotationTransform(double theta);
Transform MirrorTransform();

// The mapping functions return false when a result left the signed 32-bit range
// on the way (it is then clamped or wrapped as described above and not to be cut).
bool MapPoint(const Transform& m, std::int32_t& x, std::int32_t& y);
// Maps every pen-up and pen-down node in place; placeholders keep (0, 0).
bool ApplyTransform(PointList& points, const Transform& m);
// Maps the corners (xMin, yMax) and (xMax, yMin), then puts min and max in order.
bool TransformBox(BoundBox& box, const Transform& m);

}  // namespace kerfmax
