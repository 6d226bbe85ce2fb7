// The GIS writers read back: the GeoTIFF's directory, keys and cells by a
// small TIFF reader of the test's own, GeoJSON through read_geojson_lines,
// the ESRI text's pieces. GDAL and PROJ read the tools' files in the
// end-to-end tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "geojson.h"
#include "geotiff.h"
#include "gis_crs.h"
#include "grid_text.h"
#include "kml.h"
#include "survey_grid.h"
#include "test_support.h"

namespace survey_rt {
namespace {

// A TIFF's first directory: each tag's type, count and value bytes.
struct TiffTag {
  int type = 0;
  std::uint32_t count = 0;
  std::string bytes;
};
struct Tiff {
  std::string file;
  std::map<int, TiffTag> tags;
  std::uint64_t number(int tag, std::size_t i = 0) const {
    const TiffTag& t = tags.at(tag);
    const std::size_t size = t.type == 3 ? 2 : 4;
    std::uint64_t v = 0;
    for (std::size_t b = 0; b < size; ++b) v |= std::uint64_t{static_cast<unsigned char>(t.bytes[i * size + b])} << (8 * b);
    return v;
  }
  double real(int tag, std::size_t i) const {
    double v = 0;
    std::memcpy(&v, tags.at(tag).bytes.data() + 8 * i, 8);
    return v;
  }
};

std::uint64_t le(const std::string& s, std::size_t at, int size) {
  std::uint64_t v = 0;
  for (int b = 0; b < size; ++b) v |= std::uint64_t{static_cast<unsigned char>(s.at(at + b))} << (8 * b);
  return v;
}

Tiff read_tiff(const std::string& path) {
  Tiff t;
  std::ifstream in(path, std::ios::binary);
  t.file.assign(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(t.file.substr(0, 4), std::string("II*\0", 4));
  const std::size_t ifd = le(t.file, 4, 4);
  const std::size_t count = le(t.file, ifd, 2);
  int last = 0;
  for (std::size_t e = 0; e < count; ++e) {
    const std::size_t at = ifd + 2 + 12 * e;
    const int id = static_cast<int>(le(t.file, at, 2));
    EXPECT_GT(id, last) << "tags out of order";
    last = id;
    TiffTag tag{static_cast<int>(le(t.file, at + 2, 2)), static_cast<std::uint32_t>(le(t.file, at + 4, 4)), {}};
    const std::size_t unit = tag.type == 3 ? 2 : tag.type == 4 ? 4 : tag.type == 12 ? 8 : 1;
    const std::size_t size = unit * tag.count;
    const std::size_t from = size <= 4 ? at + 8 : le(t.file, at + 8, 4);
    if (size > 4) {
      EXPECT_EQ(from % 2, 0u) << "tag " << id << " at an odd offset";
    }
    tag.bytes = t.file.substr(from, size);
    t.tags[id] = tag;
  }
  EXPECT_EQ(le(t.file, ifd + 2 + 12 * count, 4), 0u);
  return t;
}

// A grid as utm_points takes it: its text, and a shift with its convention.
GridDefinition grid_of(std::string_view text, std::string_view helmert = "", std::string_view rotation = "") {
  GridDefinition g;
  std::string why;
  EXPECT_TRUE(parse_shifted_grid(text, helmert, rotation, g, why)) << text << ": " << why;
  return g;
}

constexpr std::string_view kShift = "598.1 73.7 418.2 0.202 0.045 -2.455 6.7";

// The value of a GeoKey: a code, or the doubles or text it points to.
struct KeyValue {
  int location = 0;
  std::vector<double> numbers;
  std::string text;
};
std::map<int, KeyValue> keys_of(const GeoKeys& k) {
  std::map<int, KeyValue> m;
  EXPECT_EQ(k.directory.size(), 4u + 4u * k.directory[3]);
  for (std::size_t e = 0; e < k.directory[3]; ++e) {
    const std::uint16_t* d = &k.directory[4 + 4 * e];
    KeyValue v{d[1], {}, {}};
    if (d[1] == 0) v.numbers.push_back(d[3]);
    if (d[1] == 34736) v.numbers.assign(k.doubles.begin() + d[3], k.doubles.begin() + d[3] + d[2]);
    if (d[1] == 34737) {
      v.text = k.texts.substr(d[3], d[2]);
      EXPECT_EQ(v.text.back(), '|');
      v.text.pop_back();
    }
    m[d[0]] = v;
  }
  return m;
}

TEST(GeoKeys, DescribeEachKindOfGrid) {
  struct Case {
    const char* what;
    GridDefinition grid;
    std::vector<std::pair<int, double>> numbers;  // key, its code or first double
    std::vector<int> absent;
    std::vector<double> shift;  // the shift to WGS 84 (2062) when there is one
  };
  const std::vector<double> none(7, 0.0);
  const Case cases[] = {
      {"a named grid: its code alone",
       grid_of("EPSG:32635"),
       {{1024, 1}, {1025, 1}, {3072, 32635}, {3076, 9001}},
       {2048, 2062, 3075, 3080},
       {}},
      {"a named grid on ETRS89: its code alone", grid_of("EPSG:25832"), {{3072, 25832}}, {2048, 2062, 3075}, {}},
      {"the chain's own TM: every parameter, its a and 1/f, the receiver's WGS 84",
       chain_grid(27, 1),
       {{3072, 32767}, {3075, 1}, {3080, 27}, {3081, 0}, {3082, 9500113.804}, {3083, 122.463}, {3092, 1},
        {2048, 32767}, {2050, 32767}, {2056, 32767}, {2057, 6378137}, {2059, 6378137 / (6378137 - 6356752.314)},
        {3076, 9001}},
       {2058, 3078},
       none},
      {"TM on WGS 84 by its parameters: the geographic system's code",
       grid_of("tm 27 0.9996 500000 -4000000"),
       {{3072, 32767}, {2048, 4326}, {3092, 0.9996}, {3083, -4000000}},
       {2050, 2056, 2062},
       {}},
      {"Lambert of two parallels on GRS 80",
       grid_of("lcc 49 44 46.5 3 700000 6600000 GRS80"),
       {{3075, 8}, {3078, 49}, {3079, 44}, {3084, 3}, {3085, 46.5}, {3086, 700000}, {3087, 6600000}, {2056, 7019}},
       {2057, 3080, 3092},
       none},
      {"Lambert of one parallel",
       grid_of("lcc1 46.5 3 0.99987742 700000 6600000 GRS80"),
       {{3075, 9}, {3080, 3}, {3081, 46.5}, {3092, 0.99987742}},
       {3078},
       none},
      {"Bessel with a shift, position vector",
       grid_of("tm 9 1 3500000 0 Bessel1841", kShift, "position-vector"),
       {{2056, 7004}, {3082, 3500000}},
       {2057},
       {598.1, 73.7, 418.2, 0.202, 0.045, -2.455, 6.7}},
      {"Bessel with a shift, coordinate frame: the rotations turned",
       grid_of("tm 9 1 3500000 0 Bessel1841", kShift, "coordinate-frame"),
       {{2056, 7004}},
       {},
       {598.1, 73.7, 418.2, -0.202, -0.045, 2.455, 6.7}},
      {"a named grid with a shift of its own: by its parameters",
       grid_of("EPSG:25832", "1 2 3 0 0 0 0", "position-vector"),
       {{3072, 32767}, {2048, 32767}, {2056, 7019}, {3080, 9}, {3092, 0.9996}},
       {},
       {1, 2, 3, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::map<int, KeyValue> keys = keys_of(geokeys_of(&c.grid));
    for (const auto& [key, value] : c.numbers) {
      ASSERT_TRUE(keys.count(key)) << "key " << key;
      EXPECT_EQ(keys.at(key).numbers.at(0), value) << "key " << key;
    }
    for (const int key : c.absent) EXPECT_FALSE(keys.count(key)) << "key " << key;
    if (c.shift.empty())
      EXPECT_FALSE(keys.count(2062));
    else
      EXPECT_EQ(keys.at(2062).numbers, c.shift);
    EXPECT_EQ(keys.at(1026).text, c.grid.name);
    int last = 0;
    for (const auto& [key, value] : keys) EXPECT_GT(key, last), last = key;
  }
  const std::map<int, KeyValue> none_known = keys_of(geokeys_of(nullptr));
  EXPECT_EQ(none_known.size(), 1u) << "no grid known: the raster type alone";
}

class GeoTiffTest : public FolderTest {};

TEST_F(GeoTiffTest, HoldsTheCellsWhereTheTagsPutThem) {
  struct Case {
    std::int64_t columns, rows;
  };
  // One strip; rows split over strips with a short last strip; rows longer
  // than a strip's 64 KiB.
  for (const Case c : {Case{3, 2}, Case{100, 1000}, Case{20000, 3}}) {
    SCOPED_TRACE(std::to_string(c.columns) + " x " + std::to_string(c.rows));
    const RasterPlace place{c.columns, c.rows, 500000.5, 4700123.25, 0.25};
    const GridDefinition grid = chain_grid(24, 1);
    RandomBits next(c.columns * 7 + c.rows);
    std::vector<double> cells(static_cast<std::size_t>(c.columns * c.rows));
    for (double& v : cells) v = next() % 5 == 0 ? NAN : -static_cast<double>(next() % 4000000) / 77777.0;
    TextFile f;
    create_output(f, path("grid.tif"));
    write_geotiff_head(f, place, &grid);
    for (std::int64_t r = 0; r < c.rows; ++r)
      write_geotiff_row(f, std::span<const double>(cells).subspan(r * c.columns, c.columns));
    close_file(f);
    ASSERT_EQ(io_result(), 0);

    const Tiff t = read_tiff(path("grid.tif"));
    EXPECT_EQ(t.number(256), static_cast<std::uint64_t>(c.columns));
    EXPECT_EQ(t.number(257), static_cast<std::uint64_t>(c.rows));
    EXPECT_EQ(t.number(258), 32u);
    EXPECT_EQ(t.number(339), 3u);
    EXPECT_EQ(t.number(259), 1u);
    EXPECT_EQ(t.real(33550, 0), 0.25);
    EXPECT_EQ(t.real(33550, 1), 0.25);
    EXPECT_EQ(t.real(33922, 3), 500000.5);
    EXPECT_EQ(t.real(33922, 4), 4700123.25);
    EXPECT_EQ(t.tags.at(42113).bytes, std::string("-9999\0", 6));
    const std::uint64_t per_strip = t.number(278);
    const std::size_t strips = t.tags.at(273).count;
    EXPECT_EQ(strips, (c.rows + per_strip - 1) / per_strip);
    EXPECT_EQ(t.tags.at(279).count, strips);
    // Every cell through the strips' offsets.
    std::uint64_t row = 0;
    for (std::size_t s = 0; s < strips; ++s) {
      const std::uint64_t offset = t.number(273, s), bytes = t.number(279, s);
      ASSERT_EQ(bytes % (4 * c.columns), 0u);
      ASSERT_LE(offset + bytes, t.file.size());
      for (std::uint64_t i = 0; i < bytes / 4; ++i) {
        float v = 0;
        std::memcpy(&v, t.file.data() + offset + 4 * i, 4);
        const double want = cells[row * c.columns + i];
        if (std::isnan(want))
          ASSERT_EQ(v, kTiffNoData);
        else
          ASSERT_EQ(v, static_cast<float>(std::round(want * 1000) / 1000)) << "row " << row << " cell " << i;
      }
      row += bytes / (4 * c.columns);
    }
    EXPECT_EQ(row, static_cast<std::uint64_t>(c.rows));
    EXPECT_EQ(t.number(273, strips - 1) + t.number(279, strips - 1), t.file.size()) << "the cells end the file";
  }
}

TEST(EsriWkt, NamesTheProjectionAndItsParameters) {
  struct Case {
    GridDefinition grid;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {grid_of("UTM 35N"),
       {"PROJCS[\"WGS_84___UTM_zone_35N\",GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_84\","
        "6378137.0,298.257223563]],PRIMEM",
        "PROJECTION[\"Transverse_Mercator\"]", "PARAMETER[\"False_Easting\",500000.0]",
        "PARAMETER[\"Central_Meridian\",27.0]", "PARAMETER[\"Scale_Factor\",0.9996]", "UNIT[\"Meter\",1.0]]"}},
      {grid_of("EPSG:3346"),
       {"GEOGCS[\"GCS_LKS94\",DATUM[\"D_LKS94\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101],"
        "TOWGS84[0.0,0.0,0.0,0.0,0.0,0.0,0.0]]",
        "PARAMETER[\"Scale_Factor\",0.9998]"}},
      {chain_grid(27, 1),
       {"SPHEROID[\"WGS_84__b_6356752_314_\",6378137.0,298.2572201434", "PARAMETER[\"False_Northing\",122.463]",
        "TOWGS84[0.0,0.0,0.0,0.0,0.0,0.0,0.0]"}},
      {grid_of("lcc 49 44 46.5 3 700000 6600000 GRS80"),
       {"DATUM[\"D_GRS_1980_datum\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]",
        "PROJECTION[\"Lambert_Conformal_Conic\"]",
        "PARAMETER[\"Standard_Parallel_1\",49.0],PARAMETER[\"Standard_Parallel_2\",44.0]",
        "PARAMETER[\"Latitude_Of_Origin\",46.5]"}},
      {grid_of("lcc1 46.5 3 0.99987742 700000 6600000"),
       {"D_WGS_1984", "PARAMETER[\"Standard_Parallel_1\",46.5],PARAMETER[\"Scale_Factor\",0.99987742]"}},
      {grid_of("tm 9 1 3500000 0 Bessel1841", kShift, "coordinate-frame"),
       {"D_Bessel_1841_datum", "TOWGS84[598.1,73.7,418.2,-0.202,-0.045,2.455,6.7]]"}},
  };
  for (const Case& c : cases) {
    const std::string wkt = esri_wkt(c.grid);
    for (const std::string& piece : c.pieces) EXPECT_NE(wkt.find(piece), std::string::npos) << piece << "\n" << wkt;
    EXPECT_EQ(std::count(wkt.begin(), wkt.end(), '['), std::count(wkt.begin(), wkt.end(), ']')) << wkt;
    EXPECT_EQ(wkt.find("TOWGS84") == std::string::npos, !shift_to_wgs84(c.grid).has_value()) << wkt;
  }
}

class GeoJsonTest : public FolderTest {};

TEST_F(GeoJsonTest, ReadsBackWhatItWrites) {
  TextFile f;
  create_output(f, path("lines.geojson"));
  GeoJsonFile g{f};
  geojson_begin(g);
  const std::vector<LatLon> a = {{42.5, 27.123456789}, {-89.99999999, -0.000000004}};
  const std::vector<LatLon> b = {{1, 179.5}, {1.1, 179.6}, {1.2, 179.7}};
  geojson_line(g, a, json_member("level", -5.0) + "," + json_member("major", true));
  geojson_point(g, {2, 1}, json_member("label", std::string_view("12\"3\\")) + "," + json_member("depth", 12.3, 2));
  geojson_line(g, b, json_member("level", 2.5) + "," + json_member("major", false));
  geojson_end(g);
  close_file(f);
  ASSERT_EQ(io_result(), 0);
  EXPECT_EQ(g.features, 3);

  std::ifstream in(path("lines.geojson"), std::ios::binary);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(text.find("[27.12345679,42.50000000],[-0.00000000,-89.99999999]"), std::string::npos) << text;
  EXPECT_NE(text.find("\"label\":\"12\\\"3\\\\\",\"depth\":12.30"), std::string::npos) << text;
  std::vector<GeoJsonLine> lines;
  std::string why;
  ASSERT_TRUE(read_geojson_lines(text, lines, why)) << why;
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].points.size(), 2u);
  EXPECT_EQ(lines[1].points.size(), 3u);
  EXPECT_EQ(lines[0].number("level", 0), -5);
  EXPECT_EQ(lines[0].number("major", 0), 1);
  EXPECT_EQ(lines[1].number("major", 1), 0);
  EXPECT_EQ(lines[1].number("missing", 7), 7);
  EXPECT_NEAR(lines[1].points[2].longitude, 179.7, 1e-12);
}

TEST(GeoJsonRead, RefusesWhatIsNoFeatureCollection) {
  const char* const texts[] = {
      "",
      "[]",
      "{\"type\":\"FeatureCollection\"}",
      "{\"features\":[{\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[]}}]}",
      "{\"features\":[{\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[1,2],[3]]}}]}",
      "{\"features\":[{\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[1,2],[3,4]]}}]} trailing",
      "{\"features\":[{\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[1,2],[3,4]]},}]}",
  };
  for (const char* text : texts) {
    std::vector<GeoJsonLine> lines;
    std::string why;
    EXPECT_FALSE(read_geojson_lines(text, lines, why)) << text;
    EXPECT_FALSE(why.empty());
  }
  std::vector<GeoJsonLine> lines;
  std::string why;
  EXPECT_TRUE(read_geojson_lines(
      " {\"type\" : \"FeatureCollection\",\n \"features\" : [ { \"type\":\"Feature\", \"properties\" : { \"name\" : "
      "null, \"level\" : -1e1 }, \"geometry\" : { \"type\" : \"LineString\", \"coordinates\" : [ [ 1 , 2 , 3 ] , [ 4, 5 "
      "] ] } } ] }\r\n",
      lines, why))
      << why;
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].number("level", 0), -10);
  EXPECT_EQ(lines[0].points[1].latitude, 5);
}

class KmlTest : public FolderTest {};

TEST_F(KmlTest, FoldersHoldTheirPlacemarks) {
  TextFile f;
  create_output(f, path("s.kml"));
  const KmlStyle styles[] = {{"track", "ff0000ff", 2}, {"sounding", "ffffffff", 0}};
  kml_begin(f, "Bay <north> & south", styles);
  kml_folder_begin(f, "Track");
  const std::vector<LatLon> line = {{42.5, 27.5}, {42.6, 27.6}};
  kml_line(f, "Line 1", "track", line);
  kml_folder_end(f);
  kml_folder_begin(f, "Soundings");
  kml_point(f, "12.3", "sounding", {42.55, 27.55});
  kml_folder_end(f);
  kml_end(f);
  close_file(f);
  ASSERT_EQ(io_result(), 0);
  std::ifstream in(path("s.kml"), std::ios::binary);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  for (const char* piece :
       {"<name>Bay &lt;north&gt; &amp; south</name>", "<Style id=\"track\"><LineStyle><color>ff0000ff</color><width>2.0",
        "<coordinates>27.50000000,42.50000000 27.60000000,42.60000000</coordinates>",
        "<Placemark><name>12.3</name><styleUrl>#sounding</styleUrl><Point><coordinates>27.55000000,42.55000000<",
        "</Folder>\r\n</Document>\r\n</kml>\r\n"})
    EXPECT_NE(text.find(piece), std::string::npos) << piece;
}

}  // namespace
}  // namespace survey_rt
