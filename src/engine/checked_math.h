#pragma once

// Integer arithmetic of the drawing engine, checked at the width of its
// operands, and the one float-to-integer conversion (nearest, halves to even).
// An overflow ends a drawing with OverflowError instead of wrapping around and
// sending clicks to the wrong place.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace scrivlet {

// Base of every error that ends a drawing early.
class DrawError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A checked 16- or 32-bit operation left its range.
class OverflowError : public DrawError {
 public:
  using DrawError::DrawError;
};

// A division by zero or a non-finite intermediate value.
class FloatingPointError : public DrawError {
 public:
  using DrawError::DrawError;
};

std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b);
std::int16_t CheckedSub16(std::int16_t a, std::int16_t b);
std::int16_t CheckedMul16(std::int16_t a, std::int16_t b);

std::int32_t CheckedAdd32(std::int32_t a, std::int32_t b);
std::int32_t CheckedSub32(std::int32_t a, std::int32_t b);
std::int32_t CheckedMul32(std::int32_t a, std::int32_t b);

// Nearest integer, halves to even. Out of range: OverflowError;
// NaN or infinity: FloatingPointError.
std::int16_t RoundToInt16(double value);
std::int32_t RoundToInt32(double value);

// a / b in double precision; b == 0 raises FloatingPointError.
double CheckedDivide(double a, double b);

}  // namespace scrivlet
