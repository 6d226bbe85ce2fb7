// The readers of survey_rt (at_end, read_real, read_word, read_line,
// skip_line) on arbitrary bytes, compared operation by operation with the
// model of the reading rules; then every reading loop is run to the end of the
// file and must get there.
//
// A failure must name the line of the next byte (LF, CR LF and a lone CR
// end lines), however far into the file it is.
//
// Input: byte 0 = the length n of an operation program (low 5 bits) and, in
// its two high bits both set, a filler line put in front of the file and
// skipped first, so that the rest of it straddles the 128 KiB input buffer;
// bytes 1..n = the operations (each taken modulo 5); the rest = the file.
#include <string>
#include <vector>

#include "harness.h"
#include "model.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;
using survey_fuzz::ModelFile;
using survey_fuzz::show;

namespace {

enum Op { kAtEnd, kReadReal, kReadWord, kReadLine, kSkipLine };

std::string where(const ModelFile& m) { return " at byte " + std::to_string(m.pos) + " of " + show(m.bytes); }

// lines_before[i]: the line of byte i of the file (and of its end).
std::vector<long> lines_before;

void count_lines(std::string_view bytes) {
  lines_before.assign(bytes.size() + 1, 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const bool ends = bytes[i] == '\r' || (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'));
    lines_before[i + 1] = lines_before[i] + (ends ? 1 : 0);
  }
}

// The failure text of an input file: "op: name, line N: reason" with the
// line of the next byte, or "op: name, at end of file: reason".
void check_failure_line(const std::string& message, const ModelFile& m) {
  const std::size_t at = message.find(", line ");
  if (at == std::string::npos) {
    FUZZ_CHECK(message.find(", at end of file: ") != std::string::npos, "failure text " + message + where(m));
    return;
  }
  const long got = std::stol(message.substr(at + 7));
  FUZZ_CHECK(got == lines_before[m.pos], "failure at line " + std::to_string(got) + ", not " +
                                             std::to_string(lines_before[m.pos]) + where(m));
}

// One operation on both; they must agree on the result and the I/O result.
void step(TextFile& f, ModelFile& m, int op) {
  int want_error = 0;
  switch (op) {
    case kAtEnd: {
      const bool got = at_end(f);
      FUZZ_CHECK(got == m.at_end(), "at_end" + where(m));
      break;
    }
    case kReadReal: {
      const double got = read_real(f);
      const double want = m.read_real(want_error);
      FUZZ_CHECK(survey_fuzz::same_double(got, want),
                 "read_real " + std::to_string(got) + " != " + std::to_string(want) + where(m));
      break;
    }
    case kReadWord: {
      const std::uint16_t got = read_word(f);
      const std::uint16_t want = m.read_word(want_error);
      FUZZ_CHECK(got == want, "read_word " + std::to_string(got) + " != " + std::to_string(want) + where(m));
      break;
    }
    case kReadLine: {
      const std::string got = read_line(f);
      const std::string want = m.read_line();
      FUZZ_CHECK(got == want, "read_line " + show(got) + " != " + show(want) + where(m));
      break;
    }
    case kSkipLine:
      skip_line(f);
      m.skip_line();
      break;
  }
  const std::string message = io_failure_text();
  const int error = io_result();
  if (error != 0) check_failure_line(message, m);
  FUZZ_CHECK(error == want_error, "I/O result " + std::to_string(error) + " != " +
                                      std::to_string(want_error) + " after op " + std::to_string(op) + where(m));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = survey_fuzz::scratch_dir() + "/readers.txt";
  survey_fuzz::install_hooks();
  if (size == 0) return 0;
  const int program_length = data[0] & 31;
  const bool straddle = (data[0] & 0xC0) == 0xC0;
  std::vector<int> program;
  std::size_t at = 1;
  for (; at < size && static_cast<int>(program.size()) < program_length; ++at)
    program.push_back(data[at] % 5);
  if (program.empty()) program = {kReadReal, kSkipLine};
  std::string bytes;
  if (straddle) {  // blanks and a line end, passed over by the first skip_line
    bytes.assign((1 << 17) - 65 + (data[0] & 63), ' ');
    bytes += '\n';
  }
  bytes.append(reinterpret_cast<const char*>(data + at), size - at);
  survey_fuzz::write_file(path, bytes);

  count_lines(bytes);
  ModelFile m{bytes};
  TextFile f;
  open_input(f, path);
  FUZZ_CHECK(io_result() == 0, "open_input");
  if (straddle) step(f, m, kSkipLine);

  // The program, repeated while it moves on; a round that reads nothing ends it.
  for (;;) {
    const std::size_t before = m.pos;
    for (int op : program) step(f, m, op);
    if (m.pos == before || m.at_end()) break;
  }
  // Each loop that a tool runs until the end must get there, each round
  // consuming at least one byte.
  const int loops[][2] = {{kReadReal, kReadReal}, {kReadWord, kReadWord},
                          {kReadLine, kSkipLine}, {kSkipLine, kSkipLine}};
  const int which = static_cast<int>(size % 4);
  while (!m.at_end()) {
    const std::size_t before = m.pos;
    step(f, m, kAtEnd);
    step(f, m, loops[which][0]);
    step(f, m, loops[which][1]);
    FUZZ_CHECK(m.pos > before, "a reading loop stands still" + where(m));
  }
  step(f, m, kAtEnd);
  FUZZ_CHECK(at_end(f), "not at the end after the loops" + where(m));
  // At the end every read delivers nothing and reads stay at the end.
  step(f, m, kReadWord);
  step(f, m, kReadLine);
  step(f, m, kSkipLine);
  step(f, m, kReadReal);
  close_file(f);
  FUZZ_CHECK(io_result() == 0, "close_file");
  return 0;
}
