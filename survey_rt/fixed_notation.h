// How numbers are written: fixed notation with exactly d decimals, rounded
// from the exact value of the double (its 17 significant digits, then half up
// at the d-th decimal, a dropped 4 followed by 9s through the 15th digit and
// an 8 or 9 counting as 5), "Nan", "+Inf" and "-Inf", a "-" on every negative
// value (-0.00 included), right-aligned with blanks and never cut.
// write_fixed (text_file.h) writes it to a file. Independent of any file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace survey_rt {

// Writes x in fixed notation with exactly d decimals (d >= 0), right-aligned
// with blanks in at least w characters, to out when that takes at most cap
// characters; returns the length either way, so a longer text (a huge value,
// many decimals) can be written into a larger buffer.
std::size_t format_fixed(char* out, std::size_t cap, double x, int d, int w);
// The text of x with d decimals (a negative d counts as 0), without blanks.
std::string fixed_text(double x, int d);
// Appends x in fixed notation with exactly d decimals (d >= 0) to out.
void append_fixed(std::string& out, double x, int d);

// The same text, made once to be written to several files with write_str:
// the usual ones in place, a longer one (a huge value, many decimals) in
// long_text.
struct FixedText {
  char text[64];
  std::size_t size = 0;
  std::string long_text;
  operator std::string_view() const {
    return size <= sizeof text ? std::string_view(text, size) : std::string_view(long_text);
  }
};
FixedText fixed_number(double x, int d);

// The value that the text of x with d decimals reads back as: x rounded to
// d decimals by the writing rule, as the nearest double.
double fixed_value(double x, int d);

// The 17 significant digits of a > 0, its exact value rounded to nearest with
// ties to even; returns the decimal exponent of the first digit. The _exact
// form always takes the standard library's conversion, the other a faster
// integer computation where it can (and must give the same digits).
long significant_digits(double a, char s[17]);
long significant_digits_exact(double a, char s[17]);

// The same 17 digits as one integer from 10^16 to 10^17 - 1; e is set to the
// decimal exponent of the first digit.
std::uint64_t significant_value(double a, long& e);

}  // namespace survey_rt
