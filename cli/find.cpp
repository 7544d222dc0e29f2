// SPDX-License-Identifier: GPL-3.0-or-later
// `find`: the search pane's filter over a set of libraries, for scripts.
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/library_source.h"
#include "library/library_set.h"
#include "library/module_table.h"

namespace trevak::cli {

namespace {

constexpr const char* kFindUsage =
    "usage: trevak-cli find [--in name,desc,kw,lib] [--count] WORDS... -- LIB_OR_DIR...\n"
    "       trevak-cli find [--in ...] [--count] (--kicad | --table FILE|PROJECT_FOLDER) WORDS...\n";

// "name,desc,kw,lib" to filter fields; 0 for an unknown word.
unsigned parseFields(const std::string& list) {
  unsigned fields = 0;
  std::istringstream in(list);
  for (std::string word; std::getline(in, word, ',');) {
    if (word == "name") {
      fields |= kFilterName;
    } else if (word == "desc") {
      fields |= kFilterDescription;
    } else if (word == "kw") {
      fields |= kFilterKeywords;
    } else if (word == "lib") {
      fields |= kFilterLibrary;
    } else {
      return 0;
    }
  }
  return fields;
}

}  // namespace

int cmdFind(const Args& args, std::ostream& out, std::ostream& err) {
  unsigned fields = kFilterAll;
  bool count = false;
  std::vector<std::string> words;
  std::vector<std::string> sources;
  std::vector<std::string> tableSources;
  bool inSources = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (inSources) {
      sources.push_back(a);
    } else if (a == "--") {
      inSources = true;
    } else if (a == "--kicad") {
      tableSources.push_back(tableSource(""));
    } else if (a == "--table" && i + 1 < args.size()) {
      tableSources.push_back(tableSource(args[++i]));
    } else if (a == "--count") {
      count = true;
    } else if (a == "--in") {
      if (i + 1 == args.size() || (fields = parseFields(args[i + 1])) == 0) {
        err << "trevak-cli: find: --in takes a list of name, desc, kw, lib\n" << kFindUsage;
        return 2;
      }
      ++i;
    } else {
      words.push_back(a);
    }
  }
  if (sources.empty() == tableSources.empty() || tableSources.size() > 1) {
    err << "trevak-cli: find: give libraries or folders after --, or one of --kicad and --table\n"
        << kFindUsage;
    return 2;
  }
  LibrarySetContents set;
  if (!tableSources.empty()) {
    if (!readTableSet(tableSources.front(), set, err)) return 2;
  } else {
    set = readLibrarySet(sources);
  }
  for (const LibraryFailure& f : set.failures) {
    if (tableSources.empty()) err << "trevak-cli: " << f.path << ": " << f.message << '\n';
  }
  if (set.libraryCount == 0) {
    err << "trevak-cli: find: no library could be read\n";
    return 2;
  }
  ModuleTable& table = *set.table;
  std::string text;
  for (const std::string& w : words) text += w + ' ';
  table.setFilter(text, fields);
  const int matches = table.RecordCount();
  if (count) {
    out << matches << '\n';
  } else {
    for (int row = 0; row < matches; ++row) {
      const ModuleRecord& r = table.recordAt(row);
      const SourceLibrary* lib = table.libraryOf(r);
      if (lib != nullptr) out << lib->nickname;
      out << '\t' << r.nome_Componente.value_or(std::string()) << '\n';
    }
  }
  if (!out) return 2;
  return statusWithUnread(matches > 0 ? 0 : 1, set.failures.size(), "find", err);
}

}  // namespace trevak::cli
