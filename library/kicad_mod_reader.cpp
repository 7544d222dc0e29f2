// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_mod_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <utility>

#include "library/sexpr_reader.h"

namespace trevak {
namespace {

using Token = SexprReader::Token;

void setError(KicadModSummary& s, std::string message, int line, int column) {
  s.ok = false;
  s.error = std::move(message);
  s.line = line;
  s.column = column;
}

bool isText(Token t) { return t == Token::Atom || t == Token::String; }

}  // namespace

std::string newerKicadMessage(long long version) {
  return "feito por um KiCad mais novo (versão " + std::to_string(version) + ")";
}

KicadModSummary summarizeKicadMod(std::string_view text) {
  KicadModSummary s;
  SexprReader r(text);
  auto fromReader = [&] {
    setError(s, r.error().message, r.error().line, r.error().column);
    return s;
  };
  Token t = r.next();
  if (t == Token::Error) return fromReader();
  if (t != Token::Open) {
    setError(s, t == Token::End ? "empty file: expected '(footprint'" : "expected '(footprint'",
             r.line(), r.column());
    return s;
  }
  t = r.next();
  if (t == Token::Error) return fromReader();
  if (t != Token::Atom || (r.raw() != "footprint" && r.raw() != "module")) {
    setError(s, "expected 'footprint' or 'module' after the first '('", r.line(), r.column());
    return s;
  }
  t = r.next();
  if (t == Token::Error) return fromReader();
  if (!isText(t)) {
    setError(s, "expected the footprint's name", r.line(), r.column());
    return s;
  }
  s.name = r.text();
  // Elements of the footprint list: the fields wanted are lists at depth 2 headed by a word.
  bool versionRefused = false;
  int refusedLine = 0, refusedColumn = 0;
  for (;;) {
    t = r.next();
    if (t == Token::Error) return fromReader();
    if (t == Token::Close && r.depth() == 0) break;
    if (t != Token::Open) continue;
    const int listLine = r.line(), listColumn = r.column();
    t = r.next();
    if (t == Token::Error) return fromReader();
    if (t == Token::Close) continue;  // "()"
    if (t == Token::Open) {
      if (r.skipList() == Token::Error) return fromReader();
      if (r.skipList() == Token::Error) return fromReader();
      continue;
    }
    const std::string_view key = t == Token::Atom ? r.raw() : std::string_view{};
    const bool wantVersion = key == "version";
    const bool wantDescr = key == "descr";
    const bool wantTags = key == "tags";
    if (!wantVersion && !wantDescr && !wantTags) {
      if (r.skipList() == Token::Error) return fromReader();
      continue;
    }
    t = r.next();
    if (t == Token::Error) return fromReader();
    if (isText(t)) {
      if (wantVersion) {
        long long v = 0;
        const std::string_view raw = r.raw();
        const auto [end, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), v);
        if (t != Token::Atom || ec != std::errc() || end != raw.data() + raw.size() || v < 0) {
          setError(s, "expected a whole number after 'version'", r.line(), r.column());
          return s;
        }
        if (v > kNewestKicadModVersion) {
          versionRefused = true;
          refusedLine = listLine;
          refusedColumn = listColumn;
          s.version = v > INT32_MAX ? INT32_MAX : static_cast<int>(v);
          s.error = newerKicadMessage(v);
        } else {
          s.version = static_cast<int>(v);
        }
      } else if (wantDescr) {
        s.description = r.text();
      } else {
        s.tags = r.text();
      }
      t = r.next();
      if (t == Token::Error) return fromReader();
    } else if (wantVersion) {
      setError(s, "expected a whole number after 'version'", r.line(), r.column());
      return s;
    }
    // Whatever else the list holds is skipped; a list left by its last token is closed.
    if (t == Token::Close) continue;
    if (t == Token::Open && r.skipList() == Token::Error) return fromReader();
    if (r.skipList() == Token::Error) return fromReader();
  }
  t = r.next();
  if (t == Token::Error) return fromReader();
  if (t != Token::End) {
    setError(s, "expected the end of the file after the footprint's closing ')'", r.line(),
             r.column());
    return s;
  }
  if (versionRefused) {
    s.ok = false;
    s.tooNew = true;
    s.line = refusedLine;
    s.column = refusedColumn;
    return s;
  }
  s.ok = true;
  return s;
}

}  // namespace trevak

namespace trevak {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The legacy layer mask bits a KiCad layer name (wildcards included) stands for, so that code
// reading legacy numbers (the exact drawing) places the item; 0 for layers legacy numbers
// cannot name (courtyards, fabrication, User.N), which that code then draws as Dwgs.User.
std::uint32_t legacyMaskOfLayer(std::string_view name) {
  static constexpr struct {
    std::string_view name;
    std::uint32_t mask;
  } kLayers[] = {{"F.Cu", 1u << 15},        {"B.Cu", 1u << 0},         {"*.Cu", 0xFFFFu},
                 {"F&B.Cu", 1u << 15 | 1u}, {"B.Adhes", 1u << 16},     {"F.Adhes", 1u << 17},
                 {"*.Adhes", 3u << 16},     {"B.Paste", 1u << 18},     {"F.Paste", 1u << 19},
                 {"*.Paste", 3u << 18},     {"B.SilkS", 1u << 20},     {"F.SilkS", 1u << 21},
                 {"*.SilkS", 3u << 20},     {"B.Mask", 1u << 22},      {"F.Mask", 1u << 23},
                 {"*.Mask", 3u << 22},      {"Dwgs.User", 1u << 24},   {"Cmts.User", 1u << 25},
                 {"Eco1.User", 1u << 26},   {"Eco2.User", 1u << 27},   {"Edge.Cuts", 1u << 28}};
  for (const auto& l : kLayers)
    if (l.name == name) return l.mask;
  if (name.size() > 5 && name.substr(0, 2) == "In" && name.substr(name.size() - 3) == ".Cu") {
    int n = 0;
    const auto [end, ec] = std::from_chars(name.data() + 2, name.data() + name.size() - 3, n);
    if (ec == std::errc() && end == name.data() + name.size() - 3 && n >= 1 && n <= 14)
      return 1u << (15 - n);
  }
  return 0;
}

int legacyLayer(std::string_view name) {
  const std::uint32_t mask = legacyMaskOfLayer(name);
  if (mask == 0) return 24;
  int bit = 31;
  while (!(mask & (1u << bit))) --bit;
  return bit;
}

/// One footprint file read from its tree: one function per item kind.
class FootprintReader {
 public:
  FootprintReader(std::string_view text, const SexprTree& tree, ModuleItems& items,
                  KicadModInfo& info)
      : text_(text), t_(tree), items_(items), info_(info) {}

  void run(std::int32_t root);
  bool failed() const { return failed_; }

 private:
  using Node = std::int32_t;

  // --- fields ---------------------------------------------------------------------------------
  void fail(Node at, const std::string& message) {
    if (failed_) return;
    failed_ = true;
    info_.error = message;
    if (at >= 0) {
      info_.line = t_[at].line;
      info_.column = t_[at].column;
    }
  }
  std::string word(Node list, int index) const { return t_.text(t_.child(list, index)); }
  Nanometres length(Node list, int index) {
    const Node n = t_.child(list, index);
    if (n < 0) {
      fail(list, "expected a length in '" + std::string(t_.head(list)) + "'");
      return 0;
    }
    const auto v = parseLengthField(t_[n].raw, LengthUnit::Millimetre);
    if (!v || t_[n].kind != SexprNode::Kind::Atom) {
      fail(n, "expected a length, not '" + std::string(t_[n].raw) + "'");
      return 0;
    }
    return *v;
  }
  double number(Node list, int index, double fallback) {
    const Node n = t_.child(list, index);
    if (n < 0) return fallback;
    double v = 0;
    const std::string_view raw = t_[n].raw;
    const auto [end, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), v);
    if (ec != std::errc() || end != raw.data() + raw.size() || !std::isfinite(v)) {
      fail(n, "expected a number, not '" + std::string(raw) + "'");
      return fallback;
    }
    return v;
  }
  // `(at x y [angle] [unlocked])` in degrees, kept in tenths.
  double angleOf(Node at) {
    const Node a = t_.child(at, 3);
    if (a >= 0 && t_[a].raw == "unlocked") return 0;
    return angle(at, 3);
  }
  // Degrees kept in tenths; beyond a million degrees (no KiCad writes such) it is refused, so
  // that every later turn and rounding stays finite.
  double angle(Node list, int index) {
    const double degrees = number(list, index, 0);
    if (std::fabs(degrees) > 1e6) {
      fail(t_.child(list, index), "angle out of range: '" + std::string(t_[t_.child(list, index)].raw) + "'");
      return 0;
    }
    return degrees * 10;
  }
  NmPoint point(Node list) { return {length(list, 1), length(list, 2)}; }
  NmPoint pointOf(Node parent, std::string_view token) {
    const Node n = t_.find(parent, token);
    if (n < 0) {
      fail(parent, "expected '(" + std::string(token) + "' in '" + std::string(t_.head(parent)) +
                       "'");
      return {};
    }
    return point(n);
  }
  bool hasAtom(Node list, std::string_view atom) const {
    for (Node c = t_.child(list, 1); c >= 0; c = t_[c].nextSibling)
      if (t_[c].kind == SexprNode::Kind::Atom && t_[c].raw == atom) return true;
    return false;
  }
  // `(name)`, `(name yes)`: true; `(name no)`: false; absent: false.
  bool flag(Node parent, std::string_view token) const {
    const Node n = t_.find(parent, token);
    if (n < 0) return false;
    const Node v = t_.child(n, 1);
    return v < 0 || t_[v].raw != "no";
  }
  std::string layerOf(Node parent) { return word(t_.find(parent, "layer"), 1); }
  template <typename Item>
  void setLayer(Node parent, Item& item) {
    item.layerName = layerOf(parent);
    item.layer = legacyLayer(item.layerName);
  }
  Nanometres strokeWidth(Node item) {
    Node w = t_.find(item, "width");
    if (w < 0) w = t_.find(t_.find(item, "stroke"), "width");
    return w < 0 ? 0 : length(w, 1);
  }
  bool filled(Node item, bool fallback) const {
    const Node f = t_.find(item, "fill");
    const Node value = t_.child(f, 1);  // `(fill)` alone: as when there is none
    if (value < 0) return fallback;
    const std::string_view v = t_[value].raw;
    return v == "solid" || v == "yes";
  }
  void readLocal(Node parent, LocalSettings& local);

  // --- items ----------------------------------------------------------------------------------
  // The reference and the value are fields: a second one replaces the first, as KiCad reads it.
  void addText(TextItem&& text) {
    if (text.number == 0 || text.number == 1) {
      for (TextItem& t : items_.texts)
        if (t.number == text.number && !t.textBox) {
          t = std::move(text);
          return;
        }
    }
    items_.texts.push_back(std::move(text));
  }
  void readText(Node n);
  void readProperty(Node n);
  void readTextBox(Node n);
  void readEffects(Node n, TextItem& text);
  void readLine(Node n);
  void readRect(Node n);
  void readCircle(Node n);
  void readArc(Node n);
  void readPoly(Node n);
  void readCurve(Node n);
  void readPad(Node n);
  void readModel(Node n);
  void readAttributes(Node n);
  void unknown(Node n);

  std::string_view text_;
  const SexprTree& t_;
  ModuleItems& items_;
  KicadModInfo& info_;
  bool failed_ = false;
  /// Where the drawing readers put their shapes: the footprint's list, or a custom pad's
  /// primitives while that pad is read.
  std::vector<ShapeItem>* shapesOut_ = &items_.shapes;
};

void FootprintReader::readLocal(Node parent, LocalSettings& local) {
  if (Node n = t_.find(parent, "solder_mask_margin"); n >= 0) local.solderMaskMargin = length(n, 1);
  if (Node n = t_.find(parent, "solder_paste_margin"); n >= 0)
    local.solderPasteMargin = length(n, 1);
  for (const char* ratio : {"solder_paste_ratio", "solder_paste_margin_ratio"})
    if (Node n = t_.find(parent, ratio); n >= 0) local.solderPasteRatio = number(n, 1, 0);
  if (Node n = t_.find(parent, "clearance"); n >= 0) local.clearance = length(n, 1);
  if (Node n = t_.find(parent, "zone_connect"); n >= 0)
    local.zoneConnection = static_cast<int>(number(n, 1, 0));
  for (const char* width : {"thermal_width", "thermal_bridge_width"})
    if (Node n = t_.find(parent, width); n >= 0) local.thermalWidth = length(n, 1);
  if (Node n = t_.find(parent, "thermal_gap"); n >= 0) local.thermalGap = length(n, 1);
}

void FootprintReader::readEffects(Node n, TextItem& text) {
  const Node effects = t_.find(n, "effects");
  const Node font = t_.find(effects, "font");
  if (const Node size = t_.find(font, "size"); size >= 0) {
    text.height = length(size, 1);
    text.width = length(size, 2);
  }
  if (const Node th = t_.find(font, "thickness"); th >= 0) text.thickness = length(th, 1);
  text.bold = hasAtom(font, "bold") || flag(font, "bold");
  text.italic = hasAtom(font, "italic") || flag(font, "italic");
  if (const Node justify = t_.find(effects, "justify"); justify >= 0) {
    if (hasAtom(justify, "left")) text.horizontal = HorizontalJustify::Left;
    if (hasAtom(justify, "right")) text.horizontal = HorizontalJustify::Right;
    if (hasAtom(justify, "top")) text.vertical = VerticalJustify::Top;
    if (hasAtom(justify, "bottom")) text.vertical = VerticalJustify::Bottom;
    text.mirrored = hasAtom(justify, "mirror");
  }
  // KiCad 5 to 7 write `hide` as a word of the item or of its effects; KiCad 8 `(hide yes)`.
  if (hasAtom(n, "hide") || hasAtom(effects, "hide") || flag(n, "hide") || flag(effects, "hide"))
    text.visible = false;
}

void FootprintReader::readText(Node n) {
  TextItem text;
  const std::string kind = word(n, 1);
  text.number = kind == "reference" ? 0 : kind == "value" ? 1 : 2;
  text.text = word(n, 2);
  const Node at = t_.find(n, "at");
  if (at < 0) return fail(n, "expected '(at' in 'fp_text'");
  text.position = point(at);
  text.angle = angleOf(at);
  setLayer(n, text);
  text.line = t_[n].line;
  readEffects(n, text);
  addText(std::move(text));
}

void FootprintReader::readProperty(Node n) {
  // KiCad 8: `(property "Reference" "R1" (at ...) (layer ...) (effects ...))`. A property
  // without a place (KiCad 7's footprint fields) holds no text to draw.
  const Node at = t_.find(n, "at");
  if (at < 0) return;
  TextItem text;
  text.propertyName = word(n, 1);
  text.number = text.propertyName == "Reference" ? 0 : text.propertyName == "Value" ? 1 : 2;
  text.text = word(n, 2);
  text.position = point(at);
  text.angle = angleOf(at);
  setLayer(n, text);
  text.line = t_[n].line;
  readEffects(n, text);
  addText(std::move(text));
}

void FootprintReader::readTextBox(Node n) {
  TextItem text;
  text.number = 2;
  text.textBox = true;
  text.text = word(n, 1);
  if (const Node pts = t_.find(n, "pts"); pts >= 0) {
    for (Node c = t_.child(pts, 1); c >= 0; c = t_[c].nextSibling) text.boxCorners.push_back(point(c));
  } else {
    text.boxCorners.push_back(pointOf(n, "start"));
    text.boxCorners.push_back(pointOf(n, "end"));
  }
  if (!text.boxCorners.empty()) text.position = text.boxCorners.front();
  if (const Node a = t_.find(n, "angle"); a >= 0) text.angle = angle(a, 1);
  // KiCad 7 draws the border its stroke gives; KiCad 8 also says `(border yes|no)`.
  const Node border = t_.find(n, "border");
  text.boxBorder = border >= 0 && !flag(n, "border") ? 0 : strokeWidth(n);
  setLayer(n, text);
  text.line = t_[n].line;
  readEffects(n, text);
  items_.texts.push_back(std::move(text));
}

void FootprintReader::readLine(Node n) {
  ShapeItem s;
  s.kind = ShapeKind::Segment;
  s.start = pointOf(n, "start");
  s.end = pointOf(n, "end");
  s.width = strokeWidth(n);
  setLayer(n, s);
  s.line = t_[n].line;
  shapesOut_->push_back(std::move(s));
}

void FootprintReader::readRect(Node n) {
  ShapeItem s;
  s.kind = ShapeKind::Rect;
  s.start = pointOf(n, "start");
  s.end = pointOf(n, "end");
  s.width = strokeWidth(n);
  s.filled = filled(n, false);
  setLayer(n, s);
  s.line = t_[n].line;
  shapesOut_->push_back(std::move(s));
}

void FootprintReader::readCircle(Node n) {
  ShapeItem s;
  s.kind = ShapeKind::Circle;
  s.center = pointOf(n, "center");
  s.end = pointOf(n, "end");
  s.width = strokeWidth(n);
  s.filled = filled(n, false);
  setLayer(n, s);
  s.line = t_[n].line;
  shapesOut_->push_back(std::move(s));
}

void FootprintReader::readArc(Node n) {
  ShapeItem s;
  s.kind = ShapeKind::Arc;
  s.width = strokeWidth(n);
  setLayer(n, s);
  s.line = t_[n].line;
  if (const Node mid = t_.find(n, "mid"); mid >= 0) {
    // KiCad 6 on: start, mid and end on the arc; centre and sweep derived for the drawing.
    s.threePointArc = true;
    s.start = pointOf(n, "start");
    s.arcMid = point(mid);
    s.arcEnd = pointOf(n, "end");
    const double ax = static_cast<double>(s.start.x), ay = static_cast<double>(s.start.y);
    const double bx = static_cast<double>(s.arcMid.x), by = static_cast<double>(s.arcMid.y);
    const double cx = static_cast<double>(s.arcEnd.x), cy = static_cast<double>(s.arcEnd.y);
    const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    if (d != 0) {
      const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
      const double ux = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d;
      const double uy = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
      if (!(std::fabs(ux) < 1e15 && std::fabs(uy) < 1e15)) {
        // Three points in a line, or nearly: no centre within any board; drawn as a line.
        s.center = s.arcMid;
        s.angle = 0;
        shapesOut_->push_back(std::move(s));
        return;
      }
      s.center = {std::llround(ux), std::llround(uy)};
      auto angleOf = [&](double x, double y) { return std::atan2(y - uy, x - ux); };
      const double a0 = angleOf(ax, ay);
      double toMid = angleOf(bx, by) - a0, toEnd = angleOf(cx, cy) - a0;
      // y points down: a growing atan2 angle turns clockwise on screen, as positive sweeps do.
      while (toMid < 0) toMid += 2 * kPi;
      while (toEnd < 0) toEnd += 2 * kPi;
      const double sweep = toMid <= toEnd ? toEnd : toEnd - 2 * kPi;
      s.angle = sweep * 1800 / kPi;
    } else {
      s.center = s.arcMid;
      s.angle = 0;
    }
  } else {
    // KiCad 5: `(start)` is the centre, `(end)` the arc's start, `(angle)` its sweep.
    s.center = pointOf(n, "start");
    s.start = pointOf(n, "end");
    if (const Node a = t_.find(n, "angle"); a >= 0) s.angle = angle(a, 1);
  }
  shapesOut_->push_back(std::move(s));
}

void FootprintReader::readPoly(Node n) {
  ShapeItem s;
  s.kind = ShapeKind::Polygon;
  const Node pts = t_.find(n, "pts");
  for (Node c = t_.child(pts, 1); c >= 0; c = t_[c].nextSibling) {
    if (t_.head(c) == "xy") s.points.push_back(point(c));
    else if (t_.head(c) == "arc") {
      // An arc inside an outline: its three points keep its course within a pixel.
      s.points.push_back(pointOf(c, "start"));
      s.points.push_back(pointOf(c, "mid"));
      s.points.push_back(pointOf(c, "end"));
    }
  }
  s.width = strokeWidth(n);
  // KiCad 5 polygons carry no fill and are always filled.
  s.filled = filled(n, info_.version == 0);
  setLayer(n, s);
  s.line = t_[n].line;
  shapesOut_->push_back(std::move(s));
}

void FootprintReader::readCurve(Node n) {
  ShapeItem s;
  s.kind = ShapeKind::Curve;
  const Node pts = t_.find(n, "pts");
  for (Node c = t_.child(pts, 1); c >= 0; c = t_[c].nextSibling) s.points.push_back(point(c));
  if (s.points.size() != 4) return fail(n, "expected four points in 'fp_curve'");
  s.start = s.points.front();
  s.end = s.points.back();
  s.width = strokeWidth(n);
  setLayer(n, s);
  s.line = t_[n].line;
  shapesOut_->push_back(std::move(s));
}

void FootprintReader::readPad(Node n) {
  PadItem p;
  p.name = word(n, 1);
  const std::string type = word(n, 2);
  p.type = type == "smd" ? PadType::Smd
           : type == "connect" ? PadType::Connector
           : type == "np_thru_hole" ? PadType::Hole
           : type == "thru_hole" ? PadType::Standard
                                 : PadType::Standard;
  if (type != "smd" && type != "connect" && type != "np_thru_hole" && type != "thru_hole")
    return fail(t_.child(n, 2), "unknown pad type '" + type + "'");
  p.kicadShape = word(n, 3);
  static constexpr struct {
    const char* word;
    char letter;
  } kShapes[] = {{"circle", 'C'},    {"rect", 'R'},      {"oval", 'O'},
                 {"trapezoid", 'T'}, {"roundrect", 'R'}, {"custom", 'R'}};
  for (const auto& s : kShapes)
    if (p.kicadShape == s.word) p.shape = s.letter;
  if (p.shape == 0) return fail(t_.child(n, 3), "unknown pad shape '" + p.kicadShape + "'");
  const Node at = t_.find(n, "at");
  if (at < 0) return fail(n, "expected '(at' in 'pad'");
  p.position = point(at);
  p.angle = angleOf(at);
  p.size = pointOf(n, "size");
  if (const Node delta = t_.find(n, "rect_delta"); delta >= 0) p.delta = point(delta);
  if (const Node drill = t_.find(n, "drill"); drill >= 0) {
    p.hasDrillLine = true;
    int i = 1;
    if (const Node shape = t_.child(drill, 1);
        shape >= 0 && t_[shape].kind == SexprNode::Kind::Atom && t_.text(shape) == "oval") {
      p.ovalDrill = true;
      i = 2;
    }
    const Node first = t_.child(drill, i);
    if (first >= 0 && t_[first].kind == SexprNode::Kind::Atom) {
      p.drill.x = length(drill, i);
      const Node second = t_.child(drill, i + 1);
      p.drill.y = second >= 0 && t_[second].kind == SexprNode::Kind::Atom ? length(drill, i + 1)
                                                                          : p.drill.x;
    }
    if (const Node offset = t_.find(drill, "offset"); offset >= 0) p.drillOffset = point(offset);
  }
  if (const Node layers = t_.find(n, "layers"); layers >= 0)
    for (Node c = t_.child(layers, 1); c >= 0; c = t_[c].nextSibling) {
      p.layerNames.push_back(t_.text(c));
      p.layerMask |= legacyMaskOfLayer(p.layerNames.back());
    }
  p.hasAttributeLine = true;
  if (const Node r = t_.find(n, "roundrect_rratio"); r >= 0) p.roundrectRatio = number(r, 1, 0);
  if (const Node r = t_.find(n, "chamfer_ratio"); r >= 0) p.chamferRatio = number(r, 1, 0);
  if (const Node c = t_.find(n, "chamfer"); c >= 0)
    for (Node w = t_.child(c, 1); w >= 0; w = t_[w].nextSibling) p.chamferCorners.push_back(t_.text(w));
  if (const Node prims = t_.find(n, "primitives"); prims >= 0) {
    p.primitives = t_.size(prims) - 1;
    // The primitives are read as the footprint's drawings are, in the pad's own coordinates.
    shapesOut_ = &p.primitiveShapes;
    for (Node c = t_.child(prims, 1); c >= 0 && !failed_; c = t_[c].nextSibling) {
      const std::string_view h = t_.head(c);
      const std::size_t before = p.primitiveShapes.size();
      if (h == "gr_line") readLine(c);
      else if (h == "gr_rect") readRect(c);
      else if (h == "gr_circle") readCircle(c);
      else if (h == "gr_arc") readArc(c);
      else if (h == "gr_poly") readPoly(c);
      else if (h == "gr_curve" || h == "gr_bezier") readCurve(c);
      if (p.primitiveShapes.size() == before) continue;
      ShapeItem& prim = p.primitiveShapes.back();
      // A pad's polygons are copper areas, filled unless they say otherwise; a circle of no
      // line width is a disc.
      const Node f = t_.find(c, "fill");
      const std::string fill = t_.text(t_.child(f, 1));
      if (prim.kind == ShapeKind::Polygon) prim.filled = f < 0 || (fill != "none" && fill != "no");
      if (prim.kind == ShapeKind::Circle && f < 0 && prim.width == 0) prim.filled = true;
    }
    shapesOut_ = &items_.shapes;
  }
  if (const Node anchor = t_.find(t_.find(n, "options"), "anchor"); anchor >= 0)
    p.anchor = word(anchor, 1);
  if (const Node prop = t_.find(n, "property"); prop >= 0) p.property = word(prop, 1);
  if (const Node net = t_.find(n, "net"); net >= 0) {
    p.netCode = static_cast<int>(number(net, 1, 0));
    p.netName = word(net, 2);
  }
  if (const Node die = t_.find(n, "die_length"); die >= 0) p.dieLength = length(die, 1);
  readLocal(n, p.local);
  p.complete = true;
  p.line = t_[n].line;
  items_.pads.push_back(std::move(p));
}

void FootprintReader::readModel(Node n) {
  Model3dItem m;
  m.fileName = word(n, 1);
  auto xyz = [&](Node list, auto&& take) {
    const Node v = t_.find(list, "xyz");
    if (v < 0) return;
    for (int i = 0; i < 3; ++i) take(i, v, i + 1);
  };
  if (const Node off = t_.find(n, "offset"); off >= 0) {
    xyz(off, [&](int i, Node v, int k) { m.offset[static_cast<std::size_t>(i)] = length(v, k); });
  } else if (const Node at = t_.find(n, "at"); at >= 0) {
    // KiCad 5's `(at (xyz))` is in inches.
    xyz(at, [&](int i, Node v, int k) {
      m.offset[static_cast<std::size_t>(i)] = std::llround(number(v, k, 0) * 25'400'000.0);
    });
  }
  if (const Node sc = t_.find(n, "scale"); sc >= 0)
    xyz(sc, [&](int i, Node v, int k) { m.scale[static_cast<std::size_t>(i)] = number(v, k, 1); });
  if (const Node ro = t_.find(n, "rotate"); ro >= 0)
    xyz(ro, [&](int i, Node v, int k) { m.rotation[static_cast<std::size_t>(i)] = number(v, k, 0); });
  m.complete = true;
  m.line = t_[n].line;
  items_.models.push_back(std::move(m));
}

void FootprintReader::readAttributes(Node n) {
  for (Node c = t_.child(n, 1); c >= 0; c = t_[c].nextSibling) {
    const std::string w = t_.text(c);
    items_.attributes.push_back(w);
    if (w == "smd") items_.attribute = ModuleAttribute::Smd;
    else if (w == "virtual" && !items_.attribute) items_.attribute = ModuleAttribute::Virtual;
  }
  if (!items_.attribute) items_.attribute = ModuleAttribute::Normal;
}

void FootprintReader::unknown(Node n) {
  std::string head(t_.head(n));
  if (head.empty()) head = "(";
  for (const std::string& seen : items_.unknownTokens)
    if (seen == head) return;
  items_.unknownTokens.push_back(std::move(head));
}

void FootprintReader::run(std::int32_t root) {
  // Tokens that hold nothing the items keep: editing metadata, and tokens of later KiCads that
  // change nothing a library reader shows.
  static constexpr std::string_view kMetadata[] = {
      "version", "generator", "generator_version", "tedit", "tstamp", "uuid", "path",
      "autoplace_cost90", "autoplace_cost180", "net_tie_pad_groups", "private_layers",
      "embedded_fonts", "embedded_files", "duplicate_pad_numbers_are_jumpers",
      "jumper_pad_groups", "sheetname", "sheetfile", "locked", "placed", "at",
      "solder_mask_margin", "solder_paste_margin", "solder_paste_ratio",
      "solder_paste_margin_ratio", "clearance", "zone_connect", "thermal_width", "thermal_gap",
      "component_classes", "units", "point"};
  static constexpr std::string_view kKept[] = {"zone", "group", "dimension", "image", "table",
                                               "generated", "barcode"};
  readLocal(root, items_.local);
  for (Node c = t_.child(root, 2); c >= 0 && !failed_; c = t_[c].nextSibling) {
    if (t_[c].kind != SexprNode::Kind::List) continue;  // `locked`, `placed` as words
    const std::string_view h = t_.head(c);
    if (h == "fp_text") readText(c);
    else if (h == "property") readProperty(c);
    else if (h == "fp_text_box") readTextBox(c);
    else if (h == "fp_line") readLine(c);
    else if (h == "fp_rect") readRect(c);
    else if (h == "fp_circle") readCircle(c);
    else if (h == "fp_arc") readArc(c);
    else if (h == "fp_poly") readPoly(c);
    else if (h == "fp_curve") readCurve(c);
    else if (h == "pad") readPad(c);
    else if (h == "model") readModel(c);
    else if (h == "attr") readAttributes(c);
    else if (h == "layer") items_.layerName = word(c, 1);
    else if (h == "descr") items_.description = word(c, 1);
    else if (h == "tags") items_.keywords = word(c, 1);
    else if (std::find(std::begin(kKept), std::end(kKept), h) != std::end(kKept))
      items_.keptItems.emplace_back(t_.source(text_, c));
    else if (std::find(std::begin(kMetadata), std::end(kMetadata), h) == std::end(kMetadata))
      unknown(c);
  }
}

}  // namespace

KicadModInfo parseKicadMod(std::string_view text, ModuleItems& items) {
  items.clear();
  KicadModInfo info;
  // The summary checks the frame (balance, name, version) with its messages; the tree holds
  // the items.
  const KicadModSummary summary = summarizeKicadMod(text);
  info.name = summary.name;
  info.version = summary.version;
  if (!summary.ok) {
    info.error = summary.error;
    info.line = summary.line;
    info.column = summary.column;
    info.tooNew = summary.tooNew;
    return info;
  }
  const SexprTree tree = readSexprTree(text);
  FootprintReader reader(text, tree, items, info);
  reader.run(tree.firstTop);
  if (reader.failed()) {
    items.clear();
    return info;
  }
  info.ok = true;
  return info;
}

}  // namespace trevak
