#include "core/arithmetic16.h"

#include <cmath>

namespace core {

const char* ArithmeticError::what() const noexcept {
    return kind_ == Kind::Overflow ? "Overflow" : "Division by zero";
}

int16_t Round16(double v) {
    if (!std::isfinite(v)) throw ArithmeticError(ArithmeticError::Kind::Overflow);
    // Explicit ties-to-even: independent of the floating-point environment's rounding mode.
    double whole = std::floor(v);
    const double fraction = v - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole < -32768.0 || whole > 32767.0)
        throw ArithmeticError(ArithmeticError::Kind::Overflow);
    return static_cast<int16_t>(whole);
}

namespace {
int16_t Checked(int32_t v) {
    if (v < INT16_MIN || v > INT16_MAX) throw ArithmeticError(ArithmeticError::Kind::Overflow);
    return static_cast<int16_t>(v);
}
}  // namespace

int16_t Add16(int16_t a, int16_t b) { return Checked(int32_t{a} + int32_t{b}); }
int16_t Sub16(int16_t a, int16_t b) { return Checked(int32_t{a} - int32_t{b}); }

int16_t ScreenPixels(double twips, double twipsPerPixel) {
    if (twipsPerPixel == 0.0) throw ArithmeticError(ArithmeticError::Kind::DivisionByZero);
    return Round16(twips / twipsPerPixel);
}

}  // namespace core
