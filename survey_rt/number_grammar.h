// How numbers are read: the tokens that read_real and read_word take, and the
// values they give. Independent of any file.
#pragma once

#include <cstdint>
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

}  // namespace survey_rt
