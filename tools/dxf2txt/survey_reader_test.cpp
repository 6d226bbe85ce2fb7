// Unit tests of the text rules of dxf2txt --survey: the --layer patterns, the
// plain text of an MTEXT and the labels that are numbers. The geometry is
// tested end to end against ezdxf (tests/e2e/test_dxf2txt_survey.py).
#include "survey_reader.h"

#include <gtest/gtest.h>

namespace dxf_survey {
namespace {

TEST(SurveyReaderTest, LayerPatterns) {
  struct Case {
    const char* pattern;
    const char* layer;
    bool matches;
  };
  const Case cases[] = {
      {"HEIGHTS", "heights", true},   {"*", "", true},          {"*", "any layer", true},
      {"H*S", "HEIGHTS", true},       {"H*S", "HEIGHT", false}, {"?", "0", true},
      {"?", "10", false},             {"*-?", "grid-1", true},  {"*-?", "grid-12", false},
      {"a*b*c", "aXbYbZc", true},     {"a*b*c", "aXbYc Z", false}, {"", "0", false},
      {"Defpoints", "DEFPOINTS", true}, {"*1", "1", true},       {"**x", "ax", true},
      // Cyrillic names in any case, as UTF-8 or as Windows-1251 bytes (a
      // pattern typed in UTF-8 matches a layer of an older drawing).
      {"\xD0\xBA\xD0\xBE\xD1\x82\xD0\xB8", "\xD0\x9A\xD0\x9E\xD0\xA2\xD0\x98", true},  // коти, КОТИ
      {"\xD0\xBA\xD0\xBE\xD1\x82*", "\xCA\xCE\xD2\xC8", true},                         // кот*, КОТИ in 1251
      {"\xEA\xEE\xF2\xE8", "\xD0\x9A\xD0\x9E\xD0\xA2\xD0\x98", true},                // коти in 1251, КОТИ
      {"\xD1\x91?", "\xA8\xC6", true},                                                      // ё?, ЁЖ in 1251
      {"\xD0\xBA\xD0\xBE\xD1\x82\xD0\xB8", "\xD0\x9A\xD0\x9E\xD0\xA2", false},        // коти, КОТ
      {"?", "\xD0\x96", true},                                                                // one letter Ж
  };
  for (const Case& c : cases) EXPECT_EQ(layer_matches(c.pattern, c.layer), c.matches) << c.pattern << " " << c.layer;
}

TEST(SurveyReaderTest, MtextPlainTextAndNumericLabels) {
  struct Case {
    const char* text;
    bool number;
    double value;
  };
  // MTEXT texts, their formatting codes taken out first.
  const Case cases[] = {
      {"12.5", true, 12.5},
      {"{\\fArial|b1|i0|c204|p34;\\H2.5x;-3.25}", true, -3.25},
      {"\\A1;+4,75\\P", true, 4.75},
      {"  .5 ", true, 0.5},
      {"7.", true, 7},
      {"12\\P13", false, 0},
      {"\\S1^2;", false, 0},
      {"1.2.3", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"1e3", false, 0},
      {"{\\C1;\\LH}=5", false, 0},
  };
  for (const Case& c : cases) {
    double value = -1;
    EXPECT_EQ(label_number(mtext_plain(c.text), value), c.number) << c.text;
    if (c.number) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
  EXPECT_EQ(mtext_plain("a\\Pb\\~c\\\\d\\{e\\}{\\Of}"), "a b c\\d{e}f");
}

}  // namespace
}  // namespace dxf_survey
