// SPDX-License-Identifier: GPL-3.0-or-later
// Redraws of one module, navigation with both panes redrawing, and `render --all`.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "cli/cli.h"
#include "drawing/drawing_state.h"
#include "drawing/exact_footprint.h"
#include "drawing/exact_renderer.h"
#include "drawing/preview.h"
#include "library/body_lines.h"
#include "library/library_commands.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak::bench {

namespace {

/// One pane with its own working surface, drawn as the window draws the search pane: the
/// body split into lines, the redraw, and the picture the pane then shows.
struct Pane {
  Surface work;
  PanePicture picture;
  estado_desenho st;
  QImage shown;

  Pane() { st.imagem_trabalho = &work; }

  void redraw(const std::string& body, bool texts) {
    st.imagem_destino = &picture;
    st.escala = st.escala_pesquisa;
    redesenhar(st, splitBodyLines(body), texts);
    shown = paneImage(picture);
    benchmark::DoNotOptimize(shown.constBits());
  }
};

std::size_t countLinesStartingWith(const std::string& body, std::string_view word) {
  std::size_t n = 0;
  for (std::string_view line : splitBodyLines(body)) n += line.starts_with(word) ? 1 : 0;
  return n;
}

/// The body of a typical module: of 200 generated ones, the one closest to 30 pads and 20
/// segments.
const std::string& typicalBody() {
  static const std::string body = [] {
    GeneratorOptions o;
    o.seed = 30;
    o.modules = 200;
    std::ostringstream text;
    generateLibrary(o, text);
    const std::string bytes = text.str();
    MemoryByteSource source(bytes);
    ModuleTable table;
    readLibrary(source, table);
    std::string best;
    std::size_t bestDistance = SIZE_MAX;
    for (int row = 0; row < table.RecordCount(); ++row) {
      const std::string b = table.recordAt(row).Comandos.value_or("");
      const auto pads = static_cast<long>(countLinesStartingWith(b, "$PAD"));
      const auto segments = static_cast<long>(countLinesStartingWith(b, "DS "));
      const auto distance =
          static_cast<std::size_t>(std::labs(pads - 30) + std::labs(segments - 20));
      if (distance < bestDistance) {
        bestDistance = distance;
        best = b;
      }
    }
    return best;
  }();
  return body;
}

/// A module of exactly 10,000 body lines: one generated module with many pads and segments,
/// cut after its 10,000th line.
const std::string& largeBody() {
  static const std::string body = [] {
    GeneratorOptions o;
    o.seed = 10000;
    o.modules = 1;
    o.padsPerModule = 1200;
    o.linesPerModule = 4000;
    std::ostringstream text;
    generateLibrary(o, text);
    const std::string bytes = text.str();
    MemoryByteSource source(bytes);
    ModuleTable table;
    readLibrary(source, table);
    const std::string whole = table.recordAt(0).Comandos.value_or("");
    std::vector<std::string_view> lines = splitBodyLines(whole);
    if (lines.size() < 10000) std::abort();
    lines.resize(10000);
    return joinBodyLines(lines);
  }();
  return body;
}

/// The largest module of the real 2 MB library develorn/encoder.mod (Encoder_100_80, 865 KB).
const std::string& hugeBody() {
  static const std::string body = [] {
    ModuleTable table;
    loadOrDie(corpusFile("develorn/encoder.mod"), table);
    std::string largest;
    for (int row = 0; row < table.RecordCount(); ++row) {
      const std::string& b = *table.recordAt(row).Comandos;
      if (b.size() > largest.size()) largest = b;
    }
    return largest;
  }();
  return body;
}

/// Every module body of develorn/encoder.mod as one module: all 2 MB drawn at once.
const std::string& wholeFileBody() {
  static const std::string body = [] {
    ModuleTable table;
    loadOrDie(corpusFile("develorn/encoder.mod"), table);
    std::string all;
    for (int row = 0; row < table.RecordCount(); ++row) all += *table.recordAt(row).Comandos;
    return all;
  }();
  return body;
}

void redrawBenchmark(benchmark::State& state, const std::string& body, bool texts) {
  auto pane = std::make_unique<Pane>();
  for (auto _ : state) pane->redraw(body, texts);
  state.counters["lines"] = static_cast<double>(splitBodyLines(body).size());
  state.counters["picture_w"] = pane->picture.width;
  state.counters["picture_h"] = pane->picture.height;
}

void BM_RedrawTypical(benchmark::State& state) { redrawBenchmark(state, typicalBody(), false); }
BENCHMARK(BM_RedrawTypical)->Unit(benchmark::kMicrosecond);

void BM_RedrawTypicalWithTexts(benchmark::State& state) {
  redrawBenchmark(state, typicalBody(), true);
}
BENCHMARK(BM_RedrawTypicalWithTexts)->Unit(benchmark::kMicrosecond);

void BM_RedrawLarge10000Lines(benchmark::State& state) {
  redrawBenchmark(state, largeBody(), false);
}
BENCHMARK(BM_RedrawLarge10000Lines)->Unit(benchmark::kMillisecond);

void BM_RedrawHugeEncoder(benchmark::State& state) { redrawBenchmark(state, hugeBody(), false); }
BENCHMARK(BM_RedrawHugeEncoder)->Unit(benchmark::kMillisecond);

void BM_RedrawHugeEncoderWholeFile(benchmark::State& state) {
  redrawBenchmark(state, wholeFileBody(), false);
}
BENCHMARK(BM_RedrawHugeEncoderWholeFile)->Unit(benchmark::kMillisecond);

/// Two module tables whose change notifications redraw their pane as the window's
/// DS_compDataChange and DS_comp2DataChange do: target, scale, the body's lines, the redraw,
/// the picture shown, the count label.
class TwoPanes {
 public:
  TwoPanes() {
    m_state.imagem_trabalho = &m_image1;
    edit.setOnDataChange([this](NotificationKind, std::string_view) {
      redraw(edit, m_image2, m_state.escala_edicao, m_shown2);
      m_label1 = std::to_string(edit.RecordCount());
    });
    search.setOnDataChange([this](NotificationKind, std::string_view) {
      redraw(search, m_image3, m_state.escala_pesquisa, m_shown3);
      m_label2 = std::to_string(search.RecordCount());
    });
  }

  ModuleTable edit;
  ModuleTable search;
  int redraws = 0;

 private:
  void redraw(const ModuleTable& table, PanePicture& picture, int scale, QImage& shown) {
    m_state.imagem_destino = &picture;
    m_state.escala = scale;
    if (table.IsEmpty()) return;
    const std::string body = table.GetField("comandos");
    redesenhar(m_state, splitBodyLines(body), false);
    shown = paneImage(picture);
    ++redraws;
  }

  Surface m_image1;
  PanePicture m_image2;
  PanePicture m_image3;
  estado_desenho m_state;
  QImage m_shown2;
  QImage m_shown3;
  std::string m_label1;
  std::string m_label2;
};

constexpr int kNavigationMoves = 5000;

/// 5,000 moves of the navigation strip through two libraries of 5,000 typical modules: the
/// first move goes from the last module to the first, the rest step forward one by one, and
/// every move redraws both panes.
void BM_Navigation5000BothPanes(benchmark::State& state) {
  GeneratorOptions editOptions = Inputs::navigation();
  editOptions.seed += 1;
  const std::string searchPath = generatedLibrary(Inputs::navigation(), "navigation-search.mod");
  const std::string editPath = generatedLibrary(editOptions, "navigation-edit.mod");
  auto panes = std::make_unique<TwoPanes>();
  loadOrDie(editPath, panes->edit);
  loadOrDie(searchPath, panes->search);
  for (auto _ : state) {
    state.PauseTiming();
    moveBoth(panes->edit, panes->search, Move::Last);
    panes->redraws = 0;
    state.ResumeTiming();
    moveBoth(panes->edit, panes->search, Move::First);
    for (int i = 1; i < kNavigationMoves; ++i) moveBoth(panes->edit, panes->search, Move::Next);
  }
  state.counters["redraws"] = panes->redraws;
}
BENCHMARK(BM_Navigation5000BothPanes)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(3);

/// `trevak-cli render --all` over a library of 1,000 typical modules, against a plain scan of
/// the library file.
void BM_RenderAll1000(benchmark::State& state) {
  const std::string path = generatedLibrary(Inputs::renderAll(), "render-all.mod");
  const std::string folder = dataFolder() + "/render-all";
  timeAgainstFloors(state, path, [&] {
    std::filesystem::remove_all(folder);
    std::ostringstream out, err;
    if (cli::run({"render", path, "--all", "-o", folder}, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
    }
  });
}
BENCHMARK(BM_RenderAll1000)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3);


/// The exact drawing of the typical module as the command line makes it: the body parsed,
/// turned into paths, painted at 512 pixels and encoded as PNG (or written as SVG).
void exactBenchmark(benchmark::State& state, bool svg) {
  const std::string& body = typicalBody();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const exact::ExactDrawing drawing(exact::footprintFromBody(body, LengthUnit::Decimil),
                                      exact::Options{});
    if (svg) {
      QByteArray data;
      QBuffer buffer(&data);
      buffer.open(QIODevice::WriteOnly);
      QSvgGenerator generator;
      generator.setOutputDevice(&buffer);
      QTransform t;
      generator.setSize(exact::pictureSizeFor(drawing, 512, &t));
      QPainter painter(&generator);
      drawing.paint(painter, t);
      painter.end();
      bytes = static_cast<std::size_t>(data.size());
    } else {
      bytes = static_cast<std::size_t>(exact::renderPng(drawing, 512).size());
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_ExactPngTypical(benchmark::State& state) { exactBenchmark(state, false); }
BENCHMARK(BM_ExactPngTypical)->Unit(benchmark::kMillisecond);

void BM_ExactSvgTypical(benchmark::State& state) { exactBenchmark(state, true); }
BENCHMARK(BM_ExactSvgTypical)->Unit(benchmark::kMillisecond);

/// `trevak-cli render --all --exact` over the same 1,000 modules as BM_RenderAll1000, against
/// the sketch's `render --all` of them in the same run (`x_sketch` below 1: faster).
void BM_RenderAllExact1000(benchmark::State& state) {
  const std::string path = generatedLibrary(Inputs::renderAll(), "render-all.mod");
  const std::string folder = dataFolder() + "/render-all-exact";
  const std::string sketchFolder = dataFolder() + "/render-all";
  timeAgainst(
      state, "sketch",
      [&] {
        std::filesystem::remove_all(folder);
        std::ostringstream out, err;
        if (cli::run({"render", path, "--all", "--exact", "-o", folder}, out, err) != 0) {
          state.SkipWithError(err.str().c_str());
        }
      },
      [&] {
        std::filesystem::remove_all(sketchFolder);
        std::ostringstream out, err;
        if (cli::run({"render", path, "--all", "-o", sketchFolder}, out, err) != 0) {
          state.SkipWithError(err.str().c_str());
        }
      });
}
BENCHMARK(BM_RenderAllExact1000)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3);

}  // namespace

}  // namespace trevak::bench
