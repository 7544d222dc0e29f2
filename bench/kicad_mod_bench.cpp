// SPDX-License-Identifier: GPL-3.0-or-later
// The .kicad_mod summary over every footprint of the .pretty corpus (and Debian's library when
// installed), held in memory, against a line count of the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "library/kicad_mod_reader.h"

namespace trevak::bench {
namespace {

struct Footprints {
  std::vector<std::string> texts;
  std::size_t bytes = 0;
};

const Footprints& footprints() {
  static const Footprints all = [] {
    Footprints f;
    for (const char* root : {TREVAK_SOURCE_DIR "/../shared/corpus-pretty",
                             "/usr/share/kicad/footprints"}) {
      if (!std::filesystem::is_directory(root)) continue;
      for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (e.path().extension() != ".kicad_mod") continue;
        std::ifstream in(e.path(), std::ios::binary);
        f.texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        f.bytes += f.texts.back().size();
      }
    }
    return f;
  }();
  return all;
}

/// Yardstick: count the line ends of every file.
void BM_KicadModLineCount(benchmark::State& state) {
  const Footprints& f = footprints();
  for (auto _ : state) {
    std::size_t lines = 0;
    for (const std::string& t : f.texts) lines += static_cast<std::size_t>(std::count(t.begin(), t.end(), '\n'));
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.bytes));
  state.counters["files"] = static_cast<double>(f.texts.size());
}
BENCHMARK(BM_KicadModLineCount)->Unit(benchmark::kMillisecond);

/// Every file summarized: tokenized whole, balanced, name, version, descr and tags.
void BM_KicadModSummary(benchmark::State& state) {
  const Footprints& f = footprints();
  for (auto _ : state) {
    std::size_t ok = 0;
    for (const std::string& t : f.texts) ok += summarizeKicadMod(t).ok ? 1 : 0;
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.bytes));
}
BENCHMARK(BM_KicadModSummary)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trevak::bench
