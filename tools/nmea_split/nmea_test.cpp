// read_sentence on the edges of the sentence rules: checksums in either
// letter case or left out, cut sentences, the number grammar of a field,
// degrees and minutes of every width, the time tags before the "$", and
// lines that hold several sentences.
#include "nmea.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

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
      {with_sum("SDDBT,,f,-0.4,M,,F"), Fault::negative_depth, 0, 0},
      {with_sum("SDDBT,-1.3,f,0.4,M,,F"), Fault::negative_depth, 0, 0},
      {with_sum("SDDPT,-7.25,0.5"), Fault::negative_depth, 0, 0},
      {with_sum("SDDPT,7.25,-0.5"), Fault::none, 7.25, 2},  // an offset may be negative
      {with_sum("SDDBT,1.0,M,12.3,f,1.0,F"), Fault::unit, 0, 0},
      {with_sum("SDDBT,1.0,f,12.3,,1.0,F"), Fault::unit, 0, 0},
      {with_sum("SDDBT,,,12.3,M,,"), Fault::none, 12.3, 1},  // no number, no letter
      {with_sum("SDDBS,,f,12.3,M,,f"), Fault::unit, 0, 0},
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
      {with_sum("GPGGA,1200000,4230.5,N,02730.5,E,1,08,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPGGA,120000.,4230.5,N,02730.5,E,1,08,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPGGA,120000.05,4230.5,N,02730.5,E,1,08,,,,,,,"), Fault::none, 42.508333333333333, 8},
      {with_sum("GPGGA,120000,,,,,0,00,,,,,,,"), Fault::none, 0, 0},  // no fix: no position needed
      {with_sum("GPGGA,120000,,,,,1,00,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPGGA,120000,4230.5,N,,,1,00,,,,,,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPRMC,120000,X,4230.5,N,02730.5,E,,,150310,,"), Fault::not_a_number, 0, 0},
      {with_sum("GPRMC,120000,V,,,,,,,321310,,"), Fault::out_of_range, 0, 0},
      {with_sum("GPZDA,120000,15,03,10,00,00"), Fault::not_a_number, 0, 0},
      {with_sum("GPZDA,120000,15,03,2010"), Fault::none, 0, 0},  // no local zone
      {with_sum("GPZDA,120000,15,03"), Fault::cut_short, 0, 0},
      {with_sum("GPGLL,4230.5,N,02730.5,E"), Fault::none, 42.508333333333333, 8},  // NMEA 1.5
      {with_sum("GPGLL,4230.5,N,02730.5"), Fault::cut_short, 0, 0},
      {with_sum("GNGNS,120000,4230.5,N,02730.5,E,RN,12,0.9,5.4,36.9,,"), Fault::none, 42.508333333333333, 8},
      {with_sum("GNGNS,120000,4230.5,N,02730.5,E,RN,12,0.9,5.4,36.9,"), Fault::cut_short, 0, 0},
      {with_sum("GNGNS,120000,,,,,,00,,,,,"), Fault::not_a_number, 0, 0},
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
    const nmea::Value& v = s.latitude.set ? s.latitude : s.depth;
    EXPECT_TRUE(v.set);
    EXPECT_DOUBLE_EQ(v.value, c.value);
    EXPECT_EQ(v.decimals, c.decimals);
  }
  nmea::Sentence s;
  EXPECT_EQ(nmea::read_sentence("$SDDBT,1.0,f,12.3,M,1.0,F", 256, s), Fault::too_long);
}

// What tells a real fix and its quality: GGA's code, the mode letters of
// RMC, GLL and GNS (a GNS letter for each satellite system, N for the ones
// not used), and the altitude of an RTK fix.
TEST(ReadSentence, FixQuality) {
  struct Case {
    std::string body;
    bool fix, real;
    int quality;
    double altitude;  // NAN: not set
  };
  const std::string pos = "4230.5,N,02730.5,E";
  const Case cases[] = {
      {"GPGGA,120000," + pos + ",1,08,0.9,5.4,M,36.9,M,,", true, true, 1, NAN},
      {"GPGGA,120000," + pos + ",4,08,0.9,5.432,M,36.9,M,,", true, true, 4, 5.432},
      {"GPGGA,120000," + pos + ",4,08,0.9,5.4,,36.9,M,,", true, true, 4, NAN},  // no unit: no altitude
      {"GPGGA,120000," + pos + ",5,08,0.9,5.4,M,36.9,M,,", true, true, 5, NAN},
      {"GPGGA,120000," + pos + ",6,08,0.9,5.4,M,36.9,M,,", true, false, 6, NAN},
      {"GPGGA,120000," + pos + ",7,08,0.9,5.4,M,36.9,M,,", true, false, 7, NAN},
      {"GPGGA,120000," + pos + ",8,08,0.9,5.4,M,36.9,M,,", true, false, 8, NAN},
      {"GPGGA,120000," + pos + ",9,08,0.9,5.4,M,36.9,M,,", true, true, 9, NAN},
      {"GPGGA,120000," + pos + ",12,08,0.9,5.4,M,36.9,M,,", true, false, 12, NAN},
      {"GPGGA,120000,,,,,0,00,,,,,,,", false, false, 0, NAN},
      {"GPRMC,120000,A," + pos + ",,,150310,,", true, true, 1, NAN},  // NMEA 2.0: no mode
      {"GPRMC,120000,A," + pos + ",,,150310,,,D", true, true, 2, NAN},
      {"GPRMC,120000,A," + pos + ",,,150310,,,S", true, false, 8, NAN},
      {"GPRMC,120000,A," + pos + ",,,150310,,,N,V", true, false, 0, NAN},
      {"GPRMC,120000,V,,,,,,,150310,,,E", false, false, 0, NAN},
      {"GPGLL," + pos + ",120000,A,R", true, true, 4, NAN},
      {"GPGLL," + pos + ",120000,A,E", true, false, 6, NAN},
      {"GPGLL," + pos + ",120000,A,M", true, false, 7, NAN},
      {"GNGNS,120000," + pos + ",NF,12,0.9,5.4,36.9,,", true, true, 5, NAN},
      {"GNGNS,120000," + pos + ",PS,12,0.9,5.4,36.9,,", true, true, 3, NAN},
      {"GNGNS,120000," + pos + ",EA,12,0.9,5.4,36.9,,", true, false, 6, NAN},
      {"GNGNS,120000,,,,,NN,00,,,,,", false, false, 0, NAN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const std::string line = with_sum(c.body);
    nmea::Sentence s;
    ASSERT_EQ(nmea::read_sentence(line, line.size(), s), Fault::none);
    EXPECT_EQ(s.fix, c.fix);
    EXPECT_EQ(s.real, c.real);
    if (c.fix) {
      EXPECT_EQ(s.quality, c.quality);
    }
    EXPECT_EQ(s.altitude.set, !std::isnan(c.altitude));
    if (s.altitude.set) {
      EXPECT_DOUBLE_EQ(s.altitude.value, c.altitude);
    }
  }
}

// A sentence after other text on its line: read from the first "$" that
// starts one with its checksum right; the tag only from the printable text
// at the start of the line. (What comes before it is no sentence cut from it
// after its own "*hh": else the line holds two, below.)
TEST(ReadSentence, AfterOtherText) {
  const std::string gga = with_sum("GPGGA,120000,4230.5,N,02730.5,E,1,08,0.9,5.4,M,36.9,M,,");
  const std::string ais = "!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0*26";
  const std::string dbt = with_sum("SDDBT,1.0,f,12.3,M,1.0,F");
  const std::string bad_ais = ais.substr(0, ais.size() - 2) + "27";
  struct Case {
    std::string line;
    Fault fault;
    nmea::Kind kind;
    bool recovered;
    double tag;  // seconds; -1: none
  };
  const Case cases[] = {
      {bad_ais + gga, Fault::none, nmea::Kind::gga, true, -1},
      {"12:00:01.5 " + bad_ais + gga, Fault::none, nmea::Kind::gga, true, 43201.5},
      {bad_ais + "12:00:01 " + gga, Fault::none, nmea::Kind::gga, true, -1},  // no tag after the AIS text
      {std::string("\xb5\x62\x01\x07\x00$\x01", 7) + dbt, Fault::none, nmea::Kind::dbt, true, -1},  // binary, a lone "$"
      {"09:30:00 \xb5\x62\x01" + dbt, Fault::none, nmea::Kind::dbt, true, 34200},
      {gga.substr(0, 30) + gga, Fault::none, nmea::Kind::gga, true, -1},  // a line end lost in a sentence
      {dbt + "\x01" + gga, Fault::none, nmea::Kind::gga, true, -1},  // a byte no text after the sum
      {bad_ais + gga.substr(0, gga.size() - 2) + "00", Fault::none, nmea::Kind::other, false, -1},  // bad sum
      {bad_ais + gga.substr(0, gga.size() - 3), Fault::none, nmea::Kind::other, false, -1},         // no sum
      {"\x01\x02" + gga.substr(0, gga.size() - 2) + "00", Fault::junk, nmea::Kind::other, false, -1},
      {bad_ais + with_sum("GPGGA,120000,9130.5,N,02730.5,E,1,08,0.9,5.4,M,36.9,M,,"), Fault::out_of_range,
       nmea::Kind::gga, true, -1},
      {bad_ais + with_sum("GPGSV,3,1,11,03,03,111,00"), Fault::none, nmea::Kind::other, false, -1},
      {gga + "$", Fault::checksum, nmea::Kind::gga, false, -1},     // a "$" that starts no sentence
      {gga + " $GP", Fault::checksum, nmea::Kind::gga, false, -1},  // nor after blanks (no ",")
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    nmea::Sentence s;
    ASSERT_EQ(nmea::read_sentence(c.line, c.line.size(), s), c.fault);
    EXPECT_EQ(s.recovered, c.recovered);
    EXPECT_EQ(s.rest, 0u);
    if (c.fault != Fault::none && !c.recovered) continue;
    EXPECT_EQ(s.kind, c.kind);
    EXPECT_EQ(s.tag.set, c.tag >= 0);
    if (s.tag.set) {
      EXPECT_DOUBLE_EQ(s.tag.seconds(), c.tag);
    }
  }
  bool more = false;
  EXPECT_EQ(nmea::kind_of(ais + gga, more), nmea::Kind::other);
  EXPECT_TRUE(more);
  EXPECT_EQ(nmea::kind_of(gga, more), nmea::Kind::gga);
  EXPECT_FALSE(more);
}

// A line of several sentences (a lost line end): cut after each "*hh" that
// another sentence follows, every part read as a line, in order, those after
// the first with the line's tag; a wrong "*hh" rejects its sentence only.
TEST(ReadSentence, SentencesOfOneLine) {
  const std::string gga = with_sum("GPGGA,120000,4230.5,N,02730.5,E,1,08,0.9,5.4,M,36.9,M,,");
  const std::string gga2 = with_sum("GPGGA,120001,4231.0,N,02730.5,E,1,08,0.9,5.4,M,36.9,M,,");
  const std::string ais = "!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0*26";
  const std::string bad_ais = ais.substr(0, ais.size() - 2) + "27";
  const std::string dbt = with_sum("SDDBT,1.0,f,12.3,M,1.0,F");
  std::string bad_dbt = with_sum("SDDBT,1.0,f,7.5,M,1.0,F");
  bad_dbt.back() = bad_dbt.back() == '0' ? '1' : '0';
  const std::string dpt = "$SDDPT,3.9,0.4,*75", mtw = "$SDMTW,39.1,C*0F";  // as a sounder sent them
  const double lat = 42.508333333333333, lat2 = 42.516666666666667;
  using K = nmea::Kind;
  struct Part {
    K kind;
    Fault fault;
    double value = 0;  // of a sound sentence: the depth, or the latitude
    double tag = -1;   // seconds; -1: none
    bool recovered = false;
  };
  struct Case {
    std::string line;
    std::vector<Part> parts;
  };
  const Fault ok = Fault::none;
  const Case cases[] = {
      // Both orders of a sounder's DPT and MTW, also after other text.
      {dpt + mtw, {{K::dpt, ok, 3.9}, {K::other, ok}}},
      {mtw + dpt, {{K::other, ok}, {K::dpt, ok, 3.9}}},
      {"COM2> " + dpt + mtw, {{K::dpt, ok, 3.9}, {K::other, ok}}},
      {"COM2> " + mtw + dpt, {{K::other, ok}, {K::dpt, ok, 3.9}}},
      {"\xb5\x62\x01" + dpt + mtw, {{K::dpt, ok, 3.9, -1, true}, {K::other, ok}}},
      // Three sentences and more, with the line's tag.
      {"10:00:00.25 " + gga + dbt + ais, {{K::gga, ok, lat, 36000.25}, {K::dbt, ok, 12.3, 36000.25}, {K::other, ok}}},
      {"10:00:00 " + ais + gga, {{K::other, ok}, {K::gga, ok, lat, 36000}}},
      {ais + "10:00:01 " + gga, {{K::other, ok}, {K::gga, ok, lat}}},  // the line's tag: none
      {gga + " \t" + dbt + "  ", {{K::gga, ok, lat}, {K::dbt, ok, 12.3}}},
      {gga + with_sum("GPGSV,3,1,11,03,03,111,00") + gga2 + dpt,
       {{K::gga, ok, lat}, {K::other, ok}, {K::gga, ok, lat2}, {K::dpt, ok, 3.9}}},
      {with_sum("SDDBT,1.0,f,12.3,M,1.0,F", true) + gga, {{K::dbt, ok, 12.3}, {K::gga, ok, lat}}},
      // A wrong checksum in the middle, first or last: that sentence
      // rejected, the others read.
      {gga + bad_dbt + gga2, {{K::gga, ok, lat}, {K::dbt, Fault::checksum}, {K::gga, ok, lat2}}},
      {"10:00:02 " + dpt + bad_dbt + dbt,
       {{K::dpt, ok, 3.9, 36002}, {K::dbt, Fault::checksum}, {K::dbt, ok, 12.3, 36002}}},
      {bad_dbt + dpt, {{K::dbt, Fault::checksum}, {K::dpt, ok, 3.9}}},
      {gga + bad_dbt, {{K::gga, ok, lat}, {K::dbt, Fault::checksum}}},
      // Parts faulty otherwise: each part as a line of its own.
      {gga + "$SDDBT,1.0,f,12.3,M,1.0,F", {{K::gga, ok, lat}, {K::dbt, ok, 12.3}}},  // no sum, whole
      {gga + "$SDDBT,1.0,f,12.3", {{K::gga, ok, lat}, {K::dbt, Fault::cut_short}}},
      {gga + dbt + "\x01", {{K::gga, ok, lat}, {K::dbt, Fault::junk}}},
      {with_sum("GPGGA,120000,4230.5,N,02730.5,E,1") + dbt,  // a right sum on a sentence cut short
       {{K::gga, Fault::cut_short}, {K::dbt, ok, 12.3}}},
      {with_sum("GPGGA,120000,9130.5,N,02730.5,E,1,08,0.9,5.4,M,36.9,M,,") + dpt,
       {{K::gga, Fault::out_of_range}, {K::dpt, ok, 3.9}}},
      // What is no sentence before them (a sentence cut short by the lost
      // line end, binary bytes, an unchecked sentence with a wrong sum): the
      // first sound sentence after it recovered, the rest read after it.
      {gga.substr(0, 30) + gga2 + dbt, {{K::gga, ok, lat2, -1, true}, {K::dbt, ok, 12.3}}},
      {"$GPGGA,1200" + dbt + gga2, {{K::dbt, ok, 12.3, -1, true}, {K::gga, ok, lat2}}},
      {"\xb5\x62\x01" + dpt + gga, {{K::dpt, ok, 3.9, -1, true}, {K::gga, ok, lat}}},
      {"09:00:00 " + bad_ais + gga + bad_dbt + dpt,
       {{K::gga, ok, lat, 32400, true}, {K::dbt, Fault::checksum}, {K::dpt, ok, 3.9, 32400}}},
      {gga, {{K::gga, ok, lat}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    nmea::LineSentences line;
    nmea::Sentence s;
    Fault fault = nmea::first_sentence(line, c.line, c.line.size(), s);
    for (std::size_t k = 0;; ++k) {
      SCOPED_TRACE(k);
      ASSERT_LT(k, c.parts.size()) << "more sentences than expected";
      const Part& want = c.parts[k];
      EXPECT_EQ(fault, want.fault);
      if (fault != Fault::checksum) {
        EXPECT_EQ(s.kind, want.kind);
      }
      EXPECT_EQ(s.recovered, want.recovered);
      if (fault == Fault::none && s.kind != K::other) {
        EXPECT_DOUBLE_EQ(s.depth.set ? s.depth.value : s.latitude.value, want.value);
        EXPECT_EQ(s.tag.set, want.tag >= 0);
        if (s.tag.set) {
          EXPECT_DOUBLE_EQ(s.tag.seconds(), want.tag);
        }
      }
      if (line.rest.empty()) {
        EXPECT_EQ(k + 1, c.parts.size()) << "fewer sentences than expected";
        break;
      }
      fault = nmea::next_sentence(line, s);
    }
  }
  // A line too long is not cut: its length says what it is.
  nmea::LineSentences line;
  nmea::Sentence s;
  const std::string both = gga + dbt;
  EXPECT_EQ(nmea::first_sentence(line, both, 256, s), Fault::too_long);
  EXPECT_TRUE(line.rest.empty());
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

TEST(ReadSentence, HeaveOfSeapath) {
  struct Case {
    std::string line;
    Fault fault;
    bool heave;  // a heave given
    double value;
    int decimals;
  };
  const Case cases[] = {
      {with_sum("PSXN,23,0.30,-0.97,298.57,0.13"), Fault::none, true, 0.13, 2},
      {"14:08:45.876 " + with_sum("PSXN,23,-2.82,1.00,235.18,-1.66"), Fault::none, true, -1.66, 2},
      {"$PSXN,23,0.30,-0.97,298.57,-0.135", Fault::none, true, -0.135, 3},  // no checksum, every field
      {with_sum("PSXN,23,0.02,-0.76,330.56,"), Fault::none, false, 0, 0},     // the sensor gave none
      {with_sum("PSXN,23,0.30,-0.97,298.57"), Fault::cut_short, false, 0, 0},
      {with_sum("PSXN,23,0.30,-0.97,298.57,0.13") + "0", Fault::checksum, false, 0, 0},
      {with_sum("PSXN,23,0.30,-0.97,298.57,+0.13"), Fault::not_a_number, false, 0, 0},
      {with_sum("PSXN,23,0.30,-0.97,298.57,0,13"), Fault::none, true, 0, 0},  // a sixth field: not read
      {with_sum("PSXN,22,-0.05,-0.68"), Fault::none, false, 0, 0},           // the gyro's: no heave
      {with_sum("PSXN,20,1,0,0,0"), Fault::none, false, 0, 0},
      {with_sum("PSXN"), Fault::cut_short, false, 0, 0},
      {"!AIVDM,1,1,,A,13aG?N0P00PD;88MD5MTDww@2<0L,0*2C" + with_sum("PSXN,23,0,0,0,0.55"), Fault::none, true, 0.55, 2},
  };
  for (const Case& c : cases) {
    nmea::Sentence s;
    EXPECT_EQ(nmea::read_sentence(c.line, c.line.size(), s), c.fault) << c.line;
    if (c.fault != Fault::none) continue;
    EXPECT_EQ(s.kind, nmea::Kind::psxn) << c.line;
    EXPECT_EQ(s.heave.set, c.heave) << c.line;
    if (c.heave) {
      EXPECT_EQ(std::make_pair(s.heave.value, s.heave.decimals), std::make_pair(c.value, c.decimals)) << c.line;
    }
  }
  // The tag before it is the line's.
  nmea::Sentence s;
  const std::string tagged = "2013/11/20 05:00:04.561 MRU " + with_sum("PSXN,23,0.30,-0.97,298.57,0.13");
  ASSERT_EQ(nmea::read_sentence(tagged, tagged.size(), s), Fault::none);
  EXPECT_TRUE(s.tag.set);
  EXPECT_EQ(s.tag.seconds(), 5 * 3600 + 4.561);
}

// The stamps of the fixes: a second after a receiver's time (its decimals
// kept, past midnight and a leap second), and a time in seconds from a
// midnight to the millisecond (before the first midnight, after a day).
TEST(FixStamps, SecondLaterAndTimeOfDay) {
  struct Later {
    nmea::TimeOfDay from;
    int hour, minute;
    double second;
  };
  const Later later[] = {
      {{14, 8, 45.25, 2, true}, 14, 8, 46.25},  {{14, 8, 59.5, 1, true}, 14, 9, 0.5},
      {{14, 59, 59, 0, true}, 15, 0, 0},        {{23, 59, 59.75, 2, true}, 0, 0, 0.75},
      {{23, 59, 60.5, 1, true}, 0, 0, 1.5},  // a leap second
  };
  for (const Later& c : later) {
    const nmea::TimeOfDay t = nmea::second_later(c.from);
    EXPECT_EQ(t.hour, c.hour);
    EXPECT_EQ(t.minute, c.minute);
    EXPECT_DOUBLE_EQ(t.second, c.second);
    EXPECT_EQ(t.decimals, c.from.decimals);
  }
  struct Of {
    double seconds;
    int hour, minute;
    double second;
  };
  const Of of[] = {
      {50925.9004, 14, 8, 45.9}, {50925.9996, 14, 8, 46},  {86399.9996, 0, 0, 0},
      {86400 + 61.25, 0, 1, 1.25}, {-0.3, 23, 59, 59.7}, {3 * 86400 + 0.001, 0, 0, 0.001},
  };
  for (const Of& c : of) {
    SCOPED_TRACE(c.seconds);
    const nmea::TimeOfDay t = nmea::time_of_day(c.seconds);
    EXPECT_EQ(t.hour, c.hour);
    EXPECT_EQ(t.minute, c.minute);
    EXPECT_DOUBLE_EQ(t.second, c.second);
    EXPECT_EQ(t.decimals, 3);
  }
}

}  // namespace
