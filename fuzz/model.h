// An independent model of the text file reading rules, over bytes in memory:
// byte 26 ends the file; numbers are tokens of bytes above 32, at most 255 of
// them, found after any run of bytes of 32 or less; lines end at LF, CR LF or
// a lone CR and read_line keeps at most 255 bytes. The fuzz targets compare
// survey_rt's readers with it operation by operation.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

namespace survey_fuzz {

struct ModelFile {
  std::string_view bytes;
  std::size_t pos = 0;

  // The next byte, or -1 at the end (byte 26 included).
  int next() const {
    if (pos >= bytes.size() || bytes[pos] == 26) return -1;
    return static_cast<unsigned char>(bytes[pos]);
  }
  bool at_end() const { return next() < 0; }

  bool skip_blanks() {
    const std::size_t start = pos;
    while (next() >= 0 && next() <= 32) ++pos;
    return pos > start;
  }

  std::string_view token() {
    const std::size_t start = pos;
    while (pos < bytes.size() && pos - start < 255 &&
           static_cast<unsigned char>(bytes[pos]) > 32)
      ++pos;
    return bytes.substr(start, pos - start);
  }

  // error: 0 or 106.
  double read_real(int& error) {
    error = 0;
    const bool skipped = skip_blanks();
    const std::string_view t = token();
    double v = 0;
    if (t.empty()) {
      if (!skipped) error = 106;
    } else if (!real_value(t, v)) {
      error = 106;
      v = 0;
    }
    return v;
  }

  std::uint16_t read_word(int& error) {
    error = 0;
    skip_blanks();
    const std::string_view t = token();
    std::uint16_t v = 0;
    if (!t.empty() && !word_value(t, v)) {
      error = 106;
      v = 0;
    }
    return v;
  }

  std::string read_line() {
    std::string line;
    while (line.size() < 255 && next() >= 0 && next() != '\r' && next() != '\n')
      line += bytes[pos++];
    return line;
  }

  void skip_line() {
    while (next() >= 0) {
      const char c = bytes[pos++];
      if (c == '\n') return;
      if (c == '\r') {
        if (next() == '\n') ++pos;
        return;
      }
    }
  }

  // The number rules, checked by hand, the value by the C library.
  static bool real_value(std::string_view t, double& v) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::string_view word = t.substr(i);
    auto same = [](std::string_view a, const char* b) {
      if (a.size() != std::char_traits<char>::length(b)) return false;
      for (std::size_t k = 0; k < a.size(); ++k)
        if ((a[k] | 0x20) != b[k]) return false;
      return true;
    };
    if (same(word, "inf") || same(word, "nan")) {
      v = same(word, "inf") ? std::numeric_limits<double>::infinity()
                            : std::numeric_limits<double>::quiet_NaN();
      if (t[0] == '-') v = -v;
      return true;
    }
    auto digits = [&](std::size_t& k) {
      const std::size_t from = k;
      while (k < t.size() && t[k] >= '0' && t[k] <= '9') ++k;
      return k > from;
    };
    if (!digits(i)) return false;
    if (i < t.size() && t[i] == '.') {
      ++i;
      if (!digits(i)) return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
      ++i;
      if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
      if (!digits(i)) return false;
    }
    if (i != t.size()) return false;
    const std::string text(t);
    v = std::strtod(text.c_str(), nullptr);
    return true;
  }

  static bool word_value(std::string_view t, std::uint16_t& v) {
    std::size_t i = 0;
    if (i < t.size() && t[i] == '+') ++i;
    unsigned base = 10;
    const std::string_view s = t.substr(i);
    if (s.starts_with("$") || s.starts_with("x") || s.starts_with("X")) {
      base = 16;
      i += 1;
    } else if (s.starts_with("0x") || s.starts_with("0X")) {
      base = 16;
      i += 2;
    } else if (s.starts_with("%")) {
      base = 2;
      i += 1;
    } else if (s.starts_with("&")) {
      base = 8;
      i += 1;
    }
    if (i == t.size()) return false;
    unsigned __int128 value = 0;
    for (; i < t.size(); ++i) {
      const char c = t[i];
      unsigned digit = 99;
      if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
      if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
      if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
      if (digit >= base) return false;
      value = value * base + digit;
      if (value > std::numeric_limits<std::uint64_t>::max()) return false;
    }
    v = static_cast<std::uint16_t>(value % 65536);
    return true;
  }
};

// Both NaN, or the same double to the bit.
inline bool same_double(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return a == b && std::signbit(a) == std::signbit(b);
}

}  // namespace survey_fuzz
