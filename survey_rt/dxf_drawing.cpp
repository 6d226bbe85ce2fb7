#include "dxf_drawing.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "stop.h"

namespace survey_rt {
namespace {

constexpr std::size_t kRealMax = 400;  // room for the text of any double

// n / 10^4 in fixed notation with at most four decimals, and at least one,
// at out; its length.
std::size_t put_scaled(char* out, std::uint64_t n) {
  std::size_t len = static_cast<std::size_t>(std::to_chars(out, out + 24, n / 10000).ptr - out);
  out[len++] = '.';
  const auto part = static_cast<unsigned>(n % 10000);
  const char decimals[4] = {static_cast<char>('0' + part / 1000), static_cast<char>('0' + part / 100 % 10),
                            static_cast<char>('0' + part / 10 % 10), static_cast<char>('0' + part % 10)};
  int kept = 4;  // less the trailing zeros, one decimal kept
  while (kept > 1 && decimals[kept - 1] == '0') --kept;
  for (int i = 0; i < kept; ++i) out[len++] = decimals[i];
  return len;
}

// The shortest fixed-notation text of v that reads back as v, ".0" added
// when it has no decimal point, at out (kRealMax characters); its length.
// The longest such text, that of the least subnormal, has 326 characters.
std::size_t real_chars(double v, char* out) {
  // The usual values of a drawing have at most four decimals: when v is
  // k / 10^4 for a whole k below 10^15, the text of k / 10^4 reads back as v
  // (the quotient is what reading rounds to) and, with 15 significant digits
  // or fewer, no other text of as few digits does: it is the shortest, less
  // its trailing zeros.
  // Fast path: it must give the standard library's shortest text;
  // DxfReal.IsTheShortestTextThatReadsBack checks it.
  const double k = std::nearbyint(v * 1e4);
  if (std::fabs(k) < 1e15 && k / 1e4 == v) {
    std::size_t n = 0;
    if (std::signbit(v)) out[n++] = '-';
    return n + put_scaled(out + n, static_cast<std::uint64_t>(std::fabs(k)));
  }
  const auto res = std::to_chars(out, out + kRealMax - 2, v, std::chars_format::fixed);
  std::size_t n = static_cast<std::size_t>(res.ptr - out);
  if (std::memchr(out, '.', n) == nullptr) {
    out[n++] = '.';
    out[n++] = '0';
  }
  return n;
}

std::size_t put(char* out, std::string_view s) {
  std::memcpy(out, s.data(), s.size());
  return s.size();
}

// A group code right-aligned in three characters and its line end, at out.
std::size_t put_code(char* out, int code) {
  if (code < 0 || code > 999) {
    char digits[16];
    const auto n = static_cast<std::size_t>(std::to_chars(digits, digits + 16, code).ptr - digits);
    const std::size_t len = put(out, std::string_view(digits, n));
    return len + put(out + len, "\r\n");
  }
  out[0] = code >= 100 ? static_cast<char>('0' + code / 100) : ' ';
  out[1] = code >= 10 ? static_cast<char>('0' + code / 10 % 10) : ' ';
  out[2] = static_cast<char>('0' + code % 10);
  out[3] = '\r';
  out[4] = '\n';
  return 5;
}

// Groups gathered in a buffer and written at once (an entity in one write,
// as a drawing has millions of them): the code right-aligned in three
// characters on its line, the value on the next.
class Groups {
 public:
  explicit Groups(TextFile& f) : f_(f) {}
  Groups(const Groups&) = delete;
  Groups& operator=(const Groups&) = delete;

  Groups& add(int code, std::string_view value) {
    room(16 + value.size() + 2);
    n_ += put_code(text_ + n_, code);
    if (value.size() + 2 > sizeof text_ - n_) {  // a value too long for the buffer
      flush();
      write_str(f_, value);
      end_line(f_);
      io_check();
      return *this;
    }
    n_ += put(text_ + n_, value);
    n_ += put(text_ + n_, "\r\n");
    return *this;
  }
  Groups& add(int code, double value) {
    room(16 + kRealMax + 2);
    n_ += put_code(text_ + n_, code);
    n_ += real_chars(value, text_ + n_);
    n_ += put(text_ + n_, "\r\n");
    return *this;
  }
  Groups& add(int code, std::int32_t value) { return add(code, std::string_view(std::to_string(value))); }
  // The codes code, code + 10, code + 20.
  Groups& add(int code, const DxfPoint& p) { return add(code, p.x).add(code + 10, p.y).add(code + 20, p.z); }
  void flush() {
    write_str(f_, {text_, n_});
    io_check();
    n_ = 0;
  }

 private:
  void room(std::size_t need) {
    if (n_ + need > sizeof text_) flush();
  }

  TextFile& f_;
  char text_[4096];
  std::size_t n_ = 0;
};

}  // namespace

void DxfExtents::add(const DxfPoint& p) {
  if (!any || p.x < low.x) low.x = p.x;
  if (!any || p.y < low.y) low.y = p.y;
  if (!any || p.z < low.z) low.z = p.z;
  if (!any || p.x > high.x) high.x = p.x;
  if (!any || p.y > high.y) high.y = p.y;
  if (!any || p.z > high.z) high.z = p.z;
  any = true;
}

std::string dxf_real(double v) {
  char text[kRealMax];
  return std::string(text, real_chars(v, text));
}

std::string short_real(double v) {
  std::string text = dxf_real(v);
  if (text.ends_with(".0")) text.resize(text.size() - 2);
  return text;
}

void dxf_begin(TextFile& f, const DxfExtents& extents, std::span<const DxfLayer> layers) {
  Groups g(f);
  g.add(0, "SECTION").add(2, "HEADER");
  g.add(9, "$ACADVER").add(1, "AC1009");
  g.add(9, "$EXTMIN").add(10, extents.low);
  g.add(9, "$EXTMAX").add(10, extents.high);
  g.add(0, "ENDSEC");
  if (!layers.empty()) {
    g.add(0, "SECTION").add(2, "TABLES");
    g.add(0, "TABLE").add(2, "LAYER").add(70, static_cast<std::int32_t>(layers.size()));
    for (const DxfLayer& layer : layers) {
      g.add(0, "LAYER").add(2, layer.name);
      g.add(70, "0");  // neither frozen nor locked
      g.add(62, static_cast<std::int32_t>(layer.colour)).add(6, "CONTINUOUS");
    }
    g.add(0, "ENDTAB").add(0, "ENDSEC");
  }
  g.add(0, "SECTION").add(2, "ENTITIES");
  g.flush();
}

void dxf_end(TextFile& f) {
  Groups g(f);
  g.add(0, "ENDSEC").add(0, "EOF");
  g.flush();
}

void dxf_point(TextFile& f, const DxfPoint& p, std::string_view layer) {
  Groups g(f);
  g.add(0, "POINT").add(8, layer).add(10, p);
  g.flush();
}

void dxf_circle(TextFile& f, const DxfPoint& centre, double radius, std::string_view layer) {
  Groups g(f);
  g.add(0, "CIRCLE").add(8, layer).add(10, centre).add(40, radius);
  g.flush();
}

void dxf_polyline(TextFile& f, std::span<const DxfPoint> vertices) {
  Groups g(f);
  g.add(0, "POLYLINE").add(8, "0");
  g.add(66, "1");  // vertices follow
  g.add(10, DxfPoint{});
  g.add(70, "8");  // a 3D polyline
  for (const DxfPoint& v : vertices) {
    g.add(0, "VERTEX").add(8, "0").add(10, v);
    g.add(70, "32");  // a vertex of a 3D polyline
  }
  g.add(0, "SEQEND").add(8, "0");
  g.flush();
}

void dxf_text(TextFile& f, const DxfPoint& p, double height, double rotation, bool right,
              std::string_view text, std::string_view layer) {
  Groups g(f);
  g.add(0, "TEXT").add(8, layer).add(10, p).add(40, height).add(1, text).add(50, rotation);
  if (right) {
    g.add(72, "2");  // right-justified at the alignment point
    g.add(11, p);
  }
  g.flush();
}

void dxf_polyline_2d(TextFile& f, std::span<const DxfPoint> vertices, double elevation, bool closed,
                     std::string_view layer) {
  Groups g(f);
  g.add(0, "POLYLINE").add(8, layer);
  g.add(66, "1");  // vertices follow
  g.add(10, DxfPoint{0, 0, elevation});
  g.add(70, closed ? "1" : "0");
  for (const DxfPoint& v : vertices) g.add(0, "VERTEX").add(8, layer).add(10, DxfPoint{v.x, v.y, elevation});
  g.add(0, "SEQEND").add(8, layer);
  g.flush();
}

void dxf_3dface(TextFile& f, const DxfPoint& a, const DxfPoint& b, const DxfPoint& c, std::string_view layer) {
  Groups g(f);
  g.add(0, "3DFACE").add(8, layer).add(10, a).add(11, b).add(12, c).add(13, c);
  g.flush();
}

}  // namespace survey_rt
