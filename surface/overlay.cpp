#include "overlay.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace surface {

Frame frame_of(const Tin& tin) {
  Frame o;
  if (!tin.vertices.empty()) {
    o.ox = std::round(tin.vertices[0].x);
    o.oy = std::round(tin.vertices[0].y);
  }
  return o;
}

Tri local(const Tin& tin, const Triangle& f, const Frame& o) {
  Tri t;
  for (int k = 0; k < 3; ++k) {
    const Vertex& v = corner(tin, f, k);
    t.x[k] = v.x - o.ox;
    t.y[k] = v.y - o.oy;
    t.z[k] = v.z;
  }
  const double turn = (t.x[1] - t.x[0]) * (t.y[2] - t.y[0]) - (t.y[1] - t.y[0]) * (t.x[2] - t.x[0]);
  if (turn < 0) {
    std::swap(t.x[1], t.x[2]);
    std::swap(t.y[1], t.y[2]);
    std::swap(t.z[1], t.z[2]);
  }
  return t;
}

Plane plane_of(const Tri& t) {
  const double ax = t.x[1] - t.x[0], ay = t.y[1] - t.y[0], az = t.z[1] - t.z[0];
  const double bx = t.x[2] - t.x[0], by = t.y[2] - t.y[0], bz = t.z[2] - t.z[0];
  const double det = ax * by - ay * bx;
  Plane p{t.x[0], t.y[0], t.z[0], 0, 0};
  if (det != 0) {
    p.gx = (az * by - bz * ay) / det;
    p.gy = (ax * bz - bx * az) / det;
  }
  return p;
}

Plane difference_of(const Plane& s, const Plane& r) {
  return Plane{s.x0, s.y0, s.z0 - (r.z0 + r.gx * (s.x0 - r.x0) + r.gy * (s.y0 - r.y0)), s.gx - r.gx, s.gy - r.gy};
}

void integrate(const PieceCorner* p, int n, double& area, double& integral) {
  double a2 = 0, i6 = 0;
  for (int k = 1; k + 1 < n; ++k) {
    const double t = (p[k].x - p[0].x) * (p[k + 1].y - p[0].y) - (p[k].y - p[0].y) * (p[k + 1].x - p[0].x);
    a2 += t;
    i6 += t * (p[0].d + p[k].d + p[k + 1].d);
  }
  area = a2 / 2;
  integral = i6 / 6;
}

int cut_at_zero(const PieceCorner* p, int n, PieceCorner* q) {
  int m = 0;
  for (int k = 0; k < n; ++k) {
    const int j = k + 1 == n ? 0 : k + 1;
    if (p[k].d >= 0) q[m++] = p[k];
    if ((p[k].d > 0 && p[j].d < 0) || (p[k].d < 0 && p[j].d > 0)) {
      const double t = p[k].d / (p[k].d - p[j].d);
      q[m++] = PieceCorner{p[k].x + t * (p[j].x - p[k].x), p[k].y + t * (p[j].y - p[k].y), 0};
    }
  }
  return m;
}

int clip_to_triangle(const PieceCorner* p, int n, const Tri& r, PieceCorner* q) {
  PieceCorner a_buf[kMaxCorners], b_buf[kMaxCorners];
  const PieceCorner* in = p;
  int m = n;
  for (int e = 0; e < 3; ++e) {
    const double ax = r.x[e], ay = r.y[e];
    const double ex = r.x[e == 2 ? 0 : e + 1] - ax, ey = r.y[e == 2 ? 0 : e + 1] - ay;
    double side[kMaxCorners];
    bool all_in = true, all_out = true;
    for (int k = 0; k < m; ++k) {
      side[k] = ex * (in[k].y - ay) - ey * (in[k].x - ax);
      all_in = all_in && side[k] >= 0;
      all_out = all_out && side[k] <= 0;
    }
    if (all_out) return 0;
    if (all_in) continue;  // this edge cuts nothing off
    PieceCorner* out = in == a_buf ? b_buf : a_buf;
    int o = 0;
    for (int k = 0; k < m; ++k) {
      const int j = k + 1 == m ? 0 : k + 1;
      if (side[k] >= 0) out[o++] = in[k];
      if ((side[k] > 0 && side[j] < 0) || (side[k] < 0 && side[j] > 0)) {
        const double t = side[k] / (side[k] - side[j]);
        out[o++] = PieceCorner{in[k].x + t * (in[j].x - in[k].x), in[k].y + t * (in[j].y - in[k].y), 0};
      }
    }
    if (o < 3) return 0;
    in = out;
    m = o;
  }
  std::copy(in, in + m, q);
  return m;
}

Box box_of(const Tri& t) {
  return Box{std::min({t.x[0], t.x[1], t.x[2]}), std::min({t.y[0], t.y[1], t.y[2]}),
             std::max({t.x[0], t.x[1], t.x[2]}), std::max({t.y[0], t.y[1], t.y[2]})};
}

namespace {

int cell_index(double v, double v0, double cell, int n) {
  const double c = std::floor((v - v0) / cell);
  if (!(c >= 0)) return 0;
  return c >= n - 1 ? n - 1 : static_cast<int>(c);
}

}  // namespace

CellRange cells_of(const BoxIndex& ix, const Box& b) {
  return CellRange{cell_index(b.xl, ix.x0, ix.cell, ix.cols), cell_index(b.xh, ix.x0, ix.cell, ix.cols),
                   cell_index(b.yl, ix.y0, ix.cell, ix.rows), cell_index(b.yh, ix.y0, ix.cell, ix.rows)};
}

BoxIndex make_index(std::span<const Box> boxes) {
  BoxIndex ix;
  double xl = std::numeric_limits<double>::infinity(), yl = xl, xh = -xl, yh = -xl;
  double area = 0;
  for (const Box& b : boxes) {
    xl = std::min(xl, b.xl);
    yl = std::min(yl, b.yl);
    xh = std::max(xh, b.xh);
    yh = std::max(yh, b.yh);
    area += (b.xh - b.xl) * (b.yh - b.yl);
  }
  const double n = static_cast<double>(std::max<std::size_t>(boxes.size(), 1));
  ix.cell = std::max(std::sqrt(area / n), 1e-3);
  const double span_x = std::max(xh - xl, 0.0), span_y = std::max(yh - yl, 0.0);
  while ((span_x / ix.cell + 1) * (span_y / ix.cell + 1) > 4 * n + 16) ix.cell *= 1.5;
  ix.x0 = xl;
  ix.y0 = yl;
  ix.cols = static_cast<int>(span_x / ix.cell) + 1;
  ix.rows = static_cast<int>(span_y / ix.cell) + 1;
  ix.start.assign(static_cast<std::size_t>(ix.cols) * ix.rows + 1, 0);
  auto each_cell = [&](const Box& b, auto put) {
    const CellRange r = cells_of(ix, b);
    for (int row = r.r0; row <= r.r1; ++row)
      for (int col = r.c0; col <= r.c1; ++col) put(static_cast<std::size_t>(row) * ix.cols + col);
  };
  for (const Box& b : boxes) each_cell(b, [&](std::size_t k) { ++ix.start[k + 1]; });
  for (std::size_t k = 1; k < ix.start.size(); ++k) ix.start[k] += ix.start[k - 1];
  ix.items.resize(ix.start.back());
  std::vector<std::uint32_t> fill(ix.start.begin(), ix.start.end() - 1);
  for (std::uint32_t i = 0; i < boxes.size(); ++i) each_cell(boxes[i], [&](std::size_t k) { ix.items[fill[k]++] = i; });
  return ix;
}

constexpr double kBand = 16;

std::vector<std::uint32_t> band_order(const Tin& tin, const Frame& o) {
  std::vector<std::pair<double, std::uint32_t>> keyed;
  keyed.reserve(tin.triangles.size());
  for (std::uint32_t i = 0; i < tin.triangles.size(); ++i) {
    const Vertex& v = corner(tin, tin.triangles[i], 0);
    const double band = std::floor((v.y - o.oy) / kBand);
    keyed.emplace_back(band * 1e9 + (v.x - o.ox), i);  // bands 1e9 m apart: far beyond any survey's width
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::uint32_t> order;
  order.reserve(keyed.size());
  for (const auto& k : keyed) order.push_back(k.second);
  return order;
}

}  // namespace surface
