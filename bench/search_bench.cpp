// SPDX-License-Identifier: GPL-3.0-or-later
// Search across many libraries: a folder load against one plain scan of its bytes, the memory
// it takes, and the filter's keystrokes over 200,000 modules in the real window, offscreen.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QString>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/tf_trevak.h"
#include "bench/bench_support.h"
#include "bench/library_generator.h"
#include "library/library_set.h"

namespace trevak::bench {

namespace {

// Every byte of every library of the folder read once and its line ends counted: the floor a
// load cannot go under.
std::size_t plainScan(const std::vector<std::string>& files) {
  static char buffer[1 << 16];
  std::size_t lines = 0;
  for (const std::string& f : files) {
    const int fd = ::open(f.c_str(), O_RDONLY);
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
      for (ssize_t i = 0; i < n; ++i) lines += buffer[i] == '\n';
    }
    ::close(fd);
  }
  return lines;
}

std::vector<std::string> corpusFiles() {
  std::vector<LibraryFailure> failures;
  return libraryFilesUnder(TREVAK_CORPUS_DIR, failures);
}

void BM_CorpusPlainScan(benchmark::State& state) {
  const std::vector<std::string> files = corpusFiles();
  for (auto _ : state) benchmark::DoNotOptimize(plainScan(files));
}
BENCHMARK(BM_CorpusPlainScan)->Unit(benchmark::kMillisecond);

// The folder load as the window's worker does it, filter texts included.
void BM_CorpusFolderLoad(benchmark::State& state) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    LibrarySetContents set = readLibrarySet({TREVAK_CORPUS_DIR});
    bytes = set.bytes;
    benchmark::DoNotOptimize(set.table->totalCount());
  }
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_CorpusFolderLoad)->Unit(benchmark::kMillisecond);

long residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// Resident memory the loaded corpus holds, over its size on disk.
void BM_CorpusFolderMemory(benchmark::State& state) {
  for (auto _ : state) {
    const long before = residentKiB();
    LibrarySetContents set = readLibrarySet({TREVAK_CORPUS_DIR});
    const long after = residentKiB();
    state.counters["bytesLoadedMB"] = static_cast<double>(set.bytes) / 1e6;
    state.counters["residentMB"] = static_cast<double>(after - before) * 1024 / 1e6;
    state.counters["ratio"] = static_cast<double>(after - before) * 1024 /
                              static_cast<double>(set.bytes);
  }
}
BENCHMARK(BM_CorpusFolderMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// 200,000 small modules in four libraries of a folder.
std::string filterFolder() {
  const std::string folder = dataFolder() + "/filter-200k";
  std::filesystem::create_directories(folder);
  for (int i = 0; i < 4; ++i) {
    const std::string path = folder + "/part" + std::to_string(i) + ".mod";
    if (std::filesystem::exists(path)) continue;
    GeneratorOptions o;
    o.seed = 200000 + static_cast<std::uint64_t>(i);
    o.modules = 50000;
    o.padsPerModule = 4;
    o.linesPerModule = 4;
    std::ofstream out(path, std::ios::binary);
    generateLibrary(o, out);
  }
  return folder;
}

// Each keystroke of "sot 23" typed into the filter and then deleted again, with the grid,
// the count label and the preview brought up to date before the next one.
void BM_WindowFilterKeystroke200k(benchmark::State& state) {
  TfTrevak window;
  window.show();
  window.openSearchLibrary(QString::fromStdString(filterFolder()));
  QApplication::processEvents();
  auto* filter = window.findChild<QLineEdit*>(QStringLiteral("EditFiltro"));
  const QString typed = QStringLiteral("sot 23");
  double worst = 0;
  int keys = 0;
  for (auto _ : state) {
    for (int step = 1; step <= 2 * typed.size(); ++step) {
      const int length = step <= typed.size() ? step : 2 * typed.size() - step;
      const auto start = std::chrono::steady_clock::now();
      filter->setText(typed.left(length));
      QApplication::processEvents();
      const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
      worst = std::max(worst, took.count());
      ++keys;
    }
  }
  state.counters["modules"] = window.searchLibrary().totalCount();
  state.counters["worstKeystrokeMs"] = worst;
  state.counters["keystrokes"] = keys;
}
BENCHMARK(BM_WindowFilterKeystroke200k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

}  // namespace trevak::bench
