// Powers of ten for reading and writing numbers (number_grammar.cpp,
// fixed_notation.cpp). Internal to the runtime.
#pragma once

#include <cstdint>

namespace survey_rt::detail {

// The powers of ten that fit in 64 bits.
inline constexpr std::uint64_t kPow10[] = {
    1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL, 10000000ULL, 100000000ULL,
    1000000000ULL, 10000000000ULL, 100000000000ULL, 1000000000000ULL, 10000000000000ULL,
    100000000000000ULL, 1000000000000000ULL, 10000000000000000ULL, 100000000000000000ULL,
    1000000000000000000ULL, 10000000000000000000ULL};

// Exact powers of ten as doubles (10^22 is the last one a double holds).
inline constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace survey_rt::detail
