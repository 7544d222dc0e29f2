// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/module_items.h"
#include "library/module_table.h"

namespace trevak::exact {

/// What the exact drawing needs of one module, in KiCad's own terms: lengths in integer
/// nanometres (whatever the library's unit), angles in tenths of a degree counter-clockwise as
/// seen on the screen (Y grows downwards, as in the library), layers by their legacy numbers
/// (0 back copper ... 15 front copper ... 28 edge cuts).
struct Point {
  std::int64_t x = 0;
  std::int64_t y = 0;
};

struct Pad {
  std::string number;
  char shape = 'C';  ///< C circle, R rectangle, O oval, T trapezoid
  Point position;
  Point size;
  Point delta;  ///< trapezoid: how much the sides lean (KiCad's rect_delta)
  double angle = 0;
  std::string attribute;  ///< STD, SMD, CONN, HOLE ...
  std::uint32_t layers = 0;  ///< one bit per legacy layer
  std::int64_t drill = 0;    ///< round drill's diameter; 0 for none
  Point drillOffset;
  bool ovalDrill = false;
  Point drillSize;  ///< oval drill's width and height
};

struct Shape {
  enum class Kind { Segment, Circle, Arc, Polygon };
  Kind kind = Kind::Segment;
  /// Segment: start, end. Circle: centre, a point on it. Arc: centre, start. Polygon: corners.
  std::vector<Point> points;
  double arcAngle = 0;  ///< arc: the sweep from its start, clockwise on the screen when positive
  std::int64_t width = 0;
  int layer = 21;
};

struct Text {
  int kind = 0;  ///< 0 reference, 1 value, 2 and more user texts
  std::string text;
  Point position;
  Point size;  ///< character width (x) and height (y)
  std::int64_t thickness = 0;
  double angle = 0;
  bool mirrored = false;
  bool visible = true;
  bool italic = false;
  int layer = 21;
  char hJustify = 'C';  ///< L, C, R
  char vJustify = 'C';  ///< T, C, B
};

struct Footprint {
  std::vector<Pad> pads;
  std::vector<Shape> shapes;
  std::vector<Text> texts;
};

/// What KiCad shows of a module's parsed items: angles made relative to the module, texts on
/// copper moved to the silkscreen and layers past the last one moved as KiCad moves them.
Footprint footprintFromItems(const ModuleItems& items);

/// The footprint of a module body in its library's unit (`LengthUnit::None` reads as 1/10000
/// inch, the format's own unit); a `.kicad_mod` text (format KicadMod) in its own lengths.
Footprint footprintFromBody(std::string_view body, LengthUnit unit,
                            ModuleFormat format = ModuleFormat::Legacy);

}  // namespace trevak::exact
