#include "heave.h"

#include <string>

#include "console.h"
#include "platform.h"
#include "stop.h"

namespace nmea {

namespace {

constexpr std::string_view kHeavePath = "Temp/Raw_Heave.txt";

// The screen's places: the file beside the outputs (column 41, rows 8 and
// 9), the count among the counters (column 59, row 17).
constexpr int kFileX = 41, kFileY = 8, kCountX = 59, kCountY = 17;

void show_count_of(const HeaveOutput& out) {
  survey_rt::show_count(kCountX, kCountY, "Heave     : ", static_cast<int>(out.taken), 9);
}

}  // namespace

Fault read_psxn(std::span<const std::string_view> fields, Sentence& s) {
  if (fields[0] != "23") return Fault::none;
  if (fields.size() < static_cast<std::size_t>(kPsxnFields)) return Fault::cut_short;
  return read_decimal(fields[4], s.heave);
}

void start_heave(HeaveOutput& out) {
  using namespace survey_rt;
  if (out.taken > 0 || out.untimed) {
    show_at(kFileX, kFileY, std::string(39, ' '));
    show_at(kFileX, kFileY + 1, std::string(39, ' '));
  }
  if (out.taken > 0) show_at(kCountX, kCountY, std::string(21, ' '));
  out.days = {};
  out.taken = 0;
  out.untimed = false;
  const std::uint16_t code = platform::remove_file(platform::resolve(kHeavePath, platform::Use::read));
  if (code != 0 && code != kFileNotFound && code != kPathNotFound) {
    io_fail(code, "remove", kHeavePath);
    io_check();
  }
}

bool heave_goes_back(const HeaveOutput& out, const TimeOfDay& t) {
  return out.days.any && t.seconds() < out.days.last && !survey_rt::is_next_day(out.days, t.seconds());
}

void write_heave(HeaveOutput& out, const Value& heave, const TimeOfDay& t) {
  using namespace survey_rt;
  if (out.file.mode == FileMode::closed) {
    show_at(kFileX, kFileY, "Heave : " + std::string(kHeavePath));
    create_output(out.file, kHeavePath);
    io_check();
  }
  count_days(out.days, t.seconds());
  write_int(out.file, t.hour);
  write_char(out.file, ' ');
  write_int(out.file, t.minute);
  write_char(out.file, ' ');
  write_fixed(out.file, t.second, 0, t.decimals);
  write_char(out.file, ' ');
  write_fixed(out.file, heave.value, 0, heave.decimals);
  end_line(out.file);
  io_check();
  ++out.taken;
  show_count_of(out);
}

void show_heave(const HeaveOutput& out) {
  if (out.taken > 0) {
    survey_rt::show_at(kFileX + 8, kFileY + 1, "PSXN,23: --heave-sign " + std::string(kPsxnHeaveSign));
  } else if (out.untimed) {
    survey_rt::show_at(kFileX, kFileY, "Heave : not taken, no time tags");
  }
}

}  // namespace nmea
