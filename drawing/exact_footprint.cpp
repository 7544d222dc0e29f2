// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/exact_footprint.h"

#include "library/record_items.h"

#include <cmath>

namespace trevak::exact {

namespace {

Point point(const NmPoint& p) { return {p.x, p.y}; }

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

Footprint footprintFromItems(const ModuleItems& items) {
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
    fp.pads.push_back(std::move(pad));
  }
  fp.shapes.reserve(items.shapes.size());
  for (const ShapeItem& item : items.shapes) {
    Shape shape;
    shape.width = item.width;
    shape.layer = drawingLayer(item.layer);
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
        break;
      case ShapeKind::Rect:
      case ShapeKind::Curve: {
        // Drawn as their outline's segments: a rectangle's four sides, a curve's course.
        std::vector<NmPoint> course;
        if (item.kind == ShapeKind::Rect) {
          course = {item.start, {item.end.x, item.start.y}, item.end, {item.start.x, item.end.y},
                    item.start};
        } else if (item.points.size() == 4) {
          const auto& c = item.points;
          for (int i = 0; i <= 16; ++i) {
            const double u = i / 16.0, v = 1 - u;
            const double a = v * v * v, b = 3 * v * v * u, d = 3 * v * u * u, e = u * u * u;
            course.push_back(
                {std::llround(a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x),
                 std::llround(a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y)});
          }
        }
        shape.kind = Shape::Kind::Segment;
        for (std::size_t i = 1; i < course.size(); ++i) {
          Shape side = shape;
          side.points = {point(course[i - 1]), point(course[i])};
          fp.shapes.push_back(std::move(side));
        }
        continue;
      }
    }
    fp.shapes.push_back(std::move(shape));
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
    text.layer = textLayer(item.layer);
    text.hJustify = justify(item.horizontal);
    text.vJustify = justify(item.vertical);
    fp.texts.push_back(std::move(text));
  }
  return fp;
}

Footprint footprintFromBody(std::string_view body, LengthUnit unit, ModuleFormat format) {
  ModuleItems items;
  moduleItemsOf(body, format, unit, items);  // a text that does not read draws nothing
  return footprintFromItems(items);
}

}  // namespace trevak::exact
