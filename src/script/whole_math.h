#pragma once

#include <cstdint>

// Whole-number division as the interpreter's fast paths do it.
namespace balvix::script {

// Division of 32-bit whole numbers in 32 bits (a 64-bit divide costs several times
// more); only INT32_MIN / -1 leaves the range, and -1 divides everything exactly.
inline std::int64_t wholeMod(std::int32_t p, std::int32_t q) {
  return q == -1 ? 0 : p % q;
}
inline std::int64_t wholeDiv(std::int32_t p, std::int32_t q) {
  return q == -1 ? -static_cast<std::int64_t>(p) : p / q;
}

// Division by a constant as multiplications (Lemire, Kaser and Kurz, "Faster remainder
// by direct computation"), exact for every 32-bit dividend and divisor; a divide
// instruction costs several times more. The sign rules are those of C++ (and the
// language): the quotient truncates toward zero, the remainder takes the dividend's sign.
struct ConstDivisor {
  std::uint32_t d = 1;  // |k|
  std::uint64_t m = 0;  // ceil(2^64 / d); 0 for d = 1
  bool negative = false;
  static ConstDivisor of(std::int32_t k) {
    ConstDivisor c;
    c.negative = k < 0;
    c.d = c.negative ? 0u - static_cast<std::uint32_t>(k) : static_cast<std::uint32_t>(k);
    c.m = c.d == 0 ? 0 : UINT64_MAX / c.d + 1;
    return c;
  }
  // k must not be 0.
  std::int64_t mod(std::int32_t p) const {
    const std::uint32_t a =
        p < 0 ? 0u - static_cast<std::uint32_t>(p) : static_cast<std::uint32_t>(p);
    const std::uint64_t low = m * a;
    const auto r = static_cast<std::int64_t>((static_cast<unsigned __int128>(low) * d) >> 64);
    return p < 0 ? -r : r;
  }
  std::int64_t div(std::int32_t p) const {
    const std::uint32_t a =
        p < 0 ? 0u - static_cast<std::uint32_t>(p) : static_cast<std::uint32_t>(p);
    const auto q = d == 1
                       ? std::int64_t{a}
                       : static_cast<std::int64_t>((static_cast<unsigned __int128>(m) * a) >> 64);
    return (p < 0) != negative ? -q : q;
  }
};

}  // namespace balvix::script
