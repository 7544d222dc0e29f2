// SPDX-License-Identifier: GPL-3.0-or-later
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/library_source.h"
#include "library/body_lines.h"
#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/module_table.h"
#include "library/name_collation.h"
#include "library/pretty_library.h"

namespace trevak::cli {

namespace {

const char* unitName(LengthUnit unit) {
  switch (unit) {
    case LengthUnit::Millimetre:
      return "mm";
    case LengthUnit::Decimil:
      return "decimil";
    case LengthUnit::None:
      break;
  }
  return "none";
}

// Loads `path` into `table`, keeping the bodies that `keepBody` accepts; on failure reports it
// the way every command does and returns false.
bool load(const std::string& path, ModuleTable& table, std::ostream& err,
          const BodyFilter& keepBody) {
  try {
    loadLibraryFile(path, table, keepBody);
    return true;
  } catch (const IoError& e) {
    err << "trevak-cli: " << path << ": " << e.what() << '\n';
    return false;
  }
}

// A plain file read as one legacy library (not a folder, a `.pretty` or a `.kicad_mod`).
bool isLegacyLibraryFile(const std::string& path) {
  if (isTableSource(path)) return false;
  const LibraryKind kind = libraryKindOf(path);
  return kind == LibraryKind::LegacyFile || kind == LibraryKind::Missing;
}

}  // namespace

int cmdList(const Args& args, std::ostream& out, std::ostream& err) {
  std::unique_ptr<ModuleTable> table;
  return cmdList(args, out, err, table);
}

int cmdShow(const Args& args, std::ostream& out, std::ostream& err) {
  std::unique_ptr<ModuleTable> table;
  return cmdShow(args, out, err, table);
}

int cmdList(const Args& args, std::ostream& out, std::ostream& err,
            std::unique_ptr<ModuleTable>& keep) {
  bool units = false;
  std::vector<std::string> paths;
  for (const std::string& a : args) {
    if (a == "--units") {
      units = true;
    } else if (a.size() > 1 && a.front() == '-') {
      err << "trevak-cli: list: unknown option '" << a << "'\n"
          << "usage: trevak-cli list LIB.mod|LIB.pretty|FOLDER [--units]\n";
      return 2;
    } else {
      paths.push_back(a);
    }
  }
  if (paths.size() != 1) {
    err << "usage: trevak-cli list LIB.mod|LIB.pretty|FOLDER [--units]\n";
    return 2;
  }
  // Names and unit are the whole answer: holding the bodies of a large library would cost more
  // than reading it.
  keep = std::make_unique<ModuleTable>();
  ModuleTable& table = *keep;
  if (isLegacyLibraryFile(paths.front())) {
    if (!load(paths.front(), table, err, [](std::string_view) { return false; })) return 2;
  } else if (!loadSourceLibrary(paths.front(), table, err)) {
    return 2;
  }
  if (units) {
    out << unitName(table.unit()) << '\n';
    return 0;
  }
  for (int row = 0; row < table.RecordCount(); ++row) {
    const auto& name = table.recordAt(row).nome_Componente;
    if (name) out.write(name->data(), static_cast<std::streamsize>(name->size()));
    out.put('\n');
  }
  return out ? 0 : 2;
}

int cmdShow(const Args& args, std::ostream& out, std::ostream& err,
            std::unique_ptr<ModuleTable>& keep) {
  if (args.size() != 2) {
    err << "usage: trevak-cli show LIB.mod|LIB.pretty|FOLDER NAME|NICKNAME:NAME\n";
    return 2;
  }
  const std::string& path = args[0];
  const std::string& name = args[1];
  keep = std::make_unique<ModuleTable>();
  ModuleTable& table = *keep;
  const bool folder = !isLegacyLibraryFile(path);
  if (folder) {
    if (!loadSourceLibrary(path, table, err)) return 2;
  } else {
    // Only a module that LocateName can find needs its body: one whose name collates equal to
    // the asked one.
    const ModuleNameCollator collator;
    const auto matches = [&](std::string_view stored) { return collator.equal(stored, name); };
    if (!load(path, table, err, matches)) return 2;
  }
  if (!locateOrReport(table, path, name, "show", err)) return 1;
  // The reader gives every body it keeps, an empty one included. Were the comparison of texts
  // ever to disagree with the table's keys, the module found would have none: read every body.
  if (!folder && !table.recordAt(table.currentIndex()).Comandos) {
    if (!load(path, table, err, BodyFilter{}) ||
        locateInOneLibrary(table, name, "show", err) != Located::Found) {
      return 2;
    }
  }
  const ModuleRecord& shown = table.recordAt(table.currentIndex());
  const std::string body = table.GetField("comandos");
  if (shown.format == ModuleFormat::KicadMod) {  // the file's text, as it is on disk
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    return out ? 0 : 2;
  }
  for (std::string_view line : splitBodyLines(body)) {
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.put('\n');
  }
  return out ? 0 : 2;
}

}  // namespace trevak::cli
