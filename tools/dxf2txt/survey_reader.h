// dxf2txt --survey: the heights of a drawing as a surveyor reads them. The
// drawing is read as a DXF reader reads it, as group-code and value pairs
// (codes with any blanks or tabs around them, CR LF or LF, reals such as
// "672500."), in two steps:
// - read_survey_blocks: the header, the tables and the block definitions, up
//   to the model space's entities; each block keeps only what may be listed
//   (its POINTs, its numeric labels, its line vertices, the INSERTs of other
//   blocks), in its own coordinates. A block that inserts itself, directly or
//   through others, stops the tool (exit status 1) with its name.
// - read_survey_entities: the model space's entities one by one, as they
//   stream: POINTs, and with the options numeric TEXT and MTEXT labels, the
//   insertion points of INSERTs and the vertices of lines; every INSERT
//   brings in its block's items through its transformation (insertion point,
//   scales, rotation, column and row array, the extrusion's object
//   coordinate system), nested blocks through the product of theirs. Paper
//   space (group 67 = 1), the layer Defpoints and dimensions are passed over.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text_file.h"

namespace dxf_survey {

struct Options {
  bool labels = false;   // numeric TEXT and MTEXT: the number as z
  bool inserts = false;  // every INSERT's insertion point
  bool lines = false;    // the vertices of LWPOLYLINE, POLYLINE and LINE
  std::vector<std::string> layers;  // only these layers (layer_matches); empty: all
};

enum class Kind : std::uint8_t { point, label, insert, vertex };

// What was listed of each kind, and what was passed over.
struct Counts {
  std::int32_t taken[4] = {0, 0, 0, 0};  // by Kind
  std::int32_t paper_space = 0;          // entities of paper space
  std::int32_t defpoints = 0;            // entities on the layer Defpoints
  std::int32_t dimensions = 0;           // DIMENSION entities
  std::int32_t other_layers = 0;         // items on layers that --layer leaves out
  std::int32_t unreferenced_blocks = 0;  // block definitions that no layout (nor a dimension) inserts
};

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

// One item of a block, in the block's coordinates.
struct BlockItem {
  Kind kind = Kind::point;
  Vec3 p;             // the point (a label's insertion or alignment point; an INSERT's insertion point, in its OCS)
  double number = 0;  // a label's number
  std::string layer;
  // An INSERT: the block, scales, rotation (degrees), array and extrusion.
  int block = -1;
  Vec3 scale{1, 1, 1};
  double rotation = 0;
  int columns = 1, rows = 1;
  double column_spacing = 0, row_spacing = 0;
  Vec3 extrusion{0, 0, 1};
};

struct Block {
  std::string name;
  Vec3 base;
  std::vector<BlockItem> items;
  bool defined = false;  // its BLOCK was read (an INSERT may name it first)
  bool used = false;     // model space inserts it, directly or not
  bool elsewhere = false;  // paper space, a layout's or a dimension's block inserts it
};

// The blocks of a drawing, and the counts of a run.
struct Drawing {
  std::vector<Block> blocks;
  std::unordered_map<std::string, int> block_index;  // by upper-case name
  Counts counts;
  long line = 0;  // lines read, for messages
};

// A listed point: x, y, z and the layer it was found on.
using OnItem = std::function<void(Kind kind, const Vec3& p, std::string_view layer)>;

// Reads from the start of the drawing up to the start of the model space's
// entities (or its end); stops on a block that inserts itself.
void read_survey_blocks(survey_rt::TextFile& file, const Options& options, Drawing& drawing);
// Reads the model space's entities to the end of the drawing and hands over
// every item the options take, in drawing order.
void read_survey_entities(survey_rt::TextFile& file, const Options& options, Drawing& drawing,
                          const OnItem& on_item);

// Whether a layer name matches a --layer pattern ("*" any run, "?" one
// letter; Latin and Cyrillic letters without regard to case, each name read
// as UTF-8 when it is valid UTF-8, else as Windows-1251 bytes).
bool layer_matches(std::string_view pattern, std::string_view layer);
// The text of an MTEXT without its formatting codes ("{\fArial;12.5}" reads
// "12.5"; "\P" is a line break, read as a blank).
std::string mtext_plain(std::string_view text);
// Whether the whole text (blanks around it aside) is a number: a sign, digits
// with a point or a comma as decimal mark; its value.
bool label_number(std::string_view text, double& value);

}  // namespace dxf_survey
