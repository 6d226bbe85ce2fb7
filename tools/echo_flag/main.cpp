// echo_flag: finds the spikes of the echo record of PM/Points.txt (fish, weed,
// a double echo) and takes them out of the drawing that echo_clean2 reads, so
// that the surveyor reviews flags instead of hunting every spike by eye.
//
// A record is a spike when its height z lies more than the threshold T above
// the median z of the W records before it and above the median z of the W
// records after it (the record itself in neither), or more than T below both;
// T = max(A, P x |median|) for each side. A point on a real step agrees with
// one side, and one on a slope lies between the two medians: both stay. A
// run of up to (W + 1) / 2 spikes stands out from both. Near the ends of the
// file a side counts when it holds W records; when only one side does, it
// decides alone; when neither does (a short file), each side that holds any
// record counts. An even W takes the mean of the two middle heights.
//
// Temp/Clr_Rec.dxf: the echo record as scr2dxf draws Temp/Echo_Rec.scr
// (distance along the track with four decimals, z with two), the kept records
// as POINTs, each spike as a red CIRCLE on the layer SPIKES labelled with the
// record's number, which the POINT scan of echo_clean2 passes over.
// Temp/Spikes.txt: one line a spike. The records named by --keep are drawn as
// points even when they are spikes: the surveyor's way to put a flagged record
// back (a point drawn back by hand in the CAD program stands at the end of the
// drawing, behind the track, where echo_clean2 passes over it).
//
// PM/Points.txt is read twice: first for the extents of the drawing, whose
// header comes before its entities (a bad number stops the tool there, before
// any output is made), then for the flags, through a window of 2W + 1
// records, so memory stays the same for any size of file.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "number_grammar.h"
#include "stop.h"
#include "text_file.h"
#include "track_records.h"

using namespace survey_rt;

namespace {

constexpr int kMaxWindow = 50;
constexpr int kBadCall = 1;            // exit status of a wrong call or a record not drawable
constexpr double kMarkerRadius = 1.0;  // metres of the drawing
// Heights have two decimals, so a deviation equal to the threshold may come
// out a few ulps above it; it is not a spike.
constexpr double kTolerance = 1e-6;
constexpr std::string_view kUsage =
    "usage: echo_flag [--window W] [--min-dev A] [--rel-dev P] [--keep N,N,...]";

int window = 5;        // W, records on each side
double min_dev = 1.0;  // A, metres
double rel_dev = 0.1;  // P, of the median's magnitude
// The record numbers of --keep, ascending, and the first one not yet passed.
std::vector<std::int32_t> keep;
std::size_t next_keep = 0;

struct Record {
  double x = 0, y = 0, z = 0;
  double d = 0;  // distance along the track
  std::int32_t number = 0;
};

// The heights of one side of a record, in ascending order. The first pass
// has made sure that every height is a finite number.
struct SortedHeights {
  double v[kMaxWindow + 1] = {};
  int n = 0;

  void insert(double z) {
    int i = n++;
    for (; i > 0 && z < v[i - 1]; --i) v[i] = v[i - 1];
    v[i] = z;
  }
  void remove(double z) {
    int i = 0;
    while (v[i] != z) ++i;
    for (--n; i < n; ++i) v[i] = v[i + 1];
  }
  double median() const { return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0; }
};

TextFile points_file, dxf_file, spikes_file;
Record ring[2 * kMaxWindow + 1];  // records i - W to i + W of the current record i
SortedHeights before, after;
std::int32_t records = 0, kept = 0, spikes = 0, kept_spikes = 0;

[[noreturn]] void stop(const std::string& message) { halt_with_message(kBadCall, "echo_flag: " + message); }

[[noreturn]] void bad_call(const std::string& message) { stop(message + "\n" + std::string(kUsage)); }

// The record numbers of a --keep value, "163,294": whole numbers from 1 on.
void read_keep(std::string_view value, const std::string& said) {
  for (;;) {
    const std::size_t comma = value.find(',');
    const std::string_view item = value.substr(0, comma);
    std::int32_t number = 0;
    const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), number);
    if (item.empty() || ec != std::errc() || end != item.data() + item.size() || number < 1)
      bad_call(said + "record numbers from 1 on, separated by commas, expected");
    keep.push_back(number);
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
}

// Whether the record numbered number is one of --keep; asked in ascending order.
bool kept_by_hand(std::int32_t number) {
  while (next_keep < keep.size() && keep[next_keep] < number) ++next_keep;
  return next_keep < keep.size() && keep[next_keep] == number;
}

// --window W --min-dev A --rel-dev P --keep N,..., in any order; anything else
// stops.
void read_options(int argc, char** argv) {
  for (int i = 1; i < argc; i += 2) {
    const std::string_view name = argv[i];
    if (name != "--window" && name != "--min-dev" && name != "--rel-dev" && name != "--keep")
      bad_call("unknown option \"" + std::string(name) + "\"");
    if (i + 1 == argc) bad_call(std::string(name) + ": a value expected");
    const std::string_view value = argv[i + 1];
    const std::string said = std::string(name) + " " + std::string(value) + ": ";
    if (name == "--window") {
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), window);
      if (ec != std::errc() || end != value.data() + value.size() || window < 1 ||
          window > kMaxWindow)
        bad_call(said + "a whole number of records from 1 to " + std::to_string(kMaxWindow) +
                 " expected");
    } else if (name == "--keep") {
      read_keep(value, said);
    } else {
      double& v = name == "--min-dev" ? min_dev : rel_dev;
      if (!parse_real(value, v) || !std::isfinite(v) || v < 0)
        bad_call(said + "a number of 0 or more expected");
    }
  }
}

// The point of a record as the CAD program draws it from Temp/Echo_Rec.scr:
// the distance written with four decimals and z with two, read back.
DxfPoint drawn_point(const Record& r) { return {fixed_value(r.d, 4), fixed_value(r.z, 2), 0.0}; }

// The first pass, along the track from its start: the extents of the
// drawing. The distance grows along the file, so the first and last records
// bound it; the heights are bounded by the least and greatest z.
DxfExtents measure(Track track) {
  Record r;
  double low = 0, high = 0;
  do {
    read_track_xyz(points_file, track, r.x, r.y, r.z);
    show_count(7, 14, "Records: ", ++records, 8);
    if (!std::isfinite(track.distance) || !std::isfinite(r.z)) {
      show_at(7, 18, "Stopped: a record that cannot be drawn.");
      show_line("");  // the message on the standard error follows on the next row
      stop("PM/Points.txt, record " + std::to_string(records) +
           ": a position or height that is not a finite number");
    }
    low = records == 1 ? r.z : std::min(low, r.z);
    high = records == 1 ? r.z : std::max(high, r.z);
  } while (!at_end_checked(points_file));
  DxfExtents extents;
  extents.add({0.0, fixed_value(low, 2), 0.0});
  extents.add({fixed_value(track.distance, 4), fixed_value(high, 2), 0.0});
  return extents;
}

// 1 when z lies more than the threshold of a side above its median, -1 when
// more than that below it, else 0.
int side_of(double z, double median) {
  const double t = std::max(min_dev, rel_dev * std::fabs(median)) + kTolerance;
  return z - median > t ? 1 : median - z > t ? -1 : 0;
}

void write_median(bool counts, double median) {
  write_char(spikes_file, ' ');
  if (counts)
    write_fixed(spikes_file, median, 0, 2);
  else
    write_char(spikes_file, '-');
}

// Decides the record r from the heights of its two sides, then draws it as a
// point, or as a marker with its line in Temp/Spikes.txt.
void decide(const Record& r) {
  const bool full_before = before.n == window, full_after = after.n == window;
  const bool use_before = full_before || (!full_after && before.n > 0);
  const bool use_after = full_after || (!full_before && after.n > 0);
  const double mb = use_before ? before.median() : 0, ma = use_after ? after.median() : 0;
  // Above both sides, or below both: a record on a slope lies between them.
  const int sb = use_before ? side_of(r.z, mb) : 0, sa = use_after ? side_of(r.z, ma) : 0;
  const bool spike = (use_before || use_after) && (!use_before || sb != 0) &&
                     (!use_after || sa != 0) && (!use_before || !use_after || sb == sa);
  if (!spike || kept_by_hand(r.number)) {
    dxf_point(dxf_file, drawn_point(r));
    show_count(7, 15, "Points : ", ++kept, 8);
    if (spike) show_count(7, 17, "Kept   : ", ++kept_spikes, 8);
    return;
  }
  // The circle, and the record's number beside it for --keep.
  const DxfPoint at = drawn_point(r);
  dxf_circle(dxf_file, at, kMarkerRadius, "SPIKES");
  dxf_text(dxf_file, {at.x + 1.5 * kMarkerRadius, at.y - 0.5 * kMarkerRadius, 0.0}, kMarkerRadius, 0.0,
           false, std::to_string(r.number), "SPIKES");
  show_count(7, 16, "Spikes : ", ++spikes, 8);
  // The deviation from the nearer median of the sides that count.
  const bool nearer_before =
      use_before && (!use_after || std::fabs(r.z - mb) <= std::fabs(r.z - ma));
  write_int(spikes_file, r.number);
  write_char(spikes_file, ' ');
  write_fixed(spikes_file, r.x, 0, 2);
  write_char(spikes_file, ' ');
  write_fixed(spikes_file, r.y, 0, 2);
  write_char(spikes_file, ' ');
  write_fixed(spikes_file, r.d, 0, 4);
  write_char(spikes_file, ' ');
  write_fixed(spikes_file, r.z, 0, 2);
  write_median(use_before, mb);
  write_median(use_after, ma);
  write_char(spikes_file, ' ');
  write_fixed(spikes_file, r.z - (nearer_before ? mb : ma), 0, 2);
  end_line(spikes_file);
  io_check();
}

}  // namespace

int main(int argc, char** argv) {
  read_options(argc, argv);
  std::sort(keep.begin(), keep.end());
  const int span = 2 * window + 1;

  TextFile& con = console_output();
  clear_screen();
  show_line("");
  show_line("");
  show_line("      Echo Record Spike Flags");
  show_line("      ~~~~~~~~~~~~~~~~~~~~~~~");
  show_line("");
  show_line("      Read      PM/Points.txt");
  show_at(7, 10, "Window    : ");
  write_int(con, window);
  write_str(con, " records before and after");
  show_at(7, 11, "Min. Dev. : " + dxf_real(min_dev) + " m");
  show_at(7, 12, "Rel. Dev. : " + dxf_real(rel_dev) + " x |median|");
  open_input(points_file, "PM/Points.txt");
  io_check();
  Track start;
  start_track(points_file, "PM/Points.txt", start);
  const DxfExtents extents = measure(start);

  show_at(7, 7, "Write  Temp/Clr_Rec.dxf");
  create_output(dxf_file, "Temp/Clr_Rec.dxf");
  io_check();
  show_at(7, 8, "        Temp/Spikes.txt");
  create_output(spikes_file, "Temp/Spikes.txt");
  io_check();
  const DxfLayer layers[] = {{"0", 7}, {"SPIKES", 1}};
  dxf_begin(dxf_file, extents, layers);
  show_count(7, 15, "Points : ", kept, 8);
  show_count(7, 16, "Spikes : ", spikes, 8);
  if (!keep.empty()) show_count(7, 17, "Kept   : ", kept_spikes, 8);

  // The second pass. Record i is decided once the W records after it are
  // read, or the file has ended; before holds the heights of records
  // i - W to i - 1, after those of i + 1 to i + W that are read.
  open_input(points_file, "PM/Points.txt");
  io_check();
  Track track = start;
  std::int32_t read = 0, i = 1;
  auto advance = [&] {
    before.insert(ring[i % span].z);
    if (before.n > window) before.remove(ring[(i - window) % span].z);
    ++i;
    if (i <= read) after.remove(ring[i % span].z);
  };
  do {
    Record& r = ring[++read % span];
    read_track_xyz(points_file, track, r.x, r.y, r.z);
    r.d = track.distance;
    r.number = read;
    if (read > i) after.insert(r.z);
    if (after.n == window) {
      decide(ring[i % span]);
      advance();
    }
  } while (!at_end_checked(points_file));
  while (i <= read) {
    decide(ring[i % span]);
    advance();
  }
  dxf_end(dxf_file);

  close_file(points_file);
  io_check();
  close_file(dxf_file);
  io_check();
  close_file(spikes_file);
  io_check();

  show_at(7, 18, "Review the red circles of the layer SPIKES in the CAD program,");
  show_at(7, 19, "save the drawing as \"Temp/Clr_Rec.dxf\" and run echo_clean2.");
  show_at(7, 23, "Press Enter ...  ");
  wait_enter();
  io_check();
  return 0;
}
