// The process-wide I/O result: one error code, 0 when the last operation
// succeeded, with a short text that tells where the failure happened.
#pragma once

#include <cstdint>
#include <string_view>

namespace survey_rt {

struct TextFile;

namespace io_detail {
extern std::uint16_t pending;  // the I/O result; read through io_pending()
}

// The pending error code (0 when none); inline, as every read and write asks.
inline std::uint16_t io_pending() { return io_detail::pending; }
// Sets the I/O result (when none is pending) and remembers the operation and
// the file it failed on, for the message of the run-time stop.
void io_fail(std::uint16_t code, const TextFile* f, std::string_view what);
// The text of the pending failure ("" when none), e.g.
// "read_real: Temp/Raw_Pos.txt, line 3: invalid numeric format".
const char* io_failure_text();
void io_clear();

}  // namespace survey_rt
