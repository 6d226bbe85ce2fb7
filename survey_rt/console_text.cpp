#include "console_text.h"

namespace survey_rt {
namespace {

// Windows-1251 bytes 0x80 to 0xBF as Unicode (0xC0 to 0xFF are U+0410 to U+044F).
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// The length of the UTF-8 sequence that lead begins; 0 when no sequence of
// several bytes begins with it.
std::size_t utf8_length(unsigned char lead) {
  return lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

bool continues(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

char32_t console_char(const char* text, std::size_t n, std::size_t& i, bool utf8) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80 || !utf8) return lead;
  const std::size_t len = utf8_length(lead);
  if (len > 0 && i + len <= n) {
    char32_t cp = lead & (0x7F >> len);
    std::size_t k = 1;
    for (; k < len; ++k) {
      const unsigned char b = static_cast<unsigned char>(text[i + k]);
      if (!continues(b)) break;
      cp = (cp << 6) | (b & 0x3F);
    }
    // No overlong form, nothing beyond U+10FFFF, no surrogate.
    const char32_t least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
    if (k == len && cp >= least && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF)) {
      i += len - 1;
      return cp;
    }
  }
  return lead >= 0xC0 ? static_cast<char32_t>(0x0410 + (lead - 0xC0)) : kCp1251High[lead - 0x80];
}

bool utf8_incomplete(std::string_view bytes) {
  if (bytes.empty() || utf8_length(static_cast<unsigned char>(bytes[0])) <= bytes.size()) return false;
  for (std::size_t i = 1; i < bytes.size(); ++i)
    if (!continues(static_cast<unsigned char>(bytes[i]))) return false;
  return true;
}

}  // namespace survey_rt
