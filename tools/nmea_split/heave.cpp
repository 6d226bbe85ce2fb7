#include "heave.h"

namespace nmea {

Fault read_psxn(std::span<const std::string_view> fields, Sentence& s) {
  if (fields[0] != "23") return Fault::none;
  if (fields.size() < static_cast<std::size_t>(kPsxnFields)) return Fault::cut_short;
  return read_decimal(fields[4], s.heave);
}

}  // namespace nmea
