#include "selection.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>

#include "dxf_drawing.h"
#include "stop.h"
#include "xyz_records.h"

namespace soundings {

namespace {

constexpr std::size_t kChunk = 1 << 20;  // soundings a chunk

// The cell of a coordinate, from the origin o in cells of size w; far places
// share the outermost cells (their boxes are still compared in full).
std::int64_t cell(double v, double o, double w) {
  const double c = std::floor((v - o) / w);
  constexpr double kFar = 4e18;
  return static_cast<std::int64_t>(std::clamp(c, -kFar, kFar));
}

// The bucket of a cell. Four cells side by side west to east share a run of
// four buckets, so the cells that a box looks at lie in few cache lines.
std::size_t bucket(const BoxIndex& index, std::int64_t cx, std::int64_t cy) {
  const std::uint64_t h = static_cast<std::uint64_t>(cx >> 2) * 0x9E3779B97F4A7C15ULL ^
                          static_cast<std::uint64_t>(cy) * 0xC2B2AE3D27D4EB4FULL;
  return static_cast<std::size_t>(((h ^ (h >> 29)) << 2 | static_cast<std::uint64_t>(cx & 3)) &
                                  (index.buckets.size() - 1));
}

void put_in_hash(BoxIndex& index, std::int32_t k) {
  const Box& b = index.boxes[k].box;
  const std::size_t i = bucket(index, cell(b.x0, index.x0, index.cell_w), cell(b.y0, index.y0, index.cell_h));
  index.boxes[k].next = index.buckets[i];
  index.buckets[i] = k;
}

// Calls found(k) for the boxes whose lower left corner lies in the cells
// from one cell below and left of b's own to its upper right, until it says
// true; whether it did.
template <class Found>
bool search(const BoxIndex& index, const Box& b, Found found) {
  const std::int64_t cx0 = cell(b.x0 - index.cell_w, index.x0, index.cell_w);
  const std::int64_t cx1 = cell(b.x1, index.x0, index.cell_w);
  const std::int64_t cy0 = cell(b.y0 - index.cell_h, index.y0, index.cell_h);
  const std::int64_t cy1 = cell(b.y1, index.y0, index.cell_h);
  for (std::int64_t cx = cx0; cx <= cx1; ++cx)
    for (std::int64_t cy = cy0; cy <= cy1; ++cy)
      for (std::int32_t k = index.buckets[bucket(index, cx, cy)]; k >= 0; k = index.boxes[k].next)
        if (found(k)) return true;
  return false;
}

// Whether a comes before b: the shallower first, of equal heights the first
// in the file.
bool shoaler(const Sounding& a, const Sounding& b) { return a.z != b.z ? a.z > b.z : a.index < b.index; }

}  // namespace

Measures measures(double scale, double height_mm, double spacing_mm) {
  Measures m;
  m.h = height_mm * scale / 1000;
  m.half = kCharWidth * m.h / 2;
  m.digit = kCharWidth * kDigitHeight * m.h;
  m.grow = spacing_mm / 2 * scale / 1000;
  return m;
}

BoxIndex box_index(double w, double h, double x0, double y0) {
  BoxIndex index;
  index.cell_w = w;
  index.cell_h = h;
  index.x0 = x0;
  index.y0 = y0;
  index.buckets.assign(1024, -1);
  return index;
}

// The hash grows to twice the boxes, so a bucket holds about one cell's boxes.
void insert(BoxIndex& index, const Box& b) {
  index.boxes.push_back({b, -1});
  if (index.boxes.size() * 2 > index.buckets.size()) {
    index.buckets.assign(index.buckets.size() * 2, -1);
    for (std::size_t k = 0; k < index.boxes.size(); ++k) put_in_hash(index, static_cast<std::int32_t>(k));
  } else {
    put_in_hash(index, static_cast<std::int32_t>(index.boxes.size() - 1));
  }
}

bool meets(const BoxIndex& index, const Box& b) {
  return search(index, b, [&](std::int32_t k) { return overlap(b, index.boxes[k].box); });
}

void each_near(const BoxIndex& index, const Box& b, const std::function<void(std::int32_t k)>& each) {
  search(index, b, [&each](std::int32_t k) {
    each(k);
    return false;
  });
}

ReadEnd read_soundings(survey_rt::TextFile& f, SoundingList& list, const std::function<void(std::int32_t)>& progress) {
  while (!survey_rt::at_end_checked(f)) {
    if (list.count == std::numeric_limits<std::int32_t>::max()) return {list.count, true};
    Sounding s;
    survey_rt::read_xyz(f, s.x, s.y, s.z);
    s.index = static_cast<std::uint32_t>(list.count++);
    if (!std::isfinite(s.x) || !std::isfinite(s.y) || !std::isfinite(s.z)) return {list.count, false};
    s.chars = static_cast<std::uint32_t>(whole_chars(label_text(s.z)));
    if (list.chunks.empty() || list.chunks.back().size() == kChunk) {
      list.chunks.emplace_back();
      list.chunks.back().reserve(kChunk);
    }
    list.chunks.back().push_back(s);
    progress(list.count);
  }
  return {};
}

// Each chunk is sorted, and the chunks are merged through a heap of their
// next soundings. The hash's cells are the widest grown box (and then some),
// its origin the least x and y.
std::vector<Sounding> select(SoundingList& list, const Measures& m, const std::function<void(std::int32_t)>& kept) {
  std::vector<std::vector<Sounding>>& chunks = list.chunks;
  std::uint32_t widest = 1;
  double x0 = chunks.empty() ? 0 : chunks[0][0].x;
  double y0 = chunks.empty() ? 0 : chunks[0][0].y;
  for (const std::vector<Sounding>& chunk : chunks)
    for (const Sounding& s : chunk) {
      widest = std::max(widest, s.chars);
      x0 = std::min(x0, s.x);
      y0 = std::min(y0, s.y);
    }
  const Box wide = box_of(m, {0, 0, 0, 0, widest});
  const double tiny = std::numeric_limits<double>::min();
  BoxIndex index = box_index(std::max((wide.x1 - wide.x0) * 1.01, tiny), std::max((wide.y1 - wide.y0) * 1.01, tiny),
                             x0, y0);

  for (std::vector<Sounding>& chunk : chunks) std::sort(chunk.begin(), chunk.end(), shoaler);
  std::vector<std::size_t> next(chunks.size(), 0);
  auto later = [&](std::size_t a, std::size_t b) { return shoaler(chunks[b][next[b]], chunks[a][next[a]]); };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> heads(later);
  for (std::size_t c = 0; c < chunks.size(); ++c) heads.push(c);
  std::vector<Sounding> chosen;
  while (!heads.empty()) {
    const std::size_t c = heads.top();
    heads.pop();
    const Sounding& s = chunks[c][next[c]];
    const Box b = box_of(m, s);
    if (!meets(index, b)) {
      insert(index, b);
      chosen.push_back(s);
      kept(static_cast<std::int32_t>(chosen.size()));
    }
    if (++next[c] < chunks[c].size()) heads.push(c);
  }
  std::vector<std::vector<Sounding>>().swap(chunks);
  std::sort(chosen.begin(), chosen.end(), [](const Sounding& a, const Sounding& b) { return a.index < b.index; });
  return chosen;
}

Label label_of(const Measures& m, const Sounding& s) {
  const std::string text(std::string_view(label_text(s.z)));
  const std::size_t point = whole_chars(text);
  const std::string underline = s.z > 0 ? "%%u" : "";
  return {underline + text.substr(0, point), underline + text.substr(point + 1), s.z > 0, s.x + s.chars * m.half,
          s.y - m.h / 2};
}

void write_dxf_label(survey_rt::TextFile& f, const Measures& m, const Label& l) {
  survey_rt::dxf_text(f, {l.right, l.foot, 0}, m.h, 0, true, l.whole, "SOUNDINGS");
  survey_rt::dxf_text(f, {l.right, l.foot - kDigitDrop * m.h, 0}, kDigitHeight * m.h, 0, false, l.digit,
                      "SOUNDINGS");
}

}  // namespace soundings
