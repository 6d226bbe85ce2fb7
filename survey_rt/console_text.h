// The characters of console text. Console text is single bytes: the tools'
// own Cyrillic texts are Windows-1251 bytes, shown as they are where the
// console's code page is 1251. On a UTF-8 console (a UTF-8 locale) a UTF-8
// sequence, a name or an answer typed in UTF-8, stands for its character, and
// every other byte from 0x80 on for its Windows-1251 character. The one
// decoder of what the tools write and of what the user types.
#pragma once

#include <cstddef>
#include <string_view>

namespace survey_rt {

// The character of the byte text[i] of n bytes; on a UTF-8 console (utf8) a
// whole UTF-8 sequence, i moving on to its last byte.
char32_t console_char(const char* text, std::size_t n, std::size_t& i, bool utf8);

// Whether the bytes typed so far begin a UTF-8 sequence whose last bytes are
// yet to come (a key typed as several bytes).
bool utf8_incomplete(std::string_view bytes);

}  // namespace survey_rt
