#pragma once
#include <string>

namespace kelvane {

// Fixed-point text as the controller's tool prints numbers: rounded to `precision`
// significant digits and printed with exactly `decimals` digits after the point; a value
// with more than `precision` digits before the point is printed in exponent form
// ("1.2346E5"). The decimal point is the given character.
std::string formatFixed(double value, int precision, int decimals, char decimalPoint = '.');

} // namespace kelvane
