// The pieces that exact volumes are summed over: a TIN's triangles in a frame
// near the survey, their planes, convex pieces cut at a line and integrated in
// closed form, a grid index of boxes, and the overlay of two TINs (each
// triangle of one clipped by the triangles of the other that it meets). The
// cut and fill of volume.cpp and the channel's pay volumes are sums over these.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "surface.h"

namespace surface {

// A point of a piece in the computation's own frame (eastings and northings
// less an origin near the survey, so that the products of coordinates keep
// their centimetres), and a value d there (the difference of two surfaces,
// or whatever is cut and integrated).
struct PieceCorner {
  double x, y, d;  // no initializers: the clipping's arrays are not cleared on every call
};
// A triangle clipped by a triangle has at most six corners; a piece cut by a
// boundary may have more. Clipping a piece of n corners at a line leaves at
// most n + 1 when it is convex, 2 n when it is not.
constexpr int kMaxCorners = 12;

struct Frame {
  double ox = 0, oy = 0;
};
// The origin: the first vertex of the TIN, to the whole metre.
Frame frame_of(const Tin& tin);

// A triangle in the frame, counterclockwise.
struct Tri {
  double x[3], y[3], z[3];
};
Tri local(const Tin& tin, const Triangle& f, const Frame& o);

// A plane: z = z0 + gx (x - x0) + gy (y - y0).
struct Plane {
  double x0 = 0, y0 = 0, z0 = 0, gx = 0, gy = 0;
};
Plane plane_of(const Tri& t);
// The difference of two planes, s - r, as a plane at s's first corner.
Plane difference_of(const Plane& s, const Plane& r);
inline double value_at(const Plane& p, double x, double y) { return p.z0 + p.gx * (x - p.x0) + p.gy * (y - p.y0); }

// The signed area of the polygon and the integral of the linear function
// whose values at the corners are their d (fan from the first corner:
// signed, so it holds for any closed outline, also the folded ones that
// clipping a non-convex piece at a line leaves).
void integrate(const PieceCorner* p, int n, double& area, double& integral);
// Cuts the polygon p (n corners) at d = 0 and puts the part where d >= 0 in
// q (Sutherland-Hodgman at one line; q has room for 2 n corners, n + 1 when
// p is convex); the new corners have d = 0. Returns the corners in q.
int cut_at_zero(const PieceCorner* p, int n, PieceCorner* q);
// Clips the convex polygon p (n corners, at most kMaxCorners - 3) to the
// counterclockwise triangle r; the result in q, its corner count returned.
int clip_to_triangle(const PieceCorner* p, int n, const Tri& r, PieceCorner* q);

// A box in the frame.
struct Box {
  double xl, yl, xh, yh;
};
Box box_of(const Tri& t);

// A grid index of boxes: square cells, each listing the boxes that meet it
// (compressed rows).
struct BoxIndex {
  double x0 = 0, y0 = 0, cell = 1;
  int cols = 0, rows = 0;
  std::vector<std::uint32_t> start;  // cols * rows + 1
  std::vector<std::uint32_t> items;
};
// Cells about the size of a box: a few boxes a cell.
BoxIndex make_index(std::span<const Box> boxes);
// The cells of the index that a box meets: columns c0 .. c1, rows r0 .. r1.
struct CellRange {
  int c0, c1, r0, r1;
};
CellRange cells_of(const BoxIndex& ix, const Box& b);

// The triangles' indices in the order of bands of 16 metres from south to
// north, west to east within a band (by their first corner): a loop over one
// TIN then meets the triangles of another, found through an index, band after
// band, and those stay in the cache.
std::vector<std::uint32_t> band_order(const Tin& tin, const Frame& o);

// One piece of the overlay of two TINs: a triangle of the first (with its
// plane) clipped by a triangle of the second (with its plane), a convex
// polygon of n corners (their d unset).
struct OverlayPiece {
  const Tri& a;
  const Plane& pa;
  const Plane& pb;
  PieceCorner* corners;
  int n;
};

// Walks the overlay of a with b in the frame: for each triangle of a (in band
// order) that select(const Tri&) keeps, every piece it has in common with a
// triangle of b goes to visit(const OverlayPiece&). The triangles of b are
// found through a grid index of their boxes.
template <class Select, class Visit>
void overlay(const Tin& a, const Tin& b, const Frame& o, Select select, Visit visit) {
  std::vector<Tri> ref;
  ref.reserve(b.triangles.size());
  for (const std::uint32_t i : band_order(b, o)) ref.push_back(local(b, b.triangles[i], o));
  std::vector<Box> boxes;
  boxes.reserve(ref.size());
  for (const Tri& r : ref) boxes.push_back(box_of(r));
  const BoxIndex ix = make_index(boxes);
  // The candidates' boxes in floats, a centimetre wider all round than the
  // float rounding could make them narrower (they only pick what to clip).
  struct FloatBox {
    float xl, yl, xh, yh;
  };
  std::vector<Plane> planes;
  std::vector<FloatBox> narrow;
  planes.reserve(ref.size());
  narrow.reserve(ref.size());
  for (std::size_t i = 0; i < ref.size(); ++i) {
    planes.push_back(plane_of(ref[i]));
    const Box& r = boxes[i];
    narrow.push_back(FloatBox{static_cast<float>(r.xl - 0.01), static_cast<float>(r.yl - 0.01),
                              static_cast<float>(r.xh + 0.01), static_cast<float>(r.yh + 0.01)});
  }
  std::vector<Box>().swap(boxes);
  std::vector<std::uint32_t> seen(ref.size(), 0);
  std::uint32_t stamp = 0;
  PieceCorner q[kMaxCorners];
  for (const std::uint32_t ai : band_order(a, o)) {
    const Tri t = local(a, a.triangles[ai], o);
    if (!select(t)) continue;
    if (++stamp == 0) {  // after 2^32 triangles: start the stamps again
      std::fill(seen.begin(), seen.end(), 0);
      stamp = 1;
    }
    const Box tb = box_of(t);
    const CellRange cr = cells_of(ix, tb);
    const float fxl = static_cast<float>(tb.xl), fyl = static_cast<float>(tb.yl), fxh = static_cast<float>(tb.xh),
                fyh = static_cast<float>(tb.yh);
    const PieceCorner p[3] = {{t.x[0], t.y[0], 0}, {t.x[1], t.y[1], 0}, {t.x[2], t.y[2], 0}};
    const Plane pa = plane_of(t);
    for (int row = cr.r0; row <= cr.r1; ++row)
      for (int col = cr.c0; col <= cr.c1; ++col) {
        const std::size_t cell = static_cast<std::size_t>(row) * ix.cols + col;
        for (std::uint32_t k = ix.start[cell]; k < ix.start[cell + 1]; ++k) {
          const std::uint32_t i = ix.items[k];
          if (seen[i] == stamp) continue;
          seen[i] = stamp;
          const FloatBox& rb = narrow[i];
          if (rb.xl > fxh || rb.xh < fxl || rb.yl > fyh || rb.yh < fyl) continue;
          const int n = clip_to_triangle(p, 3, ref[i], q);
          if (n < 3) continue;
          visit(OverlayPiece{t, pa, planes[i], q, n});
        }
      }
  }
}

}  // namespace surface
