// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/png_encoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace trevak::exact {
namespace {

std::uint32_t bigEndian(const QByteArray& bytes, qsizetype at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

/// The IDAT data inflated by zlib itself, which checks the stream's checksum; empty when
/// zlib refuses it.
std::vector<unsigned char> inflatedImageData(const QByteArray& png, std::size_t expected) {
  QByteArray stream;
  for (qsizetype at = 8; at + 12 <= png.size();) {
    const auto length = static_cast<qsizetype>(bigEndian(png, at));
    if (png.mid(at + 4, 4) == "IDAT") stream += png.mid(at + 8, length);
    at += length + 12;
  }
  std::vector<unsigned char> out(expected + 1);
  uLongf size = static_cast<uLongf>(out.size());
  if (uncompress(out.data(), &size, reinterpret_cast<const Bytef*>(stream.constData()),
                 static_cast<uLong>(stream.size())) != Z_OK) {
    return {};
  }
  out.resize(size);
  return out;
}

struct PictureCase {
  const char* what;
  int width;
  int height;
  std::function<void(QImage&)> paint;
};

void noise(QImage& image) {
  std::mt19937 random(7);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, random() | 0xff000000u);
  }
}

/// Flat areas, repeated rows and antialiased edges, as a drawing has them.
void drawing(QImage& image) {
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0xe0, 0x5a, 0x5a), 7));
  p.setBrush(QColor(0x4f, 0xa8, 0x4f));
  p.drawEllipse(QPointF(image.width() / 2.0, image.height() / 2.0), image.width() / 3.0,
                image.height() / 3.0);
  p.fillRect(QRect(5, 5, image.width() / 4, image.height() / 5), QColor(0xa0, 0x44, 0x8c));
  p.drawLine(QPointF(0, image.height()), QPointF(image.width(), 0));
}

/// Runs longer than a match and a colour that only changes every few hundred pixels.
void bands(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      image.setPixel(x, y, qRgb((x / 300) * 40, y % 3 == 0 ? 255 : 0, 17));
    }
  }
}

/// Every row the same: each repeats the row above whole.
void stripes(QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      image.setPixel(x, y, (x / 5) % 3 == 0 ? qRgb(200, 10, 10) : qRgb(255, 255, 255));
    }
  }
}

/// Rows that repeat the one above except in one pixel, which moves along: matches with the row
/// above that stop anywhere, also in the first pixel.
void oneChangedPixel(QImage& image) {
  stripes(image);
  for (int y = 1; y < image.height(); ++y)
    image.setPixel((y * 37) % image.width(), y, qRgb(1, 2, 3));
}

class PngEncoding : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PngEncoding, DecodesToTheSamePixels) {
  const PictureCase& c = GetParam();
  QImage image(c.width, c.height, QImage::Format_RGB32);
  image.fill(Qt::white);
  c.paint(image);
  const QByteArray png = encodePng(image);
  ASSERT_FALSE(png.isEmpty()) << c.what;

  const std::size_t raw =
      static_cast<std::size_t>(c.height) * (1 + 3 * static_cast<std::size_t>(c.width));
  EXPECT_EQ(inflatedImageData(png, raw).size(), raw) << c.what;

  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(png, "PNG")) << c.what;
  ASSERT_EQ(decoded.size(), image.size()) << c.what;
  decoded = decoded.convertToFormat(QImage::Format_RGB32);
  int wrong = 0;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) wrong += decoded.pixel(x, y) != image.pixel(x, y) ? 1 : 0;
  }
  EXPECT_EQ(wrong, 0) << c.what;
  EXPECT_EQ(encodePng(image), png) << c.what << ": the same picture gives the same bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PngEncoding,
    ::testing::Values(
        PictureCase{"one white pixel", 1, 1, [](QImage&) {}},
        PictureCase{"white, rows longer than a match", 700, 40, [](QImage&) {}},
        PictureCase{"noise: no matches at all", 97, 33, noise},
        PictureCase{"an antialiased drawing", 512, 389, drawing},
        PictureCase{"bands", 1000, 9, bands},
        // Short rows give the row-above match its shortest distances (4, 7, 10 bytes).
        PictureCase{"one pixel wide", 1, 50, bands}, PictureCase{"two pixels wide", 2, 50, bands},
        PictureCase{"three pixels wide", 3, 50, drawing},
        // Rows of more than 32 KB cannot refer to the row above.
        PictureCase{"rows wider than the window", 11000, 4, drawing},
        PictureCase{"rows just inside the window", 10922, 3, bands},
        PictureCase{"repeated rows", 300, 20, stripes},
        // 1 + 3 * 86 bytes: a row of 258 bytes and one more, which cannot be a match alone.
        PictureCase{"repeated rows one byte past a match", 86, 6, stripes},
        PictureCase{"repeated one pixel wide rows", 1, 40, stripes},
        PictureCase{"repeated rows wider than the window", 11000, 3, stripes},
        PictureCase{"rows that differ in one pixel", 257, 90, oneChangedPixel}),
    [](const ::testing::TestParamInfo<PictureCase>& param) {
      return "case" + std::to_string(param.index);
    });

TEST(PngEncoding, OtherFormatsAreConvertedAndAlphaDropped) {
  QImage image(5, 4, QImage::Format_ARGB32_Premultiplied);
  image.fill(qRgba(10, 20, 30, 255));
  image.setPixel(2, 2, qRgba(200, 100, 50, 255));
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(encodePng(image), "PNG"));
  EXPECT_FALSE(decoded.hasAlphaChannel());
  EXPECT_EQ(decoded.pixel(2, 2), qRgb(200, 100, 50));
  EXPECT_EQ(decoded.pixel(0, 0), qRgb(10, 20, 30));
}

TEST(PngEncoding, PixelsThatDifferInAlphaOnlyGiveTheSameColour) {
  QImage image(9, 3, QImage::Format_ARGB32);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 9; ++x) image.setPixel(x, y, (x + y) % 2 == 0 ? 0x00102030u : 0xff102030u);
  }
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(encodePng(image), "PNG"));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(decoded.pixel(x, y), qRgb(0x10, 0x20, 0x30)) << x << ',' << y;
  }
}

TEST(PngEncoding, EmptyPictureGivesNoBytes) { EXPECT_TRUE(encodePng(QImage()).isEmpty()); }

}  // namespace
}  // namespace trevak::exact
