// The soundings library: the box index against comparing every pair, the
// selection's two guarantees on random soundings with many equal depths,
// the labels' texts and places, and where reading a point list ends.
#include "selection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "test_support.h"

namespace soundings {
namespace {

using survey_rt::RandomBits;

double uniform(RandomBits& next, double low, double high) {
  return low + (high - low) * static_cast<double>(next() % 1000000) / 1000000.0;
}

TEST(BoxIndex, FindsExactlyTheBoxesThatOverlap) {
  // Boxes up to a cell wide and high on a small field, so that many touch,
  // overlap or lie a cell apart; some on whole numbers, so that edges meet.
  RandomBits next(77);
  BoxIndex index = box_index(3, 2, -10, -10);
  std::vector<Box> all;
  for (int i = 0; i < 3000; ++i) {
    const bool whole = i % 3 == 0;
    const double x = whole ? static_cast<double>(next() % 40) : uniform(next, 0, 40);
    const double y = whole ? static_cast<double>(next() % 40) : uniform(next, 0, 40);
    const double w = whole ? 1 + static_cast<double>(next() % 3) : uniform(next, 0.01, 3);
    const double h = whole ? 1 + static_cast<double>(next() % 2) : uniform(next, 0.01, 2);
    const Box b{x, y, x + w, y + h};
    bool brute = false;
    for (const Box& o : all) brute = brute || overlap(b, o);
    ASSERT_EQ(meets(index, b), brute) << i;
    int near = 0, overlapping = 0;
    each_near(index, b, [&](std::int32_t k) {
      ++near;
      overlapping += overlap(b, all[static_cast<std::size_t>(k)]) ? 1 : 0;
    });
    int want = 0;
    for (const Box& o : all) want += overlap(b, o) ? 1 : 0;
    ASSERT_EQ(overlapping, want) << i;
    ASSERT_LE(near, static_cast<int>(all.size()));
    if (i % 2 == 0) {
      insert(index, b);
      all.push_back(b);
    }
  }
  EXPECT_GE(index.buckets.size(), 2 * all.size());
}

TEST(BoxIndex, BoxesThatOnlyTouchDoNotOverlap) {
  const Box a{0, 0, 1, 1};
  // (box, overlaps a)
  const struct {
    Box b;
    bool overlaps;
  } cases[] = {{{1, 0, 2, 1}, false},     {{0, 1, 1, 2}, false},        {{1, 1, 2, 2}, false},
               {{0.999, 0, 2, 1}, true},  {{-1, -1, 0.001, 0.001}, true}, {{0.2, 0.2, 0.8, 0.8}, true},
               {{-5, 0.5, 5, 0.6}, true}, {{2, 2, 3, 3}, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(overlap(a, c.b), c.overlaps) << c.b.x0 << " " << c.b.y0;
    EXPECT_EQ(overlap(c.b, a), c.overlaps);
  }
}

// Random soundings, depths on whole decimetres so that many are equal.
SoundingList random_list(RandomBits& next, int n, double size) {
  SoundingList list;
  list.chunks.emplace_back();
  for (int i = 0; i < n; ++i) {
    Sounding s{uniform(next, 0, size), uniform(next, 0, size), -static_cast<double>(next() % 300) / 10,
               static_cast<std::uint32_t>(i), 0};
    s.chars = static_cast<std::uint32_t>(whole_chars(label_text(s.z)));
    list.chunks.back().push_back(s);
  }
  list.count = n;
  return list;
}

TEST(Selection, KeepsNoOverlapAndHidesNoShoalerDepth) {
  // (scale, text height, spacing)
  const double cases[][3] = {{1000, 2, 0.5}, {500, 2.5, 0}, {2500, 1.8, 1}};
  for (const auto& c : cases) {
    RandomBits next(static_cast<std::uint64_t>(c[0]));
    SoundingList list = random_list(next, 2500, 120);
    const std::vector<Sounding> all = list.chunks[0];
    const Measures m = measures(c[0], c[1], c[2]);
    std::int32_t shown = 0;
    const std::vector<Sounding> kept = select(list, m, [&](std::int32_t k) { shown = k; });
    EXPECT_TRUE(list.chunks.empty());
    ASSERT_EQ(shown, static_cast<std::int32_t>(kept.size()));
    ASSERT_GT(kept.size(), 20u);
    ASSERT_LT(kept.size(), all.size());
    std::vector<char> is_kept(all.size(), 0);
    for (std::size_t k = 0; k < kept.size(); ++k) {
      if (k > 0) {
        ASSERT_LT(kept[k - 1].index, kept[k].index) << "not in file order";
      }
      is_kept[kept[k].index] = 1;
      for (std::size_t j = k + 1; j < kept.size(); ++j)
        ASSERT_FALSE(overlap(box_of(m, kept[k]), box_of(m, kept[j]))) << kept[k].index << " " << kept[j].index;
    }
    for (const Sounding& s : all) {
      if (is_kept[s.index]) continue;
      bool hidden_by_shoaler = false;
      for (const Sounding& k : kept)
        hidden_by_shoaler = hidden_by_shoaler || (k.z >= s.z && overlap(box_of(m, s), box_of(m, k)));
      ASSERT_TRUE(hidden_by_shoaler) << "dropped " << s.index << " under no kept label as shallow";
    }
  }
}

TEST(Labels, TextsAndPlaces) {
  const Measures m = measures(500, 2.4, 0.5);  // h = 1.2 m
  EXPECT_DOUBLE_EQ(m.h, 1.2);
  EXPECT_DOUBLE_EQ(m.half, 0.48);
  EXPECT_DOUBLE_EQ(m.digit, 0.576);
  EXPECT_DOUBLE_EQ(m.grow, 0.125);
  // (z, whole metres, digit, drying)
  const struct {
    double z;
    const char *whole, *digit;
    bool drying;
  } cases[] = {{-12.34, "12", "3", false}, {-2.25, "2", "3", false},   {-9.96, "10", "0", false},
               {0.0, "0", "0", false},     {1.24, "%%u1", "%%u2", true}, {-105.55, "105", "6", false}};
  for (const auto& c : cases) {
    Sounding s{100, 200, c.z, 0, 0};
    s.chars = static_cast<std::uint32_t>(whole_chars(label_text(c.z)));
    const Label l = label_of(m, s);
    EXPECT_EQ(l.whole, c.whole) << c.z;
    EXPECT_EQ(l.digit, c.digit) << c.z;
    EXPECT_EQ(l.drying, c.drying) << c.z;
    const double n = static_cast<double>(std::string(c.whole).size() - (c.drying ? 3 : 0));
    EXPECT_DOUBLE_EQ(l.right, 100 + n * 0.48) << c.z;
    EXPECT_DOUBLE_EQ(l.foot, 200 - 0.6) << c.z;
    const Box b = box_of(m, s);
    EXPECT_NEAR(b.x0, 100 - n * 0.48 - 0.125, 1e-12);
    EXPECT_NEAR(b.x1, 100 + n * 0.48 + 0.576 + 0.125, 1e-12);
    EXPECT_NEAR(b.y0, 200 - 0.96 - 0.125, 1e-12);
    EXPECT_NEAR(b.y1, 200 + 0.6 + 0.125, 1e-12);
  }
}

class ReadSoundings : public survey_rt::FolderTest {};

TEST_F(ReadSoundings, EndsAtTheFirstRecordThatCannotBeDrawn) {
  // (file, records read, the record that ends the reading)
  const struct {
    const char* text;
    std::int32_t count, record;
  } cases[] = {{"1 2 -3\r\n4 5 -6\r\n", 2, 0},
               {"1 2 -3\r\n4 5 nan\r\n7 8 -9\r\n", 2, 2},
               {"inf 2 -3\r\n", 1, 1},
               {"1 2 -3 anything after\r\n4 5 -6", 2, 0},
               {"", 0, 0}};
  for (const auto& c : cases) {
    survey_rt::put_bytes(path("points.txt"), c.text);
    survey_rt::TextFile f;
    survey_rt::open_input(f, path("points.txt"));
    survey_rt::io_check();
    SoundingList list;
    std::int32_t shown = 0;
    const ReadEnd end = read_soundings(f, list, [&](std::int32_t n) { shown = n; });
    survey_rt::close_file(f);
    survey_rt::io_check();
    EXPECT_EQ(list.count, c.count) << c.text;
    EXPECT_EQ(end.record, c.record) << c.text;
    EXPECT_FALSE(end.too_many);
    EXPECT_EQ(shown, c.record != 0 ? c.count - 1 : c.count) << c.text;
  }
}

}  // namespace
}  // namespace soundings
