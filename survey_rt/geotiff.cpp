#include "geotiff.h"

#include <algorithm>
#include <bit>
#include <array>
#include <cmath>
#include <optional>

#include "fixed_notation.h"
#include "gis_crs.h"
#include "stop.h"

namespace survey_rt {

namespace {

// GeoKey numbers and codes of the GeoTIFF standard.
enum Key : std::uint16_t {
  kModelType = 1024, kRasterType = 1025, kCitation = 1026,
  kGeographicType = 2048, kGeogCitation = 2049, kGeodeticDatum = 2050, kPrimeMeridian = 2051,
  kAngularUnits = 2054, kEllipsoid = 2056, kSemiMajor = 2057, kSemiMinor = 2058, kInvFlattening = 2059,
  kToWgs84 = 2062,  // GDAL's and libgeotiff's key of a datum shift
  kProjectedType = 3072, kPcsCitation = 3073, kProjection = 3074, kCoordTrans = 3075, kLinearUnits = 3076,
  kStdParallel1 = 3078, kStdParallel2 = 3079, kNatOriginLong = 3080, kNatOriginLat = 3081,
  kFalseEasting = 3082, kFalseNorthing = 3083, kFalseOriginLong = 3084, kFalseOriginLat = 3085,
  kFalseOriginEasting = 3086, kFalseOriginNorthing = 3087, kScaleAtNatOrigin = 3092,
};
constexpr std::uint16_t kUserDefined = 32767, kProjected = 1, kPixelIsArea = 1, kGreenwich = 8901,
                        kDegree = 9102, kMetre = 9001, kWgs84 = 4326, kTransverseMercator = 1, kLambert2sp = 8,
                        kLambert1sp = 9;
constexpr std::uint16_t kDoublesTag = 34736, kTextsTag = 34737;

struct KeyEntry {
  std::uint16_t id, location, count, value;
};

struct KeyList {
  std::vector<KeyEntry> entries;
  GeoKeys keys;
  void code(std::uint16_t id, std::uint16_t value) { entries.push_back({id, 0, 1, value}); }
  void numbers(std::uint16_t id, std::span<const double> values) {
    entries.push_back({id, kDoublesTag, static_cast<std::uint16_t>(values.size()),
                       static_cast<std::uint16_t>(keys.doubles.size())});
    keys.doubles.insert(keys.doubles.end(), values.begin(), values.end());
  }
  void number(std::uint16_t id, double value) { numbers(id, std::span<const double>(&value, 1)); }
  void text(std::uint16_t id, const std::string& value) {
    entries.push_back({id, kTextsTag, static_cast<std::uint16_t>(value.size() + 1),
                       static_cast<std::uint16_t>(keys.texts.size())});
    keys.texts += value + "|";
  }
};

void geographic_keys(KeyList& k, const GridDefinition& grid) {
  const std::optional<std::array<double, 7>> shift = shift_to_wgs84(grid);
  if (!shift) {
    k.code(kGeographicType, kWgs84);
    return;
  }
  const Ellipsoid& e = grid.ellipsoid;
  k.code(kGeographicType, kUserDefined);
  k.text(kGeogCitation, datum_name(grid));
  k.code(kGeodeticDatum, kUserDefined);
  k.code(kPrimeMeridian, kGreenwich);
  k.code(kAngularUnits, kDegree);
  if (e.epsg != 0) {
    k.code(kEllipsoid, static_cast<std::uint16_t>(e.epsg));
  } else {
    k.code(kEllipsoid, kUserDefined);
    k.number(kSemiMajor, e.a);
    k.number(kInvFlattening, e.inverse_flattening);
  }
  k.numbers(kToWgs84, *shift);
}

void projection_keys(KeyList& k, const GridDefinition& grid) {
  k.code(kProjectedType, kUserDefined);
  k.text(kPcsCitation, grid.name);
  k.code(kProjection, kUserDefined);
  k.code(kLinearUnits, kMetre);
  switch (grid.projection) {
    case Projection::transverse_mercator:
    case Projection::lambert_conic_1sp:
      k.code(kCoordTrans, grid.projection == Projection::transverse_mercator ? kTransverseMercator : kLambert1sp);
      k.number(kNatOriginLong, grid.central_meridian);
      k.number(kNatOriginLat, grid.latitude_of_origin);
      k.number(kFalseEasting, grid.false_easting);
      k.number(kFalseNorthing, grid.false_northing);
      k.number(kScaleAtNatOrigin, grid.scale_factor);
      break;
    case Projection::lambert_conic_2sp:
      k.code(kCoordTrans, kLambert2sp);
      k.number(kStdParallel1, grid.standard_parallel_1);
      k.number(kStdParallel2, grid.standard_parallel_2);
      k.number(kFalseOriginLong, grid.central_meridian);
      k.number(kFalseOriginLat, grid.latitude_of_origin);
      k.number(kFalseOriginEasting, grid.false_easting);
      k.number(kFalseOriginNorthing, grid.false_northing);
      break;
  }
}

// Little-endian numbers into a byte string.
void put16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v & 0xff);
  s += static_cast<char>(v >> 8);
}
void put32(std::string& s, std::uint32_t v) {
  put16(s, static_cast<std::uint16_t>(v & 0xffff));
  put16(s, static_cast<std::uint16_t>(v >> 16));
}
void put64(std::string& s, std::uint64_t v) {
  put32(s, static_cast<std::uint32_t>(v & 0xffffffff));
  put32(s, static_cast<std::uint32_t>(v >> 32));
}

// TIFF field types.
enum Type : std::uint16_t { kAscii = 2, kShort = 3, kLong = 4, kDouble = 12 };

// A tag of the directory: its values as bytes, inline when they fit in four.
struct Tag {
  std::uint16_t id, type;
  std::uint32_t count;
  std::string bytes;
};

Tag short_tag(std::uint16_t id, std::span<const std::uint16_t> values) {
  Tag t{id, kShort, static_cast<std::uint32_t>(values.size()), {}};
  for (const std::uint16_t v : values) put16(t.bytes, v);
  return t;
}
Tag short_tag(std::uint16_t id, std::uint16_t value) { return short_tag(id, std::span<const std::uint16_t>(&value, 1)); }
Tag long_tag(std::uint16_t id, std::span<const std::uint32_t> values) {
  Tag t{id, kLong, static_cast<std::uint32_t>(values.size()), {}};
  for (const std::uint32_t v : values) put32(t.bytes, v);
  return t;
}
Tag long_tag(std::uint16_t id, std::uint32_t value) { return long_tag(id, std::span<const std::uint32_t>(&value, 1)); }
Tag double_tag(std::uint16_t id, std::span<const double> values) {
  Tag t{id, kDouble, static_cast<std::uint32_t>(values.size()), {}};
  for (const double v : values) put64(t.bytes, std::bit_cast<std::uint64_t>(v));
  return t;
}
Tag ascii_tag(std::uint16_t id, const std::string& text) {
  Tag t{id, kAscii, static_cast<std::uint32_t>(text.size() + 1), text};
  t.bytes += '\0';
  return t;
}

}  // namespace

GeoKeys geokeys_of(const GridDefinition* grid) {
  KeyList k;
  k.code(kRasterType, kPixelIsArea);
  if (grid != nullptr) {
    k.code(kModelType, kProjected);
    k.text(kCitation, grid->name);
    // A named grid by its code; one with a shift of its own is no longer
    // that grid, and goes by its parameters.
    if (grid->epsg != 0 && !grid->helmert) {
      k.code(kProjectedType, static_cast<std::uint16_t>(grid->epsg));
      k.code(kLinearUnits, kMetre);
    } else {
      geographic_keys(k, *grid);
      projection_keys(k, *grid);
    }
  }
  std::stable_sort(k.entries.begin(), k.entries.end(),
                   [](const KeyEntry& a, const KeyEntry& b) { return a.id < b.id; });
  GeoKeys& keys = k.keys;
  // Version 1, revision 1.0, then the count of keys.
  keys.directory = {1, 1, 0, static_cast<std::uint16_t>(k.entries.size())};
  for (const KeyEntry& e : k.entries) keys.directory.insert(keys.directory.end(), {e.id, e.location, e.count, e.value});
  return keys;
}

std::int64_t rows_per_strip(std::int64_t columns) { return std::max<std::int64_t>(1, 65536 / (4 * columns)); }

void write_geotiff_head(TextFile& f, const RasterPlace& place, const GridDefinition* grid) {
  // The grids stay far below 4 GiB (a tool takes at most 50 million cells),
  // so the offsets of a classic TIFF hold them.
  const std::uint32_t row_bytes = static_cast<std::uint32_t>(4 * place.columns);
  const std::int64_t per_strip = rows_per_strip(place.columns);
  const std::int64_t strips = (place.rows + per_strip - 1) / per_strip;
  const GeoKeys keys = geokeys_of(grid);
  const double scale[3] = {place.cell, place.cell, 0};
  const double tiepoint[6] = {0, 0, 0, place.left, place.top, 0};

  std::vector<std::uint32_t> counts(static_cast<std::size_t>(strips)), offsets(counts.size());
  for (std::int64_t s = 0; s < strips; ++s)
    counts[s] = static_cast<std::uint32_t>(std::min(per_strip, place.rows - s * per_strip)) * row_bytes;
  std::vector<Tag> tags = {
      long_tag(256, static_cast<std::uint32_t>(place.columns)),  // ImageWidth
      long_tag(257, static_cast<std::uint32_t>(place.rows)),     // ImageLength
      short_tag(258, 32),                                        // BitsPerSample
      short_tag(259, 1),                                         // Compression: none
      short_tag(262, 1),                                         // PhotometricInterpretation: black is zero
      long_tag(273, offsets),                                    // StripOffsets, set below
      short_tag(277, 1),                                         // SamplesPerPixel
      long_tag(278, static_cast<std::uint32_t>(per_strip)),      // RowsPerStrip
      long_tag(279, counts),                                     // StripByteCounts
      short_tag(284, 1),                                         // PlanarConfiguration: contiguous
      short_tag(339, 3),                                         // SampleFormat: IEEE floating point
      double_tag(33550, scale),                                  // ModelPixelScale
      double_tag(33922, tiepoint),                               // ModelTiepoint
      short_tag(34735, keys.directory),                          // GeoKeyDirectory
  };
  if (!keys.doubles.empty()) tags.push_back(double_tag(kDoublesTag, keys.doubles));
  if (!keys.texts.empty()) tags.push_back(ascii_tag(kTextsTag, keys.texts));
  tags.push_back(ascii_tag(42113, fixed_text(kTiffNoData, 0)));  // GDAL_NODATA

  // The header, the directory at byte 8, then the values that do not fit in
  // their entries (each at an even offset), then the cells.
  const std::uint32_t directory_end = 8 + 2 + 12 * static_cast<std::uint32_t>(tags.size()) + 4;
  std::uint32_t data = directory_end;
  for (const Tag& t : tags)
    if (t.bytes.size() > 4) data += static_cast<std::uint32_t>((t.bytes.size() + 1) & ~std::size_t{1});
  for (std::int64_t s = 0; s < strips; ++s) offsets[s] = data + static_cast<std::uint32_t>(s * per_strip) * row_bytes;
  tags[5] = long_tag(273, offsets);

  std::string head = "II";
  put16(head, 42);
  put32(head, 8);
  put16(head, static_cast<std::uint16_t>(tags.size()));
  std::string values;
  for (const Tag& t : tags) {
    put16(head, t.id);
    put16(head, t.type);
    put32(head, t.count);
    if (t.bytes.size() <= 4) {
      head += t.bytes;
      head.append(4 - t.bytes.size(), '\0');
    } else {
      put32(head, directory_end + static_cast<std::uint32_t>(values.size()));
      values += t.bytes;
      if (values.size() % 2 != 0) values += '\0';
    }
  }
  put32(head, 0);  // no further image
  write_str(f, head);
  write_str(f, values);
  io_check();
}

void write_geotiff_row(TextFile& f, std::span<const double> values) {
  std::string row;
  row.reserve(4 * values.size());
  for (const double v : values) {
    const float cell = std::isnan(v) ? kTiffNoData : static_cast<float>(fixed_value(v, 3));
    put32(row, std::bit_cast<std::uint32_t>(cell));
  }
  write_str(f, row);
  io_check();
}

}  // namespace survey_rt
