// A plain decimal in a field of text, as instruments write their readings
// (the fields of an NMEA sentence): "[+-]digits[.digits]" and nothing else,
// with the number of its decimals, the precision the text carries.
#pragma once

#include <string_view>

namespace survey_rt {

// True when token is such a decimal: value is then the nearest double, as
// parse_real and read_real give it, and decimals the digits after the point
// (0 without one).
bool parse_plain_decimal(std::string_view token, double& value, int& decimals);

}  // namespace survey_rt
