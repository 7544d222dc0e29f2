// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/exact_renderer.h"

#include "drawing/disc_raster.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <map>
#include <tuple>
#include <vector>

namespace trevak::exact {

namespace {

constexpr double kPi = 3.14159265358979323846;

/// Bottom first: what lies under the board's back is painted first, so the front copper and
/// silkscreen end up on top, with the user layers and the board edge over everything.
constexpr std::array<int, kLayerCount> kPaintOrder = {
    kBackFab, kBackCourtyard, 20, 22, 18, 16, 0,  14, 13, 12, 11, 10, 9,  8,  7,  6, 5,
    4,  3,  2,  1,  15, 17, 19, 23, 21, kFrontFab, kFrontCourtyard, 24, 25, 26, 27,
    34, 35, 36, 37, 38, 39, 40, 41, 42, kMargin, 28};

constexpr std::array<QRgb, kLayerCount> kColors = {
    0xff4fa84f,  // 0 B.Cu
    0xffc8a028, 0xffc8a028, 0xffc8a028, 0xffc8a028, 0xffc8a028, 0xffc8a028, 0xffc8a028,
    0xffc8a028, 0xffc8a028, 0xffc8a028, 0xffc8a028, 0xffc8a028, 0xffc8a028,
    0xffc8a028,  // 1-14 inner copper
    0xffe05a5a,  // 15 F.Cu
    0xff6e466e, 0xff8c468c,  // adhesive
    0xff468c8c, 0xff8c8cb4,  // paste
    0xffa0448c, 0xff007d8c,  // silkscreen
    0xff6e3c78, 0xffa0509b,  // mask
    0xff505050,              // Dwgs.User
    0xff2850b4,              // Cmts.User
    0xff3c8c14, 0xffb48c00,  // Eco1, Eco2
    0xffb4a000,              // Edge.Cuts
    0xffc000c0,              // Margin
    0xff26a0c0, 0xffd026c0,  // courtyards
    0xff585d84, 0xff8c8c8c,  // fabrication
    0xff707070, 0xff707070, 0xff707070, 0xff707070, 0xff707070, 0xff707070, 0xff707070,
    0xff707070, 0xff707070,  // User.1 ... User.9
};

constexpr QRgb kHoleOutline = 0xff404040u;
constexpr double kFontPixels = 100;  // texts are laid out at this size, then scaled
constexpr int kNumberPixels = 32;    // texts and pad numbers are drawn at this size, scaled

bool shown(LayerMask mask, int layer) {
  return layer >= 0 && layer < kLayerCount && (mask & (LayerMask{1} << layer)) != 0;
}

/// The layer a pad is painted in: its front copper, else its back copper, else an inner
/// copper layer, else the uppermost of its other shown layers; -1 when none is shown.
int padPaintLayer(std::uint32_t padLayers, LayerMask shownLayers) {
  const LayerMask visible = padLayers & shownLayers;
  if (visible == 0) return -1;
  if ((visible & (1u << 15)) != 0) return 15;
  if ((visible & 1u) != 0) return 0;
  for (int l = 1; l <= 14; ++l) {
    if ((visible & (1u << l)) != 0) return l;
  }
  for (auto it = kPaintOrder.rbegin(); it != kPaintOrder.rend(); ++it) {
    if ((visible & (LayerMask{1} << *it)) != 0) return *it;
  }
  return -1;
}

QPointF toF(Point p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

/// A stadium of the given size centred on the origin (a circle when both sides are equal).
QPainterPath stadium(double w, double h) {
  QPainterPath path;
  const double r = std::min(w, h) / 2;
  path.addRoundedRect(QRectF(-w / 2, -h / 2, w, h), r, r);
  return path;
}

/// A w x h rectangle centred on the origin with corners rounded at `radius`, and the corners in
/// `cut` (kChamferTopLeft ...) cut at 45 degrees, `cut` long on each side, as KiCad shapes its
/// roundrect and chamfered pads.
QPainterPath roundChamferedRect(double w, double h, double radius, double chamfer, unsigned cut) {
  struct Corner {
    QPointF at, in, out;  // the corner, the direction arriving at it and leaving it
    unsigned bit;
  };
  const Corner corners[] = {{{w / 2, -h / 2}, {1, 0}, {0, 1}, kChamferTopRight},
                            {{w / 2, h / 2}, {0, 1}, {-1, 0}, kChamferBottomRight},
                            {{-w / 2, h / 2}, {-1, 0}, {0, -1}, kChamferBottomLeft},
                            {{-w / 2, -h / 2}, {0, -1}, {1, 0}, kChamferTopLeft}};
  // A quarter circle as one cubic: its controls this far along the tangents (error 0.03 %).
  constexpr double kKappa = 0.5522847498;
  QPainterPath path;
  bool first = true;
  for (const Corner& c : corners) {
    const bool chamfered = (cut & c.bit) != 0;
    const double d = chamfered ? chamfer : radius;
    const QPointF from = c.at - c.in * d, to = c.at + c.out * d;
    if (first) {
      path.moveTo(from);
      first = false;
    } else {
      path.lineTo(from);
    }
    if (d <= 0) continue;
    if (chamfered) {
      path.lineTo(to);
    } else {
      path.cubicTo(from + c.in * (d * kKappa), to - c.out * (d * kKappa), to);
    }
  }
  path.closeSubpath();
  return path;
}

QPainterPath shapePath(const Shape& shape, bool* open);

/// The pad's copper outline in its own coordinates, centred on the origin, before the turn.
QPainterPath padShape(const Pad& pad) {
  const double w = static_cast<double>(pad.size.x), h = static_cast<double>(pad.size.y);
  QPainterPath path;
  if (pad.custom) {
    // The anchor, with every primitive's copper added: lines at their width, areas filled.
    if (pad.shape == 'R') {
      path.addRect(QRectF(-w / 2, -h / 2, w, h));
    } else {
      path.addEllipse(QPointF(0, 0), w / 2, w / 2);
    }
    for (const Shape& prim : pad.primitives) {
      bool open = false;
      const QPainterPath outline = shapePath(prim, &open);
      if (outline.isEmpty()) continue;
      QPainterPath copper;
      if (prim.width > 0) {
        QPainterPathStroker stroker;
        stroker.setWidth(static_cast<double>(prim.width));
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        copper = stroker.createStroke(outline);
      }
      if (!open && prim.filled) copper = copper.united(outline);
      path = path.united(copper);
    }
    return path;
  }
  if (pad.shape == 'R' && (pad.roundRatio > 0 || pad.chamferCorners != 0)) {
    const double side = std::min(w, h);
    return roundChamferedRect(w, h, pad.roundRatio * side, pad.chamferRatio * side,
                              pad.chamferCorners);
  }
  switch (pad.shape) {
    case 'R':
      path.addRect(QRectF(-w / 2, -h / 2, w, h));
      break;
    case 'O':
      path = stadium(w, h);
      break;
    case 'T': {
      // KiCad's corners: the delta tilts the sides by half its value at each end.
      const double dx = static_cast<double>(pad.delta.x) / 2;
      const double dy = static_cast<double>(pad.delta.y) / 2;
      const QPolygonF corners({QPointF(-w / 2 - dy, h / 2 + dx), QPointF(-w / 2 + dy, -h / 2 - dx),
                               QPointF(w / 2 - dy, -h / 2 + dx), QPointF(w / 2 + dy, h / 2 - dx),
                               QPointF(-w / 2 - dy, h / 2 + dx)});
      path.addPolygon(corners);
      path.closeSubpath();
      break;
    }
    default:  // a circle's diameter is its first size
      path.addEllipse(QPointF(0, 0), w / 2, w / 2);
      break;
  }
  return path;
}

/// Tenths of a degree counter-clockwise on the screen to the turn of a QTransform.
double qtDegrees(double tenths) { return -tenths / 10.0; }

/// An angle brought into -90 to 90 degrees by half turns, as KiCad keeps texts readable.
double upright(double tenths) {
  double a = std::fmod(tenths, 3600.0);
  if (a < 0) a += 3600;
  if (a > 900 && a <= 2700) a -= 1800;
  if (a > 2700) a -= 3600;
  return a;
}

QFont textFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(static_cast<int>(kFontPixels));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

/// A pad number's font size: up to 12 pixels as asked, then on steps of a tenth, so the pads
/// of many modules share a few sizes and their glyphs are drawn once each.
int numberPixels(double px) {
  constexpr double kStep = 1.1;
  if (px < 13) return static_cast<int>(px);
  const double steps = std::floor(std::log(std::min(px, 400.0) / 12) / std::log(kStep));
  return static_cast<int>(12 * std::pow(kStep, steps));
}

QRectF united(const QRectF& a, const QRectF& b) {
  if (a.isNull()) return b;
  if (b.isNull()) return a;
  return a.united(b);
}

/// A drawing's course in its own coordinates: `open` tells a line (drawn at its width only) from
/// a closed outline (a circle, a polygon) that may also be filled.
QPainterPath shapePath(const Shape& shape, bool* open) {
  QPainterPath path;
  *open = true;
  if (shape.points.empty()) return path;
  const QPointF a = toF(shape.points[0]);
  const QPointF b = shape.points.size() > 1 ? toF(shape.points[1]) : a;
  switch (shape.kind) {
    case Shape::Kind::Segment:
      path.moveTo(a);
      path.lineTo(b);
      break;
    case Shape::Kind::Circle: {
      const double r = std::hypot(b.x() - a.x(), b.y() - a.y());
      path.addEllipse(a, r, r);
      *open = false;
      break;
    }
    case Shape::Kind::Arc: {
      const double r = std::hypot(b.x() - a.x(), b.y() - a.y());
      const double start = std::atan2(-(b.y() - a.y()), b.x() - a.x()) * 180.0 / kPi;
      path.moveTo(b);
      path.arcTo(QRectF(a.x() - r, a.y() - r, 2 * r, 2 * r), start,
                 -std::clamp(shape.arcAngle, -3600.0, 3600.0) / 10.0);
      break;
    }
    case Shape::Kind::Polygon: {
      QPolygonF corners;
      for (const Point& p : shape.points) corners << toF(p);
      path.addPolygon(corners);
      path.closeSubpath();
      *open = false;
      break;
    }
    case Shape::Kind::Curve:
      path.moveTo(a);
      if (shape.points.size() == 4)
        path.cubicTo(b, toF(shape.points[2]), toF(shape.points[3]));
      break;
  }
  return path;
}

}  // namespace

QString kicadText(std::string_view bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QColor layerColor(int layer) {
  if (layer < 0 || layer >= kLayerCount) return QColor(kColors[21]);
  return QColor(kColors[static_cast<std::size_t>(layer)]);
}

std::optional<LayerMask> parseLayerList(std::string_view list, std::string* unknown) {
  auto lower = [](std::string_view s) {
    std::string out(s);
    for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
  };
  LayerMask mask = 0;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string name = lower(list.substr(start, comma - start));
    start = comma + 1;
    if (name.empty()) continue;
    LayerMask found = 0;
    if (name == "*.cu") found = (1u << 16) - 1;
    for (int l = 0; l < kLayerCount && found == 0; ++l) {
      const std::string n = lower(layerName(l));
      if (n == name) found = LayerMask{1} << l;
      // "*.SilkS" names both sides: the names that differ from it only in their first letter.
      if (name.size() > 2 && name.rfind("*.", 0) == 0 && n.size() == name.size() &&
          (n[0] == 'f' || n[0] == 'b') && n.substr(1) == name.substr(1)) {
        found = (LayerMask{1} << l) | (LayerMask{1} << (l ^ 1));
      }
    }
    if (found == 0) {
      if (unknown != nullptr) *unknown = name;
      return std::nullopt;
    }
    mask |= found;
  }
  return mask;
}

ExactDrawing::ExactDrawing(Footprint footprint, const Options& options)
    : m_footprint(std::move(footprint)), m_options(options) {
  m_padLayer.assign(m_footprint.pads.size(), -1);
  m_padOutline.resize(m_footprint.pads.size());
  m_drills.resize(m_footprint.pads.size());
  m_roundHoles.assign(m_footprint.pads.size(), 0);
  for (int i = 0; i < static_cast<int>(m_footprint.pads.size()); ++i) addPad(i);
  for (const Shape& s : m_footprint.shapes) addShape(s);
  if (m_options.texts) {
    for (const Text& t : m_footprint.texts) addText(t);
  }
}

void ExactDrawing::addPad(int index) {
  const Pad& pad = m_footprint.pads[static_cast<std::size_t>(index)];
  const int layer = padPaintLayer(pad.layers, m_options.layers);
  if (layer < 0) return;
  // A pad without area has no copper in KiCad: nothing to draw, nothing to hover.
  if (!pad.custom && (pad.size.x <= 0 || (pad.shape != 'C' && pad.size.y <= 0))) return;
  m_padLayer[static_cast<std::size_t>(index)] = layer;
  // KiCad's pad position is its hole's; the copper sits at the offset, turned with the pad.
  QTransform place;
  place.translate(static_cast<double>(pad.position.x), static_cast<double>(pad.position.y));
  place.rotate(qtDegrees(pad.angle));
  QTransform copper = place;
  copper.translate(static_cast<double>(pad.drillOffset.x),
                   static_cast<double>(pad.drillOffset.y));
  QPainterPath outline = copper.map(padShape(pad));
  m_itemExtent = united(m_itemExtent, outline.boundingRect());
  m_padOutline[static_cast<std::size_t>(index)] = outline;

  QPainterPath hole;
  if (pad.ovalDrill && pad.drillSize.x > 0 && pad.drillSize.y > 0) {
    hole = place.map(stadium(static_cast<double>(pad.drillSize.x),
                             static_cast<double>(pad.drillSize.y)));
  } else if (pad.drill > 0) {
    const double r = static_cast<double>(pad.drill) / 2;
    hole.addEllipse(place.map(QPointF(0, 0)), r, r);
    m_roundHoles[static_cast<std::size_t>(index)] = r;
  }
  m_drills[static_cast<std::size_t>(index)] = hole;
  m_extent = united(m_extent, outline.boundingRect());
  if (!hole.isEmpty()) m_extent = united(m_extent, hole.boundingRect());
  Item item;
  const bool plain = !pad.custom && pad.roundRatio == 0 && pad.chamferCorners == 0;
  if (!plain) {
    // Drawn from its outline.
  } else if (pad.shape != 'R' && pad.shape != 'O' && pad.shape != 'T') {
    item.discRadius = static_cast<double>(pad.size.x) / 2;
    item.discCentre = copper.map(QPointF(0, 0));
  } else if ((pad.shape == 'R' || pad.shape == 'O') && std::fmod(pad.angle, 900.0) == 0) {
    const bool across = std::fmod(std::abs(pad.angle), 1800.0) != 0;  // turned a quarter
    item.upright = pad.shape;
    const double w = static_cast<double>(pad.size.x), h = static_cast<double>(pad.size.y);
    item.uprightSize = across ? QSizeF(h, w) : QSizeF(w, h);
    item.discCentre = copper.map(QPointF(0, 0));
  }
  item.path = std::move(outline);
  item.fill = true;
  item.stroke = false;
  item.layer = layer;
  m_items.push_back(std::move(item));
}

void ExactDrawing::addShape(const Shape& shape) {
  if (!shown(m_options.layers, shape.layer) || shape.points.empty()) return;
  Item item;
  item.layer = shape.layer;
  item.width = static_cast<double>(shape.width);
  const QPointF a = toF(shape.points[0]);
  const QPointF b = shape.points.size() > 1 ? toF(shape.points[1]) : a;
  // A line or circle of no length is drawn as KiCad draws it: a disc as wide as the line. A
  // path of one point has nothing to stroke (QPainterPath drops a line to where it already
  // is), so the disc is a filled shape of its own.
  auto makeDot = [](Item& dot, QPointF at) {
    const double r = dot.width / 2;
    dot.stroke = false;
    dot.fill = true;
    if (r > 0) {
      dot.path.addEllipse(at, r, r);
      dot.discRadius = r;
      dot.discCentre = at;
    }
  };
  switch (shape.kind) {
    case Shape::Kind::Segment:
      if (a == b) {  // a dot as wide as the line, as KiCad draws it
        makeDot(item, a);
        break;
      }
      item.path.moveTo(a);
      item.path.lineTo(b);
      item.roundEnds = true;
      item.straight = true;
      break;
    case Shape::Kind::Circle: {
      const double r = std::hypot(b.x() - a.x(), b.y() - a.y());
      if (r > 0 && shape.filled) {  // a disc: filled, its outline at the width around it
        item.path.addEllipse(a, r, r);
        item.fill = true;
      } else if (r > 0) {
        item.path.addEllipse(a, r, r);
        item.ringRadius = r;
        item.discCentre = a;
      } else {  // a dot as wide as the line, as KiCad draws it
        makeDot(item, a);
      }
      break;
    }
    case Shape::Kind::Arc: {
      // The sweep runs from the given point, clockwise on the screen for a positive angle.
      const double r = std::hypot(b.x() - a.x(), b.y() - a.y());
      const double start = std::atan2(-(b.y() - a.y()), b.x() - a.x()) * 180.0 / kPi;
      // KiCad brings sweeps of more than a turn back into one turn (540 degrees sweep 180).
      double sweep = shape.arcAngle;
      if (std::abs(sweep) > 3600) {
        const double full = sweep > 0 ? 3600 : -3600;
        sweep = std::fmod(sweep, 3600.0);
        if (sweep == 0) sweep = full;
      }
      item.path.moveTo(b);
      item.path.arcTo(QRectF(a.x() - r, a.y() - r, 2 * r, 2 * r), start,
                      -sweep / 10.0);
      item.roundEnds = true;
      item.ringRadius = r;
      item.discCentre = a;
      item.arcStart = start;
      item.arcSweep = -sweep / 10.0;
      break;
    }
    case Shape::Kind::Polygon: {
      QPolygonF corners;
      for (const Point& p : shape.points) corners << toF(p);
      item.path.addPolygon(corners);
      item.path.closeSubpath();
      item.fill = shape.filled;
      break;
    }
    case Shape::Kind::Curve: {
      bool open = true;
      item.path = shapePath(shape, &open);
      item.roundEnds = true;
      break;
    }
  }
  const double half = item.width / 2;
  QRectF box = item.path.boundingRect();
  if (shape.kind == Shape::Kind::Circle) {  // exact, and not lost when the radius is 0
    const double r = std::hypot(b.x() - a.x(), b.y() - a.y());
    box = QRectF(a.x() - r, a.y() - r, 2 * r, 2 * r);
  } else if (box.isNull() || (shape.kind == Shape::Kind::Segment && a == b)) {
    box = QRectF(a, QSizeF(0, 0));  // a segment of no length still covers its width
  }
  box.adjust(-half, -half, half, half);
  m_itemExtent = united(m_itemExtent, box);
  m_extent = united(m_extent, box);
  m_items.push_back(std::move(item));
}

void ExactDrawing::addText(const Text& text) {
  if (!shown(m_options.layers, text.layer)) return;
  if (!text.visible && !m_options.hiddenTexts) return;
  if (!text.box.empty()) {
    addTextBox(text);
    return;
  }
  if (text.text.empty() || text.size.y <= 0 || text.size.x <= 0) return;
  const QFont font = textFont();
  const QFontMetricsF metrics(font);
  TextItem item;
  item.text = kicadText(text.text);
  item.layer = text.layer;
  const double advance = metrics.horizontalAdvance(item.text);
  const double cap = metrics.capHeight();
  double x0 = -advance / 2;
  if (text.hJustify == 'L') x0 = 0;
  if (text.hJustify == 'R') x0 = -advance;
  double baseline = cap / 2;
  if (text.vJustify == 'T') baseline = cap;
  if (text.vJustify == 'B') baseline = 0;
  // Texts stay readable: KiCad turns those that would read upside down by half a turn.
  const double angle = upright(text.angle);
  const double sy = static_cast<double>(text.size.y) / cap;
  const double sx = sy * static_cast<double>(text.size.x) / static_cast<double>(text.size.y);
  item.place.translate(static_cast<double>(text.position.x), static_cast<double>(text.position.y));
  item.place.rotate(qtDegrees(angle));
  if (text.mirrored) item.place.scale(-1, 1);
  item.place.scale(sx, sy);
  item.place.translate(x0, baseline);
  item.box = QRectF(0, -cap, advance, cap);
  m_extent = united(m_extent, item.place.mapRect(item.box));
  m_texts.push_back(std::move(item));
}

void ExactDrawing::addTextBox(const Text& text) {
  // Its outline: two opposite corners of an upright box, or the corners of a turned one.
  std::vector<Point> corners = text.box;
  if (corners.size() == 2) {
    corners = {text.box[0], {text.box[1].x, text.box[0].y}, text.box[1],
               {text.box[0].x, text.box[1].y}};
  }
  QPolygonF outline;
  for (const Point& p : corners) outline << toF(p);
  const QRectF bounds = outline.boundingRect();
  if (text.boxBorder > 0) {
    Shape border;
    border.kind = Shape::Kind::Polygon;
    border.points = corners;
    border.width = text.boxBorder;
    border.layer = text.layer;
    addShape(border);
  }
  if (text.text.empty() || text.size.y <= 0 || text.size.x <= 0) return;
  // The text stands inside the box by its justification, KiCad's margin from the edges.
  const double margin =
      static_cast<double>(text.boxBorder) / 2 + static_cast<double>(text.size.y) * 0.75;
  Text inside = text;
  inside.box.clear();
  const double x = text.hJustify == 'L'   ? bounds.left() + margin
                   : text.hJustify == 'R' ? bounds.right() - margin
                                          : bounds.center().x();
  const double y = text.vJustify == 'B'   ? bounds.bottom() - margin
                   : text.vJustify == 'C' ? bounds.center().y()
                                          : bounds.top() + margin;
  inside.position = {std::llround(x), std::llround(y)};
  addText(inside);
}

QTransform ExactDrawing::fitTransform(QSizeF size, double margin) const {
  QTransform t;
  if (m_extent.isNull()) return t;
  const double ew = std::max(m_extent.width(), 1.0), eh = std::max(m_extent.height(), 1.0);
  const double s = std::max(
      std::min((size.width() - 2 * margin) / ew, (size.height() - 2 * margin) / eh), 1e-12);
  const QPointF c = m_extent.center();
  t.translate(size.width() / 2, size.height() / 2);
  t.scale(s, s);
  t.translate(-c.x(), -c.y());
  return t;
}

QTransform ExactDrawing::scaleTransform(double pixelsPerNm, double margin,
                                        QSize* pictureSize) const {
  QTransform t;
  const QRectF e = m_extent.isNull() ? QRectF(0, 0, 0, 0) : m_extent;
  if (pictureSize != nullptr) {
    *pictureSize = QSize(static_cast<int>(std::ceil(e.width() * pixelsPerNm + 2 * margin)),
                         static_cast<int>(std::ceil(e.height() * pixelsPerNm + 2 * margin)));
  }
  t.translate(margin, margin);
  t.scale(pixelsPerNm, pixelsPerNm);
  t.translate(-e.left(), -e.top());
  return t;
}

void ExactDrawing::paint(QPainter& painter, const QTransform& toDevice) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  const QTransform outer = painter.transform();
  const QTransform full = toDevice * outer;
  const double scale = std::sqrt(std::abs(full.determinant()));
  // On a plain RGB picture, drawn one to one, round and upright pads, round holes, wide lines,
  // circles and arcs are painted straight into its pixels (disc_raster.h): through Qt's path
  // rasteriser they were most of the drawing's time.
  QImage* direct = nullptr;
  QPaintDevice* device = painter.device();
  if (device != nullptr && device->devType() == QInternal::Image && !painter.hasClipping() &&
      device->devicePixelRatio() == 1 && outer.type() <= QTransform::TxTranslate &&
      toDevice.type() <= QTransform::TxScale && toDevice.m11() > 0 &&
      toDevice.m11() == toDevice.m22()) {
    auto* image = static_cast<QImage*>(device);
    if (image->format() == QImage::Format_RGB32) direct = image;
  }
  QFont font = textFont();
  font.setPixelSize(kNumberPixels);
  painter.setFont(font);
  for (const int layer : kPaintOrder) {
    const QColor color = layerColor(layer);
    // Paths go to device coordinates first: Qt flattens curves and strokes in the painter's
    // own units, and in nanometres that makes millions of tiny segments.
    painter.setTransform(outer);
    for (const Item& item : m_items) {
      if (item.layer != layer) continue;
      const double width = item.width * scale;
      if (direct != nullptr && item.discRadius > 0) {
        paintDisc(*direct, full.map(item.discCentre), item.discRadius * scale, color.rgb());
        continue;
      }
      if (direct != nullptr && item.straight && item.width > 0 && item.path.elementCount() > 1) {
        paintLine(*direct, full.map(QPointF(item.path.elementAt(0))),
                  full.map(QPointF(item.path.elementAt(1))), width, color.rgb());
        continue;
      }
      if (direct != nullptr && item.upright != 0) {
        const QPointF centre = full.map(item.discCentre);
        const QSizeF size = item.uprightSize * scale;
        if (item.upright == 'R') {
          paintBox(*direct, QRectF(centre - QPointF(size.width(), size.height()) / 2, size),
                   color.rgb());
        } else {
          paintOval(*direct, centre, size, color.rgb());
        }
        continue;
      }
      if (direct != nullptr && item.ringRadius > 0 && item.width > 0 && item.arcSweep != 0) {
        paintRing(*direct, full.map(item.discCentre), item.ringRadius * scale, width,
                  color.rgb(), item.arcStart, item.arcSweep);
        if (item.roundEnds && item.path.elementCount() > 0) {
          paintDisc(*direct, full.map(QPointF(item.path.elementAt(0))), width / 2, color.rgb());
          paintDisc(*direct, full.map(item.path.currentPosition()), width / 2, color.rgb());
        }
        continue;
      }
      const QPainterPath path = toDevice.map(item.path);
      // Qt strokes round caps many times slower than flat ones: open lines get flat ends and
      // a filled dot at each end, which is the same shape.
      if (item.stroke) {
        QPen pen(color, width, Qt::SolidLine, item.roundEnds ? Qt::FlatCap : Qt::RoundCap,
                 Qt::RoundJoin);
        if (item.width <= 0) pen.setCosmetic(true);
        painter.setPen(pen);
      } else {
        painter.setPen(Qt::NoPen);
      }
      painter.setBrush(item.fill ? QBrush(color) : QBrush(Qt::NoBrush));
      painter.drawPath(path);
      if (item.stroke && item.roundEnds && item.width > 0 && path.elementCount() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        const double r = width / 2;
        if (direct != nullptr) {
          paintDisc(*direct, outer.map(QPointF(path.elementAt(0))), r, color.rgb());
          paintDisc(*direct, outer.map(path.currentPosition()), r, color.rgb());
          continue;
        }
        painter.drawEllipse(path.elementAt(0), r, r);
        painter.drawEllipse(path.currentPosition(), r, r);
      }
    }
    painter.setTransform(full);
    for (const TextItem& text : m_texts) {
      if (text.layer != layer) continue;
      // Drawn in one small font scaled to the text: its glyphs come from Qt's cache (a font
      // of 64 pixels or more is filled as outlines), and a font of a new size would be a
      // font engine looked up again for every text.
      const QTransform whole = text.place * full;
      const double pixels = kFontPixels * std::hypot(whole.m21(), whole.m22());
      if (pixels < 1 || pixels > 5000) continue;
      const double up = kFontPixels / kNumberPixels;
      painter.setTransform(QTransform::fromScale(up, up) * whole);
      painter.setPen(color);
      painter.drawText(QPointF(0, 0), text.text);
    }
  }
  // Holes go through every layer.
  QPen holePen(QColor(kHoleOutline), 0);
  holePen.setCosmetic(true);
  painter.setPen(holePen);
  painter.setBrush(Qt::white);
  painter.setTransform(outer);
  for (std::size_t i = 0; i < m_drills.size(); ++i) {
    if (m_padLayer[i] < 0 || m_drills[i].isEmpty()) continue;
    if (direct != nullptr && m_roundHoles[i] > 0) {
      paintHole(*direct, full.map(toF(m_footprint.pads[i].position)), m_roundHoles[i] * scale,
                kHoleOutline);
    } else {
      painter.drawPath(toDevice.map(m_drills[i]));
    }
  }
  if (m_options.padNumbers) paintPadNumbers(painter, toDevice, outer);
  painter.restore();
}

namespace {

/// A pad number drawn once, black on transparent, with the point where the number's centre
/// goes: pictures of the same kind of module show the same numbers at the same few sizes.
struct NumberSprite {
  QImage image;
  QPoint centre;
};

/// The pad numbers a thread has drawn, by number, font size and angle. Laying a number's
/// glyphs out and having them rasterised again at each new scale and place was two thirds of
/// its cost, more than the pad itself; a drawn number is only blended in.
class NumberSprites {
 public:
  const NumberSprite& get(const QString& number, int pixels, double angle, const QFont& font,
                          const QFontMetricsF& metrics, double baseline) {
    Key key{number, pixels, angle};
    auto found = m_sprites.find(key);
    if (found != m_sprites.end()) return found->second;
    // Bounded by their pixels: numbers on large pads in large pictures are large sprites.
    if (m_bytes >= kMostBytes) {
      m_sprites.clear();
      m_bytes = 0;
    }
    const double advance = metrics.horizontalAdvance(number);
    const double size = pixels / static_cast<double>(kNumberPixels);
    QTransform t;
    t.rotate(qtDegrees(angle));
    t.scale(size, size);
    const QRectF box =
        t.mapRect(QRectF(-advance / 2, baseline - metrics.ascent(), advance, metrics.height()));
    // A pixel to spare on each side for the antialiased edges; the centre on a pixel corner.
    const QPoint centre(static_cast<int>(std::ceil(-box.left())) + 1,
                        static_cast<int>(std::ceil(-box.top())) + 1);
    const QSize extent(centre.x() + static_cast<int>(std::ceil(box.right())) + 1,
                       centre.y() + static_cast<int>(std::ceil(box.bottom())) + 1);
    NumberSprite sprite{QImage(extent, QImage::Format_ARGB32_Premultiplied), centre};
    sprite.image.fill(Qt::transparent);
    {
      QPainter painter(&sprite.image);
      painter.setRenderHint(QPainter::Antialiasing, true);
      painter.setRenderHint(QPainter::TextAntialiasing, true);
      painter.setFont(font);
      painter.setPen(Qt::black);
      painter.setTransform(t * QTransform::fromTranslate(centre.x(), centre.y()));
      painter.drawText(QPointF(-advance / 2, baseline), number);
    }
    m_bytes += static_cast<std::size_t>(sprite.image.sizeInBytes());
    return m_sprites.emplace(std::move(key), std::move(sprite)).first->second;
  }

 private:
  static constexpr std::size_t kMostBytes = std::size_t{16} << 20;
  std::size_t m_bytes = 0;
  using Key = std::tuple<QString, int, double>;
  std::map<Key, NumberSprite> m_sprites;
};

}  // namespace

void ExactDrawing::paintPadNumbers(QPainter& painter, const QTransform& toDevice,
                                   const QTransform& outer) const {
  painter.setPen(Qt::black);
  const double scale = std::sqrt(std::abs(toDevice.determinant()));
  // One font for every number, scaled to each pad: a font of a new size is a font engine
  // looked up again for every number (about half of their cost), a scale is only a transform.
  QFont font = textFont();
  font.setPixelSize(kNumberPixels);
  painter.setFont(font);
  const QFontMetricsF metrics(font);
  const double baseline = (metrics.ascent() - metrics.descent()) / 2;
  // On a plain picture a number is blended in from the thread's drawn numbers, its centre on
  // the nearest pixel; other devices (SVG, scaled screens) get the text itself.
  const QPaintDevice* device = painter.device();
  thread_local NumberSprites sprites;
  const bool blend = device != nullptr && device->devType() == QInternal::Image &&
                     device->devicePixelRatio() == 1 && outer.type() <= QTransform::TxTranslate;
  for (std::size_t i = 0; i < m_footprint.pads.size(); ++i) {
    const Pad& pad = m_footprint.pads[i];
    if (m_padLayer[i] < 0 || pad.number.empty()) continue;
    const QString number = kicadText(pad.number);
    // Along the pad's longer side, so a long narrow pad takes a readable number.
    const bool wide = pad.shape == 'C' || pad.size.x >= pad.size.y;
    const double along = static_cast<double>(wide ? pad.size.x : pad.size.y) * scale;
    const double across =
        static_cast<double>(pad.shape == 'C' ? pad.size.x : std::min(pad.size.x, pad.size.y)) *
        scale;
    const double chars = std::max<double>(1, number.size());
    const double px = std::min(across * 0.7, along * 0.85 / (0.65 * chars));
    if (px < 4) continue;
    const int pixels = numberPixels(px);
    const double angle = upright(pad.angle + (wide ? 0 : 900));
    const QPointF centre = toDevice.map(m_padOutline[i].boundingRect().center());
    if (blend) {
      const NumberSprite& sprite = sprites.get(number, pixels, angle, font, metrics, baseline);
      const QPointF at = outer.map(centre);
      painter.setTransform(QTransform());
      painter.drawImage(QPoint(static_cast<int>(std::lround(at.x())) - sprite.centre.x(),
                               static_cast<int>(std::lround(at.y())) - sprite.centre.y()),
                        sprite.image);
      continue;
    }
    const double size = pixels / static_cast<double>(kNumberPixels);
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotate(qtDegrees(angle));
    t.scale(size, size);
    painter.setTransform(t * outer);
    // Centred as a one-line box would centre it, without laying out a box.
    painter.drawText(QPointF(-metrics.horizontalAdvance(number) / 2, baseline), number);
  }
}

int ExactDrawing::padAt(QPointF pointNm) const {
  for (int i = static_cast<int>(m_padOutline.size()) - 1; i >= 0; --i) {
    const auto k = static_cast<std::size_t>(i);
    if (m_padLayer[k] >= 0 && m_padOutline[k].contains(pointNm)) return i;
  }
  return -1;
}

QSize pictureSizeFor(const ExactDrawing& drawing, int longSide, QTransform* transform) {
  const int side = std::max(longSide, 8);
  const double margin = std::max(4.0, side / 20.0);
  const QRectF e = drawing.extent();
  QSize size(side, side);
  if (!e.isNull() && e.width() > 0 && e.height() > 0) {
    const double inner = side - 2 * margin;
    if (e.width() >= e.height()) {
      size.setHeight(static_cast<int>(std::ceil(e.height() * inner / e.width() + 2 * margin)));
    } else {
      size.setWidth(static_cast<int>(std::ceil(e.width() * inner / e.height() + 2 * margin)));
    }
  }
  if (transform != nullptr) *transform = drawing.fitTransform(QSizeF(size), margin);
  return size;
}

QImage renderImage(const ExactDrawing& drawing, int longSide) {
  QTransform t;
  const QSize size = pictureSizeFor(drawing, longSide, &t);
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  drawing.paint(painter, t);
  return image;
}

QByteArray renderPng(const ExactDrawing& drawing, int longSide) {
  QTransform t;
  const QSize size = pictureSizeFor(drawing, longSide, &t);
  // The picture is painted into memory kept by the thread between calls: a fresh 1 MB
  // picture costs a page fault per 4 KB, more than filling it.
  constexpr std::size_t kKeep = std::size_t{32} << 20;
  thread_local std::vector<uchar> kept;
  std::vector<uchar> once;
  const std::size_t bytes =
      static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()) * 4;
  std::vector<uchar>& pixels = bytes <= kKeep ? kept : once;
  if (pixels.size() < bytes) pixels.resize(bytes);
  QImage image(pixels.data(), size.width(), size.height(), size.width() * 4, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    drawing.paint(painter, t);
  }
  return encodePng(image);
}

}  // namespace trevak::exact
