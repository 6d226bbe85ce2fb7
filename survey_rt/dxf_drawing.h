// ASCII DXF drawings in the R12 layout that every CAD program reads: a HEADER
// with $ACADVER and the extents, a LAYER table when a drawing has layers
// besides 0, the ENTITIES, EOF. Every group code stands on a line of its own,
// right-aligned in three characters, its value on the next line; numbers are
// the shortest text that reads back as the same double; CR LF line ends. So
// echo_clean2 and dxf2txt read a drawing made here like one saved by AutoCAD.
//
// A drawing is written in order: dxf_begin, the entities, dxf_end. Each
// gathers its groups and writes them in one piece (a long polyline in a few),
// followed by io_check.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "text_file.h"

namespace survey_rt {

struct DxfPoint {
  double x = 0;
  double y = 0;
  double z = 0;
};

// The least and greatest coordinates drawn ($EXTMIN, $EXTMAX): those of the
// points that place the entities (a circle's centre, a text's point); 0 when
// nothing is drawn.
struct DxfExtents {
  DxfPoint low, high;
  bool any = false;
  void add(const DxfPoint& p);
};

// A layer of the LAYER table: its name and colour number (1 red, 7 white).
struct DxfLayer {
  std::string_view name;
  int colour = 7;
};

// The shortest text that reads back as the same double, with a decimal point.
std::string dxf_real(double v);
// The same without the ".0" of a whole number, as a surveyor writes a value:
// "1000", "2.5".
std::string short_real(double v);

// The HEADER, a LAYER table of the layers given (none: no TABLES section),
// and the start of the ENTITIES.
void dxf_begin(TextFile& f, const DxfExtents& extents, std::span<const DxfLayer> layers = {});
void dxf_end(TextFile& f);

void dxf_point(TextFile& f, const DxfPoint& p, std::string_view layer = "0");
void dxf_circle(TextFile& f, const DxfPoint& centre, double radius, std::string_view layer = "0");
// A 3D polyline through the vertices, with its VERTEXes and SEQEND.
void dxf_polyline(TextFile& f, std::span<const DxfPoint> vertices);
// A text of the height given, rotated by rotation degrees; right-justified at p when
// right, else starting at p.
void dxf_text(TextFile& f, const DxfPoint& p, double height, double rotation, bool right,
              std::string_view text, std::string_view layer = "0");

// A 2D polyline at the elevation given (a contour): its vertices' x and y,
// closed (back to the first vertex) when closed, on the layer given.
void dxf_polyline_2d(TextFile& f, std::span<const DxfPoint> vertices, double elevation, bool closed,
                     std::string_view layer);
// A 3DFACE of three corners (the fourth repeats the third), on the layer given.
void dxf_3dface(TextFile& f, const DxfPoint& a, const DxfPoint& b, const DxfPoint& c, std::string_view layer);

}  // namespace survey_rt
