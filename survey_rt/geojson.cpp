#include "geojson.h"

#include <charconv>
#include <cstdio>

#include "dxf_drawing.h"
#include "fixed_notation.h"
#include "stop.h"

namespace survey_rt {

namespace {

void write_position(std::string& s, const LatLon& p) {
  s += '[';
  append_fixed(s, p.longitude, 8);
  s += ',';
  append_fixed(s, p.latitude, 8);
  s += ']';
}

void feature_begin(GeoJsonFile& g, std::string_view geometry_type) {
  std::string s = g.features > 0 ? "," : "";
  s += "{\"type\":\"Feature\",\"geometry\":{\"type\":\"";
  s += geometry_type;
  s += "\",\"coordinates\":";
  write_str(g.f, s);
}

void feature_end(GeoJsonFile& g, std::string_view properties) {
  std::string s = "},\"properties\":{";
  s += properties;
  s += "}}";
  write_str(g.f, s);
  end_line(g.f);
  io_check();
  ++g.features;
}

}  // namespace

void geojson_begin(GeoJsonFile& g) {
  write_str(g.f, "{\"type\":\"FeatureCollection\",\"features\":[");
  end_line(g.f);
  io_check();
}

void geojson_end(GeoJsonFile& g) {
  write_str(g.f, "]}");
  end_line(g.f);
  io_check();
}

void geojson_point(GeoJsonFile& g, const LatLon& p, std::string_view properties) {
  feature_begin(g, "Point");
  g.position.clear();
  write_position(g.position, p);
  write_str(g.f, g.position);
  feature_end(g, properties);
}

void geojson_line(GeoJsonFile& g, std::span<const LatLon> points, std::string_view properties) {
  geojson_line_begin(g);
  for (const LatLon& p : points) geojson_line_point(g, p);
  geojson_line_end(g, properties);
}

void geojson_line_begin(GeoJsonFile& g) {
  feature_begin(g, "LineString");
  write_str(g.f, "[");
  g.line_points = 0;
}

void geojson_line_point(GeoJsonFile& g, const LatLon& p) {
  g.position.clear();
  if (g.line_points++ > 0) g.position += ',';
  write_position(g.position, p);
  write_str(g.f, g.position);
}

void geojson_line_end(GeoJsonFile& g, std::string_view properties) {
  write_str(g.f, "]");
  feature_end(g, properties);
}

std::string json_string(std::string_view text) {
  std::string s = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      s += '\\';
      s += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
      s += code;
    } else {
      s += c;
    }
  }
  return s + "\"";
}

std::string json_member(std::string_view name, double value) { return json_string(name) + ":" + dxf_real(value); }
std::string json_member(std::string_view name, double value, int d) {
  return json_string(name) + ":" + fixed_text(value, d);
}
std::string json_member(std::string_view name, bool value) {
  return json_string(name) + ":" + (value ? "true" : "false");
}
std::string json_member(std::string_view name, std::string_view text) {
  return json_string(name) + ":" + json_string(text);
}
std::string json_member(std::string_view name, std::int64_t value) {
  return json_string(name) + ":" + std::to_string(value);
}

double GeoJsonLine::number(std::string_view name, double missing) const {
  for (const auto& [n, v] : numbers)
    if (n == name) return v;
  return missing;
}

namespace {

// A reader of the JSON text: each step false at the first fault.
struct Json {
  std::string_view s;
  std::size_t i = 0;

  void blanks() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
  }
  bool take(char c) {
    blanks();
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  bool peek(char c) {
    blanks();
    return i < s.size() && s[i] == c;
  }
  bool string(std::string& out) {
    if (!take('"')) return false;
    out.clear();
    while (i < s.size() && s[i] != '"') {
      if (s[i] == '\\') ++i;  // the escaped byte as it stands (names here are plain)
      if (i < s.size()) out += s[i++];
    }
    return take('"');
  }
  bool number(double& v) {
    blanks();
    const auto r = std::from_chars(s.data() + i, s.data() + s.size(), v);
    if (r.ec != std::errc()) return false;
    i = static_cast<std::size_t>(r.ptr - s.data());
    return true;
  }
  bool word(std::string_view w) {
    blanks();
    if (s.substr(i, w.size()) != w) return false;
    i += w.size();
    return true;
  }
  // Members of an object: member(name) reads each value.
  template <class Member>
  bool object(Member member) {
    if (!take('{')) return false;
    if (take('}')) return true;
    do {
      std::string name;
      if (!string(name) || !take(':') || !member(name)) return false;
    } while (take(','));
    return take('}');
  }
  template <class Item>
  bool array(Item item) {
    if (!take('[')) return false;
    if (take(']')) return true;
    do {
      if (!item()) return false;
    } while (take(','));
    return take(']');
  }
  bool skip() {
    if (peek('{')) return object([&](const std::string&) { return skip(); });
    if (peek('[')) return array([&] { return skip(); });
    if (peek('"')) {
      std::string ignored;
      return string(ignored);
    }
    if (word("true") || word("false") || word("null")) return true;
    double ignored = 0;
    return number(ignored);
  }
  bool position(std::vector<LatLon>& points) {
    LatLon p;
    int k = 0;
    const bool ok = array([&] {
      double v = 0;
      if (!number(v)) return false;
      if (k == 0) p.longitude = v;
      if (k == 1) p.latitude = v;
      ++k;
      return true;
    });
    points.push_back(p);
    return ok && k >= 2;
  }
  bool feature(std::vector<GeoJsonLine>& lines) {
    GeoJsonLine line;
    std::string type;
    const bool ok = object([&](const std::string& name) {
      if (name == "properties") {
        return object([&](const std::string& key) {
          double v = 0;
          if (word("true")) v = 1;
          else if (word("false")) v = 0;
          else if (!peek('-') && !(i < s.size() && s[i] >= '0' && s[i] <= '9')) return skip();
          else if (!number(v)) return false;
          line.numbers.emplace_back(key, v);
          return true;
        });
      }
      if (name != "geometry") return skip();
      return object([&](const std::string& key) {
        if (key == "type") return string(type);
        if (key != "coordinates") return skip();
        if (type == "Point") return position(line.points);  // "type" comes first, as written here
        return array([&] { return position(line.points); });
      });
    });
    if (ok && type == "LineString") lines.push_back(std::move(line));
    return ok && (type == "LineString" || type == "Point");
  }
};

}  // namespace

bool read_geojson_lines(std::string_view text, std::vector<GeoJsonLine>& lines, std::string& why) {
  Json j{text};
  bool features = false;
  const bool ok = j.object([&](const std::string& name) {
    if (name != "features") return j.skip();
    features = true;
    return j.array([&] { return j.feature(lines); });
  });
  j.blanks();
  if (ok && features && j.i == text.size()) return true;
  why = "no FeatureCollection of points and lines (at byte " + std::to_string(j.i + 1) + ")";
  return false;
}

}  // namespace survey_rt
