// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace trevak {

/// Temporary files of saves in progress, removed if the program is ended by a signal
/// (SIGTERM, SIGINT, SIGHUP) before they have taken their target's place, so that a killed
/// save leaves nothing beside the library. The file layer adds each file it creates under a
/// name and drops it once renamed or removed. Safe from any thread; at most kSlots files are
/// held at once (a save past that still works, its file is only not cleaned up on a signal).
namespace temporary_files {

inline constexpr int kSlots = 64;

void add(const std::string& path);
void drop(const std::string& path);

/// Installs the handlers for the signals whose action is still the default one; the program
/// then ends by the same signal, after the files are removed. Called once by each program.
void removeOnSignals();

}  // namespace temporary_files

/// Leftovers of saves that were ended before they finished (`.LIB.mod.save-123456789`) beside
/// `libraryPath`, as paths.
std::vector<std::string> interruptedSaveLeftovers(const std::string& libraryPath);

}  // namespace trevak
