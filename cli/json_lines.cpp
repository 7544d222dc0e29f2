// SPDX-License-Identifier: GPL-3.0-or-later
// `inspect`: each footprint as one JSON object per line, for legacy and .kicad_mod alike.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/library_source.h"
#include "cli/messages_language.h"
#include "library/footprint_json.h"
#include "library/io_error.h"
#include "library/kicad_mod_reader.h"
#include "library/library_reader.h"
#include "library/module_table.h"
#include "library/name_collation.h"

namespace trevak::cli {

namespace {

constexpr const char* kInspectUsage =
    "usage: trevak-cli inspect LIB.mod|LIB.pretty|FILE.kicad_mod|--kicad|--table FILE|PROJECT_FOLDER "
    "NAME|--all\n";

namespace fs = std::filesystem;

bool readFile(const fs::path& path, std::string& text, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    err << "trevak-cli: " << path.string() << ": not a regular file\n";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    err << "trevak-cli: " << path.string() << ": cannot be read\n";
    return false;
  }
  return true;
}

// The footprint files of a `.pretty` folder (or the one file given), in name order.
std::vector<fs::path> footprintFiles(const fs::path& source) {
  std::vector<fs::path> files;
  std::error_code ec;
  if (!fs::is_directory(source, ec)) return {source};
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".kicad_mod") files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

int inspectKicadMod(const fs::path& source, const std::string& name, bool all,
                    std::ostream& out, std::ostream& err) {
  fs::path folder = fs::is_directory(source) ? source : source.parent_path();
  std::string nickname = folder.filename().string();
  if (nickname.size() > 7 && nickname.ends_with(".pretty")) nickname.resize(nickname.size() - 7);
  const ModuleNameCollator collator;
  int status = 0;
  bool found = false;
  ModuleItems items;
  std::string text;
  const std::vector<fs::path> files = footprintFiles(source);
  if (files.empty()) {
    err << "trevak-cli: " << source.string() << ": no .kicad_mod file in the folder\n";
    return 1;
  }
  for (const fs::path& file : files) {
    if (!readFile(file, text, err)) {
      status = 2;
      continue;
    }
    const KicadModInfo info = parseKicadMod(text, items);
    if (!all && !collator.equal(info.name, name)) continue;
    if (!info.ok) {
      err << "trevak-cli: " << file.string() << ":" << info.line << ":" << info.column << ": "
          << readerMessage(info.error) << '\n';
      status = std::max(status, 1);
      continue;
    }
    found = true;
    InspectOrigin origin;
    origin.name = info.name;
    origin.library = nickname;
    origin.version = info.version;
    out << inspectJson(origin, items) << '\n';
  }
  if (!all && !found && status == 0) {
    err << "trevak-cli: " << source.string() << ": no module named '" << name << "'\n";
    return 1;
  }
  return out ? status : 2;
}

int inspectLegacy(const std::string& path, const std::string& name, bool all, std::ostream& out,
                  std::ostream& err) {
  ModuleTable table;
  try {
    loadLibraryFile(path, table, BodyFilter{});
  } catch (const IoError& e) {
    err << "trevak-cli: " << path << ": " << e.what() << '\n';
    return 2;
  }
  const std::string nickname = fs::path(path).stem().string();
  const ModuleNameCollator collator;
  bool found = false;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    const std::string moduleName = r.nome_Componente.value_or("");
    if (!all && !collator.equal(moduleName, name)) continue;
    found = true;
    out << inspectLegacyJson(moduleName, nickname, r.Comandos.value_or(""), table.unit()) << '\n';
  }
  if (!found && !all) {
    err << "trevak-cli: " << path << ": no module named '" << name << "'\n";
    return 1;
  }
  return out ? 0 : 2;
}

// A KiCad library table's footprints, under the table's nicknames: one footprint named
// "NICKNAME:NAME" (or a bare name that one library holds), or every one with --all.
int inspectTable(const std::string& source, const std::string& name, bool all, std::ostream& out,
                 std::ostream& err) {
  ModuleTable table;
  if (!loadSourceLibrary(source, table, err)) return 2;
  auto write = [&](const ModuleRecord& r) -> bool {
    const SourceLibrary* lib = table.libraryOf(r);
    const std::string nickname = lib != nullptr ? lib->nickname : std::string();
    const std::string moduleName = r.nome_Componente.value_or("");
    const std::string body = r.Comandos.value_or("");
    if (r.format == ModuleFormat::Legacy) {
      out << inspectLegacyJson(moduleName, nickname, body, lib != nullptr ? lib->unit : table.unit())
          << '\n';
      return true;
    }
    ModuleItems items;
    const KicadModInfo info = parseKicadMod(body, items);
    if (!info.ok) {
      err << "trevak-cli: " << nickname << ':' << moduleName << ':' << info.line << ':'
          << info.column << ": " << readerMessage(info.error) << '\n';
      return false;
    }
    InspectOrigin origin;
    origin.name = info.name;
    origin.library = nickname;
    origin.version = info.version;
    out << inspectJson(origin, items) << '\n';
    return true;
  };
  if (all) {
    int status = 0;
    for (int row = 0; row < table.RecordCount(); ++row)
      if (!write(table.recordAt(row))) status = 1;
    return out ? status : 2;
  }
  if (!locateOrReport(table, source, name, "inspect", err)) return 1;
  const int status = write(table.recordAt(table.currentIndex())) ? 0 : 1;
  return out ? status : 2;
}

}  // namespace

int cmdInspect(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << kInspectUsage;
    return 2;
  }
  const std::string& source = args[0];
  const bool all = args[1] == "--all";
  if (isTableSource(source)) return inspectTable(source, args[1], all, out, err);
  std::error_code ec;
  const fs::path path(source);
  const bool folder = fs::is_directory(path, ec);
  if (!folder && !fs::exists(path, ec)) {
    err << "trevak-cli: " << source << ": no such file or folder\n";
    return 2;
  }
  if (folder || path.extension() == ".kicad_mod")
    return inspectKicadMod(path, args[1], all, out, err);
  return inspectLegacy(source, args[1], all, out, err);
}

}  // namespace trevak::cli
