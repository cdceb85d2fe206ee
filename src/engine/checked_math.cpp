#include "engine/checked_math.h"

#include <cmath>
#include <limits>
#include <sstream>

namespace scrivlet {
namespace {

template <typename Int>
[[noreturn]] void ThrowOverflow(const char* operation, Int a, Int b) {
  std::ostringstream text;
  text << "overflow: " << static_cast<long long>(a) << ' ' << operation << ' '
       << static_cast<long long>(b) << " does not fit in "
       << std::numeric_limits<Int>::digits + 1 << " bits";
  throw OverflowError(text.str());
}

template <typename Int>
Int Add(Int a, Int b) {
  Int result{};
  if (__builtin_add_overflow(a, b, &result)) ThrowOverflow("+", a, b);
  return result;
}

template <typename Int>
Int Sub(Int a, Int b) {
  Int result{};
  if (__builtin_sub_overflow(a, b, &result)) ThrowOverflow("-", a, b);
  return result;
}

template <typename Int>
Int Mul(Int a, Int b) {
  Int result{};
  if (__builtin_mul_overflow(a, b, &result)) ThrowOverflow("*", a, b);
  return result;
}

// Nearest whole number, halves to the even neighbour, independent of the
// floating-point environment's rounding mode.
double RoundHalfEven(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;
  if (fraction < 0.5) return lower;
  if (fraction > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

template <typename Int>
Int Round(double value) {
  if (!std::isfinite(value)) {
    std::ostringstream text;
    text << "cannot convert " << value << " to a whole number";
    throw FloatingPointError(text.str());
  }
  const double rounded = RoundHalfEven(value);
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    std::ostringstream text;
    text.precision(17);
    text << "overflow: " << value << " does not fit in "
         << std::numeric_limits<Int>::digits + 1 << " bits";
    throw OverflowError(text.str());
  }
  return static_cast<Int>(rounded);
}

}  // namespace

std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b) { return Add(a, b); }
std::int16_t CheckedSub16(std::int16_t a, std::int16_t b) { return Sub(a, b); }
std::int16_t CheckedMul16(std::int16_t a, std::int16_t b) { return Mul(a, b); }
std::int32_t CheckedAdd32(std::int32_t a, std::int32_t b) { return Add(a, b); }
std::int32_t CheckedSub32(std::int32_t a, std::int32_t b) { return Sub(a, b); }
std::int32_t CheckedMul32(std::int32_t a, std::int32_t b) { return Mul(a, b); }

std::int16_t RoundToInt16(double value) { return Round<std::int16_t>(value); }
std::int32_t RoundToInt32(double value) { return Round<std::int32_t>(value); }

double CheckedDivide(double a, double b) {
  if (b == 0.0) {
    std::ostringstream text;
    text << "division by zero: " << a << " / 0";
    throw FloatingPointError(text.str());
  }
  return a / b;
}

}  // namespace scrivlet
