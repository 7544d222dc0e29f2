// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "bench/library_generator.h"

namespace trevak {
class ModuleTable;
}

namespace trevak::bench {

/// The libraries the suite works on. Fixed seeds, so every run and every machine reads the
/// same bytes.
struct Inputs {
  /// 20,000 modules, about 30 MB: the large library of read, sort and save.
  static GeneratorOptions large();
  /// 100,000 modules of the same kind (about 150 MB): the edit library of one copy.
  static GeneratorOptions huge();
  /// 200,000 modules of the same kind (about 300 MB): the window's memory with a very large
  /// edit library.
  static GeneratorOptions giant();
  /// 5,000 typical modules (30 pads, 20 segments on average): the navigation tables.
  static GeneratorOptions navigation();
  /// 1,000 typical modules: `render --all`.
  static GeneratorOptions renderAll();
};

/// The folder for generated inputs and scratch files: $TREVAK_BENCH_DATA, or
/// <temporary folder>/trevak-bench. Created when missing.
std::string dataFolder();

/// The file holding the library that `options` generate, written on first use and kept.
std::string generatedLibrary(const GeneratorOptions& options, const std::string& fileName);

/// A file of the shared corpus of real libraries.
std::string corpusFile(const std::string& relative);

/// The whole content of a file. Aborts the run when it cannot be read.
std::string readFile(const std::string& path);

/// The floor of every reader: the file read in 1 MiB blocks, its line ends counted. Returns
/// the count, so that the work cannot be optimised away.
std::size_t plainScan(const std::string& path);

/// The real floor of every reader, as `wc -l` counts: the file read in 128 KiB blocks, line
/// ends found with memchr (vectorised by the C library). Returns the count.
std::size_t lineCount(const std::string& path);

/// The floor of every save: `bytes` written to a new file at `path` in 1 MiB blocks, flushed
/// to disk as a save is, the file closed and renamed over `path`.
void plainWrite(const std::string& path, std::string_view bytes);

/// Loads a library file into a table; aborts the run on failure.
void loadOrDie(const std::string& path, ModuleTable& table);

/// Times an operation against a baseline in the same run. Each iteration runs `setup`
/// (untimed), `op`, then `baseline`; the benchmark's time is that of `op` alone (manual time,
/// so register the benchmark with UseManualTime), and two counters are set: `<name>_ms`, the
/// baseline's mean time, and `x_<name>`, the ratio of the operation's total time to the
/// baseline's. Absolute times drift on a shared machine; the ratio drifts much less.
template <typename Setup, typename Op, typename Baseline>
void timeAgainst(benchmark::State& state, const std::string& name, Setup&& setup, Op&& op,
                 Baseline&& baseline) {
  using Clock = std::chrono::steady_clock;
  std::chrono::duration<double> opTotal{0}, baseTotal{0};
  for (auto _ : state) {
    setup();
    const auto t0 = Clock::now();
    op();
    const auto t1 = Clock::now();
    baseline();
    const auto t2 = Clock::now();
    const std::chrono::duration<double> opTime = t1 - t0;
    opTotal += opTime;
    baseTotal += t2 - t1;
    state.SetIterationTime(opTime.count());
  }
  const double n = static_cast<double>(state.iterations());
  state.counters[name + "_ms"] = baseTotal.count() * 1000.0 / n;
  state.counters["x_" + name] = opTotal.count() / baseTotal.count();
}

/// Times an operation over the library file at `path` against both floors of a reader in the
/// same run: each iteration runs `setup` (untimed), `op`, plainScan and lineCount. Sets
/// `scan_ms` and `x_scan` (the suite's own scan, as timeAgainst does) and `wc_ms` and `x_wc`
/// (the memchr line count of `wc -l`). Register with UseManualTime.
template <typename Setup, typename Op>
void timeAgainstFloors(benchmark::State& state, const std::string& path, Setup&& setup,
                       Op&& op) {
  using Clock = std::chrono::steady_clock;
  std::chrono::duration<double> opTotal{0}, scanTotal{0}, wcTotal{0};
  for (auto _ : state) {
    setup();
    const auto t0 = Clock::now();
    op();
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(plainScan(path));
    const auto t2 = Clock::now();
    benchmark::DoNotOptimize(lineCount(path));
    const auto t3 = Clock::now();
    const std::chrono::duration<double> opTime = t1 - t0;
    opTotal += opTime;
    scanTotal += t2 - t1;
    wcTotal += t3 - t2;
    state.SetIterationTime(opTime.count());
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["scan_ms"] = scanTotal.count() * 1000.0 / n;
  state.counters["x_scan"] = opTotal.count() / scanTotal.count();
  state.counters["wc_ms"] = wcTotal.count() * 1000.0 / n;
  state.counters["x_wc"] = opTotal.count() / wcTotal.count();
}

/// timeAgainstFloors without a setup.
template <typename Op>
void timeAgainstFloors(benchmark::State& state, const std::string& path, Op&& op) {
  timeAgainstFloors(
      state, path, [] {}, op);
}

/// timeAgainst without a setup.
template <typename Op, typename Baseline>
void timeAgainst(benchmark::State& state, const std::string& name, Op&& op, Baseline&& baseline) {
  timeAgainst(
      state, name, [] {}, op, baseline);
}

}  // namespace trevak::bench
