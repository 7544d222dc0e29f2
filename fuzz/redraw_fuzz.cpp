// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes load and every module draws, as the window draws them: one drawing state carried
// from redraw to redraw, the two panes taking turns, each at a pane scale and with the text
// switch chosen from the input. The pictures stay within their rasters and the box within the
// conversion's promises. For one input in 32 a second window draws its first modules too,
// its surfaces cleared whole before every redraw, and must show the same pixels: clearing only
// the area that earlier drawings touched must leave nothing behind.
#include <QGuiApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/drawing_state.h"
#include "drawing/preview.h"
#include "drawing/surface.h"
#include "library/body_lines.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// The window's surfaces and drawing state live as long as the program; so do these.
struct Window {
  trevak::Surface image1;
  trevak::PanePicture image2;
  trevak::PanePicture image3;
  trevak::estado_desenho state;

  Window() { state.imagem_trabalho = &image1; }
};

Window& window() {
  static Window* w = new Window;  // never destroyed, as the fuzzer never returns
  return *w;
}

Window& referenceWindow() {
  static Window* w = new Window;
  return *w;
}

// Makes the next white fill of the surface paint every pixel: a dot in another colour in two
// opposite corners widens the area the surface remembers as touched to the whole raster. The
// brush is left as it was.
void touchWhole(trevak::Surface& surface) {
  const QRgb brush = surface.brushColor();
  surface.setBrushColor(trevak::kBlack);
  surface.fillRect(0, 0, 1, 1);
  surface.fillRect(surface.width() - 1, surface.height() - 1, surface.width(), surface.height());
  surface.setBrushColor(brush);
}

void takeSettings(trevak::Surface& to, const trevak::Surface& from) {
  to.setPenColor(from.penColor());
  to.setPenMode(from.penMode());
  to.setBrushColor(from.brushColor());
  to.setFontColor(from.fontColor());
}

// One redraw of a pane, as the window's change handler makes it.
const trevak::PanePicture& redrawPane(Window& w, bool editPane, std::int32_t scale,
                                      const std::vector<std::string_view>& lines, bool texts) {
  trevak::PanePicture& target = editPane ? w.image2 : w.image3;
  (editPane ? w.state.escala_edicao : w.state.escala_pesquisa) = scale;
  w.state.imagem_destino = &target;
  w.state.escala = scale;
  trevak::redesenhar(w.state, lines, texts);
  return target;
}

// Byte for byte, row by row. QImage's own comparison masks the unused alpha of every RGB32
// pixel one at a time, which made the comparisons a quarter of the whole run; the surfaces
// always write that byte as 0xff, so the bytes must agree as well.
bool samePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return false;
  const auto rowBytes = static_cast<std::size_t>(a.width()) * 4;
  for (int y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0) return false;
  }
  return true;
}

bool widened(const trevak::estado_desenho& st) {
  return st.xmax != INT32_MIN || st.ymax != INT32_MIN;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Texts are drawn only with a GUI application; the offscreen platform needs no display. The
  // application gets arguments of its own, so that it takes none of the fuzzer's.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "trevak_fuzz_redraw";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  trevak::ModuleTable table;
  trevak::MemoryByteSource source(bytes);
  trevak::loadLibrary(source, table);

  Window& w = window();
  trevak::estado_desenho& st = w.state;
  // Comparing costs whole fills and whole compares, so only some inputs and modules pay it.
  const bool compare = size % 32 == 31;
  constexpr int kComparedModules = 2;
  Window& ref = referenceWindow();
  if (compare) {
    // The reference takes over what the window carries from earlier redraws; not the pixels,
    // which its whole clears make no matter.
    ref.state = w.state;
    ref.state.imagem_trabalho = &ref.image1;
    takeSettings(ref.image1, w.image1);
    takeSettings(ref.image2.raster, w.image2.raster);
    takeSettings(ref.image3.raster, w.image3.raster);
    ref.image2.width = w.image2.width;
    ref.image2.height = w.image2.height;
    ref.image3.width = w.image3.width;
    ref.image3.height = w.image3.height;
  }
  // The last byte picks the first scale and switch; each module then moves on, so one input
  // meets several scales, 40 and 210 included.
  unsigned choice = size == 0 ? 0 : data[size - 1];
  for (int row = 0; row < table.RecordCount(); ++row, choice += 7) {
    const bool editPane = row % 2 == 0;
    const std::int32_t scale = 40 + static_cast<std::int32_t>(choice % 18) * 10;
    const bool texts = (choice / 18) % 2 == 1;
    const std::string body = table.recordAt(row).Comandos.value_or(std::string());
    const std::vector<std::string_view> lines = trevak::splitBodyLines(body);
    const trevak::PanePicture& target = redrawPane(w, editPane, scale, lines, texts);

    check(w.image1.width() == trevak::Surface::kSize &&
          w.image1.height() == trevak::Surface::kSize);
    check(target.raster.width() == trevak::Surface::kSize &&
          target.raster.height() == trevak::Surface::kSize);
    check(target.width >= 0 && target.width <= trevak::kMaxPictureSide);
    check(target.height >= 0 && target.height <= trevak::kMaxPictureSide);
    if (widened(st)) {
      check(st.xmin >= 0 && st.ymin >= 0);
    } else {
      check(target.width == 101 && target.height == 101);
    }
    check(st.tokens.ntokens >= 0 && st.tokens.ntokens <= trevak::Tokens::kSlots);

    if (compare && row < kComparedModules) {
      touchWhole(ref.image1);
      touchWhole(editPane ? ref.image2.raster : ref.image3.raster);
      const trevak::PanePicture& expected = redrawPane(ref, editPane, scale, lines, texts);
      check(expected.width == target.width && expected.height == target.height);
      check(samePixels(ref.image1.image(), w.image1.image()));
      check(samePixels(expected.raster.image(), target.raster.image()));
    }
  }
  return 0;
}
