#include "script/whole_math.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using balvix::script::ConstDivisor;
using balvix::script::wholeDiv;
using balvix::script::wholeMod;

namespace {

// Dividends and divisors around every edge: zero, one, the signs, powers of two and the
// ends of the 32-bit range.
std::vector<std::int32_t> edgeNumbers() {
  std::vector<std::int32_t> out;
  for (std::int64_t v : {0LL,     1LL,          2LL,         3LL,     5LL,       6LL,
                         7LL,     9LL,          10LL,        11LL,    99LL,      100LL,
                         1000LL,  12345LL,      65535LL,     65536LL, 1LL << 30, (1LL << 31) - 1,
                         46341LL, 2147483646LL, 1000000007LL}) {
    out.push_back(static_cast<std::int32_t>(v));
    out.push_back(static_cast<std::int32_t>(-v));
  }
  out.push_back(INT32_MIN);
  out.push_back(INT32_MIN + 1);
  for (std::int32_t p = 1; p < 31; ++p) {
    out.push_back(std::int32_t(1) << p);
    out.push_back((std::int32_t(1) << p) - 1);
    out.push_back(-(std::int32_t(1) << p) + 1);
  }
  return out;
}

TEST(WholeMath, ConstantDivisorMatchesDivision) {
  const std::vector<std::int32_t> numbers = edgeNumbers();
  for (std::int32_t k : numbers) {
    if (k == 0) continue;
    const ConstDivisor c = ConstDivisor::of(k);
    for (std::int32_t p : numbers) {
      const std::int64_t quotient = std::int64_t{p} / k;
      ASSERT_EQ(c.mod(p), std::int64_t{p} % k) << p << " Mod " << k;
      ASSERT_EQ(c.div(p), quotient) << p << " \\ " << k;
      ASSERT_EQ(wholeMod(p, k), std::int64_t{p} % k) << p << " Mod " << k;
      ASSERT_EQ(wholeDiv(p, k), quotient) << p << " \\ " << k;
    }
  }
}

TEST(WholeMath, ConstantDivisorOverARangeOfSmallDivisors) {
  for (std::int32_t k = -300; k <= 300; ++k) {
    if (k == 0) continue;
    const ConstDivisor c = ConstDivisor::of(k);
    for (std::int32_t p = -5000; p <= 5000; p += 7) {
      ASSERT_EQ(c.mod(p), p % k) << p << " Mod " << k;
      ASSERT_EQ(c.div(p), p / k) << p << " \\ " << k;
    }
  }
}

}  // namespace
