// Answer text: the one way a double becomes text on the calculator (answer
// display, live result, memory recall and slot captions).
//
// Forms: a fraction with numerator and denominator below 100, fixed decimals,
// or exponent form, mantissa then U+0080 then the exponent in decimal. U+0080
// is the character the keypad inserts for the exponent key, so every answer
// text can be typed back into an expression unchanged.
//
// Every routine appends to the caller's string. NaN and the infinities come
// out as "NaN" from every entry point. The fraction search keeps one
// process-wide step counter, so searches must not run concurrently (the
// program is single-threaded).
#pragma once

#include <cstdint>

#include "text/wstring.h"

namespace abacine {

// How FormatDecimal chooses between fixed and exponent form. Any value other
// than the first four behaves as Fixed.
enum FormatMode : int32_t {
  Auto = 0,         // fixed inside [1e-9, 1e9], exponent form outside; also
                    // exponent form below 10^-precision
  Scientific = 1,   // mantissa magnitude in [1, 10)
  Engineering = 2,  // exponent a multiple of 3, mantissa magnitude in [1, 1000)
  AutoRange = 3,    // Auto without the small-value rule
  Fixed = 4,        // always fixed form
};

// The entry point of every caller: tries a fraction first when fractions is
// set and 1e-8 < |value| < 1e7, then falls back to FormatDecimal with
// keepZeros off. precision is the largest number of digits after the point.
void FormatValue(WString& out, double value, int32_t precision, int32_t mode, bool fractions);

// Appends "NaN" and returns false for NaN and the infinities; "0" for zero in
// every mode; otherwise the form that mode picks, and returns true.
bool FormatDecimal(WString& out, double value, int32_t precision, bool keepZeros, int32_t mode);

// Fixed form. The integer digits (sign included) and the decimals together
// take at most 11 characters unless the integer part alone is longer.
// Precision 0 truncates toward zero; below 0 or above 14 counts as 14.
// Trailing zeros go unless keepZeros is set, and always for whole numbers.
// An integer part beyond the 32-bit range (only Fixed mode reaches one) is
// written exactly, all its digits, rather than saturated.
void FormatFixed(WString& out, double value, int32_t precision, bool keepZeros);

// Exponent form with the mantissa in [1, 10) or, for Engineering, in [1, 1000)
// with the exponent a multiple of 3. The mantissa is rounded after it is
// normalised, so one just below 10 can print as 10 (9.99999999999e12 at
// precision 10 gives "10", U+0080, "12").
void FormatScientific(WString& out, double value, int32_t precision, bool keepZeros);
void FormatEngineering(WString& out, double value, int32_t precision, bool keepZeros);

// Continued-fraction search for numerator/denominator close to value. Returns
// false when the search needs more than 1000 steps, when a numerator or
// denominator leaves the signed 32-bit range, when the denominator comes out
// 0, or when value is not finite or its integer part does not fit in 32 bits.
bool FindFraction(double value, int32_t& numerator, int32_t& denominator);

// One level of the search: returns the integer part of x (truncated toward
// zero, saturating) and sets p/q to approximate its fractional part, widening
// tolerance by the factor (integer part + 1) at each level. Each call starts
// a fresh step count. After a failed search p = 0 and q = 1; FindFraction
// tells failure apart.
int32_t ExpandFraction(double x, int32_t& p, int32_t& q, double tolerance);

}  // namespace abacine
