// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes load and every module draws, as the window draws them: one drawing state carried
// from redraw to redraw, the two panes taking turns, each at a pane scale and with the text
// switch chosen from the input. The pictures stay within their rasters and the box within the
// conversion's promises.
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

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
  // The last byte picks the first scale and switch; each module then moves on, so one input
  // meets several scales, 40 and 210 included.
  unsigned choice = size == 0 ? 0 : data[size - 1];
  for (int row = 0; row < table.RecordCount(); ++row, choice += 7) {
    const bool editPane = row % 2 == 0;
    const std::int32_t scale = 40 + static_cast<std::int32_t>(choice % 18) * 10;
    trevak::PanePicture& target = editPane ? w.image2 : w.image3;
    (editPane ? st.escala_edicao : st.escala_pesquisa) = scale;
    st.imagem_destino = &target;
    st.escala = scale;
    const std::string body = table.recordAt(row).Comandos.value_or(std::string());
    trevak::redesenhar(st, trevak::splitBodyLines(body), (choice / 18) % 2 == 1);

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
  }
  return 0;
}
