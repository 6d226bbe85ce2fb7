// Number tokens and fixed-notation text, independent of any file.
#pragma once

#include <cstddef>
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

// The usual tokens in one pass, for reading straight from a buffer: text
// starts with a token, and more than 64 bytes lie before end. When the token
// is a plain decimal, "[+-]digits[.digits]" (unsigned "[+]digits" for
// the word) of at most 19 digits, these set value as parse_real / parse_word
// would and return where the token ends; otherwise nullptr, and the token is
// left to parse_real / parse_word.
const char* parse_plain_real(const char* text, const char* end, double& value);
const char* parse_plain_word(const char* text, const char* end, std::uint16_t& value);

// Writes x in fixed notation with exactly d decimals (d >= 0), right-aligned
// with blanks in at least w characters, to out when that takes at most cap
// characters; returns the length either way, so a longer text (a huge value,
// many decimals) can be written into a larger buffer.
std::size_t format_fixed(char* out, std::size_t cap, double x, int d, int w);
// The value that the text of x with d decimals reads back as: x rounded to
// d decimals by the writing rule, as the nearest double.
double fixed_value(double x, int d);
// Appends x in fixed notation with exactly d decimals (d >= 0) to out.
void append_fixed(std::string& out, double x, int d);

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
