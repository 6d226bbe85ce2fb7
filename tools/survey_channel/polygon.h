// The convex pieces of the channel's computation: polygons in the frame of
// the surface library (surface/overlay.h) and stretches of a section line,
// cut at the zero of a linear function and integrated in closed form. A
// linear function is a surface::Plane; along a section line its x is the
// distance along the line and y is 0.
#pragma once

#include <algorithm>
#include <array>

#include "overlay.h"

namespace survey_channel {

// A convex polygon of the plan: a piece of a triangle (or of two TINs'
// overlay) cut by a template piece and by the lines where two surfaces meet.
struct Polygon {
  // A triangle's piece (6 corners) clipped by a template piece (9 edges at
  // most), then cut at three lines where surfaces meet: 18 corners at most.
  static constexpr int kCap = 24;
  std::array<surface::PieceCorner, kCap> c;
  int n = 0;

  // Copies take the corners in use only: the pieces are copied at every cut.
  Polygon() = default;
  Polygon(const Polygon& p) : n(p.n) { std::copy_n(p.c.begin(), n, c.begin()); }
  Polygon& operator=(const Polygon& p) {
    n = p.n;
    std::copy_n(p.c.begin(), n, c.begin());
    return *this;
  }
};

// Cuts the polygon to the part where f >= 0 (strict: f > 0, which leaves
// nothing of a polygon where f is 0 all over, so that the two sides of a
// line where two surfaces coincide do not both take it).
inline void clip(Polygon& p, const surface::Plane& f, bool strict = false) {
  bool positive = false, negative = false;
  for (int k = 0; k < p.n; ++k) {
    p.c[k].d = surface::value_at(f, p.c[k].x, p.c[k].y);
    positive = positive || p.c[k].d > 0;
    negative = negative || p.c[k].d < 0;
  }
  if (!negative) {
    if (strict && !positive) p.n = 0;
    return;
  }
  if (!positive || p.n + 1 > Polygon::kCap) {
    p.n = 0;
    return;
  }
  Polygon out;
  out.n = surface::cut_at_zero(p.c.data(), p.n, out.c.data());
  p = out;
}

// The part of the polygon where f >= 0 (f > 0 when strict), as clip.
inline Polygon cut(const Polygon& p, const surface::Plane& f, bool strict = false) {
  Polygon q = p;
  clip(q, f, strict);
  return q;
}

// The area of the polygon and the integral of f over it.
inline double integral(const Polygon& p, const surface::Plane& f) {
  if (p.n < 3) return 0;
  Polygon q = p;
  for (int k = 0; k < p.n; ++k) q.c[k].d = surface::value_at(f, p.c[k].x, p.c[k].y);
  double area = 0, sum = 0;
  surface::integrate(q.c.data(), q.n, area, sum);
  return sum;
}

// A stretch of a section line, from a to b metres along it.
struct Span {
  double a = 0, b = 0;
  bool empty() const { return !(b > a); }
};

inline Span cut(const Span& s, const surface::Plane& f, bool strict = false) {
  if (s.empty()) return s;
  const double fa = surface::value_at(f, s.a, 0), fb = surface::value_at(f, s.b, 0);
  if (fa >= 0 && fb >= 0) return strict && !(fa > 0 || fb > 0) ? Span{} : s;
  if (fa <= 0 && fb <= 0) return Span{};
  const double at = s.a + (s.b - s.a) * fa / (fa - fb);
  return fa > 0 ? Span{s.a, at} : Span{at, s.b};
}

inline double integral(const Span& s, const surface::Plane& f) {
  if (s.empty()) return 0;
  return (s.b - s.a) * (surface::value_at(f, s.a, 0) + surface::value_at(f, s.b, 0)) / 2;
}

// A linear function that is a constant c.
inline surface::Plane constant(double c) { return surface::Plane{0, 0, c, 0, 0}; }
// f + c.
inline surface::Plane raised(surface::Plane f, double c) {
  f.z0 += c;
  return f;
}

}  // namespace survey_channel
