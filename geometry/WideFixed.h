#pragma once
// A non-negative number below 2^32 with 288 bits after the binary point, in
// 32-bit words: plain integer arithmetic, so every compiler computes it alike.
// The slow, exact-enough path of the trigonometry uses it when a fast result
// lies too close to a rounding boundary.
#include <cstdint>

namespace kerfmax {

class WideFixed {
public:
    static constexpr int kFractionWords = 9;
    static constexpr int kWords = kFractionWords + 1;

    WideFixed() = default;
    static WideFixed FromWords(const std::uint32_t* mostSignificantFirst, int count);
    // Exact when v is a multiple of 2^-288; otherwise truncated. 0 <= v < 2^32.
    static WideFixed FromDouble(double v);

    bool IsZero() const;
    bool operator<(const WideFixed& other) const;
    WideFixed operator+(const WideFixed& other) const;
    WideFixed operator-(const WideFixed& smaller) const;
    WideFixed operator*(const WideFixed& other) const;  // truncated
    WideFixed MultipliedBy(std::uint32_t factor) const;
    WideFixed DividedBy(std::uint32_t divisor) const;  // truncated

    // Rounded to nearest, ties to even (from the bits held).
    double ToDouble() const;

private:
    std::uint32_t m_words[kWords] = {};  // least significant first; the last is the whole part
};

// A signed value: the Newton steps of the arc cosine need differences.
struct SignedWide {
    WideFixed magnitude;
    bool negative = false;
};

SignedWide Difference(const WideFixed& a, const WideFixed& b);  // a - b
SignedWide Sum(const SignedWide& a, const SignedWide& b);
double ToDouble(const SignedWide& v);

}  // namespace kerfmax
