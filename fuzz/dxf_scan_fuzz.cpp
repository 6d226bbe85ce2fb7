// The DXF POINT scan on arbitrary bytes, with the code lists of both tools
// that use it, compared with a model of the scan: every line compared whole;
// after a "POINT" line each code line is searched for in turn and the number
// after it read (a value that is no number stops the scan with error 106).
// When the line before the "POINT" line reads "0" with blanks and tabs around
// it (64 bytes at most), the entity is read as code and value pairs: a code
// line compared without its blanks and tabs, its value line passed over
// unless the code is wanted; a code 0 ends the search: the point is dropped
// without x or y, its other values are 0. The end of the file during a
// search drops the point and ends the scan.
//
// Input: byte 0 chooses the code list (even: " 10", " 20"; odd: and " 30");
// the rest is the drawing.
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dxf_points.h"
#include "harness.h"
#include "model.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;
using survey_fuzz::ModelFile;

namespace {

struct Outcome {
  std::vector<std::vector<double>> points;
  int stop = 0;  // the error that stopped the scan, 0 when it ended normally
};

// The text of every line of the drawing by the offset where it starts (an
// LF, a CR LF or a lone CR ends a line; byte 26 ends the drawing).
std::map<std::size_t, std::string> lines_by_start(std::string_view bytes) {
  std::map<std::size_t, std::string> lines;
  std::size_t start = 0;
  std::string text;
  for (std::size_t i = 0; i < bytes.size() && bytes[i] != 26; ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') {
      text += bytes[i];
      continue;
    }
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    lines[start] = text;
    text.clear();
    start = i + 1;
  }
  lines[start] = text;
  return lines;
}

// A line without the blanks and tabs on either side.
std::string blanks_off(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  return std::string(line.substr(first, line.find_last_not_of(" \t") - first + 1));
}

Outcome model_scan(std::string_view bytes, std::span<const std::string_view> codes) {
  Outcome out;
  const std::map<std::size_t, std::string> lines = lines_by_start(bytes);
  ModelFile m{bytes};
  do {
    const std::size_t start = m.pos;
    const std::string line = m.read_line();
    m.skip_line();
    if (line != "POINT") continue;
    const auto here = lines.find(start);
    const bool entity = here != lines.end() && here != lines.begin() && std::prev(here)->second.size() <= 64 &&
                        blanks_off(std::prev(here)->second) == "0";
    std::vector<double> values;
    bool ended = false;
    for (std::string_view code : codes) {
      for (;;) {
        if (m.at_end()) return out;
        const std::string l = m.read_line();
        m.skip_line();
        if (!entity && l == code) break;
        if (entity && blanks_off(l) == blanks_off(code)) break;
        if (entity && blanks_off(l) == "0") {
          ended = true;
          break;
        }
        if (entity) {
          if (m.at_end()) return out;
          m.read_line();
          m.skip_line();
        }
      }
      if (ended) break;
      int error = 0;
      values.push_back(m.read_real(error));
      if (error != 0) {
        out.stop = error;
        return out;
      }
      m.skip_line();
    }
    if (ended && values.size() < 2) continue;
    values.resize(codes.size(), 0.0);
    out.points.push_back(values);
  } while (!m.at_end());
  return out;
}

bool same_points(const std::vector<std::vector<double>>& a, const std::vector<std::vector<double>>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (std::size_t k = 0; k < a[i].size(); ++k)
      if (!survey_fuzz::same_double(a[i][k], b[i][k])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = survey_fuzz::scratch_dir() + "/drawing.dxf";
  static const std::string_view two[] = {" 10", " 20"};
  static const std::string_view three[] = {" 10", " 20", " 30"};
  survey_fuzz::install_hooks();
  if (size == 0) return 0;
  const std::span<const std::string_view> codes = (data[0] & 1) != 0
                                                      ? std::span<const std::string_view>(three)
                                                      : std::span<const std::string_view>(two);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  survey_fuzz::write_file(path, bytes);

  Outcome got;
  TextFile f;
  open_input(f, path);
  io_check();
  try {
    scan_dxf_points(f, codes, [&](std::span<const double> v) {
      FUZZ_CHECK(v.size() == codes.size(), "values of a point");
      got.points.emplace_back(v.begin(), v.end());
    });
    FUZZ_CHECK(survey_fuzz::take_stderr().empty(), "a message without a stop");
  } catch (const survey_fuzz::ToolExit& e) {
    got.stop = e.code;
    survey_fuzz::check_stop_message(survey_fuzz::take_stderr(), e.code);
  }
  io_result();
  if (f.mode != FileMode::closed) close_file(f);
  FUZZ_CHECK(io_result() == 0, "close_file");

  const Outcome want = model_scan(bytes, codes);
  FUZZ_CHECK(got.stop == want.stop, "stop " + std::to_string(got.stop) + " != " +
                                        std::to_string(want.stop) + " for " + survey_fuzz::show(bytes));
  FUZZ_CHECK(same_points(got.points, want.points),
             std::to_string(got.points.size()) + " points != " + std::to_string(want.points.size()) +
                 " for " + survey_fuzz::show(bytes));
  return 0;
}
