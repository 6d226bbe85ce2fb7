// make_inputs: writes large, realistic inputs for every survey tool, for the
// speed runs (bench/run.sh) and the byte-identity test of the tools' outputs.
//
//   make_inputs RECORDS FOLDER [TOOL ...]
//
// For each tool named (all nine when none is) it makes FOLDER/TOOL/ as a
// survey folder: PM/ and Temp/ with the tool's inputs of RECORDS records, and
// answers.txt, the lines to pipe into the tool for its prompts and its final
// wait. What counts as a record is what the tool counts: soundings for join,
// points for depth_filter, utm_points, the cleaners and echo_flag, records for
// raw_convert and dat_reduce, POINT entities for dxf2txt, lines of the log
// for nmea_split.
//
// The survey: a boat runs lines 1200 m long and 40 m apart at 2 m/s, up and
// down an area of 1.2 km by 2 km off the coast at about 42.5 N 27.5 E, over
// and over (a season of repeated surveys), the echo sounder logging at 5 Hz,
// the receiver at 1 Hz with now and then a repeated fix. The bottom deepens
// from 8 m to 20 m with gentle waves; now and then a spike (clutter, a second
// echo). Every number is made in integer arithmetic from a fixed seed, so the
// files are the same bytes on every machine and in every build.
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using std::int64_t;
using std::uint64_t;

// ---------------------------------------------------------------- output

class Writer {
 public:
  explicit Writer(const std::string& path) : path_(path), f_(std::fopen(path.c_str(), "wb")) {
    if (f_ == nullptr) fail("cannot create");
    buf_.reserve(kSize + 256);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  ~Writer() {
    flush();
    if (std::fclose(f_) != 0) fail("cannot write");
  }

  Writer& put(std::string_view s) {
    buf_.append(s);
    if (buf_.size() >= kSize) flush();
    return *this;
  }
  Writer& put(char c) {
    buf_ += c;
    return *this;
  }
  // v / 10^decimals in fixed notation ("-12.50"); the integer part padded
  // with zeros to at least min_int digits.
  Writer& num(int64_t v, int decimals = 0, int min_int = 1) {
    char text[32];
    put(fixed(text, v, decimals, min_int));
    return *this;
  }
  // The same, right-aligned in width characters.
  Writer& num_w(int64_t v, int decimals, int width) {
    char text[32];
    const std::string_view s = fixed(text, v, decimals, 1);
    for (int pad = width - static_cast<int>(s.size()); pad > 0; --pad) put(' ');
    put(s);
    return *this;
  }
  Writer& crlf() { return put("\r\n"); }

  static std::string_view fixed(char* text, int64_t v, int decimals, int min_int) {
    char digits[24];
    int n = 0;
    uint64_t a = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do {
      digits[n++] = static_cast<char>('0' + a % 10);
      a /= 10;
    } while (a != 0);
    while (n < decimals + min_int) digits[n++] = '0';
    int len = 0;
    if (v < 0) text[len++] = '-';
    for (int i = n - 1; i >= 0; --i) {
      text[len++] = digits[i];
      if (i == decimals && decimals > 0) text[len++] = '.';
    }
    return {text, static_cast<std::size_t>(len)};
  }

 private:
  static constexpr std::size_t kSize = 1 << 20;

  void flush() {
    if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size())
      fail("cannot write");
    buf_.clear();
  }
  [[noreturn]] void fail(const char* what) const {
    std::fprintf(stderr, "make_inputs: %s %s: %s\n", what, path_.c_str(), std::strerror(errno));
    std::exit(1);
  }

  std::string path_;
  std::FILE* f_;
  std::string buf_;
};

void make_folder(const std::string& path) {
  std::error_code err;
  std::filesystem::create_directories(path, err);
  if (err) {
    std::fprintf(stderr, "make_inputs: cannot make %s: %s\n", path.c_str(), err.message().c_str());
    std::exit(1);
  }
}

// ---------------------------------------------------------------- the survey

// splitmix64: a small generator with a fixed sequence for a seed.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // A whole number from lo to hi, both included.
  int64_t between(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(next() % static_cast<uint64_t>(hi - lo + 1));
  }
  bool one_in(uint64_t n) { return next() % n == 0; }

 private:
  uint64_t state_;
};

constexpr int64_t kLineCs = 60000;  // 600 s a line, 1200 m at 2 m/s
constexpr int64_t kTurnCs = 3000;   // 30 s from one line to the next
constexpr int64_t kLines = 50;      // lines of the area, 40 m apart
constexpr int64_t kLat0 = 4249920000;  // south-west corner, 1e-8 degrees
constexpr int64_t kLon0 = 2749810000;
constexpr int64_t kStartCs = (9 * 3600 + 57 * 60 + 30) * 100;  // first sounding, time of day
constexpr int64_t kDayCs = 86400 * 100;

struct Place {
  int64_t east_mm;
  int64_t north_mm;
};

// North of the southern line of line k: up the area and down again.
int64_t line_north_mm(int64_t k) {
  const int64_t i = k % (2 * kLines);
  return (i < kLines ? i : 2 * kLines - 1 - i) * 40000;
}

// Where the boat is t centiseconds after the first sounding.
Place boat(int64_t t) {
  const int64_t k = t / (kLineCs + kTurnCs);
  const int64_t u = t % (kLineCs + kTurnCs);
  const int64_t shift = (k / (2 * kLines)) % 10 * 5000;  // each pass 5 m farther east
  const bool eastwards = k % 2 == 0;
  if (u < kLineCs) {
    const int64_t along = u * 20;
    return {shift + (eastwards ? along : 1200000 - along), line_north_mm(k)};
  }
  const int64_t from = line_north_mm(k), to = line_north_mm(k + 1);
  return {shift + (eastwards ? 1200000 : 0), from + (to - from) * (u - kLineCs) / kTurnCs};
}

// The depth of the bottom (cm) at a place: 8 m in the south to 20 m in the
// north, with waves of 40 cm every 100 m eastwards.
int64_t bottom_cm(const Place& p) {
  const int64_t w = (p.east_mm / 1000) % 100;
  const int64_t wave = ((w < 50 ? w : 100 - w) - 25) * 16 / 10;
  return 800 + p.north_mm * 1200 / 2000000 + wave;
}

// A logged depth (cm): the bottom, the sounder's noise, now and then a spike.
int64_t logged_depth_cm(const Place& p, Random& rnd) {
  if (rnd.one_in(500)) return rnd.one_in(2) ? rnd.between(40, 90) : rnd.between(3500, 4900);
  return bottom_cm(p) + rnd.between(-4, 4);
}

int64_t latitude(const Place& p) { return kLat0 + p.north_mm * 100000 / 111132; }
int64_t longitude(const Place& p) { return kLon0 + p.east_mm * 100000 / 82070; }

// Plane coordinates (cm) of a place in the drawing of utm_points (central
// meridian 27 with its false easting) and in a UTM zone 35 drawing.
int64_t tm_east_cm(const Place& p) { return 954121336 + p.east_mm / 10; }
int64_t tm_north_cm(const Place& p) { return 470741957 + p.north_mm / 10; }
int64_t utm_east_cm(const Place& p) { return 54092752 + p.east_mm / 10; }
int64_t utm_north_cm(const Place& p) { return 470532444 + p.north_mm / 10; }

// "hh mm ss.ss" of a time (cm after the first sounding); hours and minutes
// with two digits when padded, else as few as they need.
void clock(Writer& w, int64_t t, bool padded) {
  const int64_t day = (kStartCs + t) % kDayCs;
  const int64_t cs = day % 6000;
  const int64_t minutes = day / 6000;
  w.num(minutes / 60, 0, padded ? 2 : 1).put(' ');
  w.num(minutes % 60, 0, padded ? 2 : 1).put(' ');
  w.num(cs, 2, padded ? 2 : 1);
}

// ---------------------------------------------------------------- per tool

struct Tool {
  const char* name;
  void (*make)(const std::string& dir, int64_t n);
  const char* answers;
};

// Soundings at 5 Hz; fixes at 1 Hz from 2 s later to 1 s after the last
// sounding, each at the place where the boat was a second before its stamp.
void make_join(const std::string& dir, int64_t n) {
  Random rnd(1);
  {
    Writer w(dir + "/Temp/Raw_Dpt.txt");
    for (int64_t i = 0; i < n; ++i) {
      const int64_t t = 20 * i;
      w.num(logged_depth_cm(boat(t), rnd), 2).put(' ');
      clock(w, t, true);
      w.crlf();
    }
  }
  Writer w(dir + "/Temp/Raw_Pos.txt");
  int64_t lat = 0, lon = 0;
  for (int64_t j = 0; j < n / 5 + 3; ++j) {
    const int64_t stamp = 200 + 100 * j;
    if (j == 0 || !rnd.one_in(40)) {  // else the receiver repeats its last fix
      const Place p = boat(stamp - 100);
      lat = latitude(p) + rnd.between(-15, 15);
      lon = longitude(p) + rnd.between(-15, 15);
    }
    w.num(lat, 8).put(' ').num(lon, 8).put(' ');
    clock(w, stamp, true);
    w.put(' ').num(rnd.between(7, 16), 1).put(' ').num(rnd.between(7, 12)).crlf();
  }
}

// The joined soundings, at 5 Hz.
void make_depth_filter(const std::string& dir, int64_t n) {
  Random rnd(2);
  Writer w(dir + "/Temp/Data.txt");
  for (int64_t i = 0; i < n; ++i) {
    const Place p = boat(20 * i);
    w.num(latitude(p) + rnd.between(-15, 15), 8).put(' ');
    w.num(longitude(p) + rnd.between(-15, 15), 8).put(' ');
    w.num((logged_depth_cm(p, rnd) + 5) / 10, 1).crlf();
  }
}

// A filtered point list: the header with the default parameters, then a
// point a second; no line end after the last.
void make_utm_points(const std::string& dir, int64_t n) {
  Random rnd(3);
  Writer w(dir + "/PM/La_Lo_De.txt");
  w.put("Meridian ScaleProjection Tide Ant_Depth ScaleDepth ZWaterLevel").crlf();
  w.put("--------------------------------------------------------------").crlf();
  w.put("27.0 1.0 0.0 0.5 1.0 0.0 ");
  for (int64_t i = 0; i < n; ++i) {
    const Place p = boat(100 * i);
    w.crlf();
    w.num(latitude(p) + rnd.between(-15, 15), 8).put(' ');
    w.num(longitude(p) + rnd.between(-15, 15), 8).put(' ');
    w.num((logged_depth_cm(p, rnd) + 5) / 10, 1);
  }
}

// PM/Points.txt as utm_points writes it, a point a second: easting, northing
// and height right-aligned in 12, 12 and 8 characters.
struct PointRecord {
  int64_t x, y, z;  // cm
};

PointRecord projected_point(int64_t i, Random& rnd) {
  const Place p = boat(100 * i);
  return {tm_east_cm(p) + rnd.between(-10, 10), tm_north_cm(p) + rnd.between(-10, 10),
          -((logged_depth_cm(p, rnd) + 5) / 10 * 10 + 50)};
}

// The i-th point's line; no line end after the last.
void put_point(Writer& w, int64_t i, const PointRecord& r) {
  if (i > 0) w.crlf();
  w.num_w(r.x, 2, 12).num_w(r.y, 2, 12).num_w(r.z, 2, 8);
}

void write_points(const std::string& path, int64_t n, Random& rnd,
                  std::vector<PointRecord>* keep = nullptr) {
  Writer w(path);
  for (int64_t i = 0; i < n; ++i) {
    const PointRecord r = projected_point(i, rnd);
    put_point(w, i, r);
    if (keep != nullptr) keep->push_back(r);
  }
}

void make_echo_clean1(const std::string& dir, int64_t n) {
  Random rnd(4);
  write_points(dir + "/PM/Points.txt", n, rnd);
}

// The same kind of point list, with its spikes, for the automatic flags.
void make_echo_flag(const std::string& dir, int64_t n) {
  Random rnd(9);
  write_points(dir + "/PM/Points.txt", n, rnd);
}

// A DXF drawing as the CAD program saves it (R2000 layout, CR LF when crlf):
// a short header, the entities, the end.
void dxf_begin(Writer& w, const char* eol) {
  for (const char* line : {"  0", "SECTION", "  2", "HEADER", "  9", "$ACADVER", "  1", "AC1015",
                           "  9", "$INSBASE", " 10", "0.0", " 20", "0.0", " 30", "0.0", "  9",
                           "$INSUNITS", " 70", "6", "  0", "ENDSEC", "  0", "SECTION", "  2",
                           "ENTITIES"})
    w.put(line).put(eol);
}

void dxf_end(Writer& w, const char* eol) {
  for (const char* line : {"  0", "ENDSEC", "  0", "EOF"}) w.put(line).put(eol);
}

void dxf_entity(Writer& w, const char* eol, const char* type, uint64_t handle,
                const char* layer, const char* subclass) {
  char hex[24];
  std::snprintf(hex, sizeof hex, "%" PRIX64, handle);
  w.put("  0").put(eol).put(type).put(eol);
  w.put("  5").put(eol).put(hex).put(eol);
  w.put("330").put(eol).put("1F").put(eol);
  w.put("100").put(eol).put("AcDbEntity").put(eol);
  w.put("  8").put(eol).put(layer).put(eol);
  w.put("100").put(eol).put(subclass).put(eol);
}

// The echo record of PM/Points.txt as echo_clean1 draws it (distance along
// the track, height), saved after cleaning: one point in 20 deleted.
void make_echo_clean2(const std::string& dir, int64_t n) {
  Random rnd(5);
  std::vector<PointRecord> records;
  records.reserve(static_cast<std::size_t>(n));
  write_points(dir + "/PM/Points.txt", n, rnd, &records);
  Writer w(dir + "/Temp/Clr_Rec.dxf");
  const char* eol = "\r\n";
  dxf_begin(w, eol);
  double d = 0;
  double px = records.empty() ? 0 : static_cast<double>(records[0].x) / 100;
  double py = records.empty() ? 0 : static_cast<double>(records[0].y) / 100;
  uint64_t handle = 0x30;
  for (const PointRecord& r : records) {
    const double x = static_cast<double>(r.x) / 100, y = static_cast<double>(r.y) / 100;
    d += std::sqrt((x - px) * (x - px) + (y - py) * (y - py));
    px = x;
    py = y;
    if (rnd.one_in(20)) continue;
    char value[48];
    dxf_entity(w, eol, "POINT", handle++, "0", "AcDbPoint");
    std::snprintf(value, sizeof value, "%.4f", d);
    w.put(" 10").put(eol).put(value).put(eol);
    w.put(" 20").put(eol).num(r.z, 2).put(eol);
    w.put(" 30").put(eol).put("0.0").put(eol);
  }
  dxf_end(w, eol);
}

// The lists of a survey after its cleaning, for survey_plot: PM/Points.txt,
// a point a second; PM/PointsCl.txt without the spikes (heights above -1.5 m
// or below -35 m), which the surveyor deleted, and without one other point in
// 500; Temp/Spikes.txt naming the spikes and one other point in 2000 (the
// record number and the point; survey_plot reads only the number).
void make_survey_plot(const std::string& dir, int64_t n) {
  Random rnd(9);
  Writer points(dir + "/PM/Points.txt");
  Writer cleaned(dir + "/PM/PointsCl.txt");
  Writer spikes(dir + "/Temp/Spikes.txt");
  for (int64_t i = 0; i < n; ++i) {
    const PointRecord r = projected_point(i, rnd);
    put_point(points, i, r);
    const bool spike = r.z > -150 || r.z < -3500;
    if (!spike && !rnd.one_in(500)) cleaned.num(r.x, 2).put(' ').num(r.y, 2).put(' ').num(r.z, 2).crlf();
    if (spike || rnd.one_in(2000)) spikes.num(i + 1).put(' ').num(r.x, 2).put(' ').num(r.y, 2).crlf();
  }
}

// A point file of the projection program, a point a second in UTM zone 35:
// "x y z number"; where the sounder lost the bottom, the height 999.00.
void make_dat_reduce(const std::string& dir, int64_t n) {
  Random rnd(6);
  Writer w(dir + "/PM/Out.Dat");
  for (int64_t i = 0; i < n; ++i) {
    const Place p = boat(100 * i);
    w.num(utm_east_cm(p), 2).put(' ').num(utm_north_cm(p), 2).put(' ');
    const int64_t depth = logged_depth_cm(p, rnd);
    w.num(rnd.one_in(30) ? (rnd.one_in(4) ? 999900 : 99900) : -depth, 2).put(' ');
    w.num(i + 1).crlf();
  }
}

// The older logger's combined records, one a second: "latitude longitude
// depth quality satellites gain h m s.ss", hours and minutes not padded.
void make_raw_convert(const std::string& dir, int64_t n) {
  Random rnd(7);
  Writer w(dir + "/PM/Raw.Txt");
  for (int64_t i = 0; i < n; ++i) {
    const int64_t t = 100 * i + rnd.between(0, 3);
    const Place p = boat(t);
    w.num(latitude(p) + rnd.between(-15, 15), 8).put(' ');
    w.num(longitude(p) + rnd.between(-15, 15), 8).put(' ');
    w.num(logged_depth_cm(p, rnd), 2).put(' ');
    w.num(rnd.between(1, 2)).put(' ').num(rnd.between(7, 12)).put(' ');
    w.num(rnd.between(10, 16)).put(' ');
    clock(w, t, false);
    w.crlf();
  }
}

// A drawing of soundings in UTM zone 35, LF line ends: a POINT at x, y and
// height z each, a grid LINE after every hundredth.
void make_dxf2txt(const std::string& dir, int64_t n) {
  Random rnd(8);
  Writer w(dir + "/Drawing.dxf");
  const char* eol = "\n";
  dxf_begin(w, eol);
  uint64_t handle = 0x30;
  for (int64_t i = 0; i < n; ++i) {
    const Place p = boat(100 * i);
    dxf_entity(w, eol, "POINT", handle++, "SOUNDINGS", "AcDbPoint");
    w.put(" 10").put(eol).num(utm_east_cm(p), 2).put(eol);
    w.put(" 20").put(eol).num(utm_north_cm(p), 2).put(eol);
    w.put(" 30").put(eol).num(-logged_depth_cm(p, rnd), 2).put(eol);
    if (i % 100 == 99) {
      dxf_entity(w, eol, "LINE", handle++, "GRID", "AcDbLine");
      w.put(" 10").put(eol).num(utm_east_cm(p), 2).put(eol);
      w.put(" 20").put(eol).num(utm_north_cm(p), 2).put(eol);
      w.put(" 30").put(eol).put("0.0").put(eol);
      w.put(" 11").put(eol).num(utm_east_cm(p) + 10000, 2).put(eol);
      w.put(" 21").put(eol).num(utm_north_cm(p), 2).put(eol);
      w.put(" 31").put(eol).put("0.0").put(eol);
    }
  }
  dxf_end(w, eol);
}

// One NMEA sentence: "$", the body, "*" and its checksum, CR LF.
void sentence(Writer& w, const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X", sum);
  w.put('$').put(body).put(tail).crlf();
}

// Degrees (1e-8) as NMEA degrees and minutes with four decimals.
std::string degrees_minutes(int64_t v, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*" PRId64 "%02" PRId64 ".%04" PRId64, width, v / 100000000,
                v % 100000000 * 60 / 100000000, v % 100000000 * 60 / 10000 % 10000);
  return text;
}

// A receiver and an echo sounder on one serial line, logged without time
// tags: each second GGA, RMC and GSA, then five DBT; a ZDA a minute; now and
// then a sentence with a wrong checksum or a burst of line noise.
void make_nmea_split(const std::string& dir, int64_t n) {
  Random rnd(9);
  Writer w(dir + "/Log.nmea");
  int64_t lines = 0;
  for (int64_t s = 0; lines < n; ++s) {
    const int64_t day = (kStartCs / 100 + s) % 86400;
    char hms[16];
    std::snprintf(hms, sizeof hms, "%02" PRId64 "%02" PRId64 "%02" PRId64 ".00", day / 3600, day / 60 % 60,
                  day % 60);
    const Place p = boat(100 * s);
    const std::string lat = degrees_minutes(latitude(p) + rnd.between(-15, 15), 2);
    const std::string lon = degrees_minutes(longitude(p) + rnd.between(-15, 15), 3);
    sentence(w, std::string("GPGGA,") + hms + "," + lat + ",N," + lon + ",E,1,09,0.9,12.3,M,36.9,M,,");
    sentence(w, std::string("GPRMC,") + hms + ",A," + lat + ",N," + lon + ",E,3.9,91.0,150310,,,A");
    sentence(w, "GPGSA,A,3,04,05,09,12,24,25,29,31,,,,,1.8,0.9,1.5");
    lines += 3;
    if (day % 60 == 0) {
      sentence(w, std::string("GPZDA,") + hms + ",15,03,2010,00,00");
      ++lines;
    }
    for (int k = 0; k < 5 && lines < n; ++k, ++lines) {
      const int64_t cm = logged_depth_cm(boat(100 * s + 20 * k), rnd);
      char body[64];
      std::snprintf(body, sizeof body, "SDDBT,%.1f,f,%" PRId64 ".%02" PRId64 ",M,%.1f,F",
                    static_cast<double>(cm) / 30.48, cm / 100, cm % 100, static_cast<double>(cm) / 182.88);
      if (rnd.one_in(1000)) {
        w.put('$').put(body).put("*00").crlf();
      } else if (rnd.one_in(3000)) {
        w.put("\x13\xfe noise \x01\x1a").crlf();
      } else {
        sentence(w, body);
      }
    }
  }
}

const Tool kTools[] = {
    {"join", make_join, "\n"},
    {"depth_filter", make_depth_filter, "1\n40\n0.3\n0.5\n\n"},
    {"utm_points", make_utm_points, "\n"},
    {"echo_clean1", make_echo_clean1, "\n"},
    {"echo_clean2", make_echo_clean2, "\n"},
    {"echo_flag", make_echo_flag, "\n"},
    {"dat_reduce", make_dat_reduce, "2\n\n"},
    {"raw_convert", make_raw_convert, "\n"},
    {"dxf2txt", make_dxf2txt, "Drawing.dxf\nPoints.txt\n\n"},
    {"survey_plot", make_survey_plot, "\n"},
    {"nmea_split", make_nmea_split, "Log.nmea\n\n"},
    {"survey_surface", make_survey_plot, "\n"},  // its PM/PointsCl.txt
};

int usage() {
  std::fprintf(stderr, "usage: make_inputs RECORDS FOLDER [TOOL ...]\n  tools:");
  for (const Tool& t : kTools) std::fprintf(stderr, " %s", t.name);
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  char* end = nullptr;
  const long long n = std::strtoll(argv[1], &end, 10);
  if (*end != '\0' || n < 1) return usage();
  const std::string root = argv[2];
  std::vector<const Tool*> chosen;
  for (int i = 3; i < argc; ++i) {
    const Tool* found = nullptr;
    for (const Tool& t : kTools)
      if (std::string_view(argv[i]) == t.name) found = &t;
    if (found == nullptr) return usage();
    chosen.push_back(found);
  }
  if (chosen.empty())
    for (const Tool& t : kTools) chosen.push_back(&t);

  make_folder(root);
  for (const Tool* t : chosen) {
    const std::string dir = root + "/" + t->name;
    make_folder(dir);
    make_folder(dir + "/PM");
    make_folder(dir + "/Temp");
    t->make(dir, n);
    Writer(dir + "/answers.txt").put(t->answers);
  }
  return 0;
}
