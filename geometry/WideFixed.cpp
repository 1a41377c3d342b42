#include "geometry/WideFixed.h"

#include <cmath>

namespace kerfmax {

WideFixed WideFixed::FromWords(const std::uint32_t* mostSignificantFirst, int count)
{
    WideFixed v;
    for (int i = 0; i < count && i < kWords; ++i) v.m_words[kWords - 1 - i] = mostSignificantFirst[i];
    return v;
}

WideFixed WideFixed::FromDouble(double v)
{
    WideFixed result;
    if (!(v > 0.0)) return result;
    int exponent = 0;
    const double fraction = std::frexp(v, &exponent);  // v = fraction * 2^exponent
    std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    int shift = exponent - 53 + 32 * kFractionWords;  // position of the mantissa's lowest bit
    if (shift < 0) {
        if (shift <= -64) return result;
        mantissa >>= -shift;
        shift = 0;
    }
    const int word = shift / 32;
    const int bit = shift % 32;
    const std::uint64_t low = mantissa << bit;
    const std::uint64_t high = bit ? mantissa >> (64 - bit) : 0;
    const std::uint32_t parts[3] = {static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(low >> 32),
                                    static_cast<std::uint32_t>(high)};
    for (int i = 0; i < 3 && word + i < kWords; ++i) result.m_words[word + i] = parts[i];
    return result;
}

bool WideFixed::IsZero() const
{
    for (std::uint32_t w : m_words)
        if (w) return false;
    return true;
}

bool WideFixed::operator<(const WideFixed& other) const
{
    for (int i = kWords - 1; i >= 0; --i)
        if (m_words[i] != other.m_words[i]) return m_words[i] < other.m_words[i];
    return false;
}

WideFixed WideFixed::operator+(const WideFixed& other) const
{
    WideFixed sum;
    std::uint64_t carry = 0;
    for (int i = 0; i < kWords; ++i) {
        carry += std::uint64_t(m_words[i]) + other.m_words[i];
        sum.m_words[i] = static_cast<std::uint32_t>(carry);
        carry >>= 32;
    }
    return sum;
}

WideFixed WideFixed::operator-(const WideFixed& smaller) const
{
    WideFixed difference;
    std::uint64_t borrow = 0;
    for (int i = 0; i < kWords; ++i) {
        const std::uint64_t take = std::uint64_t(smaller.m_words[i]) + borrow;
        difference.m_words[i] = static_cast<std::uint32_t>(std::uint64_t(m_words[i]) - take);
        borrow = m_words[i] < take ? 1 : 0;
    }
    return difference;
}

WideFixed WideFixed::operator*(const WideFixed& other) const
{
    // Schoolbook product of the full words; the lowest kFractionWords words
    // of the double-length result fall below the last place kept.
    std::uint32_t product[2 * kWords] = {};
    for (int i = 0; i < kWords; ++i) {
        std::uint64_t carry = 0;
        for (int j = 0; j < kWords; ++j) {
            carry += std::uint64_t(m_words[i]) * other.m_words[j] + product[i + j];
            product[i + j] = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        product[i + kWords] = static_cast<std::uint32_t>(carry);
    }
    WideFixed result;
    for (int i = 0; i < kWords; ++i) result.m_words[i] = product[i + kFractionWords];
    return result;
}

WideFixed WideFixed::MultipliedBy(std::uint32_t factor) const
{
    WideFixed result;
    std::uint64_t carry = 0;
    for (int i = 0; i < kWords; ++i) {
        carry += std::uint64_t(m_words[i]) * factor;
        result.m_words[i] = static_cast<std::uint32_t>(carry);
        carry >>= 32;
    }
    return result;
}

WideFixed WideFixed::DividedBy(std::uint32_t divisor) const
{
    WideFixed result;
    std::uint64_t remainder = 0;
    for (int i = kWords - 1; i >= 0; --i) {
        const std::uint64_t current = (remainder << 32) | m_words[i];
        result.m_words[i] = static_cast<std::uint32_t>(current / divisor);
        remainder = current % divisor;
    }
    return result;
}

double WideFixed::ToDouble() const
{
    int top = kWords - 1;
    while (top >= 0 && m_words[top] == 0) --top;
    if (top < 0) return 0.0;
    auto word = [this](int i) -> std::uint64_t { return i >= 0 ? m_words[i] : 0; };
    int lead = 31;
    while (!(m_words[top] >> lead)) --lead;
    const int shift = 31 - lead;
    // The 64 bits from the leading one down, then whatever lies below them.
    std::uint64_t window = (word(top) << 32 | word(top - 1)) << shift;
    if (shift) window |= word(top - 2) >> (32 - shift);
    bool sticky = shift ? (word(top - 2) << (32 + shift)) != 0 : word(top - 2) != 0;
    for (int i = top - 3; i >= 0 && !sticky; --i) sticky = m_words[i] != 0;
    std::uint64_t mantissa = window >> 11;
    const bool half = (window >> 10) & 1;
    sticky = sticky || (window & 0x3ff) != 0;
    if (half && (sticky || (mantissa & 1))) ++mantissa;  // 2^53 after a carry is still exact
    const int leadingWeight = lead + 32 * (top - kFractionWords);
    return std::ldexp(static_cast<double>(mantissa), leadingWeight - 52);
}

SignedWide Difference(const WideFixed& a, const WideFixed& b)
{
    if (a < b) return {b - a, true};
    return {a - b, false};
}

SignedWide Sum(const SignedWide& a, const SignedWide& b)
{
    if (a.negative == b.negative) return {a.magnitude + b.magnitude, a.negative};
    SignedWide d = Difference(a.magnitude, b.magnitude);
    d.negative = d.negative != a.negative;
    return d;
}

double ToDouble(const SignedWide& v)
{
    const double magnitude = v.magnitude.ToDouble();
    return v.negative ? -magnitude : magnitude;
}

}  // namespace kerfmax
