// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/pretty_edits.h"

#include <sys/stat.h>

#include <cerrno>

#include "library/io_error.h"
#include "library/kicad_mod_writer.h"
#include "library/library_commands.h"
#include "library/module_items.h"
#include "library/pretty_library.h"
#include "library/record_items.h"
#include "library/sexpr_reader.h"

namespace trevak {

namespace {

constexpr std::string_view kExtension = ".kicad_mod";

std::string lastComponent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name as the node it replaces was written: an atom stays an atom where the name reads back
// as one (KiCad 5's `(module NAME`), anything else is quoted.
std::string written(const SexprNode& node, std::string_view name) {
  bool plain = node.kind == SexprNode::Kind::Atom && !name.empty() && name.front() != '"';
  for (const char c : name) {
    plain = plain && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v' &&
            c != '(' && c != ')' && c != '\\' && c != '"' && c != '\0';
  }
  if (plain) return std::string(name);
  std::string quoted;
  appendKicadQuoted(quoted, name);
  return quoted;
}

struct Replacement {
  std::size_t begin, end;
  std::string text;
};

}  // namespace

void loadPrettyForEdit(const std::string& folder, PrettyEditLibrary& library) {
  struct stat st {};
  if (folder.empty() || folder.find('\0') != std::string::npos) throw invalidFilenameError();
  if (::stat(folder.c_str(), &st) != 0) throw ioErrorFromErrno(errno);
  if (!S_ISDIR(st.st_mode)) throw IoError(ENOTDIR, "Not a folder");
  // Identities are taken before the files are read: a file changed in between then shows as
  // changed at the save, and the bytes read decide.
  std::vector<LibraryFailure> listing;
  std::unordered_map<std::string, FileIdentity> identities;
  for (const std::string& path : kicadModFilesIn(folder, listing)) {
    if (const std::optional<FileIdentity> id = fileIdentityOf(path)) identities.emplace(path, *id);
  }
  for (const LibraryFailure& f : listing) {
    if (f.path == folder) throw IoError(kFileAccessDenied, f.message);
  }
  PrettyLibraryContents contents;
  readPrettyLibrary(folder, contents);
  library.folder = folder;
  library.failures = std::move(contents.failures);
  library.loaded.clear();
  library.origins.clear();
  for (int row = 0; row < contents.table.RecordCount(); ++row) {
    const ModuleRecord& r = contents.table.recordAt(row);
    const std::string& path = contents.recordFiles[static_cast<std::size_t>(row)];
    const std::string text = r.Comandos.value_or(std::string());
    LoadedFile file;
    const auto id = identities.find(path);
    file.identity =
        id != identities.end() ? id->second : fileIdentityOf(path).value_or(FileIdentity{});
    file.contentHash = footprintTextHash(text);
    const std::string fileName = lastComponent(path);
    library.loaded.emplace(fileName, file);
    library.origins.emplace(r.creationNumber, PrettyEditLibrary::Origin{
                                                  fileName, r.nome_Componente.value_or(""), text});
  }
  library.table.replaceContent(std::move(contents.table));
}

std::string footprintFileName(std::string_view name) {
  return std::string(name) + std::string(kExtension);
}

std::vector<WantedFile> wantedFilesOf(const PrettyEditLibrary& library) {
  return wantedFilesOf(library, library.table);
}

std::vector<WantedFile> wantedFilesOf(const PrettyEditLibrary& library, const ModuleTable& table) {
  std::vector<WantedFile> files;
  files.reserve(static_cast<std::size_t>(table.totalCount()));
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    WantedFile file;
    const std::string name = r.nome_Componente.value_or(std::string());
    file.text = r.Comandos ? std::string_view(*r.Comandos) : std::string_view();
    const auto origin = library.origins.find(r.creationNumber);
    if (origin != library.origins.end() && origin->second.name == name) {
      file.fileName = origin->second.fileName;
      file.unchanged = file.text == origin->second.text;
    } else {
      file.fileName = footprintFileName(name);
    }
    files.push_back(std::move(file));
  }
  return files;
}

std::optional<std::string> renameKicadModText(std::string_view text, std::string_view newName,
                                              std::string* why) {
  const auto refuse = [why](std::string reason) -> std::optional<std::string> {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
  };
  const SexprTree tree = readSexprTree(text);
  if (tree.error) {
    return refuse("line " + std::to_string(tree.error.line) + ", column " +
                  std::to_string(tree.error.column) + ": " + tree.error.message);
  }
  const std::int32_t top = tree.firstTop;
  if (top < 0 || (tree.head(top) != "footprint" && tree.head(top) != "module")) {
    return refuse("not a footprint: no (footprint ...) or (module ...) list");
  }
  const std::int32_t nameNode = tree.child(top, 1);
  if (nameNode < 0 || tree[nameNode].kind == SexprNode::Kind::List) {
    return refuse("the footprint has no name");
  }
  const std::string oldName = tree.text(nameNode);
  const auto span = [&](std::int32_t node) {
    const std::string_view bytes = tree.source(text, node);
    const std::size_t begin = static_cast<std::size_t>(bytes.data() - text.data());
    return std::pair{begin, begin + bytes.size()};
  };
  std::vector<Replacement> edits;
  const auto [nameBegin, nameEnd] = span(nameNode);
  edits.push_back({nameBegin, nameEnd, written(tree[nameNode], newName)});
  // The value text: `(fp_text value V ...)` up to KiCad 7, `(property "Value" V ...)` since.
  for (std::int32_t item = tree[top].firstChild; item >= 0; item = tree[item].nextSibling) {
    if (tree[item].kind != SexprNode::Kind::List) continue;
    const std::string_view head = tree.head(item);
    const bool value = (head == "fp_text" && tree.child(item, 1) >= 0 &&
                        tree.text(tree.child(item, 1)) == "value") ||
                       (head == "property" && tree.child(item, 1) >= 0 &&
                        tree.text(tree.child(item, 1)) == "Value");
    if (!value) continue;
    const std::int32_t valueNode = tree.child(item, 2);
    if (valueNode < 0 || tree[valueNode].kind == SexprNode::Kind::List) continue;
    if (tree.text(valueNode) != oldName) continue;
    const auto [begin, end] = span(valueNode);
    edits.push_back({begin, end, written(tree[valueNode], newName)});
  }
  std::string out;
  out.reserve(text.size() + 2 * newName.size());
  std::size_t at = 0;
  for (const Replacement& e : edits) {  // in text order: the name comes before any item
    out.append(text.substr(at, e.begin - at));
    out.append(e.text);
    at = e.end;
  }
  out.append(text.substr(at));
  return out;
}

std::string fillKicadModPlaceholders(std::string_view text, std::string_view name) {
  constexpr std::string_view kPlaceholder = ">NAME";
  if (text.find(kPlaceholder) == std::string_view::npos) return std::string(text);
  const SexprTree tree = readSexprTree(text);
  if (tree.error) return std::string(text);
  std::string out;
  std::size_t at = 0;
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(tree.nodes.size()); ++i) {
    const SexprNode& node = tree[i];
    if (node.kind == SexprNode::Kind::List) continue;
    const std::string token = tree.text(i);
    if (token.find(kPlaceholder) == std::string::npos) continue;
    const std::string_view bytes = tree.source(text, i);
    const auto begin = static_cast<std::size_t>(bytes.data() - text.data());
    out.append(text.substr(at, begin - at));
    out.append(written(node, replaceAll(token, kPlaceholder, name)));
    at = begin + bytes.size();
  }
  out.append(text.substr(at));
  return out;
}

int fillPrettyPlaceholders(ModuleTable& edit) {
  int changed = 0;
  for (int row = 0; row < edit.RecordCount(); ++row) {
    const ModuleRecord& r = edit.recordAt(row);
    if (!r.Comandos) continue;
    std::string filled = fillKicadModPlaceholders(*r.Comandos, r.nome_Componente.value_or(""));
    if (filled == *r.Comandos) continue;
    edit.setRecordAt(row, r.nome_Componente, std::move(filled));
    ++changed;
  }
  return changed;
}

std::vector<std::string> stripPrettyPrefix(ModuleTable& edit, std::string_view caption) {
  StripPlan plan = planStripPrefix(edit, caption);
  for (int row = 0; row < edit.RecordCount(); ++row) {
    const ModuleRecord& r = edit.recordAt(row);
    const std::string current = r.nome_Componente.value_or(std::string());
    const std::string& wanted = plan.names[static_cast<std::size_t>(row)];
    if (wanted == current) continue;
    std::optional<std::string> text;
    if (writableFootprintFileName(footprintFileName(wanted))) {
      text = renameKicadModText(r.Comandos.value_or(std::string()), wanted);
    }
    if (!text) {
      plan.kept.push_back(current);
      continue;
    }
    edit.setRecordAt(row, wanted, std::move(*text));
  }
  return std::move(plan.kept);
}

ModuleRecord prettyRecordOf(const ModuleRecord& record, LengthUnit unit,
                            std::vector<KicadModNote>& notes) {
  ModuleRecord copy;
  copy.format = ModuleFormat::KicadMod;
  if (record.format == ModuleFormat::KicadMod) {
    copy.nome_Componente = record.nome_Componente;
    copy.Comandos = record.Comandos;
    copy.description = record.description;
    copy.tags = record.tags;
    return copy;
  }
  ModuleItems items;
  moduleItemsOf(record, unit, items);
  const std::string name = kicadFootprintName(record.nome_Componente.value_or(std::string()));
  copy.Comandos = writeKicadMod(name, items, notes);
  copy.nome_Componente = name;
  return copy;
}

}  // namespace trevak
