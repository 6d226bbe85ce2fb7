#include "survey_reader.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "ascii_case.h"
#include "dxf_points.h"
#include "stop.h"

using namespace survey_rt;

namespace dxf_survey {
namespace {

// One entity as read: its type and its pairs after the code 0, in file order
// (the first n of pairs; their strings are reused from entity to entity).
struct Entity {
  std::string type;
  std::vector<std::pair<int, std::string>> pairs;
  std::size_t n = 0;
};

// The pair reader: the current pair (code, value) of the drawing; ended once
// the drawing has no further pair.
struct Reader {
  TextFile& file;
  Drawing& d;
  int code = -1;
  std::string value;
  bool ended = false;
};

[[noreturn]] void bad_value(const Reader& r, const char* what) {
  // Values are read when their entity has been read: the line is near.
  io_fail(kInvalidNumber, what, "drawing, near line " + std::to_string(r.d.line));
  io_check();
  halt(kInvalidNumber);  // not reached: io_check stops
}

std::string_view trimmed(std::string_view s) { return trim_code(s); }

int integer_of(const Reader& r, std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) bad_value(r, "read_dxf_integer");
  return v;
}

double real_of(const Reader& r, std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) bad_value(r, "read_dxf_real");
  return v;
}

// Reads the next pair; false (ended) at the end of the drawing.
bool next_pair(Reader& r) {
  if (r.ended || at_end_checked(r.file)) {
    r.ended = true;
    return false;
  }
  std::string_view code = take_line(r.file);
  io_check();
  // A drawing saved as UTF-8 text may begin with its byte order mark.
  if (r.d.line == 0 && code.starts_with("\xEF\xBB\xBF")) code.remove_prefix(3);
  ++r.d.line;
  r.code = integer_of(r, code);
  if (at_end_checked(r.file)) {  // a code without its value ends the drawing
    r.ended = true;
    return false;
  }
  r.value.assign(take_line(r.file));
  io_check();
  ++r.d.line;
  return true;
}

bool at(const Reader& r, std::string_view type) { return !r.ended && r.code == 0 && r.value == type; }

// Reads the entity whose code 0 is the current pair, up to the next code 0.
void read_entity(Reader& r, Entity& e) {
  e.type = r.value;
  e.n = 0;
  while (next_pair(r) && r.code != 0) {
    if (e.n == e.pairs.size()) e.pairs.emplace_back();
    e.pairs[e.n].first = r.code;
    e.pairs[e.n].second.assign(r.value);
    ++e.n;
  }
}

const std::string* find(const Entity& e, int code) {
  for (std::size_t i = 0; i < e.n; ++i)
    if (e.pairs[i].first == code) return &e.pairs[i].second;
  return nullptr;
}

double real(const Reader& r, const Entity& e, int code, double otherwise) {
  const std::string* v = find(e, code);
  return v == nullptr ? otherwise : real_of(r, *v);
}

int integer(const Reader& r, const Entity& e, int code, int otherwise) {
  const std::string* v = find(e, code);
  return v == nullptr ? otherwise : integer_of(r, *v);
}

Vec3 point(const Reader& r, const Entity& e, int code) {
  return {real(r, e, code, 0), real(r, e, code + 10, 0), real(r, e, code + 20, 0)};
}

std::string_view layer_of(const Entity& e) {
  const std::string* v = find(e, 8);
  return v == nullptr ? std::string_view("0") : std::string_view(*v);
}

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 unit(Vec3 a) { return (1.0 / std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z)) * a; }

// The axes of the object coordinate system of an extrusion (the arbitrary
// axis rule of DXF): x, y and z in world coordinates.
void ocs_axes(Vec3 extrusion, Vec3 axes[3]) {
  const double length = std::sqrt(extrusion.x * extrusion.x + extrusion.y * extrusion.y + extrusion.z * extrusion.z);
  // No direction (a zero or broken extrusion) is read as the world's z.
  if ((extrusion.x == 0 && extrusion.y == 0 && extrusion.z > 0) || !(length > 0) || !std::isfinite(length)) {
    axes[0] = {1, 0, 0};
    axes[1] = {0, 1, 0};
    axes[2] = {0, 0, 1};
    return;
  }
  const Vec3 z = unit(extrusion);
  constexpr double kLimit = 1.0 / 64;
  const Vec3 x = unit(std::fabs(z.x) < kLimit && std::fabs(z.y) < kLimit ? cross({0, 1, 0}, z) : cross({0, 0, 1}, z));
  axes[0] = x;
  axes[1] = unit(cross(z, x));
  axes[2] = z;
}

Vec3 ocs_to_wcs(Vec3 extrusion, Vec3 p) {
  Vec3 a[3];
  ocs_axes(extrusion, a);
  return p.x * a[0] + p.y * a[1] + p.z * a[2];
}

// An affine map: columns 0 to 2 the images of the unit vectors, column 3 the
// translation.
struct Affine {
  double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
};

Vec3 apply(const Affine& a, Vec3 p) {
  auto row = [&](int i) { return a.m[i][0] * p.x + a.m[i][1] * p.y + a.m[i][2] * p.z + a.m[i][3]; };
  return {row(0), row(1), row(2)};
}

// a after b: (a * b)(p) = a(b(p)).
Affine compose(const Affine& a, const Affine& b) {
  Affine c;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      double v = j == 3 ? a.m[i][3] : 0;
      for (int k = 0; k < 3; ++k) v += a.m[i][k] * b.m[k][j];
      c.m[i][j] = v;
    }
  }
  return c;
}

// The map of an INSERT's array cell from its block's coordinates to those
// the INSERT stands in: the base point to the origin, the scales, the
// rotation, the insertion point and the cell's offset (rotated, not scaled),
// all in the INSERT's object coordinate system, then that system's axes.
Affine insert_map(const BlockItem& in, Vec3 base, int column, int row) {
  Vec3 axes[3];
  ocs_axes(in.extrusion, axes);
  const double a = in.rotation * std::numbers::pi / 180.0, c = std::cos(a), s = std::sin(a);
  // Rotation and scale in the OCS: columns of R * S.
  const Vec3 rs[3] = {{c * in.scale.x, s * in.scale.x, 0}, {-s * in.scale.y, c * in.scale.y, 0}, {0, 0, in.scale.z}};
  const double dx = column * in.column_spacing, dy = row * in.row_spacing;
  const Vec3 origin = in.p + Vec3{c * dx - s * dy, s * dx + c * dy, 0};
  Affine m;
  for (int j = 0; j < 3; ++j) {
    const Vec3 col = rs[j].x * axes[0] + rs[j].y * axes[1] + rs[j].z * axes[2];
    m.m[0][j] = col.x;
    m.m[1][j] = col.y;
    m.m[2][j] = col.z;
  }
  const Vec3 o = origin.x * axes[0] + origin.y * axes[1] + origin.z * axes[2];
  const Vec3 b = apply(Affine{{{m.m[0][0], m.m[0][1], m.m[0][2], 0}, {m.m[1][0], m.m[1][1], m.m[1][2], 0},
                               {m.m[2][0], m.m[2][1], m.m[2][2], 0}}},
                       base);
  m.m[0][3] = o.x - b.x;
  m.m[1][3] = o.y - b.y;
  m.m[2][3] = o.z - b.z;
  return m;
}

bool is_defpoints(std::string_view layer) { return equal_nocase(layer, "Defpoints"); }

// Blocks that are no blocks of their own: the layouts and the pictures of
// dimensions.
bool is_layout_block(std::string_view name) {
  const std::string_view n = name.empty() ? name : name.substr(1);
  return (name.starts_with('*') || name.starts_with('$')) &&
         (equal_nocase(n.substr(0, 11), "Model_Space") || equal_nocase(n.substr(0, 11), "Paper_Space"));
}
bool is_dimension_block(std::string_view name) { return name.size() >= 2 && name[0] == '*' && ascii_lower(name[1]) == 'd'; }

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return u;
}

int block_named(Drawing& d, std::string_view name) {
  const std::string key = upper(name);
  const auto found = d.block_index.find(key);
  if (found != d.block_index.end()) return found->second;
  const int index = static_cast<int>(d.blocks.size());
  d.blocks.push_back(Block{std::string(name), {}, {}, false, false, false});
  d.block_index.emplace(key, index);
  return index;
}

// The state of a POLYLINE whose VERTEX entities follow it, up to its SEQEND.
struct Polyline {
  bool open = false;
  bool skipped = false;  // paper space or Defpoints: its vertices are passed over too
  bool wcs = false;      // 3D polyline or mesh: vertices in world coordinates
  double elevation = 0;
  Vec3 extrusion{0, 0, 1};
  std::string layer;
};

// The items of an entity in the coordinates it stands in (world for model
// space, the block's own for a block), handed to sink. The INSERTs' blocks
// are found (or made known) in d.
template <class Sink>
void entity_items(const Reader& r, const Entity& e, const Options& o, Drawing& d, Polyline& pl, Sink&& sink) {
  const std::string_view type = e.type;
  BlockItem item;
  if (type == "VERTEX") {
    if (!pl.open || pl.skipped || !o.lines) return;
    const int flags = integer(r, e, 70, 0);
    if ((flags & 16) != 0 || ((flags & 128) != 0 && (flags & 64) == 0)) return;  // spline frame, face record
    item.kind = Kind::vertex;
    item.layer = pl.layer;
    const Vec3 p = point(r, e, 10);
    item.p = pl.wcs ? p : ocs_to_wcs(pl.extrusion, {p.x, p.y, pl.elevation});
    sink(std::move(item));
    return;
  }
  if (type == "SEQEND") {
    pl.open = false;
    return;
  }
  item.layer = layer_of(e);
  if (type == "POINT") {
    item.kind = Kind::point;
    item.p = point(r, e, 10);
    sink(std::move(item));
  } else if (type == "TEXT" && o.labels) {
    const std::string* text = find(e, 1);
    if (text == nullptr || !label_number(*text, item.number)) return;
    item.kind = Kind::label;
    const bool aligned = integer(r, e, 72, 0) != 0 || integer(r, e, 73, 0) != 0;
    const Vec3 extrusion{real(r, e, 210, 0), real(r, e, 220, 0), real(r, e, 230, 1)};
    item.p = ocs_to_wcs(extrusion, point(r, e, aligned && find(e, 11) != nullptr ? 11 : 10));
    sink(std::move(item));
  } else if (type == "MTEXT" && o.labels) {
    std::string text;
    for (std::size_t i = 0; i < e.n; ++i)
      if (e.pairs[i].first == 3) text += e.pairs[i].second;
    if (const std::string* last = find(e, 1)) text += *last;
    if (!label_number(mtext_plain(text), item.number)) return;
    item.kind = Kind::label;
    item.p = point(r, e, 10);
    sink(std::move(item));
  } else if (type == "INSERT") {
    const std::string* name = find(e, 2);
    if (name == nullptr) return;
    if (is_dimension_block(*name)) {
      ++d.counts.dimensions;
      return;
    }
    item.kind = Kind::insert;
    item.block = block_named(d, *name);
    item.p = point(r, e, 10);
    item.scale = {real(r, e, 41, 1), real(r, e, 42, 1), real(r, e, 43, 1)};
    item.rotation = real(r, e, 50, 0);
    item.columns = std::max(1, integer(r, e, 70, 1));
    item.rows = std::max(1, integer(r, e, 71, 1));
    item.column_spacing = real(r, e, 44, 0);
    item.row_spacing = real(r, e, 45, 0);
    // A spacing of 0 puts every cell of its direction in one place: one is enough.
    if (item.column_spacing == 0) item.columns = 1;
    if (item.row_spacing == 0) item.rows = 1;
    item.extrusion = {real(r, e, 210, 0), real(r, e, 220, 0), real(r, e, 230, 1)};
    sink(std::move(item));
  } else if (type == "LWPOLYLINE" && o.lines) {
    const Vec3 extrusion{real(r, e, 210, 0), real(r, e, 220, 0), real(r, e, 230, 1)};
    const double elevation = real(r, e, 38, 0);
    for (std::size_t i = 0; i < e.n; ++i) {
      if (e.pairs[i].first != 10) continue;
      const double x = real_of(r, e.pairs[i].second);
      const double y = i + 1 < e.n && e.pairs[i + 1].first == 20 ? real_of(r, e.pairs[i + 1].second) : 0;
      BlockItem v;
      v.kind = Kind::vertex;
      v.layer = item.layer;
      v.p = ocs_to_wcs(extrusion, {x, y, elevation});
      sink(std::move(v));
    }
  } else if (type == "POLYLINE") {
    const int flags = integer(r, e, 70, 0);
    pl.open = true;
    pl.skipped = false;
    pl.wcs = (flags & (8 | 16 | 64)) != 0;
    pl.elevation = real(r, e, 30, 0);
    pl.extrusion = {real(r, e, 210, 0), real(r, e, 220, 0), real(r, e, 230, 1)};
    pl.layer = item.layer;
  } else if (type == "LINE" && o.lines) {
    item.kind = Kind::vertex;
    item.p = point(r, e, 10);
    BlockItem end = item;
    end.p = point(r, e, 11);
    sink(std::move(item));
    sink(std::move(end));
  } else if (type == "DIMENSION") {
    ++d.counts.dimensions;
  }
}

// Hands over one item unless its kind is not wanted or its layer left out.
void take(Drawing& d, const Options& o, Kind kind, const Vec3& p, std::string_view layer, const OnItem& on_item) {
  if ((kind == Kind::label && !o.labels) || (kind == Kind::insert && !o.inserts) || (kind == Kind::vertex && !o.lines))
    return;
  if (!o.layers.empty()) {
    bool wanted = false;
    for (const std::string& pattern : o.layers) wanted = wanted || layer_matches(pattern, layer);
    if (!wanted) {
      ++d.counts.other_layers;
      return;
    }
  }
  ++d.counts.taken[static_cast<int>(kind)];
  on_item(kind, p, layer);
}

// An item of model space (to_world the identity, parent_layer empty) or of a
// block inserted there (to_world the product of the INSERTs' maps, entities
// on layer 0 on the layer of the INSERT).
void place(Drawing& d, const Options& o, const BlockItem& item, const Affine& to_world, std::string_view parent_layer,
           const OnItem& on_item) {
  const std::string_view layer = item.layer == "0" && !parent_layer.empty() ? parent_layer : item.layer;
  if (is_defpoints(layer)) {
    ++d.counts.defpoints;
    return;
  }
  if (item.kind != Kind::insert) {
    Vec3 p = apply(to_world, item.p);
    if (item.kind == Kind::label) p.z = item.number;
    take(d, o, item.kind, p, layer, on_item);
    return;
  }
  Block& block = d.blocks[static_cast<std::size_t>(item.block)];
  if (!block.defined) return;
  block.used = true;
  for (int row = 0; row < item.rows; ++row) {
    for (int column = 0; column < item.columns; ++column) {
      const Affine cell = compose(to_world, insert_map(item, block.base, column, row));
      take(d, o, Kind::insert, apply(cell, block.base), layer, on_item);
      for (const BlockItem& inner : block.items) place(d, o, inner, cell, layer, on_item);
    }
  }
}

// A block that an INSERT of paper space, of a layout's or of a dimension's
// block names is not counted as unreferenced.
void mark_inserted_elsewhere(Drawing& d, const Entity& e) {
  const std::string* name = e.type == "INSERT" ? find(e, 2) : nullptr;
  if (name != nullptr) d.blocks[static_cast<std::size_t>(block_named(d, *name))].elsewhere = true;
}

// The block definitions: each block's items, in its own coordinates. The
// layouts and the dimension pictures keep none.
void read_blocks_section(Reader& r, const Options& o) {
  Drawing& d = r.d;
  Entity e;
  Polyline pl;
  next_pair(r);
  while (!r.ended && !at(r, "ENDSEC")) {
    if (!at(r, "BLOCK")) {
      next_pair(r);
      continue;
    }
    read_entity(r, e);
    const std::string* name = find(e, 2);
    Block* block = nullptr;
    if (name != nullptr && !is_layout_block(*name) && !is_dimension_block(*name)) {
      const int index = block_named(d, *name);
      block = &d.blocks[static_cast<std::size_t>(index)];
      block->defined = true;
      block->base = point(r, e, 10);
      block->items.clear();
    }
    while (!r.ended && !at(r, "ENDBLK") && !at(r, "ENDSEC")) {
      read_entity(r, e);
      if (block == nullptr) {
        mark_inserted_elsewhere(d, e);
        continue;
      }
      const std::size_t index = static_cast<std::size_t>(block - d.blocks.data());
      entity_items(r, e, o, d, pl, [&](BlockItem&& item) {
        // block_named may have moved the blocks: found again by index.
        d.blocks[index].items.push_back(std::move(item));
      });
      block = &d.blocks[index];
    }
    if (at(r, "ENDBLK")) read_entity(r, e);
  }
}

// Stops when a block inserts itself, directly or through other blocks.
void refuse_recursion(const Drawing& d) {
  // 0: not visited, 1: on the path being followed, 2: done.
  std::vector<std::uint8_t> state(d.blocks.size(), 0);
  std::vector<std::pair<int, std::size_t>> path;  // block, next item
  for (std::size_t start = 0; start < d.blocks.size(); ++start) {
    if (state[start] != 0) continue;
    path.push_back({static_cast<int>(start), 0});
    state[start] = 1;
    while (!path.empty()) {
      auto& [block, next] = path.back();
      const std::vector<BlockItem>& items = d.blocks[static_cast<std::size_t>(block)].items;
      if (next == items.size()) {
        state[static_cast<std::size_t>(block)] = 2;
        path.pop_back();
        continue;
      }
      const BlockItem& item = items[next++];
      if (item.kind != Kind::insert) continue;
      const std::size_t to = static_cast<std::size_t>(item.block);
      if (state[to] == 1)
        halt_with_message(1, "dxf2txt: the block \"" + d.blocks[to].name + "\" inserts itself");
      if (state[to] == 0) {
        state[to] = 1;
        path.push_back({item.block, 0});
      }
    }
  }
}

}  // namespace

void read_survey_blocks(TextFile& file, const Options& options, Drawing& d) {
  Reader r{file, d, -1, {}, false};
  // Sections up to the model space's entities; the blocks are kept.
  while (next_pair(r)) {
    if (!at(r, "SECTION") || !next_pair(r) || r.code != 2) continue;
    if (r.value == "ENTITIES") break;
    if (r.value == "BLOCKS") read_blocks_section(r, options);
  }
  refuse_recursion(d);
}

void read_survey_entities(TextFile& file, const Options& options, Drawing& d, const OnItem& on_item) {
  Reader r{file, d, -1, {}, false};
  Entity e;
  Polyline pl;
  const Affine world;
  if (next_pair(r)) {
    while (!r.ended && !at(r, "ENDSEC") && !at(r, "EOF")) {
      if (r.code != 0) {
        next_pair(r);
        continue;
      }
      read_entity(r, e);
      const bool paper = integer(r, e, 67, 0) == 1;
      const bool defpoints = is_defpoints(layer_of(e));
      if (e.type == "VERTEX" || e.type == "SEQEND") {
        entity_items(r, e, options, d, pl, [&](BlockItem&& item) { place(d, options, item, world, "", on_item); });
        if (e.type == "SEQEND") pl.skipped = false;
        continue;
      }
      if (paper || defpoints) {
        ++(paper ? d.counts.paper_space : d.counts.defpoints);
        if (paper) mark_inserted_elsewhere(d, e);
        if (e.type == "POLYLINE") {
          pl.open = true;
          pl.skipped = true;
        }
        continue;
      }
      entity_items(r, e, options, d, pl, [&](BlockItem&& item) { place(d, options, item, world, "", on_item); });
    }
  }
  // The rest of the drawing (its objects) is read to its end.
  while (next_pair(r)) {
  }
  for (const Block& b : d.blocks)
    if (b.defined && !b.used && !b.elsewhere) ++d.counts.unreferenced_blocks;
}

namespace {

// The letters of a name without regard to case: UTF-8 when it is valid
// UTF-8 (DXF 2007 and later), else Windows-1251 bytes (older drawings of
// Cyrillic plans, and names typed in that code page); Latin and Cyrillic
// capitals are made small.
std::u32string folded_letters(std::string_view name) {
  std::u32string letters;
  bool utf8 = true;
  for (std::size_t i = 0; i < name.size() && utf8;) {
    const unsigned char b = static_cast<unsigned char>(name[i]);
    const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= name.size()) {
      utf8 = false;
      break;
    }
    char32_t c = extra == 0 ? b : b & (0x3Fu >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char t = static_cast<unsigned char>(name[i + static_cast<std::size_t>(k)]);
      utf8 = utf8 && (t >> 6) == 2;
      c = (c << 6) | (t & 0x3Fu);
    }
    letters += c;
    i += static_cast<std::size_t>(extra) + 1;
  }
  if (!utf8) {
    letters.clear();
    for (const char ch : name) {
      const unsigned char b = static_cast<unsigned char>(ch);
      letters += b >= 0xC0   ? static_cast<char32_t>(0x410u + (b - 0xC0u))
                 : b == 0xA8 ? char32_t{0x401}
                 : b == 0xB8 ? char32_t{0x451}
                             : char32_t{b};
    }
  }
  for (char32_t& c : letters) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0x410 && c <= 0x42F)) {
      c += 32;
    } else if (c >= 0x400 && c <= 0x40F) {
      c += 80;
    }
  }
  return letters;
}

}  // namespace

bool layer_matches(std::string_view pattern_text, std::string_view layer_text) {
  const std::u32string pattern = folded_letters(pattern_text), layer = folded_letters(layer_text);
  // Greedy wildcard matching with one step back to the last "*".
  std::size_t p = 0, l = 0, star = std::u32string::npos, mark = 0;
  while (l < layer.size()) {
    if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == layer[l])) {
      ++p;
      ++l;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      mark = l;
    } else if (star != std::u32string::npos) {
      p = star + 1;
      l = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

std::string mtext_plain(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '{' || c == '}') continue;
    if (c != '\\' || i + 1 == text.size()) {
      plain += c;
      continue;
    }
    const char command = text[++i];
    switch (command) {
      case 'P':
      case 'X':
      case '~':
        plain += ' ';
        break;
      case '\\':
      case '{':
      case '}':
        plain += command;
        break;
      case 'L': case 'l': case 'O': case 'o': case 'K': case 'k':
        break;  // underline, overline, strike-through on and off
      case 'S': {  // a stacked fraction: its parts, "/" between them
        const std::size_t end = text.find(';', i);
        for (std::size_t k = i + 1; k < std::min(end, text.size()); ++k)
          plain += text[k] == '^' || text[k] == '#' ? '/' : text[k];
        i = end == std::string_view::npos ? text.size() : end;
        break;
      }
      default: {  // a command with a value up to ";" (font, height, width, colour...)
        const std::size_t end = text.find(';', i);
        i = end == std::string_view::npos ? text.size() : end;
      }
    }
  }
  return plain;
}

bool label_number(std::string_view text, double& value) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  std::string number(text);
  std::size_t i = 0, digits = 0, marks = 0;
  if (i < number.size() && (number[i] == '-' || number[i] == '+')) ++i;
  for (; i < number.size(); ++i) {
    if (number[i] >= '0' && number[i] <= '9') {
      ++digits;
    } else if ((number[i] == '.' || number[i] == ',') && marks++ == 0) {
      number[i] = '.';
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  const char* begin = number.data() + (number[0] == '+' ? 1 : 0);
  const auto [end, ec] = std::from_chars(begin, number.data() + number.size(), value);
  return ec == std::errc() && end == number.data() + number.size();
}

}  // namespace dxf_survey
