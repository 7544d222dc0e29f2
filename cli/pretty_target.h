// SPDX-License-Identifier: GPL-3.0-or-later
// The edit commands' side of a `.pretty` library: loading it for a change and saving the
// change back into its folder or into a new one.
#pragma once

#include <iosfwd>
#include <string>

namespace trevak {
struct PrettyEditLibrary;
struct ModuleRecord;
}  // namespace trevak

namespace trevak::cli {

/// True when `path` names a `.pretty` library: a folder named `*.pretty`, or a path ending in
/// `.pretty` where nothing is yet.
bool isPrettyTarget(const std::string& path);

/// Loads a `.pretty` folder for a change; files that do not read are reported on `err` and
/// left as they are. False, reported, when the folder cannot be read.
bool loadPrettyTarget(const std::string& folder, PrettyEditLibrary& library, std::ostream& err);

/// Makes `folder` a new, empty `.pretty` folder for -o or --new: created when missing; one
/// that holds entries is refused unless `force`. Returns the exit status (0 ready).
int prepareNewFolder(const std::string& folder, bool force, const std::string& command,
                     std::ostream& err);

/// Saves `library` into its own folder (`output` empty, or naming that folder) or into the
/// folder `output`, made ready by prepareNewFolder (every footprint is written there). `force`
/// writes over files changed on disk since the load, or into a non-empty `output`. What was written
/// goes to `err` only when the save stopped part-way. Returns the exit status: 0 saved, 1 refused
/// (nothing written), 2 failed.
int savePrettyTarget(PrettyEditLibrary& library, const std::string& output, bool force,
                     const std::string& command, std::ostream& err);

/// A creation number no record of the library has (for a record added by a command).
void numberNewRecord(const PrettyEditLibrary& library, ModuleRecord& record);

}  // namespace trevak::cli
