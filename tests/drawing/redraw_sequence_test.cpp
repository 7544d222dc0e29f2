// SPDX-License-Identifier: GPL-3.0-or-later
// A redraw clears only what earlier drawings touched. Over long sequences of different modules,
// scales, panes and "Apagar", the pictures must be the very pixels that clearing every pixel
// gives.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/library_generator.h"
#include "drawing/drawing_state.h"
#include "drawing/preview.h"
#include "library/body_lines.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak {
namespace {

constexpr QRgb kRed = 0xffff0000u;
constexpr QRgb kBlue = 0xff0000ffu;

/// The working surface and both pane pictures with their shared drawing state, as the window
/// holds them.
struct Panes {
  Surface work;
  PanePicture edit;
  PanePicture search;
  estado_desenho st;

  Panes() { st.imagem_trabalho = &work; }
};

/// Paints every pixel of `s` white for certain: a fill in another colour first makes the white
/// fill a fill of the whole raster. The brush is left as it was.
void whitenEveryPixel(Surface& s) {
  const QRgb brush = s.brushColor();
  s.setBrushColor(kRed);
  s.fillRect(0, 0, s.width(), s.height());
  s.setBrushColor(kWhite);
  s.fillRect(0, 0, s.width(), s.height());
  s.setBrushColor(brush);
}

std::vector<std::string> moduleBodies(const std::string& bytes) {
  MemoryByteSource source(bytes);
  ModuleTable table;
  readLibrary(source, table);
  std::vector<std::string> bodies;
  for (int row = 0; row < table.RecordCount(); ++row) {
    bodies.push_back(table.recordAt(row).Comandos.value_or(""));
  }
  return bodies;
}

std::string fileBytes(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return bytes.toStdString();
}

/// Modules of every size: generated ones (small, and large with far-off pads), the example
/// library, a real library, and a few lines that reach the surface's edges, lie far outside it
/// or widen nothing.
std::vector<std::string> mixedModules() {
  std::vector<std::string> modules;
  for (int pads : {4, 30, 200}) {
    bench::GeneratorOptions o;
    o.seed = static_cast<std::uint64_t>(pads);
    o.modules = 4;
    o.padsPerModule = pads;
    std::ostringstream text;
    bench::generateLibrary(o, text);
    for (std::string& b : moduleBodies(text.str())) modules.push_back(std::move(b));
  }
  for (std::string& b :
       moduleBodies(fileBytes(std::string(TREVAK_SOURCE_DIR) + "/examples/exemplo.mod"))) {
    modules.push_back(std::move(b));
  }
  const std::vector<std::string> real =
      moduleBodies(fileBytes(std::string(TREVAK_CORPUS_DIR) + "/develorn/tinkerforge.mod"));
  for (std::size_t i = 0; i < real.size(); i += 16) modules.push_back(real[i]);
  modules.push_back("DS -30000 -30000 300000 300000 120 21\r");
  modules.push_back("DS 0 0 3000000 3000000 120 21\rT0 0 0 600 600 0 120 N V 21 N \"edge\"\r");
  modules.push_back("DA 0 0 1000 0 900 120 21\r");
  modules.push_back("DS -300000 -300000 -310000 -310000 120 21\r");
  modules.push_back("F0 \"far text\" 2290000 2290000\rT1 -24900 0 600 600 0 120 N V 21 N \"x\"\r");
  return modules;
}

void expectSamePixels(const Panes& fast, const Panes& full, int step) {
  ASSERT_EQ(fast.work.image(), full.work.image()) << "working surface, step " << step;
  ASSERT_EQ(fast.edit.raster.image(), full.edit.raster.image()) << "edit raster, step " << step;
  ASSERT_EQ(fast.search.raster.image(), full.search.raster.image())
      << "search raster, step " << step;
  ASSERT_EQ(fast.edit.width, full.edit.width) << step;
  ASSERT_EQ(fast.edit.height, full.edit.height) << step;
  ASSERT_EQ(fast.search.width, full.search.width) << step;
  ASSERT_EQ(fast.search.height, full.search.height) << step;
  ASSERT_EQ(paneImage(fast.edit), paneImage(full.edit)) << step;
  ASSERT_EQ(paneImage(fast.search), paneImage(full.search)) << step;
}

TEST(RedrawSequence, PicturesEqualThoseOfClearingEveryPixel) {
  ASSERT_TRUE(QFileInfo::exists(QStringLiteral(TREVAK_CORPUS_DIR "/develorn/tinkerforge.mod")))
      << "the shared corpus is missing";
  const std::vector<std::string> modules = mixedModules();
  ASSERT_GE(modules.size(), 30u);
  const int scales[] = {100, 40, 210, 70, 150, 50, 190, 120};

  auto fast = std::make_unique<Panes>();
  auto full = std::make_unique<Panes>();
  // Both start from pane rasters that show an earlier, different drawing everywhere.
  for (Panes* p : {fast.get(), full.get()}) {
    p->search.raster.setBrushColor(kBlue);
    p->search.raster.fillRect(0, 0, 2000, 2000);
  }

  const std::size_t steps = modules.size() * 2;
  for (std::size_t step = 0; step < steps; ++step) {
    const std::string& body = modules[(step * 7) % modules.size()];
    const std::vector<std::string_view> lines = splitBodyLines(body);
    const bool editPane = step % 3 == 0;
    const bool texts = step % 2 == 1;
    const int scale = scales[step % std::size(scales)];
    for (Panes* p : {fast.get(), full.get()}) {
      PanePicture& target = editPane ? p->edit : p->search;
      if (step % 11 == 10) {
        if (p == full.get()) whitenEveryPixel(p->work);
        limparEdicao(p->st, p->edit);
        continue;
      }
      p->st.imagem_destino = &target;
      p->st.escala = scale;
      if (p == full.get()) {
        whitenEveryPixel(p->work);
        whitenEveryPixel(target.raster);
      }
      redesenhar(p->st, lines, texts);
    }
    expectSamePixels(*fast, *full, static_cast<int>(step));
    if (HasFatalFailure()) return;
  }
}

TEST(RedrawSequence, ASmallRedrawAfterALargeOneLeavesNothingOfIt) {
  Panes p;
  p.st.imagem_destino = &p.search;
  redesenhar(p.st, {"DS -20000 -20000 200000 200000 120 21"}, false);
  ASSERT_GT(p.search.width, 1000);
  redesenhar(p.st, {"DS -100 0 100 0 120 21"}, false);
  for (int y = 0; y < 2000; ++y) {
    for (int x = 0; x < 2000; ++x) {
      const bool segment = y == 217 && x >= 216 && x < 218;
      if (!segment) {
        ASSERT_EQ(p.work.pixel(x, y), kWhite) << x << "," << y;
      }
    }
  }
  const QImage shown = paneImage(p.search);
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      if (y != 50) {
        ASSERT_EQ(shown.pixel(x, y), kWhite) << x << "," << y;
      }
    }
  }
  for (int y = 0; y < 2000; y += 3) {
    for (int x = 0; x < 2000; x += 3) {
      if (x >= shown.width() || y >= shown.height()) {
        ASSERT_EQ(p.search.raster.pixel(x, y), kWhite) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace trevak
