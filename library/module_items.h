// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library/module_table.h"

namespace trevak {

/// A length in nanometres. A decimil is exactly 2540 nm; millimetre values are taken exactly
/// from their decimal text and rounded to the nearest nanometre (halves away from zero).
using Nanometres = std::int64_t;

/// A point or a pair of lengths, in nanometres. Legacy coordinates grow rightwards and down.
struct NmPoint {
  Nanometres x = 0;
  Nanometres y = 0;
  friend bool operator==(const NmPoint&, const NmPoint&) = default;
};

/// Settings a module and each of its pads may carry (the `.SolderMask` ... `.ThermalGap` lines).
/// Absent lines stay nullopt; a line given twice keeps its last value.
struct LocalSettings {
  std::optional<Nanometres> solderMaskMargin;   ///< `.SolderMask`
  std::optional<Nanometres> solderPasteMargin;  ///< `.SolderPaste`
  std::optional<double> solderPasteRatio;       ///< `.SolderPasteRatio`, as written (no clamping)
  std::optional<Nanometres> clearance;          ///< `.LocalClearance`
  std::optional<int> zoneConnection;            ///< `.ZoneConnection` (0 none ... 3 THT thermal)
  std::optional<Nanometres> thermalWidth;       ///< `.ThermalWidth`
  std::optional<Nanometres> thermalGap;         ///< `.ThermalGap`
};

/// The `Po` line of a module: `Po x y angle layer edittime timestamp flags`.
struct ModulePlacement {
  NmPoint position;
  double angle = 0;            ///< tenths of a degree; pad and text angles include it
  int layer = 15;              ///< legacy layer number: 15 front copper, 0 back copper
  std::uint32_t editTime = 0;  ///< the hexadecimal edit time
  std::string timeStamp;       ///< the sixth field as written (a hexadecimal time stamp)
  bool locked = false;         ///< flags field starting with 'F'
  bool placed = false;         ///< flags field with 'P' as its second character
};

/// The three hexadecimal numbers of an `Op` line (automatic placement costs), as written.
struct PlacementCosts {
  long rotation90 = 0;
  long rotation180 = 0;
  long third = 0;
};

/// What an `At` line of the module says, classified as KiCad does: the word "SMD" anywhere
/// makes it SMD, else "VIRTUAL" anywhere makes it virtual, anything else is a normal module.
enum class ModuleAttribute { Normal, Smd, Virtual };

enum class HorizontalJustify { Left, Center, Right };
enum class VerticalJustify { Top, Center, Bottom };

/// A `T`n line: `Tn x y height width angle thickness M|N V|I layer N|I "text" [hjust vjust]`.
/// The four flags are the four words after the thickness, as KiCad takes them: on a line that
/// leaves some out, words of the quoted text stand in for them.
struct TextItem {
  int number = 0;  ///< 0 reference, 1 value, any other number a user text
  NmPoint position;
  Nanometres height = 0;  ///< the first size on the line
  Nanometres width = 0;   ///< the second size
  double angle = 0;       ///< tenths of a degree, absolute (the module's Po angle included)
  Nanometres thickness = 0;
  bool mirrored = false;  ///< field "M"
  bool visible = true;    ///< false for field "I"
  int layer = 21;  ///< legacy layer number (21 front silkscreen when the line ends before it)
  bool italic = false;  ///< field "I" after the layer
  /// The bytes between the quotes, with \" and \\ resolved. A quote left open runs to the end
  /// of the line and takes a line end ("\n") in, as KiCad reads it.
  std::string text;
  HorizontalJustify horizontal = HorizontalJustify::Center;
  VerticalJustify vertical = VerticalJustify::Center;
  int line = 0;  ///< 1-based line number in the body
  // Read from `.kicad_mod` files only (empty or default for legacy bodies):
  std::string layerName;     ///< KiCad's layer name; when empty, `layer` holds the legacy number
  std::string propertyName;  ///< KiCad 8's `property` name ("Reference", "Datasheet"...)
  bool bold = false;
  bool textBox = false;            ///< `fp_text_box`: `boxCorners` hold its outline
  std::vector<NmPoint> boxCorners;  ///< start and end, or the four corners of a rotated box
  Nanometres boxBorder = 0;         ///< the text box's border width; 0 when it has none
};

enum class ShapeKind {
  Segment,  ///< DS
  Circle,   ///< DC
  Arc,      ///< DA
  Polygon,  ///< DP with its Dl points
  Rect,     ///< `fp_rect`: `start` and `end` corners (`.kicad_mod` only)
  Curve,    ///< `fp_curve`: `points` hold start, two controls and end (`.kicad_mod` only)
};

/// A drawing: `DS x1 y1 x2 y2 width layer`, `DC cx cy px py width layer`,
/// `DA cx cy sx sy angle width layer`, `DP sx sy ex ey n width layer` followed by n `Dl x y`.
struct ShapeItem {
  ShapeKind kind = ShapeKind::Segment;
  NmPoint start;    ///< DS first point; DA the arc's start point
  NmPoint end;      ///< DS second point; DC a point on the circle
  NmPoint center;   ///< DC and DA centre
  double angle = 0; ///< DA sweep in tenths of a degree, sign as written (positive turns from
                    ///< start clockwise on screen)
  Nanometres width = 0;
  int layer = 21;               ///< legacy layer number
  std::vector<NmPoint> points;  ///< DP: the Dl points in order (DP's own four numbers are unused)
  int line = 0;                 ///< 1-based line number of the D line
  // Read from `.kicad_mod` files only:
  std::string layerName;  ///< KiCad's layer name; when empty, `layer` holds the legacy number
  bool filled = false;    ///< `(fill solid)` / `(fill yes)`
  /// Arcs written as start, mid and end (KiCad 6 on): those points as written, beside the
  /// centre, start and angle computed from them.
  bool threePointArc = false;
  NmPoint arcMid;
  NmPoint arcEnd;
};

/// The kind of a pad, from the first word of its `At` line ("STD", "SMD", "CONN", "HOLE";
/// any other word reads as Standard, as KiCad reads it).
enum class PadType { Standard, Smd, Connector, Hole };

/// One `$PAD` ... `$EndPAD` block.
struct PadItem {
  std::string name;  ///< the quoted name of the Sh line, with \" and \\ resolved
  /// The shape letter of the Sh line: 'C' circle, 'R' rectangle, 'O' oval, 'T' trapezoid; any
  /// other byte is kept as it is (KiCad refuses the module then); 0 when there is no Sh line.
  char shape = 0;
  NmPoint size;      ///< Sh sizes, x then y
  NmPoint delta;     ///< Sh trapezoid deltas, x then y
  double angle = 0;  ///< Sh orientation in tenths of a degree, absolute (Po angle included)
  bool hasDrillLine = false;
  NmPoint drill;        ///< Dr: the round drill's diameter twice, or the oval drill's sizes
  bool ovalDrill = false;  ///< Dr with "O" and its two sizes
  NmPoint drillOffset;
  bool hasAttributeLine = false;
  PadType type = PadType::Standard;
  std::uint32_t layerMask = 0;  ///< At's hexadecimal legacy layer mask (bit n = legacy layer n)
  int netCode = 0;              ///< Ne
  std::string netName;          ///< Ne's quoted name
  NmPoint position;             ///< Po, relative to the module, unrotated
  std::optional<Nanometres> dieLength;  ///< Le
  LocalSettings local;
  bool complete = false;  ///< false when the body ended before `$EndPAD`
  bool shapeLineBad = false;  ///< an Sh line was there but its fields could not be read
  int line = 0;           ///< 1-based line number of `$PAD`
  // Read from `.kicad_mod` files only (`shape` then holds the nearest legacy letter: 'R' for
  // roundrect and custom pads):
  std::string kicadShape;               ///< circle, rect, oval, trapezoid, roundrect, custom
  std::vector<std::string> layerNames;  ///< as written (`*.Cu`, `F&B.Cu` kept unexpanded)
  std::optional<double> roundrectRatio;
  std::optional<double> chamferRatio;
  std::vector<std::string> chamferCorners;  ///< top_left, top_right, bottom_left, bottom_right
  int primitives = 0;                       ///< custom pad primitives
  /// The custom pad's primitives that are drawings (gr_line, gr_rect, gr_circle, gr_arc,
  /// gr_poly, gr_curve), in the pad's coordinates before its turn; `filled` says whether each
  /// is a copper area or a line of its width.
  std::vector<ShapeItem> primitiveShapes;
  std::string anchor;                       ///< custom pad anchor shape
  std::string property;                     ///< `(property pad_prop_...)`
};

/// One `$SHAPE3D` ... `$EndSHAPE3D` block. Values not given keep their defaults, and a number
/// list cut short keeps the defaults of the numbers missing.
struct Model3dItem {
  std::string fileName;                       ///< Na's quoted text
  std::array<double, 3> scale{1.0, 1.0, 1.0};  ///< Sc, as written
  std::array<Nanometres, 3> offset{};         ///< Of, written in inches in every library
  std::array<double, 3> rotation{};           ///< Ro in degrees, as written
  bool complete = false;  ///< false when the body ended before `$EndSHAPE3D`
  int line = 0;           ///< 1-based line number of `$SHAPE3D`
};

/// Why a line was not taken into an item.
enum class UnparsedReason {
  UnknownKeyword,  ///< no reader of a module knows the line
  BadField,        ///< a known line with a length or angle missing or not a number
  MissingPoint,    ///< a DP announced more Dl lines than follow it
};

/// A body line that no item holds. Empty lines are not listed.
struct UnparsedLine {
  std::string text;
  int line = 0;  ///< 1-based line number in the body
  UnparsedReason reason = UnparsedReason::UnknownKeyword;
};

/// Everything a module body says, as typed items, in body order within each list.
struct ModuleItems {
  std::optional<ModulePlacement> placement;  ///< Po
  std::optional<std::string> libraryName;    ///< Li, trimmed
  std::optional<std::string> description;    ///< Cd, trimmed of blanks at both ends
  std::optional<std::string> keywords;       ///< Kw, trimmed of blanks at both ends
  std::optional<std::string> timeStamp;      ///< Sc's first word
  std::optional<std::string> path;           ///< AR's first word
  std::optional<PlacementCosts> placementCosts;  ///< Op
  std::optional<ModuleAttribute> attribute;      ///< At
  LocalSettings local;                           ///< the module-level `.` lines
  std::vector<TextItem> texts;
  std::vector<ShapeItem> shapes;
  std::vector<PadItem> pads;
  std::vector<Model3dItem> models;
  std::vector<UnparsedLine> unparsed;
  // Read from `.kicad_mod` files only:
  std::vector<std::string> attributes;  ///< `(attr ...)` words as KiCad writes them
  std::string layerName;                ///< the footprint's `(layer)`
  /// Items kept whole as their text: zones, groups and tokens no reader knows.
  std::vector<std::string> keptItems;
  std::vector<std::string> unknownTokens;  ///< heads of the tokens skipped, each once

  /// Empties every field and list, keeping the lists' capacity for the next parse.
  void clear();
};

/// How much of a body to parse.
enum class ModuleParseScope {
  Everything,
  /// Only the module's own fields (Po, Li, Cd, Kw, Sc, AR, Op, At and the `.` settings): texts,
  /// shapes, pads and 3D models are skipped and no unparsed line is listed. For filters that
  /// read descriptions and keywords of many modules.
  FieldsOnly,
};

/// Parses a module body (ModuleRecord::Comandos: lines ended by CR, CR LF or LF, see
/// splitBodyLines) read in `unit` (None reads as decimil) into `items`, which is cleared first.
///
/// Lines are recognised as KiCad's legacy reader recognises them: keywords ignore case (`ds`
/// is a segment), a keyword must be followed by a blank or the line end, a line starting with
/// `T` is a text, numbers are read in the C locale whatever the user's locale. A line with a
/// length or angle missing or not a number is listed as BadField rather than guessed at, as
/// KiCad refuses it too; missing whole-number fields (layers, counts) read as 0, as KiCad
/// reads them. A DP takes the following lines as its points as long as they are Dl lines.
/// Every other line that no item holds (unknown keywords, stray Dl lines, unknown lines in a
/// `$PAD` or `$SHAPE3D` block) is listed in `unparsed` with its text.
///
/// Strings in the items are copies, so `items` does not depend on `body` afterwards.
void parseModuleItems(std::string_view body, LengthUnit unit, ModuleItems& items,
                      ModuleParseScope scope = ModuleParseScope::Everything);

/// As above, into a new value.
ModuleItems parseModuleItems(std::string_view body, LengthUnit unit,
                             ModuleParseScope scope = ModuleParseScope::Everything);

/// A length field read into nanometres: a plain decimal number in the C locale (optional sign,
/// digits with an optional "." fraction, optional exponent), in `unit` (None as decimil).
/// nullopt for anything else and for magnitudes beyond 10^15 nm.
std::optional<Nanometres> parseLengthField(std::string_view text, LengthUnit unit);

}  // namespace trevak
