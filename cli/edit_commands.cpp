// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that change a library: each loads with the reader, changes the table with the
// window's own command code and saves with the writer; a `.pretty` library is loaded and saved
// by its folder store (cli/pretty_target.h).
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/library_source.h"
#include "cli/pretty_target.h"
#include "library/file_lock.h"
#include "library/io_error.h"
#include "library/library_commands.h"
#include "library/library_reader.h"
#include "library/library_writer.h"
#include "library/message_text.h"
#include "library/module_edits.h"
#include "library/module_table.h"
#include "library/pretty_edits.h"
#include "library/pretty_library.h"

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

// --force: with --new or -o, write over or into what is there; on a `.pretty` library, write
// over footprint files another program changed since the load.
constexpr Syntax kCopy{"copy", "copy SRC DST NAME... [--new] [--force] [-o OUT]", 3, 0, true};
constexpr Syntax kDelete{"delete", "delete LIB NAME... [-o OUT] [--force]", 2, 0, false};
constexpr Syntax kRename{"rename", "rename LIB OLD NEW [-o OUT] [--force]", 3, 3, false};

constexpr Syntax kStripPrefix{"strip-prefix", "strip-prefix LIB [-o OUT] [--force]", 1, 1, false};
constexpr Syntax kFillNames{"fill-names", "fill-names LIB [-o OUT] [--force]", 1, 1, false};
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
    } else if (arg == "--force") {
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

// The refusal of a name the library holds already (the window says kDuplicateModuleMessage).
constexpr const char* kNameTakenMessage =
    "the library already holds a module of this name (letter case aside)";

// What a change did to its library.
struct Outcome {
  int status = kDone;
  bool changed = true;
};

// The library a change works on: its table, and whether it is a `.pretty` folder (whose
// records are `.kicad_mod` texts).
struct EditTarget {
  ModuleTable& table;
  bool pretty = false;
};

// -o must keep the library's format: a `.pretty` library is written into a folder.
bool outputFitsFormat(const EditArgs& parsed, bool pretty, const Syntax& syntax,
                      std::ostream& err) {
  if (!parsed.output || hasPrettySuffix(*parsed.output) == pretty) return true;
  usageError(syntax,
             pretty ? "-o of a .pretty library must name a .pretty folder"
                    : "-o of a .mod library must name a .mod file (export writes .pretty folders)",
             err);
  return false;
}

// Loads the one library of a command, lets `change` work on it and saves the result over the
// library or into -o. A library left unchanged is not rewritten unless -o asks for a file.
template <typename Change>
int changeOneLibrary(const Args& args, const Syntax& syntax, std::ostream& err, Change change) {
  const std::optional<EditArgs> parsed = parseArgs(args, syntax, err);
  if (!parsed) return kFailed;
  const std::optional<HeaderTime> time = headerTime(err);
  if (!time) return kFailed;
  const std::string& library = parsed->operands.front();
  const bool pretty = isPrettyTarget(library);
  if (!outputFitsFormat(*parsed, pretty, syntax, err)) return kFailed;
  std::optional<LibraryLock> lock;
  if (!parsed->output && !lockForChange(lock, library, err)) return kFailed;
  if (pretty) {
    PrettyEditLibrary edit;
    if (!loadPrettyTarget(library, edit, err)) return kFailed;
    const Outcome outcome = change(EditTarget{edit.table, true}, *parsed);
    if (!outcome.changed && !parsed->output) return outcome.status;
    return worse(outcome.status, savePrettyTarget(edit, parsed->output.value_or(std::string()),
                                                  parsed->force, syntax.command, err));
  }
  ModuleTable table;
  if (!load(table, library, err)) return kFailed;
  const Outcome outcome = change(EditTarget{table, false}, *parsed);
  if (!outcome.changed && !parsed->output) return outcome.status;
  return worse(outcome.status, save(table, parsed->output.value_or(library), *time, err));
}

// The commands not yet taught the `.kicad_mod` text: refused on a `.pretty` library.
bool refusedOnPretty(const EditTarget& target, const Syntax& syntax, std::ostream& err) {
  if (!target.pretty) return false;
  err << "trevak-cli: " << syntax.command << ": not available for .pretty libraries yet\n";
  return true;
}

// Adds the modules named in the operands from 2 on (the search library's current module
// moved to each) to a `.pretty` edit library: a `.kicad_mod` footprint as its text, a legacy
// module converted by the export's writer. Returns the status and whether anything was added.
Outcome copyIntoPretty(ModuleTable& search, const std::string& source, PrettyEditLibrary& edit,
                       const EditArgs& parsed, std::ostream& err) {
  Outcome outcome{kDone, false};
  for (std::size_t i = 2; i < parsed.operands.size(); ++i) {
    const std::string& name = parsed.operands[i];
    const Located located = locateSourceModule(search, name, "copy", err);
    if (located != Located::Found) {
      if (located == Located::Missing) {
        err << "trevak-cli: copy: " << source << " has no module '" << name << "'\n";
      }
      outcome.status = kRefused;
      continue;
    }
    const ModuleRecord& from = search.recordAt(search.currentIndex());
    std::vector<KicadModNote> notes;
    ModuleRecord copy = prettyRecordOf(from, unitOfRecord(search, from), notes);
    const std::string footprint = copy.nome_Componente.value_or(std::string());
    std::string why;
    if (!writableFootprintFileName(footprintFileName(footprint), &why)) {
      err << "trevak-cli: copy '" << messageQuote(name) << "': " << why
          << "; it cannot be a footprint file's name\n";
      outcome.status = kRefused;
      continue;
    }
    if (rowOfOtherName(edit.table, footprint, -1) >= 0) {
      err << "trevak-cli: copy '" << messageQuote(name) << "': " << kNameTakenMessage << "\n";
      outcome.status = kRefused;
      continue;
    }
    for (const KicadModNote& note : notes) {
      err << "trevak-cli: copy '" << messageQuote(footprint) << "': "
          << (note.kind == KicadModNote::Kind::LineNotUnderstood ? "line not converted"
              : note.kind == KicadModNote::Kind::PadSkipped      ? "pad not converted"
                                                                 : "pad name cut to 49 bytes")
          << " (line " << note.line << "): " << messageQuote(note.detail) << '\n';
    }
    numberNewRecord(edit, copy);
    edit.table.insertRecordAt(edit.table.RecordCount(), std::move(copy));
    outcome.changed = true;
  }
  return outcome;
}

// copy into a `.pretty` library (see cmdCopy).
int copyToPretty(const EditArgs& parsed, std::ostream& err) {
  const std::string& source = parsed.operands[0];
  const std::string& destination = parsed.operands[1];
  const bool exists = libraryKindOf(destination) != LibraryKind::Missing;
  // --new starts from an empty library: over an existing one it would keep only this copy.
  if (parsed.startNew && !parsed.output && exists && !parsed.force) {
    std::error_code ec;
    if (!std::filesystem::is_empty(destination, ec) || ec) {
      err << "trevak-cli: copy: " << messageQuote(destination)
          << " exists; --new would replace its footprints with only the copied ones (drop --new "
             "to add to it, or give --force to replace them)\n";
      return kRefused;
    }
  }
  std::optional<LibraryLock> lock;
  if (!parsed.output && !lockForChange(lock, destination, err)) return kFailed;
  ModuleTable search;
  std::size_t unread = 0;
  if (!loadSourceLibrary(source, search, err, &unread)) return kFailed;
  PrettyEditLibrary edit;
  if (!parsed.startNew || (exists && !parsed.output)) {
    if (!loadPrettyTarget(destination, edit, err)) return kFailed;
  }
  if (parsed.startNew) edit.table.Clear();  // with --force the folder's footprints go
  const Outcome outcome = copyIntoPretty(search, source, edit, parsed, err);
  if (!outcome.changed && parsed.startNew) {
    // As for a .mod library: no empty library is made, and none is emptied.
    err << "trevak-cli: copy: nothing was copied; " << messageQuote(destination)
        << " is left as it was\n";
    return statusWithUnread(worse(outcome.status, kRefused), unread, "copy", err);
  }
  if (!outcome.changed && !parsed.output) {
    return statusWithUnread(outcome.status, unread, "copy", err);
  }
  if (parsed.startNew && !exists && !parsed.output) {
    if (const int status = prepareNewFolder(destination, false, "copy", err); status != kDone) {
      return status;
    }
    edit.folder = destination;
  }
  const int saved =
      savePrettyTarget(edit, parsed.output.value_or(std::string()), parsed.force, "copy", err);
  return statusWithUnread(worse(outcome.status, saved), unread, "copy", err);
}

}  // namespace

int cmdCopy(const Args& args, std::ostream&, std::ostream& err) {
  const std::optional<EditArgs> parsed = parseArgs(args, kCopy, err);
  if (!parsed) return kFailed;
  const std::optional<HeaderTime> time = headerTime(err);
  if (!time) return kFailed;
  const std::string& source = parsed->operands[0];
  const std::string& destination = parsed->operands[1];
  const bool pretty = isPrettyTarget(destination);
  if (!outputFitsFormat(*parsed, pretty, kCopy, err)) return kFailed;
  if (pretty) return copyToPretty(*parsed, err);

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
        err << "trevak-cli: copy '" << name << "': " << kNameTakenMessage << "\n";
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
  return changeOneLibrary(args, kDelete, err, [&](EditTarget target, const EditArgs& parsed) {
    ModuleTable& table = target.table;
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
  return changeOneLibrary(args, kStripPrefix, err, [&](EditTarget target, const EditArgs& parsed) {
    Outcome outcome;
    const std::vector<std::string> kept =
        target.pretty ? stripPrettyPrefix(target.table, parsed.operands[0])
                      : stripLibraryPrefix(target.table, parsed.operands[0]);
    for (const std::string& name : kept) {
      err << "trevak-cli: strip-prefix: " << messageQuote(name)
          << " keeps its name: without the prefix it would be empty or another module's\n";
      outcome.status = kRefused;
    }
    return outcome;
  });
}

int cmdFillNames(const Args& args, std::ostream&, std::ostream& err) {
  return changeOneLibrary(args, kFillNames, err, [&](EditTarget target, const EditArgs&) {
    if (target.pretty) return Outcome{kDone, fillPrettyPlaceholders(target.table) > 0};
    fillNamePlaceholders(target.table);
    return Outcome{};
  });
}

int cmdNormalize(const Args& args, std::ostream&, std::ostream& err) {
  return changeOneLibrary(args, kNormalize, err, [&](EditTarget target, const EditArgs&) {
    if (refusedOnPretty(target, kNormalize, err)) return Outcome{kFailed, false};
    return Outcome{};
  });
}

int cmdRename(const Args& args, std::ostream&, std::ostream& err) {
  return changeOneLibrary(args, kRename, err, [&](EditTarget target, const EditArgs& parsed) {
    ModuleTable& table = target.table;
    const std::string& library = parsed.operands[0];
    const std::string& oldName = parsed.operands[1];
    const std::string& newName = parsed.operands[2];
    const Located located = locateInOneLibrary(table, oldName, "rename", err);
    if (located != Located::Found) {
      if (located == Located::Missing) {
        err << "trevak-cli: rename: " << library << " has no module '" << oldName << "'\n";
      }
      return Outcome{kRefused, false};
    }
    const int row = table.currentIndex();
    const ModuleRecord& record = table.recordAt(row);
    const std::string current = record.nome_Componente.value_or(std::string());
    if (current == newName) return Outcome{kDone, false};
    std::string why;
    if (target.pretty) {
      if (!writableFootprintFileName(footprintFileName(newName), &why)) {
        err << "trevak-cli: rename: " << messageQuote(newName) << ": " << why
            << "; it cannot be a footprint file's name\n";
        return Outcome{kRefused, false};
      }
    } else {
      // The format ends a name at its first blank; a control byte would break its line.
      bool fits = !newName.empty();
      for (const char c : newName) fits = fits && static_cast<unsigned char>(c) > 32 && c != 127;
      if (!fits) {
        err << "trevak-cli: rename: " << messageQuote(newName)
            << ": a .mod module name is not empty and holds no blanks or control characters\n";
        return Outcome{kRefused, false};
      }
    }
    if (rowOfOtherName(table, newName, row) >= 0) {
      err << "trevak-cli: rename '" << messageQuote(current) << "': " << kNameTakenMessage << "\n";
      return Outcome{kRefused, false};
    }
    const std::string body = record.Comandos.value_or(std::string());
    std::string renamed;
    if (target.pretty) {
      const std::optional<std::string> text = renameKicadModText(body, newName, &why);
      if (!text) {
        err << "trevak-cli: rename '" << messageQuote(current) << "': " << why << '\n';
        return Outcome{kFailed, false};
      }
      renamed = *text;
    } else {
      renamed = followNameInLiLine(body, current, newName);
    }
    table.setRecordAt(row, newName, std::move(renamed));
    return Outcome{};
  });
}

}  // namespace trevak::cli
