// raw_convert: rewrites the combined field records of PM/Raw.Txt
// ("latitude longitude depth i1 i2 i3 hour minute second ...") as the
// fixed-column file PM/Raw_Data.Txt with latitude, longitude, depth, hour,
// minute and second. The three integers i1..i3 are read and dropped; nothing
// is computed.
#include <cstdint>
#include <string_view>

#include "console.h"
#include "stop.h"
#include "text_file.h"

using namespace survey_rt;

namespace {

struct RawRecord {
  double latitude = 0;
  double longitude = 0;
  double depth = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  double second = 0;
};

TextFile raw_file, data_file;
int records = 0;

void read_record(RawRecord& r) {
  r.latitude = read_real(raw_file);
  r.longitude = read_real(raw_file);
  r.depth = read_real(raw_file);
  for (int i = 0; i < 3; ++i) read_word(raw_file);  // read only to be passed over
  r.hour = read_word(raw_file);
  r.minute = read_word(raw_file);
  r.second = read_real(raw_file);
  skip_line(raw_file);
  io_check();
}

// One 44-character line when every value fits its width.
void write_record(const RawRecord& r) {
  write_fixed(data_file, r.latitude, 12, 8);
  write_char(data_file, ' ');
  write_fixed(data_file, r.longitude, 12, 8);
  write_char(data_file, ' ');
  write_fixed(data_file, r.depth, 6, 2);
  write_char(data_file, ' ');
  write_int(data_file, r.hour, 2);
  write_char(data_file, ' ');
  write_int(data_file, r.minute, 2);
  write_char(data_file, ' ');
  write_fixed(data_file, r.second, 5, 2);
  end_line(data_file);
  io_check();
}

}  // namespace

int main() {
  TextFile& con = console_output();
  clear_screen();
  show_at(5, 5, "Lat Lon Depth Hour Min Sec ... ");
  show_at(5, 7, "Read   PM/Raw.Txt");
  show_at(5, 8, "Write  PM/Raw_Data.Txt");

  open_input(raw_file, "PM/Raw.Txt");
  io_check();
  records = 0;
  create_output(data_file, "PM/Raw_Data.Txt");
  io_check();

  RawRecord r;
  do {
    read_record(r);
    write_record(r);
    ++records;
    show_count(5, 10, "Records: ", records, 6);
  } while (!at_end_checked(raw_file));

  close_file(raw_file);
  io_check();
  close_file(data_file);
  io_check();
  end_line(con);
  end_line(con);
  write_str(con, "      Press Enter  ... ");
  io_check();
  wait_enter();
  io_check();
  return 0;
}
