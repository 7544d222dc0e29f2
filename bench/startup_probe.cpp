// SPDX-License-Identifier: GPL-3.0-or-later
// trevak-startup-probe: the editor's own start-up, ended at the first turn of its event loop.
// It prints the nanoseconds from TREVAK_PROBE_SPAWNED_NS (the parent's CLOCK_MONOTONIC just
// before it started the process) to that turn.
#include <QCoreApplication>
#include <QMetaObject>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/start_up.h"

namespace {

long long monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Runs inside the application object's constructor: the event posted here is handled by the
// first turn of the event loop, after the window was built, shown and given its libraries.
void quitAtFirstTurn() {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [] {
        const char* spawned = std::getenv("TREVAK_PROBE_SPAWNED_NS");
        if (spawned != nullptr) std::printf("%lld\n", monotonicNs() - std::atoll(spawned));
        std::fflush(stdout);
        QCoreApplication::quit();
      },
      Qt::QueuedConnection);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(quitAtFirstTurn)

int main(int argc, char* argv[]) { return trevak::runTrevak(argc, argv); }
