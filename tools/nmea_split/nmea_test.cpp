// read_sentence on the edges of the sentence rules: checksums in either
// letter case or left out, cut sentences, the number grammar of a field,
// degrees and minutes of every width, and the time tags before the "$".
#include "nmea.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using nmea::Fault;

// "$body*hh" with the checksum of body.
std::string with_sum(const std::string& body, bool lower = false) {
  unsigned sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char hex[3];
  std::snprintf(hex, sizeof hex, lower ? "%02x" : "%02X", sum);
  return "$" + body + "*" + hex;
}

TEST(ReadSentence, FaultsAndValues) {
  struct Case {
    std::string line;
    Fault fault;
    double value;  // the depth, or the latitude of a position (0: not looked at)
    int decimals;
  };
  const std::string gga = "GPGGA,120000,4230.5,N,02730.5,E,1,08,0.9,5.4,M,36.9,M,,";
  const Case cases[] = {
      {with_sum("SDDBT,1.0,f,12.3,M,1.0,F"), Fault::none, 12.3, 1},
      {with_sum("SDDBT,1.0,f,12.3,M,1.0,F", true) + " \t", Fault::none, 12.3, 1},  // lower case, blanks after
      {"$SDDBT,1.0,f,12.30,M,1.0,F", Fault::none, 12.3, 2},                     // no checksum, every field
      {"$SDDBT,1.0,f,12.30,M,1.0", Fault::cut_short, 0, 0},
      {"$SDDBT", Fault::cut_short, 0, 0},
      {with_sum("SDDBT,1.0,f,12.3,M,1.0,F") + "0", Fault::checksum, 0, 0},
      {with_sum("SDDBT,1.0,f,12.3,M,1.0,F").substr(0, 27), Fault::cut_short, 0, 0},  // "*" and one digit
      {"$SDDBT,1.0,f,12.3,M,1.0,F*G0", Fault::checksum, 0, 0},
      {with_sum("SDDBT,,f,5.,M,,F"), Fault::not_a_number, 0, 0},
      {with_sum("SDDBT,,f,.5,M,,F"), Fault::not_a_number, 0, 0},
      {with_sum("SDDBT,,f,1e1,M,,F"), Fault::not_a_number, 0, 0},
      {with_sum("SDDBT,,f,+1,M,,F"), Fault::not_a_number, 0, 0},
      {with_sum("SDDBT,,f,-0.4,M,,F"), Fault::none, -0.4, 1},
      {with_sum("SDDPT,7.25"), Fault::cut_short, 0, 0},
      {with_sum("SDDPT,7.25,"), Fault::none, 7.25, 2},
      {with_sum(gga), Fault::none, 42.508333333333333, 8},
      {with_sum("GPGGA,120000,04230.5,N,02730.5,E,1,08,,,,,,,"), Fault::none, 42.508333333333333, 8},
      {with_sum("GPGGA,120000,30.5,N,02730.5,E,1,08,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPGGA,120000,4260.0,N,02730.5,E,1,08,,,,,,,"), Fault::out_of_range, 0, 0},
      {with_sum("GPGGA,120000,4230.5,X,02730.5,E,1,08,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPGGA,120000,4230.5,N,18030.5,E,1,08,,,,,,,"), Fault::out_of_range, 0, 0},
      {with_sum("GPGGA,240000,4230.5,N,02730.5,E,1,08,,,,,,,"), Fault::out_of_range, 0, 0},
      {with_sum("GPGGA,12000,4230.5,N,02730.5,E,1,08,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPGGA,120000,,,,,0,00,,,,,,,"), Fault::none, 0, 0},  // no fix: no position needed
      {with_sum("GPGGA,120000,,,,,1,00,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPGGA,120000,4230.5,N,,,1,00,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPRMC,120000,X,4230.5,N,02730.5,E,,,150310,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPRMC,120000,V,,,,,,,321310,,"), Fault::out_of_range, 0, 0},
      {with_sum("GPZDA,120000,15,03,10,00,00"), Fault::not_a_number, 0, 0},
      {"!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0*26", Fault::none, 0, 0},  // other: not read
      {"$PGRMZ,12,f,3*00", Fault::none, 0, 0},
      {"no sentence here", Fault::no_sentence, 0, 0},
      {"$SDDBT,1.0,f,12.3,M,1.0,F\x7f", Fault::junk, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    nmea::Sentence s;
    ASSERT_EQ(nmea::read_sentence(c.line, c.line.size(), s), c.fault);
    if (c.value == 0) continue;
    const nmea::Value& v = s.kind == nmea::Kind::gga ? s.latitude : s.depth;
    EXPECT_TRUE(v.set);
    EXPECT_DOUBLE_EQ(v.value, c.value);
    EXPECT_EQ(v.decimals, c.decimals);
  }
  nmea::Sentence s;
  EXPECT_EQ(nmea::read_sentence("$SDDBT,1.0,f,12.3,M,1.0,F", 256, s), Fault::too_long);
}

TEST(ReadSentence, TimeTags) {
  struct Case {
    const char* before;
    bool set;
    double seconds;
    int decimals;
  };
  const Case cases[] = {
      {"", false, 0, 0},
      {"01:02:03 and later 12:34:56 ", true, 45296, 0},  // the last one
      {"12:34:567 ", false, 0, 0},                       // a digit after it
      {"112:34:56 ", false, 0, 0},                       // a digit before it
      {"12:34:56 24:00:00 ", true, 45296, 0},            // 24:00:00 is no time
      {"12:34:5 ", false, 0, 0},
      {"23:59:60.5 ", true, 86400.5, 1},                 // a leap second
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    const std::string line = std::string(c.before) + with_sum("SDDPT,7.25,0.5");
    nmea::Sentence s;
    ASSERT_EQ(nmea::read_sentence(line, line.size(), s), Fault::none);
    EXPECT_EQ(s.tag.set, c.set);
    if (!c.set) continue;
    EXPECT_DOUBLE_EQ(s.tag.seconds(), c.seconds);
    EXPECT_EQ(s.tag.decimals, c.decimals);
  }
}

}  // namespace
