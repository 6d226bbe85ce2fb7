// The channel in the plan: stations and offsets along the centreline, the
// template as pieces of the plan on which it is one plane, and the lines of
// the cross sections.
//
// A point of the plan belongs to the station of its nearest point on the
// centreline and lies at its signed distance from it (right positive). So
// each segment of the centreline has a cell of the plan on either side:
// between the lines perpendicular to it at its ends, or, on the inside of a
// bend, the bisector of the bend (the points as near to the one segment as to
// the other). Outside a bend the points nearest to the bend's point fill a
// fan; the bisector splits it between the segments before and after. Within
// a segment's cell the station and the offset are linear in the plan, so the
// template (flat between the toes, a plane on each side slope) is a plane on
// each piece between the toe lines and between two stations: the volumes
// over it are exact. In a fan the offset is the distance from the bend's
// point, a cone: the fan is cut into wedges of at most half a degree, on each
// of which the offset is taken along the wedge's middle (too short by at most
// 1 - cos 0.25 degree, a millionth of it, at the wedge's edges).
#pragma once

#include <array>
#include <vector>

#include "channel.h"
#include "overlay.h"

namespace survey_channel {

using surface::Point2;

// The centreline in the computation's frame.
struct Alignment {
  std::vector<Point2> p;     // the points
  std::vector<double> s;     // their stations
  std::vector<Point2> t;     // the unit direction of segment i, from p[i] to p[i + 1]
  std::vector<double> turn;  // at each point, radians, left positive (0 at the ends)
};
Alignment make_alignment(const Channel& c, const surface::Frame& o);

// The right normal of a direction.
inline Point2 right_of(Point2 t) { return {t.y, -t.x}; }

// The station and signed offset of a plan point (in the frame): its nearest
// point on the centreline.
struct Place {
  double station = 0, offset = 0;
};
Place place_of(const Alignment& a, Point2 q);

// The height of the reach's template at an offset (+inf beyond a vertical side).
double template_height(const Reach& r, double offset);

// The stations of the sections: the channel's ends, the reaches' ends and
// every multiple of interval between them, in order.
std::vector<double> section_stations(const Channel& c, double interval);
// The reach (its index) of each interval between two stations.
std::vector<int> interval_reaches(const Channel& c, const std::vector<double>& stations);

// How far the channel can reach from the centreline on each side ([0] left,
// [1] right): beyond it every reach's pay line stands above the highest
// point of the seabed, so nothing there is the channel's. One metre more.
std::array<double, 2> lateral_reach(const Channel& c, double highest);

// A bend too tight for the channel's reach: on its inside the sections of
// the segment next to the point cross within the reach, where the nearest
// point on the centreline is another segment's. point is -1 when none.
struct TightBend {
  int point = -1;
  double crossing = 0;  // metres from the centreline
};
TightBend tight_bend(const Channel& c, const Alignment& a, const std::array<double, 2>& reach);

// A piece of the plan on which the template is one plane: within one
// interval of stations, on one side, between the centreline and the toe line
// (the bottom) or beyond it (the side slope), out to the lateral reach.
struct Piece {
  int interval = 0, reach = 0, side = 1;  // side: -1 left, +1 right
  bool slope = false;
  surface::Plane t;                // the template's height; the pay line is it lowered by the reach's over-depth
  std::vector<Point2> corners;     // counterclockwise
  std::vector<surface::Plane> edges;  // >= 0 inside: the piece is where all of them are
  surface::Box box;
};
std::vector<Piece> template_pieces(const Channel& c, const Alignment& a, const std::vector<double>& stations,
                                   const std::vector<int>& reach_of, const std::array<double, 2>& reach);

// The line of the cross section at a station: through the centreline's point
// there, across it (at a point of a bend, along the bisector), right the unit
// direction towards the right side; along it the offset grows by stretch[0]
// (left) or stretch[1] (right) a metre: 1, but cos(turn / 2) on the inside
// of a bend at its point.
struct SectionLine {
  Point2 centre, right;
  double stretch[2] = {1, 1};
};
SectionLine section_line(const Alignment& a, double station);

}  // namespace survey_channel
