// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/footprint_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "library/kicad_mod_reader.h"
#include "library/kicad_mod_writer.h"

namespace trevak {
namespace {

constexpr double kPi = 3.14159265358979323846;

class Json {
 public:
  std::string out;

  void raw(std::string_view s) { out += s; }
  void str(std::string_view s) {
    const std::string utf8 = utf8FromLegacyBytes(s);
    out += '"';
    for (const char ch : utf8) {
      const auto u = static_cast<unsigned char>(ch);
      if (ch == '"' || ch == '\\') {
        out += '\\';
        out += ch;
      } else if (u < 0x20) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\u00";
        out += kHex[u >> 4];
        out += kHex[u & 15];
      } else {
        out += ch;
      }
    }
    out += '"';
  }
  void integer(long long v) { out += std::to_string(v); }
  void real(double v) {
    if (!std::isfinite(v)) {
      out += "null";
      return;
    }
    if (v == 0) v = 0;  // no "-0"
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, ec == std::errc() ? end : buf);
  }
  void point(const NmPoint& p) {
    out += '[';
    integer(p.x);
    out += ',';
    integer(p.y);
    out += ']';
  }
  void key(std::string_view k) {
    if (!out.empty() && out.back() != '{' && out.back() != '[') out += ',';
    str(k);
    out += ':';
  }
  void comma() {
    if (!out.empty() && out.back() != '[' && out.back() != '{') out += ',';
  }
};

struct Extent {
  Nanometres x0 = std::numeric_limits<Nanometres>::max(), y0 = x0;
  Nanometres x1 = std::numeric_limits<Nanometres>::min(), y1 = x1;
  void add(double x, double y, double grow = 0) {
    x0 = std::min(x0, static_cast<Nanometres>(std::floor(x - grow)));
    y0 = std::min(y0, static_cast<Nanometres>(std::floor(y - grow)));
    x1 = std::max(x1, static_cast<Nanometres>(std::ceil(x + grow)));
    y1 = std::max(y1, static_cast<Nanometres>(std::ceil(y + grow)));
  }
  bool empty() const { return x0 > x1; }
};

// `p` turned about `c` by `tenths` of a degree, clockwise on screen (y down) for positive
// angles, rounded as KiCad rounds.
NmPoint turned(const NmPoint& p, const NmPoint& c, double tenths) {
  const double a = tenths * kPi / 1800.0;
  const double dx = static_cast<double>(p.x - c.x), dy = static_cast<double>(p.y - c.y);
  return {c.x + std::llround(dx * std::cos(a) - dy * std::sin(a)),
          c.y + std::llround(dx * std::sin(a) + dy * std::cos(a))};
}

// Start, mid and end of an arc, as KiCad 6 holds it: a negative sweep is turned round so that
// start to end runs clockwise on screen.
std::vector<NmPoint> arcPoints(const ShapeItem& s) {
  if (s.threePointArc) return {s.start, s.arcMid, s.arcEnd};
  NmPoint start = s.start;
  NmPoint end = turned(s.start, s.center, s.angle);
  if (s.angle < 0) std::swap(start, end);
  return {start, turned(start, s.center, std::fabs(s.angle) / 2), end};
}

std::vector<std::string> expandedLayers(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& n : names) {
    if (n == "*.Cu" || n == "F&B.Cu") {
      out.insert(out.end(), {"B.Cu", "F.Cu"});
    } else if (n.size() > 2 && n[0] == '*' && n[1] == '.') {
      std::string side = n;  // "*.Mask": "B.Mask" and "F.Mask"
      side[0] = 'B';
      out.push_back(side);
      side[0] = 'F';
      out.push_back(side);
    } else {
      out.push_back(n);
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

const char* padType(PadType t) {
  switch (t) {
    case PadType::Smd: return "smd";
    case PadType::Connector: return "connect";
    case PadType::Hole: return "np_thru_hole";
    case PadType::Standard: break;
  }
  return "thru_hole";
}

const char* shapeKind(ShapeKind k) {
  switch (k) {
    case ShapeKind::Segment: return "line";
    case ShapeKind::Rect: return "rect";
    case ShapeKind::Circle: return "circle";
    case ShapeKind::Arc: return "arc";
    case ShapeKind::Polygon: return "poly";
    case ShapeKind::Curve: return "curve";
  }
  return "line";
}

void optionalReal(Json& j, const std::optional<double>& v) {
  if (v) j.real(*v);
  else j.raw("null");
}

void writePad(Json& j, const PadItem& p, Extent& extent) {
  j.raw("{");
  j.key("number"); j.str(p.name);
  j.key("type"); j.str(padType(p.type));
  j.key("shape"); j.str(p.kicadShape);
  j.key("at"); j.point(p.position);
  j.key("angle"); j.real(p.angle / 10.0);
  j.key("size"); j.point(p.size);
  j.key("delta"); j.point(p.delta);
  j.key("drill");
  if (!p.hasDrillLine || (p.drill.x == 0 && p.drill.y == 0)) {
    j.raw("null");
  } else {
    j.raw("{");
    j.key("shape"); j.str(p.ovalDrill ? "oval" : "circle");
    j.key("size"); j.point(p.drill);
    j.key("offset"); j.point(p.drillOffset);
    j.raw("}");
  }
  j.key("layers");
  j.raw("[");
  for (const std::string& l : expandedLayers(p.layerNames)) {
    j.comma();
    j.str(l);
  }
  j.raw("]");
  j.key("roundrect_rratio"); optionalReal(j, p.roundrectRatio);
  j.key("chamfer_ratio"); optionalReal(j, p.chamferRatio);
  j.key("chamfer");
  j.raw("[");
  for (const std::string& c : p.chamferCorners) {
    j.comma();
    j.str(c);
  }
  j.raw("]");
  j.key("primitives"); j.integer(p.primitives);
  j.raw("}");
  // The pad's rectangle turned by its angle (custom pads: their anchor).
  const double a = p.angle * kPi / 1800.0;
  const double hw = static_cast<double>(p.size.x) / 2, hh = static_cast<double>(p.size.y) / 2;
  for (const int sx : {-1, 1})
    for (const int sy : {-1, 1}) {
      const double x = sx * hw, y = sy * hh;
      extent.add(static_cast<double>(p.position.x) + x * std::cos(a) + y * std::sin(a),
                 static_cast<double>(p.position.y) - x * std::sin(a) + y * std::cos(a));
    }
}

void writeShape(Json& j, const ShapeItem& s, Extent& extent) {
  std::vector<NmPoint> points;
  switch (s.kind) {
    case ShapeKind::Segment:
    case ShapeKind::Rect: points = {s.start, s.end}; break;
    case ShapeKind::Circle: points = {s.center, s.end}; break;
    case ShapeKind::Arc: points = arcPoints(s); break;
    case ShapeKind::Polygon:
    case ShapeKind::Curve: points = s.points; break;
  }
  j.raw("{");
  j.key("kind"); j.str(shapeKind(s.kind));
  j.key("layer"); j.str(s.layerName);
  j.key("width"); j.integer(s.width);
  j.key("fill"); j.raw(s.filled ? "true" : "false");
  j.key("points");
  j.raw("[");
  for (const NmPoint& p : points) {
    j.comma();
    j.point(p);
  }
  j.raw("]}");
  const double grow = static_cast<double>(s.width) / 2;
  if (s.kind == ShapeKind::Circle) {
    const double r = std::hypot(static_cast<double>(s.end.x - s.center.x),
                                static_cast<double>(s.end.y - s.center.y));
    extent.add(static_cast<double>(s.center.x), static_cast<double>(s.center.y), r + grow);
  } else if (s.kind == ShapeKind::Arc && !points.empty()) {
    const NmPoint start = points.front();
    const double sweep = std::fabs(s.angle);
    for (int i = 0; i <= 64; ++i) {
      const NmPoint q = turned(start, s.center, sweep * i / 64);
      extent.add(static_cast<double>(q.x), static_cast<double>(q.y), grow);
    }
  } else {
    for (const NmPoint& p : points)
      extent.add(static_cast<double>(p.x), static_cast<double>(p.y), grow);
  }
}

void writeText(Json& j, const TextItem& t) {
  j.raw("{");
  j.key("kind"); j.str(t.number == 0 ? "reference" : t.number == 1 ? "value" : "user");
  if (!t.propertyName.empty()) {
    j.key("property"); j.str(t.propertyName);
  }
  if (t.textBox) {
    j.key("box"); j.raw("true");
  }
  j.key("text"); j.str(t.text);
  j.key("layer"); j.str(t.layerName);
  j.key("at"); j.point(t.position);
  j.key("angle"); j.real(t.angle / 10.0);
  j.key("size"); j.point({t.width, t.height});
  j.key("thickness"); j.integer(t.thickness);
  j.key("hidden"); j.raw(t.visible ? "false" : "true");
  j.key("mirrored"); j.raw(t.mirrored ? "true" : "false");
  j.raw("}");
}

void writeModel(Json& j, const Model3dItem& m) {
  j.raw("{");
  j.key("path"); j.str(m.fileName);
  j.key("offset");
  j.raw("[");
  for (const Nanometres v : m.offset) {
    j.comma();
    j.real(static_cast<double>(v) / 1e6);
  }
  j.raw("]");
  for (const auto& [name, values] : {std::pair{"scale", &m.scale}, std::pair{"rotate", &m.rotation}}) {
    j.key(name);
    j.raw("[");
    for (const double v : *values) {
      j.comma();
      j.real(v);
    }
    j.raw("]");
  }
  j.raw("}");
}

}  // namespace

std::string inspectJson(const InspectOrigin& origin, const ModuleItems& items) {
  Json j;
  Extent extent;
  j.raw("{");
  j.key("name"); j.str(origin.name);
  j.key("library"); j.str(origin.library);
  j.key("format"); j.str(origin.legacy ? "legacy" : "kicad_mod");
  j.key("version"); j.integer(origin.version);
  j.key("description"); j.str(items.description.value_or(""));
  j.key("tags"); j.str(items.keywords.value_or(""));
  j.key("attributes");
  j.raw("[");
  for (const std::string& a : items.attributes) {
    j.comma();
    j.str(a);
  }
  j.raw("]");
  j.key("pads");
  j.raw("[");
  for (const PadItem& p : items.pads) {
    j.comma();
    writePad(j, p, extent);
  }
  j.raw("]");
  j.key("graphics");
  j.raw("[");
  for (const ShapeItem& s : items.shapes) {
    j.comma();
    writeShape(j, s, extent);
  }
  j.raw("]");
  j.key("texts");
  j.raw("[");
  for (const TextItem& t : items.texts) {
    j.comma();
    writeText(j, t);
  }
  j.raw("]");
  j.key("models");
  j.raw("[");
  for (const Model3dItem& m : items.models) {
    j.comma();
    writeModel(j, m);
  }
  j.raw("]");
  j.key("extent");
  if (extent.empty()) {
    j.raw("null");
  } else {
    j.raw("[");
    j.integer(extent.x0);
    j.raw(",");
    j.integer(extent.y0);
    j.raw(",");
    j.integer(extent.x1);
    j.raw(",");
    j.integer(extent.y1);
    j.raw("]");
  }
  j.raw("}");
  return std::move(j.out);
}

std::string inspectLegacyJson(std::string_view name, std::string_view library,
                              std::string_view body, LengthUnit unit) {
  std::vector<KicadModNote> notes;
  const std::string text =
      writeKicadMod(kicadFootprintName(name), parseModuleItems(body, unit), notes);
  ModuleItems items;
  parseKicadMod(text, items);
  InspectOrigin origin;
  origin.name = name;
  origin.library = library;
  origin.legacy = true;
  return inspectJson(origin, items);
}

}  // namespace trevak
