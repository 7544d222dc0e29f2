// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/disc_raster.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace trevak::exact {

namespace {

/// `colour` over `pixel` at `cover` (0 to 256), red and blue together: each channel's sum
/// stays below 65536, so none runs into the next.
QRgb blend(QRgb pixel, QRgb colour, std::uint32_t cover) {
  const std::uint32_t keep = 256 - cover;
  const std::uint32_t rb = (((colour & 0xff00ffu) * cover + (pixel & 0xff00ffu) * keep) >> 8);
  const std::uint32_t g = (((colour & 0xff00u) * cover + (pixel & 0xff00u) * keep) >> 8);
  return 0xff000000u | (rb & 0xff00ffu) | (g & 0xff00u);
}

std::uint32_t coverOf(double amount) {
  return static_cast<std::uint32_t>(std::clamp(amount, 0.0, 1.0) * 256 + 0.5);
}

/// Calls `edge(y, x, d)` for every pixel whose centre is less than `reach` from the box of
/// half-sizes `ax`, `ay` around `c` (d its distance; a disc when both are 0, a stadium when
/// one is), except the runs of those closer than `inner`, which go to `whole(y, from, to)`;
/// both clipped to the picture.
template <typename Edge, typename Whole>
void eachPixel(const QImage& picture, QPointF c, double ax, double ay, double reach, double inner,
               Edge edge, Whole whole) {
  if (!(reach > 0) || !std::isfinite(c.x()) || !std::isfinite(c.y()) || !std::isfinite(reach) ||
      !(ax >= 0) || !(ay >= 0) || !std::isfinite(ax) || !std::isfinite(ay)) {
    return;
  }
  const int w = picture.width(), h = picture.height();
  // Clamped before the conversion, so a huge disc cannot overflow an int.
  const int top = static_cast<int>(std::clamp(std::floor(c.y() - ay - reach), 0.0, h - 1.0));
  const int bottom = static_cast<int>(std::clamp(std::ceil(c.y() + ay + reach), -1.0, h - 1.0));
  for (int y = top; y <= bottom; ++y) {
    const double dy = std::max(std::abs(y + 0.5 - c.y()) - ay, 0.0);
    if (dy >= reach) continue;
    const double half = std::sqrt(reach * reach - dy * dy) + ax;
    const int left = static_cast<int>(std::clamp(std::floor(c.x() - half), 0.0, w - 1.0));
    const int right = static_cast<int>(std::clamp(std::ceil(c.x() + half), -1.0, w - 1.0));
    // The run closer than `inner`, empty when the row passes outside it.
    int wholeFrom = right + 1, wholeTo = right;
    if (inner > 0 && dy < inner) {
      const double in = std::sqrt(inner * inner - dy * dy) + ax;
      wholeFrom = static_cast<int>(std::clamp(std::ceil(c.x() - in - 0.5), 1.0 * left, w + 0.0));
      wholeTo = static_cast<int>(std::clamp(std::floor(c.x() + in - 0.5), -1.0, 1.0 * right));
      if (wholeFrom > wholeTo) wholeFrom = right + 1, wholeTo = right;
    }
    for (int x = left; x <= right; ++x) {
      if (x == wholeFrom) {
        whole(y, wholeFrom, wholeTo);
        x = wholeTo;
        continue;
      }
      const double dx = std::max(std::abs(x + 0.5 - c.x()) - ax, 0.0);
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d < reach) edge(y, x, d);
    }
  }
}

/// Sets the pixels from `from` up to `end` to `colour`, four at a time: the inside of a
/// shape, most of the pixels it covers.
void fillRun(QRgb* from, QRgb* end, QRgb colour) {
#if defined(__SSE2__)
  const __m128i four = _mm_set1_epi32(static_cast<int>(colour));
  for (; end - from >= 4; from += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(from), four);
#endif
  for (; from < end; ++from) *from = colour;
}

/// The pixels of an RGB32 picture by row, taken once: QImage::scanLine checks for sharing at
/// every call.
class Pixels {
 public:
  explicit Pixels(QImage& picture)
      : m_bits(picture.bits()), m_stride(static_cast<std::size_t>(picture.bytesPerLine())) {}
  QRgb* at(int x, int y) const {
    return reinterpret_cast<QRgb*>(m_bits + m_stride * static_cast<std::size_t>(y)) + x;
  }

 private:
  uchar* m_bits;
  std::size_t m_stride;
};

}  // namespace

void paintDisc(QImage& picture, QPointF centre, double radius, QRgb colour) {
  if (!(radius > 0)) return;
  paintOval(picture, centre, QSizeF(2 * radius, 2 * radius), colour);
}

void paintOval(QImage& picture, QPointF centre, QSizeF size, QRgb colour) {
  if (picture.format() != QImage::Format_RGB32 || !(size.width() > 0) || !(size.height() > 0)) {
    return;
  }
  const Pixels pixels(picture);
  const double radius = std::min(size.width(), size.height()) / 2;
  eachPixel(
      picture, centre, size.width() / 2 - radius, size.height() / 2 - radius, radius + 0.5,
      radius - 0.5,
      [&](int y, int x, double d) {
        QRgb* p = pixels.at(x, y);
        *p = blend(*p, colour, coverOf(radius + 0.5 - d));
      },
      [&](int y, int from, int to) {
        fillRun(pixels.at(from, y), pixels.at(to, y) + 1, colour | 0xff000000u);
      });
}

void paintBox(QImage& picture, QRectF box, QRgb colour) {
  if (picture.format() != QImage::Format_RGB32 || !(box.width() > 0) || !(box.height() > 0) ||
      !std::isfinite(box.left()) || !std::isfinite(box.top()) || !std::isfinite(box.right()) ||
      !std::isfinite(box.bottom())) {
    return;
  }
  const Pixels pixels(picture);
  const int w = picture.width(), h = picture.height();
  // A pixel is covered by the share of its area inside the box, across times down.
  const auto overlap = [](int at, double from, double to) {
    return std::max(0.0, std::min(at + 1.0, to) - std::max(at * 1.0, from));
  };
  const int top = static_cast<int>(std::clamp(std::floor(box.top()), 0.0, h - 1.0));
  const int bottom = static_cast<int>(std::clamp(std::ceil(box.bottom()) - 1, -1.0, h - 1.0));
  const int left = static_cast<int>(std::clamp(std::floor(box.left()), 0.0, w - 1.0));
  const int right = static_cast<int>(std::clamp(std::ceil(box.right()) - 1, -1.0, w - 1.0));
  // The columns wholly inside, the same on every row.
  const int insideFrom = static_cast<int>(std::clamp(std::ceil(box.left()), 1.0 * left, w + 0.0));
  const int insideTo = static_cast<int>(std::clamp(std::floor(box.right()) - 1, -1.0, 1.0 * right));
  for (int y = top; y <= bottom; ++y) {
    const double down = overlap(y, box.top(), box.bottom());
    for (int x = left; x <= right; ++x) {
      QRgb* p = pixels.at(x, y);
      if (x == insideFrom && x <= insideTo && down >= 1) {
        fillRun(p, pixels.at(insideTo, y) + 1, colour | 0xff000000u);
        x = insideTo;
        continue;
      }
      *p = blend(*p, colour, coverOf(overlap(x, box.left(), box.right()) * down));
    }
  }
}

namespace {

/// A segment from `a` along the unit direction `u` for `length`, with what finding a row's
/// stretch of it needs worked out once.
struct Segment {
  Segment(QPointF from, QPointF direction, double size)
      : a(from), u(direction), length(size), end(from + direction * size) {
    acrossSlope = u.y() != 0 ? u.x() / u.y() : 0;
    acrossScale = u.y() != 0 ? 1 / std::abs(u.y()) : 0;
    alongSlope = u.x() != 0 ? u.y() / u.x() : 0;
    alongScale = u.x() != 0 ? 1 / u.x() : 0;
  }
  QPointF a, u;
  double length;
  QPointF end;
  double acrossSlope, acrossScale, alongSlope, alongScale;
};

/// The stretch of the row at height `y` within `r` of the segment; false when the row misses
/// it. The shape is convex, so the stretch is the span of the row's stretches in the two end
/// discs and in the band between.
bool rowInCapsule(const Segment& s, double r, double y, double* lo, double* hi) {
  double from = std::numeric_limits<double>::infinity(), to = -from;
  const auto disc = [&](QPointF c) {
    const double dy = y - c.y();
    if (std::abs(dy) >= r) return;
    const double half = std::sqrt(r * r - dy * dy);
    from = std::min(from, c.x() - half);
    to = std::max(to, c.x() + half);
  };
  disc(s.a);
  disc(s.end);
  // The band: |cross(u, p - a)| <= r and 0 <= dot(u, p - a) <= length, for p = (x, y).
  const double dy = y - s.a.y();
  double bandFrom = -std::numeric_limits<double>::infinity(), bandTo = -bandFrom;
  if (s.u.y() != 0) {
    const double centre = s.a.x() + dy * s.acrossSlope, half = r * s.acrossScale;
    bandFrom = centre - half;
    bandTo = centre + half;
  } else if (std::abs(dy) > r) {
    return (*lo = from) < (*hi = to);
  }
  if (s.u.x() != 0) {
    double x1 = s.a.x() - dy * s.alongSlope, x2 = x1 + s.length * s.alongScale;
    if (x1 > x2) std::swap(x1, x2);
    bandFrom = std::max(bandFrom, x1);
    bandTo = std::min(bandTo, x2);
  } else if ((s.u.y() > 0 && (dy < 0 || dy > s.length)) ||
             (s.u.y() < 0 && (dy > 0 || dy < -s.length))) {
    bandFrom = 1, bandTo = 0;
  }
  if (bandFrom <= bandTo) {
    from = std::min(from, bandFrom);
    to = std::max(to, bandTo);
  }
  *lo = from;
  *hi = to;
  return from < to;
}

}  // namespace

void paintLine(QImage& picture, QPointF a, QPointF b, double width, QRgb colour) {
  if (picture.format() != QImage::Format_RGB32 || !(width > 0) || !std::isfinite(width) ||
      !std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) ||
      !std::isfinite(b.y())) {
    return;
  }
  const double radius = width / 2;
  const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
  if (!(length > 1e-9)) {
    paintDisc(picture, a, radius, colour);
    return;
  }
  const QPointF u((b.x() - a.x()) / length, (b.y() - a.y()) / length);
  const Segment segment(a, u, length);
  const Pixels pixels(picture);
  const int w = picture.width(), h = picture.height();
  const double reach = radius + 0.5, inner = radius - 0.5;
  const int top =
      static_cast<int>(std::clamp(std::floor(std::min(a.y(), b.y()) - reach), 0.0, h - 1.0));
  const int bottom =
      static_cast<int>(std::clamp(std::ceil(std::max(a.y(), b.y()) + reach), -1.0, h - 1.0));
  for (int y = top; y <= bottom; ++y) {
    const double py = y + 0.5;
    double lo = 0, hi = 0;
    if (!rowInCapsule(segment, reach, py, &lo, &hi)) continue;
    const int left = static_cast<int>(std::clamp(std::floor(lo - 0.5), 0.0, w - 1.0));
    const int right = static_cast<int>(std::clamp(std::ceil(hi - 0.5), -1.0, w - 1.0));
    int wholeFrom = right + 1, wholeTo = right;
    double inLo = 0, inHi = 0;
    if (inner > 0 && rowInCapsule(segment, inner, py, &inLo, &inHi)) {
      wholeFrom = static_cast<int>(std::clamp(std::ceil(inLo - 0.5), 1.0 * left, w + 0.0));
      wholeTo = static_cast<int>(std::clamp(std::floor(inHi - 0.5), -1.0, 1.0 * right));
      if (wholeFrom > wholeTo) wholeFrom = right + 1, wholeTo = right;
    }
    for (int x = left; x <= right; ++x) {
      if (x == wholeFrom) {
        fillRun(pixels.at(wholeFrom, y), pixels.at(wholeTo, y) + 1, colour | 0xff000000u);
        x = wholeTo;
        continue;
      }
      const double px = x + 0.5 - a.x(), qy = py - a.y();
      // Beside the segment the distance is the one across it; past an end, to that end.
      const double along = px * u.x() + qy * u.y();
      double d = std::abs(px * u.y() - qy * u.x());
      if (along < 0 || along > length) {
        const double t = along < 0 ? 0 : length;
        const double ex = px - t * u.x(), ey = qy - t * u.y();
        d = std::sqrt(ex * ex + ey * ey);
      }
      if (d < reach) {
        QRgb* p = pixels.at(x, y);
        *p = blend(*p, colour, coverOf(reach - d));
      }
    }
  }
}

void paintHole(QImage& picture, QPointF centre, double radius, QRgb outline) {
  if (picture.format() != QImage::Format_RGB32 || !(radius > 0)) return;
  const Pixels pixels(picture);
  const QRgb white = 0xffffffffu;
  // The white reaches half a pixel past the edge, the line a whole pixel either side of it.
  eachPixel(
      picture, centre, 0, 0, radius + 1, radius - 1,
      [&](int y, int x, double d) {
        QRgb* p = pixels.at(x, y);
        const QRgb filled = blend(*p, white, coverOf(radius + 0.5 - d));
        *p = blend(filled, outline, coverOf(1 - std::abs(d - radius)));
      },
      [&](int y, int from, int to) { fillRun(pixels.at(from, y), pixels.at(to, y) + 1, white); });
}

void paintRing(QImage& picture, QPointF centre, double radius, double width, QRgb colour,
               double start, double sweep) {
  if (picture.format() != QImage::Format_RGB32 || !(radius > 0) || !(width > 0)) return;
  if (!std::isfinite(start) || !std::isfinite(sweep)) return;
  const Pixels pixels(picture);
  const double outer = radius + width / 2, inner = radius - width / 2;
  // The piece as a counter-clockwise turn from `from` to `to` in the picture (y downwards).
  if (sweep < 0) {
    start += sweep;
    sweep = -sweep;
  }
  const bool whole = sweep == 0 || sweep >= 360;
  constexpr double kRadians = 3.14159265358979323846 / 180;
  const double fx = std::cos(start * kRadians), fy = -std::sin(start * kRadians);
  const double tx = std::cos((start + sweep) * kRadians),
               ty = -std::sin((start + sweep) * kRadians);
  // On the screen a counter-clockwise turn from a to b has a negative cross product.
  const auto turns = [](double ax, double ay, double bx, double by) {
    return ax * by - ay * bx <= 0;
  };
  const auto within = [&](double dx, double dy) {
    if (whole) return true;
    if (sweep <= 180) return turns(fx, fy, dx, dy) && turns(dx, dy, tx, ty);
    return !(turns(tx, ty, dx, dy) && turns(dx, dy, fx, fy));
  };
  eachPixel(
      picture, centre, 0, 0, outer + 0.5, inner - 0.5,
      [&](int y, int x, double d) {
        if (!within(x + 0.5 - centre.x(), y + 0.5 - centre.y())) return;
        QRgb* p = pixels.at(x, y);
        *p = blend(*p, colour, coverOf(std::min(outer + 0.5 - d, d - inner + 0.5)));
      },
      [](int, int, int) {});  // inside the ring: left as it is
}

}  // namespace trevak::exact
