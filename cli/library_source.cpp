// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/library_source.h"

#include <ostream>
#include <vector>

#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/library_set.h"
#include "library/message_text.h"
#include "library/module_edits.h"
#include "library/module_table.h"
#include "library/name_collation.h"
#include "library/pretty_library.h"

namespace trevak::cli {

bool loadSourceLibrary(const std::string& source, ModuleTable& table, std::ostream& err,
                       std::size_t* unread) {
  if (unread != nullptr) *unread = 0;
  if (isTableSource(source)) {
    LibrarySetContents set;
    if (!readTableSet(source, set, err)) return false;
    if (unread != nullptr) *unread = set.failures.size();
    commitLibrarySet(set, table);
    return true;
  }
  const LibraryKind kind = libraryKindOf(source);
  if (kind == LibraryKind::LegacyFile || kind == LibraryKind::Missing) {
    try {
      loadLibraryFile(source, table);
      return true;
    } catch (const IoError& e) {
      err << "trevak-cli: " << source << ": " << e.what() << '\n';
      return false;
    }
  }
  LibrarySetContents set = readLibrarySet({source});
  for (const LibraryFailure& f : set.failures) {
    err << "trevak-cli: " << f.path << ": " << f.message << '\n';
  }
  if (set.libraryCount == 0) {
    err << "trevak-cli: " << source << ": no library could be read\n";
    return false;
  }
  if (unread != nullptr) *unread = set.failures.size();
  commitLibrarySet(set, table);
  return true;
}

int statusWithUnread(int status, std::size_t unread, const std::string& command, std::ostream& err) {
  if (unread == 0) return status;
  err << "trevak-cli: " << command << ": " << unread
      << (unread == 1 ? " file" : " files")
      << " of the source could not be read (listed above); what they hold is missing\n";
  return status > 1 ? status : 1;
}

Located locateInOneLibrary(ModuleTable& table, const std::string& moduleName,
                           const std::string& command, std::ostream& err) {
  const ModuleNameCollator collator;
  std::vector<int> rows;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    if (!r.nome_Componente) continue;
    if (*r.nome_Componente == moduleName) {
      table.moveTo(row);
      return Located::Found;
    }
    if (sameModuleName(collator, *r.nome_Componente, moduleName)) rows.push_back(row);
  }
  if (rows.empty()) return Located::Missing;
  if (rows.size() > 1) {
    err << "trevak-cli: " << command << ": no module is named exactly '"
        << messageQuote(moduleName) << "' and several differ from it in letter case only;"
        << " name one of them exactly:\n";
    for (int row : rows) err << "  " << messageQuote(*table.recordAt(row).nome_Componente) << '\n';
    return Located::Ambiguous;
  }
  table.moveTo(rows.front());
  return Located::Found;
}

Located locateSourceModule(ModuleTable& table, const std::string& moduleName, const std::string& command,
                           std::ostream& err) {
  if (table.libraries().empty()) return locateInOneLibrary(table, moduleName, command, err);

  std::vector<std::string> nicknames;
  for (const SourceLibrary& l : table.libraries()) nicknames.push_back(l.nickname);
  const QualifiedName wanted = splitQualifiedName(moduleName, nicknames);
  const ModuleNameCollator collator;
  const QCollatorSortKey key = collator.sortKey(wanted.name);
  std::vector<int> rows;  // the first match of each library
  std::vector<int> librariesSeen;
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    if (!r.nome_Componente) continue;
    const SourceLibrary* lib = table.libraryOf(r);
    if (!wanted.nickname.empty() && (lib == nullptr || lib->nickname != wanted.nickname)) continue;
    if (compareModuleNames(collator.sortKey(*r.nome_Componente), key) != 0) continue;
    bool seen = false;
    for (int l : librariesSeen) seen = seen || l == r.library;
    if (seen) continue;
    librariesSeen.push_back(r.library);
    rows.push_back(row);
  }
  if (rows.empty()) return Located::Missing;
  if (rows.size() > 1) {
    err << "trevak-cli: " << command << ": '" << moduleName
        << "' is in several libraries; name one of them:\n";
    for (int row : rows) {
      const ModuleRecord& r = table.recordAt(row);
      err << "  " << table.libraryOf(r)->nickname << ':' << *r.nome_Componente << '\n';
    }
    return Located::Ambiguous;
  }
  table.moveTo(rows.front());
  return Located::Found;
}

bool locateOrReport(ModuleTable& table, const std::string& source, const std::string& moduleName,
                    const std::string& command, std::ostream& err) {
  switch (locateSourceModule(table, moduleName, command, err)) {
    case Located::Found:
      return true;
    case Located::Missing:
      err << "trevak-cli: " << sourceLabel(source) << ": no module named '" << moduleName << "'\n";
      return false;
    case Located::Ambiguous:
      break;
  }
  return false;
}

}  // namespace trevak::cli
