// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/disc_raster.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace trevak::exact {
namespace {

constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kCopper = 0xffe05a5au;
constexpr QRgb kGround = 0xff2030c0u;  // what lies under a hole

/// The share of the pixel (x, y) whose points `inside` holds, counted on a 16 x 16 grid: the
/// exact coverage the painters approximate.
template <typename Inside>
double share(int x, int y, Inside inside) {
  int in = 0;
  for (int j = 0; j < 16; ++j) {
    for (int i = 0; i < 16; ++i) in += inside(x + (i + 0.5) / 16, y + (j + 0.5) / 16) ? 1 : 0;
  }
  return in / 256.0;
}

/// The share of the pixel inside the ring from `inner` to `outer` around `c`.
double ringShare(int x, int y, QPointF c, double inner, double outer) {
  return share(x, y, [&](double px, double py) {
    const double d = std::hypot(px - c.x(), py - c.y());
    return d <= outer && d >= inner;
  });
}

QRgb mixed(QRgb under, QRgb over, double cover) {
  const auto channel = [&](int shift) {
    const double a = (under >> shift) & 0xff, b = (over >> shift) & 0xff;
    return static_cast<QRgb>(std::lround(a + (b - a) * cover)) << shift;
  };
  return 0xff000000u | channel(16) | channel(8) | channel(0);
}

int largestDifference(QRgb a, QRgb b) {
  int most = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xff) -
                                   static_cast<int>((b >> shift) & 0xff)));
  }
  return most;
}

/// The largest difference of any pixel from what `expected(x, y)` gives, or how many differ by
/// more than `limit` when one is given.
template <typename Expected>
int differences(const QImage& picture, Expected expected, int limit = -1) {
  int worst = 0, far = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const int d = largestDifference(picture.pixel(x, y), expected(x, y));
      worst = std::max(worst, d);
      far += d > limit ? 1 : 0;
    }
  }
  return limit < 0 ? worst : far;
}

struct DiscCase {
  const char* what;
  double cx, cy, radius;
};

class DiscRaster : public ::testing::TestWithParam<DiscCase> {};

// Every pixel is within a fifth of full colour of its exact coverage, so a disc shifted by
// half a pixel, a wrong radius or a run of whole pixels one too long shows; parts outside the
// picture are clipped without touching memory past it (ASan) and without wrapping around.
TEST_P(DiscRaster, CoversWhatTheDiscCovers) {
  const DiscCase& c = GetParam();
  QImage picture(23, 17, QImage::Format_RGB32);
  picture.fill(kWhite);
  const QPointF centre(c.cx, c.cy);
  paintDisc(picture, centre, c.radius, kCopper);
  EXPECT_LE(differences(picture,
                        [&](int x, int y) {
                          return mixed(kWhite, kCopper, ringShare(x, y, centre, -1, c.radius));
                        }),
            51)
      << c.what;
}

INSTANTIATE_TEST_SUITE_P(Discs, DiscRaster,
                         ::testing::Values(DiscCase{"centred on a pixel", 10.5, 8.5, 4},
                                           DiscCase{"between pixels", 10.25, 7.8, 5.3},
                                           DiscCase{"smaller than a pixel", 4.6, 4.4, 0.4},
                                           DiscCase{"a line's end, 1.5 pixels", 3.1, 12.9, 1.5},
                                           DiscCase{"over the top left corner", 0.2, 0.3, 6.5},
                                           DiscCase{"mostly left of the picture", -3, 12, 5},
                                           DiscCase{"over the bottom right corner", 22.7, 16.8, 6},
                                           DiscCase{"wholly outside", 60, 8, 6},
                                           DiscCase{"larger than the picture", 11, 9, 40},
                                           DiscCase{"nearly filling it", 11.3, 8.7, 8.4}),
                         [](const ::testing::TestParamInfo<DiscCase>& param) {
                           return "case" + std::to_string(param.index);
                         });

// A hole is white inside and outlined along its edge by a line a pixel wide, drawn over what
// lay there.
TEST_P(DiscRaster, HoleIsWhiteWithItsOutline) {
  const DiscCase& c = GetParam();
  if (c.radius < 1.5) GTEST_SKIP() << "no inside to speak of";
  QImage picture(23, 17, QImage::Format_RGB32);
  picture.fill(kGround);
  const QPointF centre(c.cx, c.cy);
  const QRgb outline = 0xff404040u;
  paintHole(picture, centre, c.radius, outline);
  const auto expected = [&](int x, int y) {
    const QRgb filled = mixed(kGround, kWhite, ringShare(x, y, centre, -1, c.radius));
    return mixed(filled, outline, ringShare(x, y, centre, c.radius - 0.5, c.radius + 0.5));
  };
  EXPECT_LE(differences(picture, expected), 64) << c.what;
}

struct RingCase {
  const char* what;
  double cx, cy, radius, width;
  double start, sweep;  // degrees counter-clockwise on the picture
};

class RingRaster : public ::testing::TestWithParam<RingCase> {};

/// Whether the direction (dx, dy) on the picture (y downwards) lies in the sweep.
bool inSweep(double dx, double dy, double start, double sweep) {
  if (sweep >= 360 || sweep <= -360) return true;
  double a = std::atan2(-dy, dx) * 180 / 3.14159265358979323846 - std::min(start, start + sweep);
  a = std::fmod(std::fmod(a, 360.0) + 360.0, 360.0);
  return a <= std::abs(sweep);
}

// The ring (or its piece) against its exact coverage: only the pixels along the straight cuts
// at a piece's ends may differ more, the cuts being covered by a line's round ends. A ring
// drawn at the wrong radius, a piece turning the wrong way or starting at the wrong angle
// differs in many pixels.
TEST_P(RingRaster, CoversWhatTheRingCovers) {
  const RingCase& c = GetParam();
  QImage picture(41, 37, QImage::Format_RGB32);
  picture.fill(kWhite);
  const QPointF centre(c.cx, c.cy);
  paintRing(picture, centre, c.radius, c.width, kCopper, c.start, c.sweep);
  const auto expected = [&](int x, int y) {
    return mixed(kWhite, kCopper, share(x, y, [&](double px, double py) {
                   const double dx = px - c.cx, dy = py - c.cy;
                   return std::abs(std::hypot(dx, dy) - c.radius) <= c.width / 2 &&
                          inSweep(dx, dy, c.start, c.sweep);
                 }));
  };
  const int far = differences(picture, expected, 51);
  const bool piece = std::abs(c.sweep) < 360;
  EXPECT_LE(far, piece ? 2 * static_cast<int>(c.width + 3) : 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rings, RingRaster,
    ::testing::Values(RingCase{"whole ring", 20.3, 18.6, 12, 3, 0, 360},
                      RingCase{"thin ring", 20, 18, 9.5, 0.8, 0, 360},
                      RingCase{"wider than its radius", 20.5, 18.5, 3, 8, 0, 360},
                      RingCase{"over the picture's edge", 5, 30, 14, 4, 0, 360},
                      RingCase{"quarter from the right, upwards", 20, 18, 13, 3, 0, 90},
                      RingCase{"quarter from the top, turning back", 20, 18, 13, 3, 90, -90},
                      RingCase{"three quarters", 20.4, 17.7, 12.5, 2.5, 45, 270},
                      RingCase{"half from the left", 20, 18, 11, 4, 180, 180}),
    [](const ::testing::TestParamInfo<RingCase>& param) {
      return "case" + std::to_string(param.index);
    });

struct UprightCase {
  const char* what;
  bool oval;  // else a rectangle
  double left, top, width, height;
};

class UprightRaster : public ::testing::TestWithParam<UprightCase> {};

// Upright rectangles and ovals (pads square to the axes) against their exact coverage.
TEST_P(UprightRaster, CoversWhatTheShapeCovers) {
  const UprightCase& c = GetParam();
  QImage picture(29, 23, QImage::Format_RGB32);
  picture.fill(kWhite);
  const QRectF box(c.left, c.top, c.width, c.height);
  if (c.oval) {
    paintOval(picture, box.center(), box.size(), kCopper);
  } else {
    paintBox(picture, box, kCopper);
  }
  const double r = std::min(c.width, c.height) / 2;
  const double ax = c.width / 2 - r, ay = c.height / 2 - r;
  const auto inside = [&](double px, double py) {
    if (!c.oval) return box.contains(px, py);
    const double dx = std::max(std::abs(px - box.center().x()) - ax, 0.0);
    const double dy = std::max(std::abs(py - box.center().y()) - ay, 0.0);
    return std::hypot(dx, dy) <= r;
  };
  const auto expected = [&](int x, int y) { return mixed(kWhite, kCopper, share(x, y, inside)); };
  EXPECT_LE(differences(picture, expected), c.oval ? 51 : 20) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, UprightRaster,
    ::testing::Values(UprightCase{"rectangle between pixels", false, 3.3, 4.6, 12.5, 7.2},
                      UprightCase{"rectangle on whole pixels", false, 2, 3, 10, 6},
                      UprightCase{"rectangle thinner than a pixel", false, 5.2, 2.1, 0.4, 15},
                      UprightCase{"rectangle over the picture's edges", false, -4.5, 15.3, 40, 20},
                      UprightCase{"wide oval", true, 3.3, 6.6, 20.4, 8.2},
                      UprightCase{"tall oval", true, 8.1, 1.7, 6.5, 18.8},
                      UprightCase{"round oval", true, 6.5, 4.5, 11, 11},
                      UprightCase{"oval over the left edge", true, -6.2, 5.5, 16, 9}),
    [](const ::testing::TestParamInfo<UprightCase>& param) {
      return "case" + std::to_string(param.index);
    });

struct LineCase {
  const char* what;
  double ax, ay, bx, by, width;
};

class LineRaster : public ::testing::TestWithParam<LineCase> {};

// Straight lines with round ends against their exact coverage: every point within half the
// width of the segment.
TEST_P(LineRaster, CoversWhatTheLineCovers) {
  const LineCase& c = GetParam();
  QImage picture(37, 29, QImage::Format_RGB32);
  picture.fill(kWhite);
  paintLine(picture, QPointF(c.ax, c.ay), QPointF(c.bx, c.by), c.width, kCopper);
  const double ux = c.bx - c.ax, uy = c.by - c.ay, length2 = ux * ux + uy * uy;
  const auto inside = [&](double px, double py) {
    px -= c.ax;
    py -= c.ay;
    const double t = length2 > 0 ? std::clamp((px * ux + py * uy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(px - t * ux, py - t * uy) <= c.width / 2;
  };
  const auto expected = [&](int x, int y) { return mixed(kWhite, kCopper, share(x, y, inside)); };
  EXPECT_LE(differences(picture, expected), 51) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineRaster,
    ::testing::Values(LineCase{"diagonal", 3.2, 4.7, 31.5, 22.1, 4.5},
                      LineCase{"steep, drawn upwards", 20.3, 26.2, 17.1, 2.4, 3},
                      LineCase{"level", 2.5, 14.5, 33.5, 14.5, 5},
                      LineCase{"upright", 18.7, 1.2, 18.7, 27.3, 2.2},
                      LineCase{"thinner than a pixel", 4, 3, 30, 25, 0.6},
                      LineCase{"shorter than it is wide", 15, 12, 17, 13, 9},
                      LineCase{"no length: a dot", 15.4, 12.6, 15.4, 12.6, 7},
                      LineCase{"across the picture and out", -10, -5, 50, 40, 6}),
    [](const ::testing::TestParamInfo<LineCase>& param) {
      return "case" + std::to_string(param.index);
    });

TEST(DiscRaster, NothingDrawnForABadDisc) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const auto& [centre, radius] :
       {std::pair{QPointF(nan, 5), 3.0}, std::pair{QPointF(5, 5), nan},
        std::pair{QPointF(5, inf), 3.0}, std::pair{QPointF(5, 5), -2.0},
        std::pair{QPointF(5, 5), 0.0}}) {
    QImage picture(12, 12, QImage::Format_RGB32);
    picture.fill(kWhite);
    paintDisc(picture, centre, radius, kCopper);
    paintHole(picture, centre, radius, kCopper);
    EXPECT_EQ(picture.pixel(5, 5), kWhite) << centre.x() << ' ' << centre.y() << ' ' << radius;
  }
}

TEST(DiscRaster, HugeDiscFillsThePictureWithoutOverflow) {
  QImage picture(9, 7, QImage::Format_RGB32);
  picture.fill(kWhite);
  paintDisc(picture, QPointF(4, 3), 1e12, kCopper);
  EXPECT_EQ(picture.pixel(0, 0), kCopper);
  EXPECT_EQ(picture.pixel(8, 6), kCopper);
}

}  // namespace
}  // namespace trevak::exact
