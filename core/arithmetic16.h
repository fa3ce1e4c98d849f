#pragma once
// 16-bit signed arithmetic with the rules of the classic form-designer language: conversions to
// integer round half to even, and every result outside -32768..32767 is an error, never a wrap.

#include <cstdint>
#include <exception>

namespace core {

// An arithmetic error raised by the 16-bit operations; the run that meets one stops there.
class ArithmeticError : public std::exception {
public:
    enum class Kind { Overflow, DivisionByZero };
    explicit ArithmeticError(Kind kind) noexcept : kind_(kind) {}
    Kind kind() const noexcept { return kind_; }
    const char* what() const noexcept override;

private:
    Kind kind_;
};

// v rounded to the nearest integer, halves to even; throws Overflow when the rounded value is
// outside the 16-bit range or v is not a finite number.
int16_t Round16(double v);

// a + b and a - b as 16-bit operations; throw Overflow instead of wrapping.
int16_t Add16(int16_t a, int16_t b);
int16_t Sub16(int16_t a, int16_t b);

// A screen extent in pixels from its size in twips and the twips per pixel on that axis:
// round(twips / twipsPerPixel). Throws DivisionByZero for 0 twips per pixel, Overflow when
// the screen is wider or higher than 32767 pixels.
int16_t ScreenPixels(double twips, double twipsPerPixel);

}  // namespace core
