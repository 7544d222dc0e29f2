// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that change a library: each loads with the reader, changes the table with the
// window's own command code and saves with the writer.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/library_source.h"
#include "library/file_lock.h"
#include "library/io_error.h"
#include "library/library_commands.h"
#include "library/library_reader.h"
#include "library/library_writer.h"
#include "library/message_text.h"
#include "library/module_table.h"

namespace trevak::cli {

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kFailed = 2;

struct EditArgs {
  std::vector<std::string> operands;
  std::optional<std::string> output;
  bool startNew = false;
  bool force = false;
};

struct Syntax {
  const char* command;
  const char* usage;
  std::size_t minOperands;
  std::size_t maxOperands;  // 0: no upper bound
  bool acceptsNew;
};

constexpr Syntax kCopy{"copy", "copy SRC.mod DST.mod NAME... [--new [--force]] [-o OUT.mod]", 3, 0,
                       true};
constexpr Syntax kDelete{"delete", "delete LIB.mod NAME... [-o OUT.mod]", 2, 0, false};
constexpr Syntax kStripPrefix{"strip-prefix", "strip-prefix LIB.mod [-o OUT.mod]", 1, 1, false};
constexpr Syntax kFillNames{"fill-names", "fill-names LIB.mod [-o OUT.mod]", 1, 1, false};
constexpr Syntax kNormalize{"normalize", "normalize LIB.mod [-o OUT.mod]", 1, 1, false};

int usageError(const Syntax& syntax, const std::string& problem, std::ostream& err) {
  err << "trevak-cli: " << syntax.command << ": " << problem << "\n"
      << "usage: trevak-cli " << syntax.usage << "\n";
  return kFailed;
}

// Options may stand anywhere; "--" makes every following argument an operand, for module
// names that start with "-".
std::optional<EditArgs> parseArgs(const Args& args, const Syntax& syntax, std::ostream& err) {
  EditArgs parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.front() != '-') {
      parsed.operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-o" || arg == "--output") {
      if (parsed.output) {
        usageError(syntax, "-o given twice", err);
        return std::nullopt;
      }
      if (i + 1 == args.size()) {
        usageError(syntax, "-o needs a file name", err);
        return std::nullopt;
      }
      parsed.output = args[++i];
    } else if (arg == "--new" && syntax.acceptsNew) {
      parsed.startNew = true;
    } else if (arg == "--force" && syntax.acceptsNew) {
      parsed.force = true;
    } else {
      usageError(syntax, "unknown option '" + arg + "'", err);
      return std::nullopt;
    }
  }
  if (parsed.operands.size() < syntax.minOperands) {
    usageError(syntax, "missing arguments", err);
    return std::nullopt;
  }
  if (syntax.maxOperands != 0 && parsed.operands.size() > syntax.maxOperands) {
    usageError(syntax, "too many arguments", err);
    return std::nullopt;
  }
  return parsed;
}

// The header moment, read before any work so that a bad value stops the command early.
std::optional<HeaderTime> headerTime(std::ostream& err) {
  try {
    return headerTimeFromSourceDateEpoch(std::getenv("SOURCE_DATE_EPOCH"));
  } catch (const std::invalid_argument& e) {
    err << "trevak-cli: " << e.what() << "\n";
    return std::nullopt;
  }
}

bool load(ModuleTable& table, const std::string& path, std::ostream& err) {
  try {
    loadLibraryFile(path, table);
    return true;
  } catch (const IoError& e) {
    err << "trevak-cli: " << path << ": " << e.what() << "\n";
    return false;
  }
}

int save(ModuleTable& table, const std::string& path, const HeaderTime& time, std::ostream& err) {
  try {
    SaveOwnership ownership;
    SaveOptions options{time};
    options.ownership = &ownership;
    saveLibrary(table, path, options);
    if (ownership.ownerLost) {
      err << "trevak-cli: " << messageQuote(path) << ": saved, but it now belongs to you"
          << (ownership.groupLost ? " and your group" : "")
          << ": its owner" << (ownership.groupLost ? " and group" : "")
          << " could not be kept\n";
    }
    return kDone;
  } catch (const EmptyLibraryError& e) {
    err << "trevak-cli: " << e.what() << "\n";
    return kRefused;
  } catch (const IoError& e) {
    err << "trevak-cli: " << path << ": " << e.what() << "\n";
    return kFailed;
  }
}

int worse(int a, int b) { return a > b ? a : b; }

// How long a command waits for another one that changes the same library.
constexpr std::chrono::seconds kLockWait{10};

// Takes the lock of a library the command reads, changes and writes back.
bool lockForChange(std::optional<LibraryLock>& lock, const std::string& path, std::ostream& err) {
  try {
    lock.emplace(path, kLockWait);
    return true;
  } catch (const IoError& e) {
    err << "trevak-cli: " << messageQuote(path) << ": " << e.what();
    if (e.code() == kLibraryLocked) err << "; waited " << kLockWait.count() << " s, try again";
    err << '\n';
    return false;
  }
}

// What a change did to its library.
struct Outcome {
  int status = kDone;
  bool changed = true;
};

// Loads the one library of a command, lets `change` work on it and saves the result over the
// library or into -o. A library left unchanged is not rewritten unless -o asks for a file.
template <typename Change>
int changeOneLibrary(const Args& args, const Syntax& syntax, std::ostream& err, Change change) {
  const std::optional<EditArgs> parsed = parseArgs(args, syntax, err);
  if (!parsed) return kFailed;
  const std::optional<HeaderTime> time = headerTime(err);
  if (!time) return kFailed;
  const std::string& library = parsed->operands.front();
  std::optional<LibraryLock> lock;
  if (!parsed->output && !lockForChange(lock, library, err)) return kFailed;
  ModuleTable table;
  if (!load(table, library, err)) return kFailed;
  const Outcome outcome = change(table, *parsed);
  if (!outcome.changed && !parsed->output) return outcome.status;
  return worse(outcome.status, save(table, parsed->output.value_or(library), *time, err));
}

}  // namespace

int cmdCopy(const Args& args, std::ostream&, std::ostream& err) {
  const std::optional<EditArgs> parsed = parseArgs(args, kCopy, err);
  if (!parsed) return kFailed;
  const std::optional<HeaderTime> time = headerTime(err);
  if (!time) return kFailed;
  const std::string& source = parsed->operands[0];
  const std::string& destination = parsed->operands[1];

  // --new starts from an empty library: over an existing one it would keep only this copy.
  struct stat existing {};
  if (parsed->startNew && !parsed->output && !parsed->force &&
      ::lstat(destination.c_str(), &existing) == 0 && !S_ISDIR(existing.st_mode)) {
    err << "trevak-cli: copy: " << messageQuote(destination)
        << " exists; --new would replace it with only the copied modules (drop --new to add "
           "to it, or give --force to replace it)\n";
    return kRefused;
  }

  // The destination is read, changed and written back: no other program's change in between.
  std::optional<LibraryLock> lock;
  if (!parsed->output && !lockForChange(lock, destination, err)) return kFailed;
  ModuleTable search;
  ModuleTable edit;
  std::size_t unread = 0;
  if (!loadSourceLibrary(source, search, err, &unread)) return kFailed;
  if (!parsed->startNew && !load(edit, destination, err)) return kFailed;

  int status = kDone;
  bool copied = false;
  for (std::size_t i = 2; i < parsed->operands.size(); ++i) {
    const std::string& name = parsed->operands[i];
    const Located located = locateSourceModule(search, name, "copy", err);
    if (located != Located::Found) {
      if (located == Located::Missing) {
        err << "trevak-cli: copy: " << source << " has no module '" << name << "'\n";
      }
      status = kRefused;
      continue;
    }
    switch (copyCurrentModule(search, edit)) {
      case CopyResult::Copied:
        copied = true;
        break;
      case CopyResult::Duplicate:
        err << "trevak-cli: copy '" << name
            << "': the library already holds a module of this name (letter case aside)\n";
        status = kRefused;
        break;
      case CopyResult::OtherFormat:
        err << "trevak-cli: copy '" << name
            << "': a .kicad_mod footprint cannot go into a legacy .mod library; use export to "
               "write it into a .pretty folder\n";
        status = kRefused;
        break;
      case CopyResult::NothingToCopy:
        break;  // LocateName found a module, so not reached
    }
  }
  // An unchanged destination is left alone; -o and --new ask for a file in any case.
  if (!copied && !parsed->output && !parsed->startNew) {
    return statusWithUnread(status, unread, "copy", err);
  }
  return statusWithUnread(worse(status, save(edit, parsed->output.value_or(destination), *time, err)),
                          unread, "copy", err);
}

int cmdDelete(const Args& args, std::ostream&, std::ostream& err) {
  return changeOneLibrary(args, kDelete, err, [&](ModuleTable& table, const EditArgs& parsed) {
    Outcome outcome{kDone, false};
    for (std::size_t i = 1; i < parsed.operands.size(); ++i) {
      const std::string& name = parsed.operands[i];
      const Located located = locateInOneLibrary(table, name, "delete", err);
      if (located == Located::Found) {
        outcome.changed = deleteCurrentModule(table) || outcome.changed;
      } else if (located == Located::Ambiguous) {
        outcome.status = kRefused;
      } else {
        err << "trevak-cli: delete: " << parsed.operands[0] << " has no module '" << name << "'\n";
        outcome.status = kRefused;
      }
    }
    return outcome;
  });
}

int cmdStripPrefix(const Args& args, std::ostream&, std::ostream& err) {
  return changeOneLibrary(args, kStripPrefix, err, [&](ModuleTable& table, const EditArgs& parsed) {
    Outcome outcome;
    for (const std::string& name : stripLibraryPrefix(table, parsed.operands[0])) {
      err << "trevak-cli: strip-prefix: " << messageQuote(name)
          << " keeps its name: without the prefix it would be empty or another module's\n";
      outcome.status = kRefused;
    }
    return outcome;
  });
}

int cmdFillNames(const Args& args, std::ostream&, std::ostream& err) {
  return changeOneLibrary(args, kFillNames, err, [](ModuleTable& table, const EditArgs&) {
    fillNamePlaceholders(table);
    return Outcome{};
  });
}

int cmdNormalize(const Args& args, std::ostream&, std::ostream& err) {
  return changeOneLibrary(args, kNormalize, err,
                          [](ModuleTable&, const EditArgs&) { return Outcome{}; });
}

}  // namespace trevak::cli
