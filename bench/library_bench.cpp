// SPDX-License-Identifier: GPL-3.0-or-later
// The library store: read and sort, LocateName, save, copy, strip-prefix and copy-name.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "library/kicad_export.h"
#include "library/kicad_mod_writer.h"
#include "library/library_commands.h"
#include "library/library_reader.h"
#include "library/library_writer.h"
#include "library/module_items.h"
#include "library/module_table.h"

namespace trevak::bench {

namespace {

/// Loading the 20,000-module, 30 MB library into a fresh table (read, sort, first module
/// current, the table dropped again), against a plain scan of the file.
void BM_ReadSort20k(benchmark::State& state) {
  const std::string path = generatedLibrary(Inputs::large(), "large-20000.mod");
  timeAgainstFloors(state, path, [&] {
    auto table = std::make_unique<ModuleTable>();
    loadOrDie(path, *table);
    benchmark::DoNotOptimize(table->RecordCount());
  });
  state.counters["MB"] = static_cast<double>(readFile(path).size()) / 1e6;
}
BENCHMARK(BM_ReadSort20k)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

/// The table of 100,000 modules, loaded once for all the benchmarks that use it.
ModuleTable& hugeTable() {
  static ModuleTable* table = [] {
    auto* t = new ModuleTable;
    loadOrDie(generatedLibrary(Inputs::huge(), "huge-100000.mod"), *t);
    return t;
  }();
  return *table;
}

/// LocateName in the 100,000-module table of the name of its last module, typed in other
/// letter case, with the cursor on the first module: the whole table is scanned.
void BM_LocateNameLast100k(benchmark::State& state) {
  ModuleTable& table = hugeTable();
  const std::string last = *table.recordAt(table.RecordCount() - 1).nome_Componente;
  std::string typed = last;
  for (char& c : typed) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  for (auto _ : state) {
    state.PauseTiming();
    table.MoveFirst();
    state.ResumeTiming();
    if (!table.LocateName(typed)) state.SkipWithError("not found");
  }
  table.MoveFirst();
}
BENCHMARK(BM_LocateNameLast100k)->Unit(benchmark::kMillisecond);

/// LocateName in the 100,000-module table of a name it does not hold.
void BM_LocateNameAbsent100k(benchmark::State& state) {
  ModuleTable& table = hugeTable();
  for (auto _ : state) {
    if (table.LocateName("NO-SUCH-MODULE_0")) state.SkipWithError("found");
  }
}
BENCHMARK(BM_LocateNameAbsent100k)->Unit(benchmark::kMillisecond);

/// The copy command into the 100,000-module edit library: LocateName, the new record, the
/// sort. The copied module is deleted again between iterations, untimed.
void BM_CopyInto100k(benchmark::State& state) {
  ModuleTable& edit = hugeTable();
  GeneratorOptions o = Inputs::navigation();
  o.modules = 50;
  o.namePrefix = "COPIED-";
  ModuleTable search;
  loadOrDie(generatedLibrary(o, "copy-source.mod"), search);
  for (auto _ : state) {
    if (copyCurrentModule(search, edit) != CopyResult::Copied) state.SkipWithError("not copied");
    state.PauseTiming();
    edit.DeleteRecord();
    search.MoveNext();
    if (search.AtEnd()) search.MoveFirst();
    state.ResumeTiming();
  }
  edit.MoveFirst();
}
BENCHMARK(BM_CopyInto100k)->Unit(benchmark::kMillisecond);

/// Saving the 20,000-module library, against writing its bytes to a file the same way (1 MiB
/// blocks, flushed to disk, renamed into place).
void BM_Save20k(benchmark::State& state) {
  ModuleTable table;
  loadOrDie(generatedLibrary(Inputs::large(), "large-20000.mod"), table);
  const std::string path = dataFolder() + "/saved-20000.mod";
  const std::string plainPath = dataFolder() + "/written-20000.mod";
  SaveOptions options;
  options.time = HeaderTime{0, true};
  saveLibrary(table, path, options);
  const std::string bytes = readFile(path);
  timeAgainst(
      state, "write", [&] { saveLibrary(table, path, options); },
      [&] { plainWrite(plainPath, bytes); });
  state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
  // The reader's yardstick too, timed after the saves: counting the lines of what was saved.
  const double saveMs = state.counters["x_write"] * state.counters["write_ms"];
  const auto t0 = std::chrono::steady_clock::now();
  constexpr int kCounts = 5;
  for (int i = 0; i < kCounts; ++i) benchmark::DoNotOptimize(lineCount(path));
  const std::chrono::duration<double, std::milli> wc = std::chrono::steady_clock::now() - t0;
  state.counters["wc_ms"] = wc.count() / kCounts;
  state.counters["x_wc"] = saveMs / (wc.count() / kCounts);
}
BENCHMARK(BM_Save20k)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(2.0);

/// Exporting the 20,000-module library as a KiCad footprint folder (parse, s-expression, one
/// file each through a temporary file and a rename) into a new folder, against saving it as a
/// legacy library.
// A folder for one export run, new each time and all removed when the suite ends: ext4 without
// a journal (as on the benchmark machine) passes over the inodes freed in the last minutes
// whenever it makes a file, so exporting just after deleting twenty thousand files measures the
// deletion, not the export a user makes into a new folder. Folders an interrupted run left are
// removed at the start, with a warning.
std::string newExportFolder() {
  static const bool cleaned = [] {
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder())) {
      if (entry.path().filename().string().rfind("export-20000-", 0) == 0) {
        std::fprintf(stderr, "removing %s, left by an earlier run; the export's figures may "
                             "suffer from it\n", entry.path().c_str());
        std::filesystem::remove_all(entry.path());
      }
    }
    std::atexit([] {
      for (const auto& entry : std::filesystem::directory_iterator(dataFolder())) {
        if (entry.path().filename().string().rfind("export-20000-", 0) == 0) {
          std::filesystem::remove_all(entry.path());
        }
      }
    });
    return true;
  }();
  (void)cleaned;
  static int runs = 0;
  return dataFolder() + "/export-20000-" + std::to_string(::getpid()) + "-" +
         std::to_string(runs++) + ".pretty";
}

// The 20,000-module library loaded, its modules as the export takes them, and its legacy save
// (the export's yardstick).
struct ExportInputs {
  ExportInputs() {
    loadOrDie(generatedLibrary(Inputs::large(), "large-20000.mod"), table);
    save.time = HeaderTime{0, true};
    modules = exportModulesOf(table);
  }
  void saveLegacy() { saveLibrary(table, dataFolder() + "/saved-20000.mod", save); }

  ModuleTable table;
  SaveOptions save;
  std::vector<ExportModule> modules;
};

void BM_ExportKicad20k(benchmark::State& state) {
  ExportInputs in;
  const std::vector<ExportModule>& modules = in.modules;
  ExportOptions exportOptions;
  exportOptions.threads = static_cast<unsigned>(state.range(0));
  std::vector<std::string> folders;
  timeAgainst(
      state, "save", [&] { folders.push_back(newExportFolder()); },
      [&] {
        const ExportReport report =
            exportPretty(modules, in.table.unit(), folders.back(), exportOptions);
        if (report.count(ExportOutcome::Written) != modules.size()) state.SkipWithError("export");
      },
      [&] { in.saveLegacy(); });
  state.counters["files"] = static_cast<double>(modules.size());
}
// 0: a thread per core, as the command line exports; 1: the formatting and writing in one line.
BENCHMARK(BM_ExportKicad20k)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

// The file system's share of the export: the same 20,000 footprint texts, made beforehand,
// written as plain new files (created, written, closed; no unnamed file, no link, no check)
// on one thread, against the legacy save. What the export can never go below on that folder's
// file system, whatever its threads do.
void BM_ExportFilesAlone20k(benchmark::State& state) {
  ExportInputs in;
  const std::vector<ExportModule>& modules = in.modules;
  const std::vector<std::string> names = exportFootprintNames(modules);
  std::vector<std::string> texts;
  texts.reserve(modules.size());
  ModuleItems items;
  std::vector<KicadModNote> notes;
  for (std::size_t i = 0; i < modules.size(); ++i) {
    parseModuleItems(modules[i].body, in.table.unit(), items);
    texts.push_back(writeKicadMod(names[i], items, notes));
  }
  std::string folder;
  timeAgainst(
      state, "save",
      [&] {
        folder = newExportFolder();
        std::filesystem::create_directory(folder);
      },
      [&] {
        const int base = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (std::size_t i = 0; i < texts.size(); ++i) {
          const std::string name = names[i] + ".kicad_mod";
          const int fd =
              ::openat(base, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
          if (fd < 0 || ::write(fd, texts[i].data(), texts[i].size()) !=
                            static_cast<ssize_t>(texts[i].size())) {
            state.SkipWithError("write");
          }
          if (fd >= 0) ::close(fd);
        }
        ::fsync(base);
        ::close(base);
      },
      [&] { in.saveLegacy(); });
}
BENCHMARK(BM_ExportFilesAlone20k)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

/// A command that walks every record of a freshly loaded 20,000-module library, against a
/// plain scan of the library's file. The library is loaded again, untimed, before each run.
template <typename Command>
void commandOverLarge(benchmark::State& state, const GeneratorOptions& options,
                      const std::string& fileName, Command command) {
  const std::string path = generatedLibrary(options, fileName);
  ModuleTable table;
  timeAgainstFloors(
      state, path, [&] { loadOrDie(path, table); }, [&] { command(table); });
}

void BM_StripPrefix20k(benchmark::State& state) {
  GeneratorOptions o = Inputs::large();
  o.namePrefix = "LIB-";
  commandOverLarge(state, o, "large-20000-prefixed.mod",
                   [](ModuleTable& table) { stripLibraryPrefix(table, "/home/u/LIB.mod"); });
}
BENCHMARK(BM_StripPrefix20k)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void BM_CopyName20k(benchmark::State& state) {
  GeneratorOptions o = Inputs::large();
  o.namePlaceholders = true;
  commandOverLarge(state, o, "large-20000-placeholders.mod",
                   [](ModuleTable& table) { fillNamePlaceholders(table); });
}
BENCHMARK(BM_CopyName20k)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

}  // namespace trevak::bench
