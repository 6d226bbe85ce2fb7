// Number tokens and fixed-notation text, independent of any file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace survey_rt {

// A real token: an optional sign, digits, optionally "." and digits, optionally
// an exponent; or "Inf" / "Nan" in any letter case with an optional sign.
// Gives the nearest double; false when the token is not such a number.
bool parse_real(std::string_view token, double& value);
// An unsigned integer token: an optional "+", then decimal digits, or hex
// digits after "$", "x" or "0x", binary after "%", octal after "&". Gives the
// value modulo 65536; false for anything else or a value beyond 64 bits.
bool parse_word(std::string_view token, std::uint16_t& value);

// Appends x in fixed notation with exactly d decimals (d >= 0) to out.
void append_fixed(std::string& out, double x, int d);

// The 17 significant digits of a > 0, its exact value rounded to nearest with
// ties to even; returns the decimal exponent of the first digit. The _exact
// form always takes the standard library's conversion, the other a faster
// integer computation where it can (and must give the same digits).
long significant_digits(double a, char s[17]);
long significant_digits_exact(double a, char s[17]);

}  // namespace survey_rt
