// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_mod_writer.h"

#include <charconv>
#include <cmath>
#include <climits>
#include <cstdint>
#include <utility>

namespace trevak {

namespace {

// --- numbers ----------------------------------------------------------------------------------

void appendInteger(std::string& out, long long v) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  (void)ec;  // 24 characters hold any 64-bit number
  out.append(buffer, end);
}

// A length as KiCad holds it: in an int, where one beyond reads as 0 (old files hold such
// values for "unset").
Nanometres held(Nanometres v) { return v >= INT32_MAX || v <= INT32_MIN ? 0 : v; }

// Nanometres as millimetres: exact, at most six decimals, no trailing zeros; written into
// `buffer` (32 bytes are plenty), returning the end. Strings grow by one append per number:
// a push_back per digit cost more than making the digits.
char* formatMm(char* buffer, Nanometres v) {
  v = held(v);
  char* p = buffer;
  if (v < 0) {
    *p++ = '-';
    v = -v;
  }
  p = std::to_chars(p, buffer + 24, v / 1000000).ptr;
  long long fraction = v % 1000000;
  if (fraction == 0) return p;
  char digits[6];
  for (int i = 5; i >= 0; --i, fraction /= 10) digits[i] = static_cast<char>('0' + fraction % 10);
  int used = 6;
  while (digits[used - 1] == '0') --used;
  *p++ = '.';
  for (int i = 0; i < used; ++i) *p++ = digits[i];
  return p;
}

void appendMm(std::string& out, Nanometres v) {
  char buffer[32];
  out.append(buffer, formatMm(buffer, v));
}

void appendPoint(std::string& out, NmPoint p) {
  char buffer[64];
  char* end = formatMm(buffer, p.x);
  *end++ = ' ';
  out.append(buffer, formatMm(end, p.y));
}

// The shortest decimal that reads back as the same double, never with an exponent (KiCad's
// reader takes only plain numbers). Values too small to matter for a ratio or a scale are 0.
void appendReal(std::string& out, double v) {
  if (!std::isfinite(v) || std::fabs(v) < 1e-12) {
    out.push_back('0');
    return;
  }
  char buffer[400];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
  if (ec != std::errc()) {
    out.push_back('0');
    return;
  }
  out.append(buffer, end);
}

// Tenths of a degree as degrees; whole tenths are written exactly ("145.3", "-90").
void appendDegrees(std::string& out, double tenths) {
  if (tenths == std::floor(tenths) && std::fabs(tenths) < 1e15) {
    auto t = static_cast<long long>(tenths);
    if (t < 0) {
      out.push_back('-');
      t = -t;
    }
    appendInteger(out, t / 10);
    if (t % 10 != 0) {
      out.push_back('.');
      out.push_back(static_cast<char>('0' + t % 10));
    }
    return;
  }
  appendReal(out, tenths / 10.0);
}

double normalizePositive(double tenths) {
  double a = std::fmod(tenths, 3600.0);
  if (a < 0) a += 3600.0;
  return a == 0 ? 0.0 : a;  // no "-0"
}

// KiCad keeps text angles within (-360, 360) degrees.
double normalizeWithinTurn(double tenths) {
  double a = std::fmod(tenths, 3600.0);
  return a == 0 ? 0.0 : a;
}

long long roundHalfAway(double v) { return static_cast<long long>(v < 0 ? v - 0.5 : v + 0.5); }

// KiCad's turn of an integer point about the origin (y down), angle in tenths of a degree:
// quarter turns exactly, any other angle rounded to whole nanometres.
NmPoint rotated(NmPoint p, double tenths) {
  const double a = normalizePositive(tenths);
  if (a == 0) return p;
  if (a == 900) return {p.y, -p.x};
  if (a == 1800) return {-p.x, -p.y};
  if (a == 2700) return {-p.y, p.x};
  const double radians = a * M_PI / 1800.0;
  const double s = std::sin(radians);
  const double c = std::cos(radians);
  const auto x = static_cast<double>(p.x);
  const auto y = static_cast<double>(p.y);
  return {roundHalfAway(y * s + x * c), roundHalfAway(y * c - x * s)};
}

NmPoint minus(NmPoint a, NmPoint b) { return {a.x - b.x, a.y - b.y}; }
NmPoint plus(NmPoint a, NmPoint b) { return {a.x + b.x, a.y + b.y}; }

// --- text -------------------------------------------------------------------------------------

bool isUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra = 0;
    std::uint32_t code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (s.size() - i <= static_cast<std::size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((d & 0xC0) != 0x80) return false;
      code = (code << 6) | (d & 0x3F);
    }
    if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (extra == 3 && (code < 0x10000 || code > 0x10FFFF))) {
      return false;
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

// The overbar notation of KiCad 6 (~{...}) from the old one (~ toggles the bar, a blank or a
// closing bracket ends it, ~~ is a tilde), as KiCad converts the texts of a legacy file.
std::string newOverbarNotation(const std::string& old) {
  if (old == "~" || old.find('~') == std::string::npos) return old;
  std::string out;
  out.reserve(old.size() + 8);
  bool inOverbar = false;
  for (std::size_t i = 0; i < old.size(); ++i) {
    const char c = old[i];
    if (c == '~') {
      if (i + 1 < old.size() && old[i + 1] == '~') {
        if (i + 2 < old.size() && old[i + 2] == '{') {
          out += "~~{}";
          continue;
        }
        out += '~';
        ++i;
        continue;
      }
      if (i + 1 < old.size() && old[i + 1] == '{') return old;  // already converted
      out += inOverbar ? "}" : "~{";
      inOverbar = !inOverbar;
      continue;
    }
    if ((c == ' ' || c == '}' || c == ')') && inOverbar) {
      out += '}';
      inOverbar = false;
    }
    out += c;
  }
  if (inOverbar) out += '}';
  return out;
}

void replaceAll(std::string& s, std::string_view from, std::string_view to) {
  for (std::size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size())) {
    s.replace(pos, from.size(), to);
  }
}


// --- layers -----------------------------------------------------------------------------------

// KiCad's layer numbers, in the order it writes layer lists.
enum KicadLayer : int {
  kFCu = 0,
  kBCu = 31,
  kBAdhes,
  kFAdhes,
  kBPaste,
  kFPaste,
  kBSilkS,
  kFSilkS,
  kBMask,
  kFMask,
  kDwgsUser,
  kCmtsUser,
  kEco1User,
  kEco2User,
  kEdgeCuts,
  kLayerCount
};

std::string layerName(int id) {
  static constexpr const char* kNames[] = {"B.Adhes",   "F.Adhes",   "B.Paste",   "F.Paste",
                                           "B.SilkS",   "F.SilkS",   "B.Mask",    "F.Mask",
                                           "Dwgs.User", "Cmts.User", "Eco1.User", "Eco2.User",
                                           "Edge.Cuts"};
  if (id == kFCu) return "F.Cu";
  if (id == kBCu) return "B.Cu";
  if (id > kFCu && id < kBCu) return "In" + std::to_string(id) + ".Cu";
  return kNames[id - kBAdhes];
}

// A legacy layer number as KiCad maps it for a library (16 copper layers).
int kicadLayer(int legacy) {
  if (static_cast<unsigned>(legacy) <= 15u) {
    if (legacy == 15) return kFCu;
    if (legacy == 0) return kBCu;
    return 15 - legacy;
  }
  if (legacy >= 16 && legacy <= 28) return kBAdhes + (legacy - 16);
  return kCmtsUser;
}

// Texts may not sit on copper; a layer out of range is clamped first.
int textLayer(int legacy) {
  if (legacy < 0) return kicadLayer(0);
  if (legacy > 28) return kicadLayer(28);
  if (legacy == 0) return kicadLayer(20);
  if (legacy <= 15) return kicadLayer(21);
  return kicadLayer(legacy);
}

int drawingLayer(int legacy) { return kicadLayer(legacy < 0 || legacy > 28 ? 21 : legacy); }

void appendLayer(std::string& out, int id) {
  out += " (layer \"";
  out += layerName(id);
  out += "\")";
}

void appendPadLayers(std::string& out, std::uint32_t mask) {
  std::uint64_t set = 0;
  constexpr std::uint64_t kAllCopper = (std::uint64_t{1} << 32) - 1;
  if ((mask & 0xFFFFu) == 0xFFFFu) {
    set |= kAllCopper;
    mask &= ~0xFFFFu;
  }
  for (int bit = 0; mask != 0; ++bit, mask >>= 1) {
    if (mask & 1u) set |= std::uint64_t{1} << kicadLayer(bit);
  }
  auto pair = [](int a, int b) { return (std::uint64_t{1} << a) | (std::uint64_t{1} << b); };
  out += " (layers";
  if ((set & kAllCopper) == kAllCopper) {
    out += " *.Cu";
    set &= ~kAllCopper;
  } else if ((set & kAllCopper) == pair(kFCu, kBCu)) {
    out += " F&B.Cu";
    set &= ~pair(kFCu, kBCu);
  }
  const struct {
    std::uint64_t bits;
    const char* word;
  } kBoth[] = {{pair(kBAdhes, kFAdhes), " *.Adhes"},
               {pair(kBPaste, kFPaste), " *.Paste"},
               {pair(kBSilkS, kFSilkS), " *.SilkS"},
               {pair(kBMask, kFMask), " *.Mask"}};
  for (const auto& both : kBoth) {
    if ((set & both.bits) == both.bits) {
      out += both.word;
      set &= ~both.bits;
    }
  }
  for (int id = 0; id < kLayerCount; ++id) {
    if (set & (std::uint64_t{1} << id)) {
      out += " \"";
      out += layerName(id);
      out += '"';
    }
  }
  out += ')';
}

// --- items ------------------------------------------------------------------------------------

constexpr Nanometres kDefaultPadSize = 1524000;   // KiCad's pad without a shape line: 60 mil
constexpr Nanometres kDefaultDrill = 762000;      // and without a drill line: 30 mil
constexpr Nanometres kDefaultTextSize = 1270000;  // a missing reference or value text
constexpr Nanometres kDefaultTextThickness = 150000;
constexpr std::size_t kPadNameLimit = 49;

void appendLocal(std::string& out, const LocalSettings& local, bool pad) {
  auto length = [&out](const char* token, const std::optional<Nanometres>& v) {
    if (!v || held(*v) == 0) return;
    out += " (";
    out += token;
    out += ' ';
    appendMm(out, *v);
    out += ')';
  };
  length("solder_mask_margin", local.solderMaskMargin);
  length("solder_paste_margin", local.solderPasteMargin);
  if (local.solderPasteRatio) {
    double ratio = *local.solderPasteRatio;
    // KiCad clamps a module's ratio (old editors saved garbage there), never a pad's.
    if (!pad) ratio = std::isnan(ratio) ? 0.0 : std::min(0.0, std::max(-0.5, ratio));
    if (ratio != 0 && !std::isnan(ratio)) {
      out += pad ? " (solder_paste_margin_ratio " : " (solder_paste_ratio ";
      appendReal(out, ratio);
      out += ')';
    }
  }
  length("clearance", local.clearance);
  if (local.zoneConnection && *local.zoneConnection != -1) {
    out += " (zone_connect ";
    appendInteger(out, *local.zoneConnection);
    out += ')';
  }
  length("thermal_width", local.thermalWidth);
  length("thermal_gap", local.thermalGap);
}

struct TextOut {
  const char* type;
  const TextItem* item;  // nullptr: KiCad's default for a missing reference or value
};

void appendText(std::string& out, const TextOut& t, double moduleAngle) {
  out += "  (fp_text ";
  out += t.type;
  out += ' ';
  if (t.item == nullptr) {
    out += "\"\" (at 0 0)";
    appendLayer(out, kFSilkS);
    out += "\n    (effects (font (size ";
    appendMm(out, kDefaultTextSize);
    out += ' ';
    appendMm(out, kDefaultTextSize);
    out += ") (thickness ";
    appendMm(out, kDefaultTextThickness);
    out += ")))\n  )\n";
    return;
  }
  const TextItem& item = *t.item;
  std::string text = utf8FromLegacyBytes(item.text);
  replaceAll(text, "%V", "${VALUE}");
  replaceAll(text, "%R", "${REFERENCE}");
  appendKicadQuoted(out, newOverbarNotation(text));
  out += " (at ";
  appendPoint(out, item.position);
  const double angle = normalizeWithinTurn(item.angle - moduleAngle);
  if (angle != 0) {
    out += ' ';
    appendDegrees(out, angle);
  }
  out += ')';
  appendLayer(out, textLayer(item.layer));
  if (!item.visible) out += " hide";
  out += "\n    (effects (font (size ";
  appendMm(out, item.height);
  out += ' ';
  appendMm(out, item.width);
  // Always written: without it KiCad would read 0.15 mm for a zero thickness.
  out += ") (thickness ";
  appendMm(out, item.thickness);
  out += ')';
  if (item.italic) out += " italic";
  out += ')';
  if (item.mirrored || item.horizontal != HorizontalJustify::Center ||
      item.vertical != VerticalJustify::Center) {
    out += " (justify";
    if (item.horizontal == HorizontalJustify::Left) out += " left";
    if (item.horizontal == HorizontalJustify::Right) out += " right";
    if (item.vertical == VerticalJustify::Top) out += " top";
    if (item.vertical == VerticalJustify::Bottom) out += " bottom";
    if (item.mirrored) out += " mirror";
    out += ')';
  }
  out += ")\n  )\n";
}

void appendShape(std::string& out, const ShapeItem& s) {
  const int layer = drawingLayer(s.layer);
  switch (s.kind) {
    case ShapeKind::Segment:
      out += "  (fp_line (start ";
      appendPoint(out, s.start);
      out += ") (end ";
      appendPoint(out, s.end);
      out += ')';
      break;
    case ShapeKind::Circle:
      out += "  (fp_circle (center ";
      appendPoint(out, s.center);
      out += ") (end ";
      appendPoint(out, s.end);
      out += ')';
      break;
    case ShapeKind::Arc: {
      // KiCad turns the start about the centre to find the end, and swaps the two for a
      // negative sweep, so that start to end always runs clockwise on screen.
      double sweep = s.angle;
      while (sweep < -3600) sweep += 3600;
      while (sweep > 3600) sweep -= 3600;
      NmPoint start = s.start;
      NmPoint end = plus(rotated(minus(s.start, s.center), -sweep), s.center);
      if (s.angle < 0) std::swap(start, end);
      // The middle from the exact circle, so that the centre KiCad derives from the three
      // points stays as close as whole nanometres allow.
      const double dx = static_cast<double>(start.x - s.center.x);
      const double dy = static_cast<double>(start.y - s.center.y);
      const double half = std::fabs(sweep) / 2.0 * M_PI / 1800.0;
      const NmPoint mid{s.center.x + roundHalfAway(dx * std::cos(half) - dy * std::sin(half)),
                        s.center.y + roundHalfAway(dx * std::sin(half) + dy * std::cos(half))};
      out += "  (fp_arc (start ";
      appendPoint(out, start);
      out += ") (mid ";
      appendPoint(out, mid);
      out += ") (end ";
      appendPoint(out, end);
      out += ')';
      break;
    }
    case ShapeKind::Polygon:
      if (s.points.empty()) return;  // KiCad keeps no polygon without corners
      out += "  (fp_poly (pts";
      for (std::size_t i = 0; i < s.points.size(); ++i) {
        out += (i % 4 == 0) ? "\n      (xy " : " (xy ";
        appendPoint(out, s.points[i]);
        out += ')';
      }
      out += "\n    )";
      break;
    case ShapeKind::Rect:  // read from .kicad_mod files only
      out += "  (fp_rect (start ";
      appendPoint(out, s.start);
      out += ") (end ";
      appendPoint(out, s.end);
      out += ')';
      break;
    case ShapeKind::Curve:
      if (s.points.size() != 4) return;
      out += "  (fp_curve (pts";
      for (const NmPoint& p : s.points) {
        out += " (xy ";
        appendPoint(out, p);
        out += ')';
      }
      out += ')';
      break;
  }
  appendLayer(out, layer);
  out += " (width ";
  appendMm(out, s.width);
  out += ')';
  if (s.kind == ShapeKind::Circle) out += " (fill none)";
  // Every KiCad before 6 drew legacy polygons filled.
  if (s.kind == ShapeKind::Polygon) out += " (fill solid)";
  out += ")\n";
}

const char* padShapeWord(char shape) {
  switch (shape) {
    case 0:
    case 'C':
      return "circle";
    case 'R':
      return "rect";
    case 'O':
      return "oval";
    case 'T':
      return "trapezoid";
    default:
      return nullptr;
  }
}

// The largest length KiCad holds: 845,466 decimil and more read as no size at all.
constexpr Nanometres kKicadLengthLimit = 2147483640;

bool pastKicadRange(NmPoint p) {
  return p.x >= kKicadLengthLimit || p.x <= -kKicadLengthLimit || p.y >= kKicadLengthLimit ||
         p.y <= -kKicadLengthLimit;
}

void appendPad(std::string& out, const PadItem& pad, double moduleAngle,
               std::vector<KicadModNote>& notes) {
  // A pad whose Sh line could not be read is not a pad of the default size at the origin.
  if (pad.shapeLineBad) {
    notes.push_back({KicadModNote::Kind::PadSkipped, "its Sh line could not be read", pad.line});
    return;
  }
  if (pastKicadRange(pad.size) || pastKicadRange(pad.delta) || pastKicadRange(pad.position) ||
      pastKicadRange(pad.drill) || pastKicadRange(pad.drillOffset)) {
    notes.push_back({KicadModNote::Kind::PadSkipped,
                     "\"" + pad.name + "\": a length past what KiCad holds (845,466 decimil)",
                     pad.line});
    return;
  }
  const char* shape = padShapeWord(pad.shape);
  if (shape == nullptr) {
    notes.push_back({KicadModNote::Kind::PadSkipped,
                     "\"" + pad.name + "\": unknown shape '" + std::string(1, pad.shape) + "'",
                     pad.line});
    return;
  }
  const bool noShapeLine = pad.shape == 0;
  if (!noShapeLine && (pad.size.x <= 0 || pad.size.y <= 0)) {
    // KiCad's legacy reader drops such pads: there is nothing of them to draw or solder.
    notes.push_back({KicadModNote::Kind::PadSkipped, "\"" + pad.name + "\": size 0", pad.line});
    return;
  }
  std::string name = utf8FromLegacyBytes(pad.name);
  if (pad.name.size() > kPadNameLimit) {
    notes.push_back({KicadModNote::Kind::PadNameCut, pad.name, pad.line});
    name = utf8FromLegacyBytes(std::string_view(pad.name).substr(0, kPadNameLimit));
  }
  out += "  (pad ";
  appendKicadQuoted(out, name);
  switch (pad.hasAttributeLine ? pad.type : PadType::Standard) {
    case PadType::Standard:
      out += " thru_hole ";
      break;
    case PadType::Smd:
      out += " smd ";
      break;
    case PadType::Connector:
      out += " connect ";
      break;
    case PadType::Hole:
      out += " np_thru_hole ";
      break;
  }
  out += shape;
  out += " (at ";
  appendPoint(out, pad.position);
  const double angle = normalizePositive(normalizePositive(pad.angle) - moduleAngle);
  if (angle != 0 && !noShapeLine) {
    out += ' ';
    appendDegrees(out, angle);
  }
  out += ") (size ";
  appendPoint(out, noShapeLine ? NmPoint{kDefaultPadSize, kDefaultPadSize} : pad.size);
  out += ')';
  if (pad.delta.x != 0 || pad.delta.y != 0) {
    out += " (rect_delta ";
    appendPoint(out, pad.delta);
    out += ')';
  }
  const bool drilled = !pad.hasAttributeLine ||
                       (pad.type != PadType::Smd && pad.type != PadType::Connector);
  const NmPoint drill = pad.hasDrillLine ? pad.drill : NmPoint{kDefaultDrill, kDefaultDrill};
  const bool offset = pad.drillOffset.x != 0 || pad.drillOffset.y != 0;
  if (drilled || offset) {
    out += " (drill";
    if (pad.ovalDrill) out += " oval";
    if (drilled) {
      // A zero drill is written too: left out, KiCad would read its default hole.
      out += ' ';
      appendMm(out, drill.x);
      if (drill.y != drill.x) {
        out += ' ';
        appendMm(out, drill.y);
      }
    }
    if (offset) {
      out += " (offset ";
      appendPoint(out, pad.drillOffset);
      out += ')';
    }
    out += ')';
  }
  // Without an At line KiCad gives a pad its through-hole layers: all copper and both masks.
  appendPadLayers(out, pad.hasAttributeLine ? pad.layerMask : 0x00C0FFFFu);
  if (pad.dieLength && held(*pad.dieLength) != 0) {
    out += " (die_length ";
    appendMm(out, *pad.dieLength);
    out += ')';
  }
  appendLocal(out, pad.local, true);
  out += ")\n";
}

void appendModel(std::string& out, const Model3dItem& model) {
  out += "  (model ";
  appendKicadQuoted(out, utf8FromLegacyBytes(model.fileName));
  out += "\n    (offset (xyz ";
  for (int i = 0; i < 3; ++i) {
    if (i > 0) out += ' ';
    appendMm(out, model.offset[static_cast<std::size_t>(i)]);
  }
  auto triple = [&out](const char* token, const std::array<double, 3>& v) {
    out += "))\n    (";
    out += token;
    out += " (xyz ";
    for (std::size_t i = 0; i < 3; ++i) {
      if (i > 0) out += ' ';
      appendReal(out, v[i]);
    }
  };
  triple("scale", model.scale);
  triple("rotate", model.rotation);
  out += "))\n  )\n";
}

std::string_view keywordOf(std::string_view line) {
  std::size_t start = 0;
  while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
  std::size_t end = start;
  while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
  return line.substr(start, end - start);
}

void noteUnparsed(const ModuleItems& items, std::vector<KicadModNote>& notes) {
  std::vector<std::pair<std::string_view, UnparsedReason>> seen;
  for (const UnparsedLine& u : items.unparsed) {
    const std::pair<std::string_view, UnparsedReason> kind{keywordOf(u.text), u.reason};
    bool known = false;
    for (const auto& s : seen) known = known || s == kind;
    if (known) continue;
    seen.push_back(kind);
    notes.push_back({KicadModNote::Kind::LineNotUnderstood, u.text, u.line});
  }
}

}  // namespace

std::string utf8FromLegacyBytes(std::string_view bytes) {
  if (isUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string kicadFootprintName(std::string_view moduleName) {
  const std::string utf8 = utf8FromLegacyBytes(moduleName);
  std::string out;
  out.reserve(utf8.size() + 8);
  for (const char c : utf8) {
    switch (c) {
      case '\\': out += "%5c"; break;
      case '/': out += "%2f"; break;
      case ':': out += "%3a"; break;
      case '"': out += "%22"; break;
      case '<': out += "%3c"; break;
      case '>': out += "%3e"; break;
      case '|': out += "%7c"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string writeKicadMod(std::string_view footprintName, const ModuleItems& items,
                          std::vector<KicadModNote>& notes) {
  std::string out;
  out.reserve(512 + 96 * (items.shapes.size() + items.pads.size() + items.texts.size()));
  out += "(footprint ";
  appendKicadQuoted(out, footprintName);
  out += " (version 20211014) (generator trevak)\n";
  const ModulePlacement placement = items.placement.value_or(ModulePlacement{});
  // KiCad keeps a footprint's angle within (-180, 180] degrees and makes the texts' relative to
  // that: a module at 270 degrees turns a text at 0 into one at 90.
  double moduleAngle = std::fmod(placement.angle, 3600.0);
  if (moduleAngle <= -1800) moduleAngle += 3600;
  if (moduleAngle > 1800) moduleAngle -= 3600;
  out += ' ';
  appendLayer(out, kicadLayer(placement.layer));
  out += "\n  (tedit ";
  char hex[16];
  const auto [hexEnd, ec] = std::to_chars(hex, hex + sizeof hex, placement.editTime, 16);
  (void)ec;
  for (char* p = hex; p != hexEnd; ++p) {
    if (*p >= 'a' && *p <= 'f') *p = static_cast<char>(*p - 'a' + 'A');
  }
  out.append(hex, hexEnd);
  out += ")\n";
  if (items.description && !items.description->empty()) {
    out += "  (descr ";
    appendKicadQuoted(out, utf8FromLegacyBytes(*items.description));
    out += ")\n";
  }
  if (items.keywords && !items.keywords->empty()) {
    out += "  (tags ";
    appendKicadQuoted(out, utf8FromLegacyBytes(*items.keywords));
    out += ")\n";
  }
  if (items.placementCosts) {
    // KiCad's reading of the Op nibbles: a digit above 10 counts as 0, the 180 one as 10.
    const long a = items.placementCosts->rotation90;
    long cost180 = items.placementCosts->rotation180 & 0x0F;
    if (cost180 > 10) cost180 = 10;
    long low = a & 0x0F;
    if (low > 10) low = 0;
    long high = (a >> 4) & 0x0F;
    if (high > 10) high = 0;
    const long cost90 = (high << 4) | low;
    if (cost90 != 0) {
      out += "  (autoplace_cost90 ";
      appendInteger(out, cost90);
      out += ")\n";
    }
    if (cost180 != 0) {
      out += "  (autoplace_cost180 ";
      appendInteger(out, cost180);
      out += ")\n";
    }
  }
  std::string local;
  appendLocal(local, items.local, false);
  if (!local.empty()) {
    out += ' ';
    out += local;
    out += '\n';
  }
  if (items.attribute) {
    switch (*items.attribute) {
      case ModuleAttribute::Smd:
        out += "  (attr smd)\n";
        break;
      case ModuleAttribute::Virtual:
        out += "  (attr exclude_from_pos_files exclude_from_bom)\n";
        break;
      case ModuleAttribute::Normal:
        out += "  (attr through_hole exclude_from_pos_files)\n";
        break;
    }
  }
  // A later T0 or T1 replaces an earlier one, as in KiCad.
  const TextItem* reference = nullptr;
  const TextItem* value = nullptr;
  for (const TextItem& t : items.texts) {
    if (t.number == 0) reference = &t;
    if (t.number == 1) value = &t;
  }
  appendText(out, {"reference", reference}, moduleAngle);
  appendText(out, {"value", value}, moduleAngle);
  for (const TextItem& t : items.texts) {
    if (t.number != 0 && t.number != 1) appendText(out, {"user", &t}, moduleAngle);
  }
  for (const ShapeItem& s : items.shapes) appendShape(out, s);
  for (const PadItem& p : items.pads) appendPad(out, p, moduleAngle, notes);
  for (const Model3dItem& m : items.models) appendModel(out, m);
  out += ")\n";
  noteUnparsed(items, notes);
  return out;
}

void appendKicadQuoted(std::string& out, std::string_view text) {
  out.push_back('"');
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
  out.push_back('"');
}

}  // namespace trevak
