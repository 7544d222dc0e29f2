// SPDX-License-Identifier: GPL-3.0-or-later
// The editor window, offscreen: navigation with both panes redrawing, and start-up.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/resource.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTableView>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/tf_trevak.h"
#include "bench/bench_support.h"

extern char** environ;

namespace trevak::bench {

namespace {

constexpr int kNavigationMoves = 5000;

QAbstractButton* button(TfTrevak& window, const char* name) {
  auto* b = window.findChild<QAbstractButton*>(QLatin1String(name));
  if (b == nullptr) std::abort();
  return b;
}

/// The navigation strip of the real window through two libraries of 5,000 typical modules:
/// "Primeiro" from the last module, then "Proximo" 4,999 times. Each click redraws both panes
/// (and their grids, body views and labels); the events each click leaves behind, the repaints
/// included, are processed before the next click, as the user's event loop would.
void BM_WindowNavigation5000(benchmark::State& state) {
  GeneratorOptions editOptions = Inputs::navigation();
  editOptions.seed += 1;
  const std::string searchPath = generatedLibrary(Inputs::navigation(), "navigation-search.mod");
  const std::string editPath = generatedLibrary(editOptions, "navigation-edit.mod");
  auto window = std::make_unique<TfTrevak>();
  window->show();
  window->openEditLibrary(QString::fromStdString(editPath));
  window->openSearchLibrary(QString::fromStdString(searchPath));
  QCoreApplication::processEvents();
  QAbstractButton* first = button(*window, "BitBtn7");
  QAbstractButton* next = button(*window, "BitBtn8");
  QAbstractButton* last = button(*window, "BitBtn10");
  for (auto _ : state) {
    state.PauseTiming();
    last->click();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    first->click();
    QCoreApplication::processEvents();
    for (int i = 1; i < kNavigationMoves; ++i) {
      next->click();
      QCoreApplication::processEvents();
    }
  }
  state.counters["edit_row"] = window->editLibrary().currentIndex();
}
BENCHMARK(BM_WindowNavigation5000)->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(3);

/// Opening the 30 MB library of 20,000 modules as the edit library of the shown window, from
/// the moment its open dialog gave the path to the grid painted with its first rows (the load,
/// the grids, the body view and the preview of the first module, and the paint events they
/// leave), against both floors of a reader. Each iteration starts from the small example
/// library, loaded untimed.
void BM_WindowOpenEdit20k(benchmark::State& state) {
  const std::string path = generatedLibrary(Inputs::large(), "large-20000.mod");
  const QString large = QString::fromStdString(path);
  const QString example = QStringLiteral(TREVAK_SOURCE_DIR "/examples/exemplo.mod");
  auto window = std::make_unique<TfTrevak>();
  window->show();
  QCoreApplication::processEvents();
  auto* grid = window->findChild<QTableView*>(QStringLiteral("DBGrid1"));
  timeAgainstFloors(
      state, path,
      [&] {
        window->openEditLibrary(example);
        QCoreApplication::processEvents();
      },
      [&] {
        window->openEditLibrary(large);
        QCoreApplication::processEvents();
      });
  if (window->editLibrary().RecordCount() != Inputs::large().modules) {
    state.SkipWithError("the library did not load");
  }
  if (grid != nullptr) state.counters["first_row"] = grid->rowAt(0);
}
BENCHMARK(BM_WindowOpenEdit20k)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(7);

long long monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

/// Starts the editor (through the probe, which ends it at the first turn of its event loop)
/// with `arguments`, offscreen. Returns the nanoseconds from the start to that first turn.
/// `peakBytes`, when given, receives the process's peak resident memory.
long long startAndMeasure(benchmark::State& state, const std::vector<std::string>& arguments,
                          double* peakBytes = nullptr) {
  const std::string output = dataFolder() + "/startup-probe.out";
  const std::string errors = dataFolder() + "/startup-probe.err";
  std::vector<std::string> args = {TREVAK_STARTUP_PROBE};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // The offscreen platform's notices would clutter the report.
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errors.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("TREVAK_PROBE_SPAWNED_NS", std::to_string(monotonicNs()).c_str(), 1);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  int status = 0;
  rusage usage{};
  if (spawned != 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    state.SkipWithError("the start-up probe failed");
    return 0;
  }
  if (peakBytes != nullptr) *peakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
  long long firstTurn = 0;
  std::ifstream(output) >> firstTurn;
  return firstTurn;
}

/// The editor's process from its start to the first turn of its event loop (the window built,
/// shown, the libraries of the command line loaded); the benchmark's time is the whole life of
/// the process, its end included.
void startUp(benchmark::State& state, const std::vector<std::string>& arguments) {
  double firstTurnTotal = 0;
  for (auto _ : state) {
    firstTurnTotal += static_cast<double>(startAndMeasure(state, arguments));
  }
  state.counters["first_turn_ms"] =
      firstTurnTotal / 1e6 /
      static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
}

void BM_StartUpEmpty(benchmark::State& state) { startUp(state, {}); }
BENCHMARK(BM_StartUpEmpty)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_StartUpWithExample(benchmark::State& state) {
  startUp(state, {"--search", std::string(TREVAK_SOURCE_DIR) + "/examples/exemplo.mod"});
}
BENCHMARK(BM_StartUpWithExample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_StartUpWithLarge20k(benchmark::State& state) {
  startUp(state, {"--search", generatedLibrary(Inputs::large(), "large-20000.mod")});
}
BENCHMARK(BM_StartUpWithLarge20k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

/// The editor started with the 200,000-module library (about 300 MB) as its edit library: the
/// peak resident memory of the whole process (Qt included) against the file's size.
void BM_WindowMemoryEdit200k(benchmark::State& state) {
  const std::string path = generatedLibrary(Inputs::giant(), "giant-200000.mod");
  const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
  double peak = 0;
  for (auto _ : state) startAndMeasure(state, {path}, &peak);
  state.counters["peak_MB"] = peak / 1e6;
  state.counters["file_MB"] = fileBytes / 1e6;
  state.counters["x_file"] = peak / fileBytes;
}
BENCHMARK(BM_WindowMemoryEdit200k)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

}  // namespace trevak::bench
