// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/exact_footprint.h"

#include "library/record_items.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace trevak::exact {

namespace {

Point point(const NmPoint& p) { return {p.x, p.y}; }

constexpr std::array<const char*, 14> kLegacyNamed = {
    "B.Adhes", "F.Adhes", "B.Paste",   "F.Paste",   "B.SilkS",   "F.SilkS",   "B.Mask",
    "F.Mask",  "Dwgs.User", "Cmts.User", "Eco1.User", "Eco2.User", "Edge.Cuts", ""};
constexpr std::array<const char*, 5> kKicadNamed = {"Margin", "B.CrtYd", "F.CrtYd", "B.Fab",
                                                     "F.Fab"};

/// The layer an item read from a `.kicad_mod` file is drawn on: the one it names, Dwgs.User for
/// a name the drawing has no layer for.
int namedLayer(const std::string& name, int legacy) {
  if (name.empty()) return legacy;
  const int n = layerNumber(name);
  return n >= 0 ? n : 24;
}

Shape shapeOf(const ShapeItem& item, int layer, bool legacy) {
  Shape shape;
  shape.width = item.width;
  shape.layer = layer;
  shape.filled = item.filled;
  switch (item.kind) {
    case ShapeKind::Segment:
      shape.kind = Shape::Kind::Segment;
      shape.points = {point(item.start), point(item.end)};
      break;
    case ShapeKind::Circle:
      shape.kind = Shape::Kind::Circle;
      shape.points = {point(item.center), point(item.end)};
      break;
    case ShapeKind::Arc:
      shape.kind = Shape::Kind::Arc;
      shape.points = {point(item.center), point(item.start)};
      shape.arcAngle = item.angle;
      break;
    case ShapeKind::Polygon:
      shape.kind = Shape::Kind::Polygon;
      shape.points.reserve(item.points.size());
      for (const NmPoint& p : item.points) shape.points.push_back(point(p));
      // A legacy polygon is always filled; a `.kicad_mod` one says so.
      if (legacy) shape.filled = true;
      break;
    case ShapeKind::Rect:
      shape.kind = Shape::Kind::Polygon;
      shape.points = {point(item.start), {item.end.x, item.start.y}, point(item.end),
                      {item.start.x, item.end.y}};
      break;
    case ShapeKind::Curve:
      shape.kind = Shape::Kind::Curve;
      for (const NmPoint& p : item.points) shape.points.push_back(point(p));
      if (shape.points.size() != 4) shape.points.clear();
      break;
  }
  return shape;
}

unsigned chamferBits(const std::vector<std::string>& corners) {
  unsigned bits = 0;
  for (const std::string& c : corners) {
    if (c == "top_left") bits |= kChamferTopLeft;
    if (c == "top_right") bits |= kChamferTopRight;
    if (c == "bottom_left") bits |= kChamferBottomLeft;
    if (c == "bottom_right") bits |= kChamferBottomRight;
  }
  return bits;
}

/// KiCad moves texts on copper to the silkscreen of their side and texts past the last
/// layer to the edge cuts.
int textLayer(int layer) {
  if (layer == 0) return 20;
  if (layer >= 1 && layer <= 15) return 21;
  if (layer > 28 || layer < 0) return 28;
  return layer;
}

/// Drawings on a layer past the last one go to the front silkscreen.
int drawingLayer(int layer) { return (layer < 0 || layer > 28) ? 21 : layer; }

/// Pad layer bits past the last layer show on Cmts.User, as KiCad shows them.
std::uint32_t padLayers(std::uint32_t mask) {
  std::uint32_t layers = mask & ((1u << 29) - 1);
  if ((mask >> 29) != 0) layers |= 1u << 25;
  return layers;
}

const char* attributeName(PadType type) {
  switch (type) {
    case PadType::Smd:
      return "SMD";
    case PadType::Connector:
      return "CONN";
    case PadType::Hole:
      return "HOLE";
    case PadType::Standard:
      break;
  }
  return "STD";
}

char justify(HorizontalJustify j) {
  return j == HorizontalJustify::Left ? 'L' : j == HorizontalJustify::Right ? 'R' : 'C';
}

char justify(VerticalJustify j) {
  return j == VerticalJustify::Top ? 'T' : j == VerticalJustify::Bottom ? 'B' : 'C';
}

}  // namespace

std::string layerName(int layer) {
  if (layer == 0) return "B.Cu";
  if (layer == 15) return "F.Cu";
  if (layer >= 1 && layer <= 14) return "In" + std::to_string(15 - layer) + ".Cu";
  if (layer >= 16 && layer <= 28) return kLegacyNamed[static_cast<std::size_t>(layer - 16)];
  if (layer >= kMargin && layer <= kFrontFab)
    return kKicadNamed[static_cast<std::size_t>(layer - kMargin)];
  if (layer >= kUserLayer1 && layer <= kUserLayer9)
    return "User." + std::to_string(layer - kUserLayer1 + 1);
  return {};
}

int layerNumber(std::string_view name) {
  // The names KiCad 5 still wrote for the layers before their renaming.
  static constexpr struct {
    std::string_view old, now;
  } kOld[] = {{"F.Fab", "F.Fab"}, {"F.Courtyard", "F.CrtYd"}, {"B.Courtyard", "B.CrtYd"},
              {"F.Silkscreen", "F.SilkS"}, {"B.Silkscreen", "B.SilkS"},
              {"F.Adhesive", "F.Adhes"}, {"B.Adhesive", "B.Adhes"},
              {"User.Drawings", "Dwgs.User"}, {"User.Comments", "Cmts.User"},
              {"User.Eco1", "Eco1.User"}, {"User.Eco2", "Eco2.User"}};
  for (const auto& o : kOld)
    if (name == o.old) name = o.now;
  for (int l = 0; l < kLayerCount; ++l)
    if (layerName(l) == name) return l;
  return -1;
}

Footprint footprintFromItems(const ModuleItems& items, ModuleFormat format) {
  // Angles in a library are absolute; KiCad shows them relative to the module's own turn.
  const double moduleAngle = items.placement ? items.placement->angle : 0.0;
  Footprint fp;
  fp.pads.reserve(items.pads.size());
  for (const PadItem& item : items.pads) {
    Pad pad;
    pad.number = item.name;
    pad.shape = item.shape;
    pad.position = point(item.position);
    pad.size = point(item.size);
    pad.delta = point(item.delta);
    pad.angle = item.angle - moduleAngle;
    pad.attribute = attributeName(item.type);
    pad.layers = padLayers(item.layerMask);
    pad.drillOffset = point(item.drillOffset);
    if (item.ovalDrill) {
      pad.ovalDrill = true;
      pad.drillSize = point(item.drill);
    } else {
      pad.drill = item.drill.x;
    }
    if (item.kicadShape == "roundrect") pad.roundRatio = std::clamp(item.roundrectRatio.value_or(0.25), 0.0, 0.5);
    if (item.kicadShape == "roundrect" || item.kicadShape == "rect") {
      pad.chamferCorners = chamferBits(item.chamferCorners);
      pad.chamferRatio = std::clamp(item.chamferRatio.value_or(0.0), 0.0, 0.5);
      if (pad.chamferRatio == 0) pad.chamferCorners = 0;
    }
    if (item.kicadShape == "custom") {
      pad.custom = true;
      pad.shape = item.anchor == "rect" ? 'R' : 'C';
      pad.primitives.reserve(item.primitiveShapes.size());
      for (const ShapeItem& prim : item.primitiveShapes) pad.primitives.push_back(shapeOf(prim, 15, false));
    }
    fp.pads.push_back(std::move(pad));
  }
  fp.shapes.reserve(items.shapes.size());
  for (const ShapeItem& item : items.shapes) {
    Shape shape = shapeOf(item, namedLayer(item.layerName, drawingLayer(item.layer)),
                          format == ModuleFormat::Legacy);
    if (!shape.points.empty()) fp.shapes.push_back(std::move(shape));
  }
  fp.texts.reserve(items.texts.size());
  for (const TextItem& item : items.texts) {
    Text text;
    text.kind = item.number;
    text.text = item.text;
    text.position = point(item.position);
    text.size = {item.width, item.height};
    text.thickness = item.thickness;
    text.angle = item.angle - moduleAngle;
    text.mirrored = item.mirrored;
    text.visible = item.visible;
    text.italic = item.italic;
    text.layer = namedLayer(item.layerName, textLayer(item.layer));
    if (item.textBox) {
      for (const NmPoint& p : item.boxCorners) text.box.push_back(point(p));
      text.boxBorder = item.boxBorder;
    }
    text.hJustify = justify(item.horizontal);
    text.vJustify = justify(item.vertical);
    fp.texts.push_back(std::move(text));
  }
  return fp;
}

Footprint footprintFromBody(std::string_view body, LengthUnit unit, ModuleFormat format) {
  ModuleItems items;
  moduleItemsOf(body, format, unit, items);  // a text that does not read draws nothing
  return footprintFromItems(items, format);
}

}  // namespace trevak::exact
