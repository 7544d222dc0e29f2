// SPDX-License-Identifier: GPL-3.0-or-later
// The exact drawing inks nothing that is not in the file: every pixel of a footprint's picture
// lies within what one of its items, drawn alone at the same place and scale, covers.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "drawing/exact_footprint.h"
#include "drawing/exact_renderer.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak::exact {
namespace {

namespace fs = std::filesystem;
constexpr QRgb kWhitePixel = 0xffffffffu;

QImage blank(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

void paintOn(QImage& image, const Footprint& footprint, const QTransform& t) {
  QPainter painter(&image);
  ExactDrawing(footprint, Options{}).paint(painter, t);
}

/// Marks in `mask` the pixels a footprint inks when drawn alone at transform `t`.
void addInk(std::vector<bool>& mask, QImage& scratch, const Footprint& one, const QTransform& t) {
  scratch.fill(Qt::white);
  paintOn(scratch, one, t);
  const int w = scratch.width();
  for (int y = 0; y < scratch.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      if (line[x] != kWhitePixel) mask[static_cast<std::size_t>(y * w + x)] = true;
    }
  }
}

/// The union of what each item covers when drawn alone: every pad, line and text is painted
/// as a footprint of its own on a blank picture (a hole of one pad does not erase another's
/// ink, as it would on a shared one), and the pixels each inks are added up.
std::vector<bool> itemsOneByOne(const Footprint& whole, QSize size, const QTransform& t) {
  std::vector<bool> mask(static_cast<std::size_t>(size.width() * size.height()), false);
  QImage scratch = blank(size);
  for (const Pad& pad : whole.pads) {
    Footprint one;
    one.pads.push_back(pad);
    addInk(mask, scratch, one, t);
  }
  for (const Shape& shape : whole.shapes) {
    Footprint one;
    one.shapes.push_back(shape);
    addInk(mask, scratch, one, t);
  }
  for (const Text& text : whole.texts) {
    Footprint one;
    one.texts.push_back(text);
    addInk(mask, scratch, one, t);
  }
  return mask;
}

/// The inked pixels of the whole picture that no item covers on its own.
int invented(const Footprint& footprint, QSize size, const QTransform& t) {
  QImage whole = blank(size);
  paintOn(whole, footprint, t);
  const std::vector<bool> mask = itemsOneByOne(footprint, size, t);
  int stray = 0;
  for (int y = 0; y < size.height(); ++y) {
    const auto* w = reinterpret_cast<const QRgb*>(whole.constScanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      stray += (w[x] != kWhitePixel && !mask[static_cast<std::size_t>(y * size.width() + x)]);
    }
  }
  return stray;
}

/// The footprint fitted into a picture of `side` pixels, as `render --exact` draws it.
int inventedAtSide(const Footprint& footprint, int side) {
  const ExactDrawing d(footprint, Options{});
  QTransform t;
  const QSize size = pictureSizeFor(d, side, &t);
  return invented(footprint, size, t);
}

/// The footprint at a fixed scale with a margin, as the window's exact pane draws it.
int inventedAtScale(const Footprint& footprint, double pixelsPerNm) {
  const ExactDrawing d(footprint, Options{});
  QSize size;
  const QTransform t = d.scaleTransform(pixelsPerNm, 8, &size);
  return invented(footprint, size.boundedTo(QSize(2000, 2000)), t);
}

std::vector<fs::path> corpusLibraries() {
  std::vector<fs::path> files;
  const fs::path root = TREVAK_CORPUS_DIR;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == ".mod") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

Footprint moduleOf(const ModuleTable& table, int row) {
  return footprintFromBody(table.recordAt(row).Comandos.value_or(""), table.unit());
}

struct DotCase {
  const char* name;
  const char* body;  // decimils
};

class ExactInk : public ::testing::TestWithParam<DotCase> {};

// Lines of no length among others, in the orders KiCad's files hold them: each is a dot, and no
// line joins it (or anything else) to a neighbour.
TEST_P(ExactInk, LinesOfNoLengthAreDotsAndJoinNothing) {
  const Footprint f = footprintFromBody(GetParam().body, LengthUnit::Decimil);
  EXPECT_EQ(inventedAtSide(f, 300), 0);
  EXPECT_EQ(inventedAtScale(f, 300.0 / (2540 * 4000)), 0);
  // The dot itself is drawn: a picture of it alone is not blank.
  Footprint dots;
  for (const Shape& s : f.shapes) {
    if (s.points.size() > 1 && s.points[0].x == s.points[1].x && s.points[0].y == s.points[1].y)
      dots.shapes.push_back(s);
  }
  ASSERT_FALSE(dots.shapes.empty());
  const ExactDrawing whole(f, Options{});
  QTransform t;
  const QSize size = pictureSizeFor(whole, 300, &t);
  QImage alone = blank(size);
  paintOn(alone, dots, t);
  int inked = 0;
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) inked += alone.pixel(x, y) != kWhitePixel;
  }
  EXPECT_GT(inked, 10);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ExactInk,
    ::testing::Values(
        DotCase{"DotBetweenLines",
                "DS -2000 -2000 2000 -2000 100 21\rDS 0 0 0 0 150 21\rDS 2000 2000 -2000 2000 "
                "100 21\r"},
        DotCase{"DotFirst", "DS 1500 1500 1500 1500 200 21\rDS -2000 -2000 -2000 2000 80 21\r"},
        DotCase{"DotLast", "DS -2000 -2000 -2000 2000 80 21\rDS 1500 -1500 1500 -1500 200 21\r"},
        DotCase{"CircleOfNoRadius",
                "DS -2000 -2000 2000 -2000 100 21\rDC 0 0 0 0 150 21\rDS 2000 2000 -2000 2000 "
                "100 21\r"},
        DotCase{"DotOnCopper", "DS -2000 0 -1000 0 100 15\rDS 0 0 0 0 300 15\rDS 1000 0 2000 0 "
                               "100 15\r"}),
    [](const auto& param) { return std::string(param.param.name); });

// Every footprint of the corpus, as `render --exact` draws it: a bounding box cannot catch a
// line drawn inside the box, so each pixel is checked against the items drawn one by one.
TEST(ExactInkCorpus, NoFootprintInksOutsideItsItems) {
  const std::vector<fs::path> files = corpusLibraries();
  ASSERT_FALSE(files.empty()) << "the corpus of real libraries is missing: " << TREVAK_CORPUS_DIR;
  int checked = 0;
  for (const fs::path& file : files) {
    ModuleTable table;
    try {
      loadLibraryFile(file.string(), table);
    } catch (const std::exception&) {
      continue;  // the corpus holds a few files that are not libraries
    }
    for (int row = 0; row < table.RecordCount(); ++row) {
      const Footprint f = moduleOf(table, row);
      EXPECT_EQ(inventedAtSide(f, 160), 0)
          << file.string() << ": " << table.recordAt(row).nome_Componente.value_or("");
      ++checked;
    }
  }
  EXPECT_GT(checked, 1000);
}

// The footprints the stray lines were seen on, at the sizes `render --exact` and the window's
// exact pane draw them.
TEST(ExactInkCorpus, FootprintsWithDotsAtWindowAndRenderSizes) {
  struct Seen {
    const char* file;
    const char* name;
  };
  for (const Seen& seen : {Seen{"develorn/lqfp.mod", "LQFP48"},
                           Seen{"kicad-official-2015/libcms.mod", "SUPSOJ40"},
                           Seen{"kicad-official-2015/connect.mod", "DB25FD"}}) {
    ModuleTable table;
    const fs::path path = fs::path(TREVAK_CORPUS_DIR) / seen.file;
    ASSERT_TRUE(fs::exists(path)) << path;
    loadLibraryFile(path.string(), table);
    bool found = false;
    for (int row = 0; row < table.RecordCount(); ++row) {
      if (table.recordAt(row).nome_Componente.value_or("") != seen.name) continue;
      found = true;
      const Footprint f = moduleOf(table, row);
      const ExactDrawing d(f, Options{});
      for (const int side : {256, 600, 1200}) EXPECT_EQ(inventedAtSide(f, side), 0) << seen.name;
      const double fit = 500 / std::max(d.extent().width(), d.extent().height());
      for (const double zoom : {1.0, 2.5}) {
        EXPECT_EQ(inventedAtScale(f, fit * zoom), 0) << seen.name << " at " << zoom;
      }
    }
    EXPECT_TRUE(found) << seen.file << " " << seen.name;
  }
}

}  // namespace
}  // namespace trevak::exact
