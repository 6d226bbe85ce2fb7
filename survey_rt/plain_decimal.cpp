#include "plain_decimal.h"

#include <cstdint>

#include "number_grammar.h"
#include "powers_of_ten.h"

namespace survey_rt {

bool parse_plain_decimal(std::string_view token, double& value, int& decimals) {
  const char* p = token.data();
  const char* const end = p + token.size();
  const bool minus = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  // The digits on both sides of the point, gathered into one whole number.
  std::uint64_t digits = 0;
  const char* const whole = p;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) digits = digits * 10 + static_cast<unsigned>(*p - '0');
  if (p == whole) return false;
  decimals = 0;
  if (p < end && *p == '.') {
    const char* const first = ++p;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) digits = digits * 10 + static_cast<unsigned>(*p - '0');
    decimals = static_cast<int>(p - first);
    if (decimals == 0) return false;
  }
  if (p != end) return false;
  // parse_real's quick conversion: a whole number of at most 2^53 and a
  // power of ten that a double holds exactly give the nearest double in one
  // correctly rounded quotient. Other numbers go to parse_real itself.
  if (p - whole - (decimals > 0) > 19 || digits > (std::uint64_t{1} << 53)) return parse_real(token, value);
  value = static_cast<double>(digits) / detail::kExactPow10[decimals];
  if (minus) value = -value;
  return true;
}

}  // namespace survey_rt
