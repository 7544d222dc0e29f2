// SPDX-License-Identifier: GPL-3.0-or-later
// trevak-bench: the Google Benchmark suite. Fixed locale and headless platform, as the tests.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLocale>
#include <clocale>
#include <cstdlib>

#include "cli/cli.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The users' locale: name collation is part of what is measured.
  std::setlocale(LC_ALL, "C");
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
  QApplication app(argc, argv);
  // `render` in process, as trevak-cli-render runs it.
  trevak::cli::setRenderCommand(trevak::cli::cmdRender);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
