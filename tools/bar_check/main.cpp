// bar_check: the sounder's scale and the transducer's depth from a bar check.
// A plate (the bar) is lowered under the transducer to known depths below
// the water surface and the sounder's reading is noted at each: one pair
// "depth reading" a line in a file, named as the argument or at the prompt.
// The readings are fitted by least squares as reading = k x depth + c, and
// the parameter line's values that undo it are shown: ScaleDepth = 1 / k and
// Ant_Depth = -c / k (the transducer's depth), with the mean sound speed of
// the water, V / k for a sounder set to V m/s (--sv-set, 1500), and every
// pair's residual. Temp/Bar_Check.txt gets the same as a report. Fewer than
// two distinct depths, or readings that do not grow with the depth, give no
// fit: the report and the screen say so and the tool ends with status 1.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "fixed_notation.h"
#include "number_grammar.h"
#include "pair_table.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;

namespace {

struct Fit {
  double k = 0, c = 0;     // reading = k x depth + c
  double rms = 0, largest = 0;  // of the residuals
};

constexpr std::string_view kUsage = "usage: bar_check [--sv-set V] [FILE]";
constexpr const char* kReport = "Temp/Bar_Check.txt";

TextFile pairs_file, report;
std::string pairs_name, sv_set_text;
double sv_set = 1500;

void read_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--sv-set") {
      if (i + 1 == argc) halt_with_message(1, "bar_check: --sv-set needs a value\n" + std::string(kUsage));
      if (!sv_set_text.empty()) halt_with_message(1, "bar_check: --sv-set given twice\n" + std::string(kUsage));
      sv_set_text = argv[++i];
      if (!parse_real(sv_set_text, sv_set) || !std::isfinite(sv_set) || !(sv_set > 0))
        halt_with_message(1, "bar_check: --sv-set needs a sound speed above 0 m/s, not \"" + sv_set_text + "\"\n" +
                                 std::string(kUsage));
    } else if (arg.starts_with("--")) {
      halt_with_message(1, "bar_check: unknown option \"" + std::string(arg) + "\"\n" + std::string(kUsage));
    } else {
      if (!pairs_name.empty()) halt_with_message(1, "bar_check: one file at a time\n" + std::string(kUsage));
      pairs_name = arg;
      if (pairs_name.empty()) halt_with_message(1, "bar_check: an empty file name\n" + std::string(kUsage));
    }
  }
}

// The least-squares line through the pairs, its sums taken about the means so
// that depths of a few metres keep their digits. False for fewer than two
// distinct depths.
bool fit_line(const std::vector<TablePair>& pairs, Fit& fit) {
  const double n = static_cast<double>(pairs.size());
  double depth = 0, reading = 0;
  for (const TablePair& p : pairs) {
    depth += p.first / n;
    reading += p.second / n;
  }
  double dd = 0, dr = 0;
  for (const TablePair& p : pairs) {
    dd += (p.first - depth) * (p.first - depth);
    dr += (p.first - depth) * (p.second - reading);
  }
  if (!(dd > 0)) return false;
  fit.k = dr / dd;
  fit.c = reading - fit.k * depth;
  double squares = 0;
  for (const TablePair& p : pairs) {
    const double residual = p.second - (fit.k * p.first + fit.c);
    squares += residual * residual;
    fit.largest = std::max(fit.largest, std::fabs(residual));
  }
  fit.rms = std::sqrt(squares / n);
  return true;
}

std::string signed_term(double c) { return (c < 0 ? " - " : " + ") + fixed_text(std::fabs(c), 6); }

// The lines of the report and of the screen's rows 10 to 16: label, value.
std::vector<std::pair<std::string, std::string>> summary(const std::vector<TablePair>& pairs, const Fit& fit) {
  double low = pairs.front().first, high = low;
  for (const TablePair& p : pairs) {
    low = std::min(low, p.first);
    high = std::max(high, p.first);
  }
  return {{"Pairs", std::to_string(pairs.size()) + ", depths " + fixed_text(low, 2) + " to " + fixed_text(high, 2) +
                        " m"},
          {"Sounder SV", (sv_set_text.empty() ? "1500" : sv_set_text) + " m/s"},
          {"Fit", "reading = " + fixed_text(fit.k, 6) + " x depth" + signed_term(fit.c)},
          {"Residuals", "RMS " + fixed_text(fit.rms, 3) + " m, largest " + fixed_text(fit.largest, 3) + " m"},
          {"ScaleDepth", fixed_text(1 / fit.k, 5)},
          {"Ant_Depth", fixed_text(-fit.c / fit.k, 3) + " m"},
          {"Mean SV", fixed_text(sv_set / fit.k, 1) + " m/s"}};
}

// A pair's columns: depth, reading, residual (24 characters); a residual
// below half a millimetre is 0.000, not -0.000 (the fit's rounding).
std::string pair_text(const TablePair& p, const Fit& fit) {
  double residual = p.second - (fit.k * p.first + fit.c);
  if (std::fabs(residual) < 0.0005) residual = 0;
  std::string text;
  for (auto [value, width] : {std::pair{p.first, 7}, {p.second, 8}, {residual, 9}}) {
    const std::string number = fixed_text(value, 3);
    text += std::string(std::max(0, width - static_cast<int>(number.size())), ' ') + number;
  }
  return text;
}

void report_line(std::string_view text) {
  write_str(report, text);
  end_line(report);
  io_check();
}

// No fit: said in the report and on the screen; exit status 1.
[[noreturn]] void refuse(const std::string& why) {
  report_line("Bar check of " + pairs_name);
  report_line(why + ": no fit.");
  close_file(report);
  io_check();
  show_at(7, 12, why + ": no fit.");
  show_line("");
  halt_with_message(1, "bar_check: " + pairs_name + ": " + why);
}

}  // namespace

int main(int argc, char** argv) {
  read_options(argc, argv);
  clear_screen();
  show_line("");
  show_line("");
  show_line("      BAR CHECK");
  show_line("      ---------");
  pairs_name = ask_name(6, "Bar check (*.*) : ", pairs_name, "bar_check", "file");
  open_input(pairs_file, pairs_name);
  io_check();
  show_at(7, 8, std::string("Write : ") + kReport);
  create_output(report, kReport);
  io_check();
  const std::vector<TablePair> pairs = read_pair_table(pairs_file, pairs_name);
  close_file(pairs_file);
  io_check();
  show_at(7, 10, "Pairs      : " + std::to_string(pairs.size()));
  for (const TablePair& p : pairs)
    if (!std::isfinite(p.first) || !std::isfinite(p.second))
      refuse("line " + std::to_string(p.line) + ": a number that is not finite");
  Fit fit;
  if (!fit_line(pairs, fit)) refuse("fewer than two distinct depths");
  if (!(fit.k > 0)) refuse("the readings do not grow with the depth");

  report_line("Bar check of " + pairs_name);
  int row = 10;
  for (const auto& [label, value] : summary(pairs, fit)) {
    report_line(label + std::string(13 - label.size(), ' ') + value);
    show_at(7, row++, label + std::string(11 - label.size(), ' ') + ": " + value);
  }
  report_line("");
  const std::string columns = "  Depth Reading Residual";
  report_line("  " + columns);
  // On the screen three columns of pairs in rows 19 to 22; the rest in the
  // report.
  for (int column = 0; column < 3; ++column) show_at(7 + 24 * column, 18, columns);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const std::string text = pair_text(pairs[i], fit);
    report_line("  " + text);
    if (i < 12) show_at(7 + 24 * static_cast<int>(i / 4), 19 + static_cast<int>(i % 4), text);
  }
  close_file(report);
  io_check();
  if (pairs.size() > 12) show_at(7, 23, "and " + std::to_string(pairs.size() - 12) + " more in " + kReport);
  show_at(7, 24, "Press ENTER  ...");
  wait_enter();
  io_check();
  return 0;
}
