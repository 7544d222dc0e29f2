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
/// (0 back copper ... 15 front copper ... 28 edge cuts) and, for the layers only `.kicad_mod`
/// files name, the numbers after them (kMargin ... kUserLayer9).
inline constexpr int kMargin = 29;
inline constexpr int kBackCourtyard = 30;  ///< each back layer's front twin is the next number
inline constexpr int kFrontCourtyard = 31;
inline constexpr int kBackFab = 32;
inline constexpr int kFrontFab = 33;
inline constexpr int kUserLayer1 = 34;  ///< User.1; User.2 ... User.9 follow it
inline constexpr int kUserLayer9 = 42;
inline constexpr int kLayerCount = 43;

/// KiCad's name of a layer number ("F.Cu", "In3.Cu", "F.CrtYd", "User.4"); empty past the last.
std::string layerName(int layer);

/// The number of a KiCad layer name (exact letter case, as KiCad writes them); -1 when unknown.
int layerNumber(std::string_view name);

struct Point {
  std::int64_t x = 0;
  std::int64_t y = 0;
};

struct Shape {
  enum class Kind { Segment, Circle, Arc, Polygon, Curve };
  Kind kind = Kind::Segment;
  /// Segment: start, end. Circle: centre, a point on it. Arc: centre, start. Polygon: corners
  /// (a rectangle its four). Curve: a cubic Bézier's start, two controls and end.
  std::vector<Point> points;
  /// Circles and polygons: the inside is filled (a legacy polygon always is); the outline is
  /// drawn at the width either way.
  bool filled = false;
  double arcAngle = 0;  ///< arc: the sweep from its start, clockwise on the screen when positive
  std::int64_t width = 0;
  int layer = 21;
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
  /// Rounded corners: the radius over the smaller side (KiCad's roundrect_rratio, at most
  /// 0.5); 0 for sharp corners.
  double roundRatio = 0;
  /// Cut corners: the cut over the smaller side (at most 0.5) and which corners, as bits
  /// (kChamferTopLeft ...), in the pad's own coordinates before its turn.
  double chamferRatio = 0;
  unsigned chamferCorners = 0;
  /// A custom pad: `shape` is its anchor ('C' or 'R', of `size`) and these are the drawings
  /// whose copper is added to it, in the pad's coordinates before its turn.
  bool custom = false;
  std::vector<Shape> primitives;
};

inline constexpr unsigned kChamferTopLeft = 1;
inline constexpr unsigned kChamferTopRight = 2;
inline constexpr unsigned kChamferBottomLeft = 4;
inline constexpr unsigned kChamferBottomRight = 8;


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
  /// A text box: its corners (two opposite ones, or four of a turned box); the text sits
  /// inside by its justification. The border is drawn at `boxBorder` when that is above 0.
  std::vector<Point> box;
  std::int64_t boxBorder = 0;
};

struct Footprint {
  std::vector<Pad> pads;
  std::vector<Shape> shapes;
  std::vector<Text> texts;
};

/// What KiCad shows of a module's parsed items: angles made relative to the module, texts on
/// copper moved to the silkscreen and layers past the last one moved as KiCad moves them.
Footprint footprintFromItems(const ModuleItems& items,
                             ModuleFormat format = ModuleFormat::Legacy);

/// The footprint of a module body in its library's unit (`LengthUnit::None` reads as 1/10000
/// inch, the format's own unit); a `.kicad_mod` text (format KicadMod) in its own lengths.
Footprint footprintFromBody(std::string_view body, LengthUnit unit,
                            ModuleFormat format = ModuleFormat::Legacy);

}  // namespace trevak::exact
