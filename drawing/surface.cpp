// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/surface.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace trevak {

namespace {

using i64 = std::int64_t;
__extension__ typedef __int128 i128;

constexpr QRgb kWhite = 0xffffffffu;

// Large enough for anything the coordinate conversion can produce, small enough that the
// ellipse arithmetic below fits in 128 bits.
constexpr i64 kCoordLimit = i64{1} << 28;

i64 clampCoord(i64 v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

i64 floorDiv2(i64 a) { return a >= 0 ? a / 2 : -((-a + 1) / 2); }
i64 ceilDiv2(i64 a) { return -floorDiv2(-a); }

i128 isqrt(i128 n) {
  if (n <= 0) return 0;
  auto r = static_cast<i128>(std::sqrt(static_cast<long double>(n)));
  while (r > 0 && r * r > n) --r;
  while ((r + 1) * (r + 1) <= n) ++r;
  return r;
}

/// Pixel access to the surface's raster with clipping and the two mix modes.
class Raster {
 public:
  explicit Raster(QImage& image)
      : m_bits(reinterpret_cast<QRgb*>(image.bits())),
        m_stride(image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb))),
        m_w(image.width()),
        m_h(image.height()) {}

  int width() const { return m_w; }
  int height() const { return m_h; }

  void plot(i64 x, i64 y, QRgb color, PenMode mode) {
    if (x < 0 || y < 0 || x >= m_w || y >= m_h) return;
    QRgb& p = m_bits[y * m_stride + x];
    p = mode == PenMode::Mask ? (p & color) | 0xff000000u : color | 0xff000000u;
  }

  /// Columns xa..xb (inclusive) of row y.
  void span(i64 xa, i64 xb, i64 y, QRgb color, PenMode mode) {
    if (y < 0 || y >= m_h) return;
    xa = std::max<i64>(xa, 0);
    xb = std::min<i64>(xb, m_w - 1);
    if (xa > xb) return;
    QRgb* p = m_bits + y * m_stride + xa;
    QRgb* end = p + (xb - xa + 1);
    const QRgb c = color | 0xff000000u;
    if (mode == PenMode::Mask) {
      for (; p != end; ++p) *p &= c;
    } else {
      std::fill(p, end, c);
    }
  }

 private:
  QRgb* m_bits;
  qsizetype m_stride;
  int m_w;
  int m_h;
};

struct Box {
  i64 x1, y1, x2, y2;  // x1 < x2, y1 < y2 when not empty
  bool empty() const { return x2 <= x1 || y2 <= y1; }
};

Box normalise(int x1, int y1, int x2, int y2) {
  i64 a = clampCoord(x1), b = clampCoord(x2), c = clampCoord(y1), d = clampCoord(y2);
  if (a > b) std::swap(a, b);
  if (c > d) std::swap(c, d);
  return {a, c, b, d};
}

struct Span {
  i64 l = 1, r = 0;  // empty unless l <= r
  bool empty() const { return l > r; }
};

/// The pixels of row j whose centres lie in the ellipse inscribed in the box. In doubled
/// coordinates, with the centre at (S, T) = (x1 + x2, y1 + y2), pixel (i, j) has its centre at
/// (2i + 1, 2j + 1); it is inside when u^2 H^2 + v^2 W^2 <= W^2 H^2 for u = 2i + 1 - S,
/// v = 2j + 1 - T. Exact integer arithmetic, so small ellipses come out symmetric.
Span ellipseSpan(const Box& b, i64 j) {
  const i64 W = b.x2 - b.x1, H = b.y2 - b.y1;
  const i64 v = 2 * j + 1 - (b.y1 + b.y2);
  if (v <= -H || v >= H) return {};
  const i128 k = i128{W} * W * (i128{H} * H - i128{v} * v);
  const auto u = static_cast<i64>(isqrt(k) / H);
  const i64 s = b.x1 + b.x2;
  return {ceilDiv2(s - 1 - u), floorDiv2(s - 1 + u)};
}

/// Walks the rows of an ellipse that are on the surface, giving each row's full span and the
/// part of it inside the outline (empty when the whole row is outline).
template <typename RowFn>
void forEllipseRows(const Box& b, int surfaceHeight, RowFn&& fn) {
  const i64 jFrom = std::max<i64>(b.y1, 0);
  const i64 jTo = std::min<i64>(b.y2 - 1, surfaceHeight - 1);
  if (jFrom > jTo) return;
  Span prev = ellipseSpan(b, jFrom - 1);
  Span cur = ellipseSpan(b, jFrom);
  for (i64 j = jFrom; j <= jTo; ++j) {
    const Span next = ellipseSpan(b, j + 1);
    if (!cur.empty()) {
      Span inner;
      if (!prev.empty() && !next.empty()) {
        inner.l = std::max({cur.l + 1, prev.l, next.l});
        inner.r = std::min({cur.r - 1, prev.r, next.r});
      }
      fn(j, cur, inner);
    }
    prev = cur;
    cur = next;
  }
}

/// Calls fn(a, b) for the one or two pieces of `full` outside `inner`.
template <typename PieceFn>
void outlinePieces(const Span& full, const Span& inner, PieceFn&& fn) {
  if (inner.empty()) {
    fn(full.l, full.r);
    return;
  }
  if (full.l <= inner.l - 1) fn(full.l, inner.l - 1);
  if (inner.r + 1 <= full.r) fn(inner.r + 1, full.r);
}

/// Exact angular order of directions, counter-clockwise in a y-up frame.
struct Direction {
  i64 x, y;
  bool zero() const { return x == 0 && y == 0; }
};

i128 cross(const Direction& a, const Direction& b) { return i128{a.x} * b.y - i128{a.y} * b.x; }
i128 dot(const Direction& a, const Direction& b) { return i128{a.x} * b.x + i128{a.y} * b.y; }

/// Compares the counter-clockwise angles from `ref` to `a` and to `b`, each in [0, 360).
/// Returns true when the angle to `a` is at most the angle to `b`.
bool angleAtMost(const Direction& ref, const Direction& a, const Direction& b) {
  auto half = [&](const Direction& d) {
    const i128 c = cross(ref, d);
    return (c > 0 || (c == 0 && dot(ref, d) > 0)) ? 0 : 1;
  };
  const int ha = half(a), hb = half(b);
  if (ha != hb) return ha < hb;
  // Same half-turn: a comes first when b lies counter-clockwise of a. Both lie within 180
  // degrees of each other here, so the cross product decides, with i128 to spare: the
  // coordinates are below 2^30 in magnitude.
  const i128 c = cross(a, b);
  if (c != 0) return c > 0;
  return true;  // same direction
}

bool haveGuiApplication() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

Surface::Surface(int width, int height)
    : m_image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32),
      m_background(kWhite),
      m_penColor(qRgb(0, 0, 0)),
      m_brushColor(kWhite),
      m_fontColor(qRgb(0, 0, 0)) {
  m_image.fill(kWhite);
}

QRgb Surface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return kWhite;
  return reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
}

QRect Surface::touchedArea() const {
  if (m_touchedX1 >= m_touchedX2) return {};
  return {m_touchedX1, m_touchedY1, m_touchedX2 - m_touchedX1, m_touchedY2 - m_touchedY1};
}

void Surface::touch(i64 x1, i64 y1, i64 x2, i64 y2) {
  x1 = std::max<i64>(x1, 0);
  y1 = std::max<i64>(y1, 0);
  x2 = std::min<i64>(x2, width());
  y2 = std::min<i64>(y2, height());
  if (x1 >= x2 || y1 >= y2) return;
  if (m_touchedX1 >= m_touchedX2) {
    m_touchedX1 = static_cast<int>(x1);
    m_touchedY1 = static_cast<int>(y1);
    m_touchedX2 = static_cast<int>(x2);
    m_touchedY2 = static_cast<int>(y2);
    return;
  }
  m_touchedX1 = std::min(m_touchedX1, static_cast<int>(x1));
  m_touchedY1 = std::min(m_touchedY1, static_cast<int>(y1));
  m_touchedX2 = std::max(m_touchedX2, static_cast<int>(x2));
  m_touchedY2 = std::max(m_touchedY2, static_cast<int>(y2));
}

void Surface::fillRect(int x1, int y1, int x2, int y2) {
  const Box b = normalise(x1, y1, x2, y2);
  if (b.empty()) return;
  // The part of the box on the surface.
  i64 fx1 = std::max<i64>(b.x1, 0), fy1 = std::max<i64>(b.y1, 0);
  i64 fx2 = std::min<i64>(b.x2, width()), fy2 = std::min<i64>(b.y2, height());
  if (fx1 >= fx2 || fy1 >= fy2) return;
  const QRgb color = m_brushColor | 0xff000000u;
  const bool coversTouched =
      m_touchedX1 >= m_touchedX2 ||
      (fx1 <= m_touchedX1 && fy1 <= m_touchedY1 && fx2 >= m_touchedX2 && fy2 >= m_touchedY2);
  if (color == m_background) {
    // Outside the touched area every pixel has this colour already.
    fx1 = std::max<i64>(fx1, m_touchedX1);
    fy1 = std::max<i64>(fy1, m_touchedY1);
    fx2 = std::min<i64>(fx2, m_touchedX2);
    fy2 = std::min<i64>(fy2, m_touchedY2);
    if (coversTouched) m_touchedX1 = m_touchedY1 = m_touchedX2 = m_touchedY2 = 0;
  } else if (fx1 == 0 && fy1 == 0 && fx2 == width() && fy2 == height()) {
    m_image.fill(color);  // a new background: one block fill
    m_background = color;
    m_touchedX1 = m_touchedY1 = m_touchedX2 = m_touchedY2 = 0;
    return;
  } else {
    touch(fx1, fy1, fx2, fy2);
  }
  if (fx1 >= fx2 || fy1 >= fy2) return;
  Raster r(m_image);
  for (i64 y = fy1; y < fy2; ++y) r.span(fx1, fx2 - 1, y, m_brushColor, PenMode::Copy);
}

void Surface::moveTo(int x, int y) {
  m_curX = x;
  m_curY = y;
}

void Surface::lineTo(int x, int y) {
  const i64 x0 = clampCoord(m_curX), y0 = clampCoord(m_curY);
  const i64 xe = clampCoord(x), ye = clampCoord(y);
  m_curX = x;
  m_curY = y;
  const i64 dx = xe - x0, dy = ye - y0;

  // Walk the major axis one pixel at a time, leaving the end pixel out; the minor coordinate
  // is the exact line rounded half up. Only the steps that land on the surface are visited.
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const i64 n = xMajor ? std::abs(dx) : std::abs(dy);
  if (n == 0) return;  // a line to the current position
  const i64 step = (xMajor ? dx : dy) > 0 ? 1 : -1;
  const i64 major0 = xMajor ? x0 : y0;
  const i64 minor0 = xMajor ? y0 : x0;
  const i64 minorDelta = xMajor ? dy : dx;
  const i64 limit = (xMajor ? width() : height()) - 1;

  touch(std::min(x0, xe), std::min(y0, ye), std::max(x0, xe) + 1, std::max(y0, ye) + 1);

  i64 kFrom = 0, kTo = n - 1;
  if (step > 0) {
    kFrom = std::max(kFrom, -major0);
    kTo = std::min(kTo, limit - major0);
  } else {
    kFrom = std::max(kFrom, major0 - limit);
    kTo = std::min(kTo, major0);
  }

  Raster r(m_image);
  for (i64 k = kFrom; k <= kTo; ++k) {
    const i64 major = major0 + k * step;
    const i64 num = 2 * k * minorDelta + n;
    const i64 minor = minor0 + (num >= 0 ? num / (2 * n) : -((-num + 2 * n - 1) / (2 * n)));
    if (xMajor) {
      r.plot(major, minor, m_penColor, m_penMode);
    } else {
      r.plot(minor, major, m_penColor, m_penMode);
    }
  }
}

void Surface::rectangle(int x1, int y1, int x2, int y2) {
  const Box b = normalise(x1, y1, x2, y2);
  if (b.empty()) return;
  touch(b.x1, b.y1, b.x2, b.y2);
  Raster r(m_image);
  const i64 right = b.x2 - 1, bottom = b.y2 - 1;
  const i64 yFrom = std::max<i64>(b.y1, 0), yTo = std::min<i64>(bottom, height() - 1);
  for (i64 y = yFrom; y <= yTo; ++y) {
    if (y == b.y1 || y == bottom) {
      r.span(b.x1, right, y, m_penColor, m_penMode);
    } else {
      r.plot(b.x1, y, m_penColor, m_penMode);
      r.span(b.x1 + 1, right - 1, y, m_brushColor, m_penMode);
      if (right != b.x1) r.plot(right, y, m_penColor, m_penMode);
    }
  }
}

void Surface::ellipse(int x1, int y1, int x2, int y2) {
  const Box b = normalise(x1, y1, x2, y2);
  if (b.empty()) return;
  touch(b.x1, b.y1, b.x2, b.y2);
  Raster r(m_image);
  forEllipseRows(b, height(), [&](i64 j, const Span& full, const Span& inner) {
    if (!inner.empty()) r.span(inner.l, inner.r, j, m_brushColor, m_penMode);
    outlinePieces(full, inner, [&](i64 a, i64 c) { r.span(a, c, j, m_penColor, m_penMode); });
  });
}

void Surface::arc(int x1, int y1, int x2, int y2, int xStart, int yStart, int xEnd, int yEnd) {
  const Box b = normalise(x1, y1, x2, y2);
  if (b.empty()) return;
  // Directions from the box centre, in doubled coordinates (pixel centres at odd values) and
  // with the row axis turned upwards, so that counter-clockwise on the screen is the usual
  // counter-clockwise.
  const i64 s = b.x1 + b.x2, t = b.y1 + b.y2;
  auto directionTo = [&](i64 px, i64 py) { return Direction{2 * px + 1 - s, t - (2 * py + 1)}; };
  Direction from = directionTo(clampCoord(xStart), clampCoord(yStart));
  Direction to = directionTo(clampCoord(xEnd), clampCoord(yEnd));
  if (from.zero()) from = {1, 0};
  if (to.zero()) to = {1, 0};
  const bool whole = cross(from, to) == 0 && dot(from, to) > 0;

  touch(b.x1, b.y1, b.x2, b.y2);
  Raster r(m_image);
  forEllipseRows(b, height(), [&](i64 j, const Span& full, const Span& inner) {
    outlinePieces(full, inner, [&](i64 a, i64 c) {
      a = std::max<i64>(a, 0);
      c = std::min<i64>(c, width() - 1);
      for (i64 i = a; i <= c; ++i) {
        const Direction d = directionTo(i, j);
        if (whole || d.zero() || angleAtMost(from, d, to)) r.plot(i, j, m_penColor, m_penMode);
      }
    });
  });
}

QFont Surface::font() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(11);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

namespace {

// Texts are laid out from their first kMaxLaidOutText characters only. A glyph of the font is at
// most some 20 pixels wide (a TAB 80), so the characters after them could reach the surface
// only from hundreds of thousands of pixels to its left, or behind tens of thousands of
// zero-width characters. Laying out millions of characters took seconds and some 30 bytes of
// memory each, and overflowed the painter's fixed-point positions.
constexpr std::size_t kMaxLaidOutText = 65536;

QString laidOutText(std::string_view text) {
  text = text.substr(0, kMaxLaidOutText);
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QSize Surface::textExtent(std::string_view text) const {
  if (!haveGuiApplication()) return {};
  const QFontMetrics metrics(font());
  const QString s = laidOutText(text);
  return {metrics.horizontalAdvance(s), metrics.height()};
}

void Surface::textOut(int x, int y, std::string_view text) {
  if (text.empty() || !haveGuiApplication()) return;
  const QFont textFont = font();
  const QFontMetrics metrics(textFont);
  const QString s = laidOutText(text);
  const i64 w = metrics.horizontalAdvance(s), h = metrics.height();
  // Far-away text is skipped here: the painter's fixed-point coordinates would not hold it.
  if (x >= width() || y >= height() || i64{x} + w <= 0 || i64{y} + h <= 0) return;

  // The cells, and the glyphs' ink wherever the font lets it reach, with a font height to
  // spare on every side: the touched area may be too large, never too small.
  const QRect ink = metrics.boundingRect(s).translated(x, y + metrics.ascent());
  touch(std::min<i64>(x, ink.left()) - h, std::min<i64>(y, ink.top()) - h,
        std::max<i64>(i64{x} + w, i64{ink.right()} + 1) + h,
        std::max<i64>(i64{y} + h, i64{ink.bottom()} + 1) + h);

  Raster r(m_image);
  const i64 yTo = std::min<i64>(i64{y} + h, height());
  for (i64 row = std::max<i64>(y, 0); row < yTo; ++row) {
    r.span(x, i64{x} + w - 1, row, m_brushColor, PenMode::Copy);
  }
  QPainter painter(&m_image);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setFont(textFont);
  painter.setPen(QColor::fromRgb(m_fontColor));
  painter.drawText(x, y + metrics.ascent(), s);
}

void Surface::copyFrom(const Surface& source, int srcX, int srcY, int dstX, int dstY, int w,
                       int h) {
  if (w <= 0 || h <= 0) return;
  Raster r(m_image);
  // Destination columns on this surface, and the source columns they take.
  const i64 dxFrom = std::max<i64>(dstX, 0);
  const i64 dxTo = std::min<i64>(i64{dstX} + w, width());  // exclusive
  if (dxFrom >= dxTo) return;
  const i64 sxFrom = srcX + (dxFrom - dstX);
  const i64 sxTo = sxFrom + (dxTo - dxFrom);  // exclusive
  const i64 inFrom = std::max<i64>(sxFrom, 0);
  const i64 inTo = std::min<i64>(sxTo, source.width());
  touch(dxFrom, dstY, dxTo, i64{dstY} + h);
  for (i64 k = 0; k < h; ++k) {
    const i64 dy = dstY + k, sy = srcY + k;
    if (dy < 0 || dy >= height()) continue;
    const bool rowInSource = sy >= 0 && sy < source.height() && inFrom < inTo;
    if (!rowInSource) {
      r.span(dxFrom, dxTo - 1, dy, kWhite, PenMode::Copy);
      continue;
    }
    if (sxFrom < inFrom) r.span(dxFrom, dxFrom + (inFrom - sxFrom) - 1, dy, kWhite, PenMode::Copy);
    if (inTo < sxTo) r.span(dxFrom + (inTo - sxFrom), dxTo - 1, dy, kWhite, PenMode::Copy);
    const auto* from =
        reinterpret_cast<const QRgb*>(source.m_image.constScanLine(static_cast<int>(sy))) + inFrom;
    auto* to = reinterpret_cast<QRgb*>(m_image.scanLine(static_cast<int>(dy))) + dxFrom +
               (inFrom - sxFrom);
    std::memcpy(to, from, static_cast<std::size_t>(inTo - inFrom) * sizeof(QRgb));
  }
}

}  // namespace trevak
