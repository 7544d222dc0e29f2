// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_table.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "library/sexpr_reader.h"

namespace trevak {

namespace {

constexpr int kNewestMajor = 10;
constexpr int kOldestMajor = 6;

std::optional<std::string> processEnvironment(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  if (v == nullptr) return std::nullopt;
  return std::string(v);
}

bool isFootprintDirVariable(const std::string& name) {
  for (int major = kOldestMajor; major <= kNewestMajor; ++major) {
    if (name == "KICAD" + std::to_string(major) + "_FOOTPRINT_DIR") return true;
  }
  return false;
}

bool readFile(const std::string& path, std::string& text) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = f.readAll();
  text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return f.error() == QFileDevice::NoError;
}

std::string lowered(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string located(const std::string& path, int line, int column) {
  return path + ':' + std::to_string(line) + ':' + std::to_string(column) + ": ";
}

// Sets a row's resolved path and state from what it says.
void resolveRow(LibraryTableRow& row, const TableVariables& vars) {
  std::vector<std::string> unset;
  row.resolved = expandTableVariables(row.uri, vars, &unset);
  const std::string type = lowered(row.type);
  if (row.disabled) {
    row.state = LibraryTableRow::State::Disabled;
  } else if (!unset.empty()) {
    row.state = LibraryTableRow::State::Unset;
    row.problem = "variable " + unset.front() + " is not set";
  } else if (type != "kicad" && type != "legacy" && type != "table") {
    row.state = LibraryTableRow::State::Unknown;
    row.problem = "type '" + row.type + "' cannot be read";
  } else if (!QFileInfo::exists(QString::fromStdString(row.resolved))) {
    row.state = LibraryTableRow::State::Missing;
    row.problem = "no such file or folder: " + row.resolved;
  }
}

// Reads the value of `(token VALUE)` after its head; leaves the reader past the list's ')'.
// Returns false (reader state unchanged in meaning) when the list holds no value.
bool readValue(SexprReader& r, std::string& value) {
  const SexprReader::Token t = r.next();
  if (t == SexprReader::Token::Close) return false;
  if (t == SexprReader::Token::Open) {
    r.skipList();
    r.skipList();
    return false;
  }
  if (t != SexprReader::Token::Atom && t != SexprReader::Token::String) return false;
  value = r.text();
  return r.skipList() == SexprReader::Token::Close;
}

// One `(lib ...)` list, its head read. False when the reader failed inside.
bool readRow(SexprReader& r, LibraryTableRow& row, LibraryTable& table, bool& usable) {
  usable = true;
  for (;;) {
    const SexprReader::Token t = r.next();
    if (t == SexprReader::Token::Close) break;
    if (t == SexprReader::Token::Error) return false;
    if (t != SexprReader::Token::Open) continue;  // stray atoms: ignored, as KiCad does
    const int line = r.line();
    const int column = r.column();
    if (r.next() != SexprReader::Token::Atom) {
      if (r.token() == SexprReader::Token::Error) return false;
      if (r.token() != SexprReader::Token::Close && r.skipList() != SexprReader::Token::Close) return false;
      continue;
    }
    const std::string head = r.text();
    if (head == "disabled" || head == "hidden") {
      (head == "disabled" ? row.disabled : row.hidden) = true;
      if (r.skipList() != SexprReader::Token::Close) return false;
      continue;
    }
    std::string value;
    const bool has = readValue(r, value);
    if (r.token() == SexprReader::Token::Error) return false;
    std::string* field = head == "name"      ? &row.nickname
                         : head == "type"    ? &row.type
                         : head == "uri"     ? &row.uri
                         : head == "options" ? &row.options
                         : head == "descr"   ? &row.description
                                             : nullptr;
    if (field == nullptr) continue;  // a later KiCad's field
    if (!has && (head == "name" || head == "type" || head == "uri")) {
      table.errors.push_back(located(table.path, line, column) + "expected a value after '" + head + "'");
      usable = false;
    }
    *field = value;
  }
  if (usable && (row.nickname.empty() || row.uri.empty())) {
    table.errors.push_back(located(table.path, row.line, 1) + "expected a row with a name and a uri");
    usable = false;
  }
  return true;
}

void readInto(const std::string& path, const TableVariables& vars, LibraryTable& into,
              std::set<std::string>& reading);

void appendParsed(const std::string& text, const std::string& path, const TableVariables& vars,
                  LibraryTable& table, std::set<std::string>* reading) {
  SexprReader r(text);
  auto fail = [&](const std::string& message) {
    table.errors.push_back(located(path, r.line(), r.column()) + message);
  };
  if (r.next() != SexprReader::Token::Open || r.next() != SexprReader::Token::Atom ||
      (r.text() != "fp_lib_table" && r.text() != "sym_lib_table" && r.text() != "design_block_lib_table")) {
    if (r.token() == SexprReader::Token::Error) {
      fail(r.error().message);
    } else {
      fail("expected '(fp_lib_table'");
    }
    return;
  }
  for (;;) {
    const SexprReader::Token t = r.next();
    if (t == SexprReader::Token::Close) return;
    if (t == SexprReader::Token::Error) {
      fail(r.error().message);
      return;
    }
    if (t != SexprReader::Token::Open) continue;
    const int line = r.line();
    if (r.next() != SexprReader::Token::Atom || r.text() != "lib") {
      if (r.token() == SexprReader::Token::Error) {
        fail(r.error().message);
        return;
      }
      if (r.token() != SexprReader::Token::Close && r.skipList() != SexprReader::Token::Close) {
        fail(r.error().message);
        return;
      }
      continue;
    }
    LibraryTableRow row;
    row.table = path;
    row.line = line;
    bool usable = true;
    if (!readRow(r, row, table, usable)) {
      fail(r.error().message);
      return;
    }
    if (!usable) continue;
    resolveRow(row, vars);
    const bool follow = lowered(row.type) == "table" && row.state == LibraryTableRow::State::Ok;
    table.rows.push_back(row);
    if (follow && reading != nullptr) {
      const std::string included = QFileInfo(QString::fromStdString(row.resolved)).canonicalFilePath().toStdString();
      if (reading->count(included) != 0) {
        table.rows.back().state = LibraryTableRow::State::Unknown;
        table.rows.back().problem = "the table includes itself: " + row.resolved;
      } else {
        readInto(row.resolved, vars, table, *reading);
      }
    }
  }
}

void readInto(const std::string& path, const TableVariables& vars, LibraryTable& into,
              std::set<std::string>& reading) {
  std::string text;
  if (!readFile(path, text)) {
    into.errors.push_back(path + ": cannot be read");
    return;
  }
  const std::string canonical = QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString();
  reading.insert(canonical);
  appendParsed(text, path, vars, into, &reading);
  reading.erase(canonical);
}

std::string configFolder(const std::function<std::optional<std::string>(const std::string&)>& env) {
#if defined(Q_OS_WIN)
  return env("APPDATA").value_or(std::string());
#elif defined(Q_OS_MACOS)
  return env("HOME").value_or(std::string()) + "/Library/Preferences";
#else
  const std::optional<std::string> xdg = env("XDG_CONFIG_HOME");
  if (xdg && !xdg->empty()) return *xdg;
  return env("HOME").value_or(std::string()) + "/.config";
#endif
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

}  // namespace

TableVariables TableVariables::fromSystem(const std::string& globalTable) {
  TableVariables vars;
  vars.environment = processEnvironment;
  if (!globalTable.empty()) {
    const QString folder = QFileInfo(QString::fromStdString(globalTable)).absolutePath();
    vars.common = readKicadCommonVars((folder + "/kicad_common.json").toStdString());
  }
  return vars;
}

std::optional<std::string> TableVariables::value(const std::string& name) const {
  if (name == "KIPRJMOD" && !projectFolder.empty()) return projectFolder;
  if (environment) {
    if (std::optional<std::string> v = environment(name)) return v;
  }
  if (auto it = common.find(name); it != common.end()) return it->second;
  if (isFootprintDirVariable(name) && !stockFootprints.empty()) return stockFootprints;
  return std::nullopt;
}

std::string expandTableVariables(const std::string& text, const TableVariables& vars,
                                 std::vector<std::string>* unset) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char open = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '$' && (open == '{' || open == '(')) {
      const char close = open == '{' ? '}' : ')';
      const std::size_t end = text.find(close, i + 2);
      if (end != std::string::npos) {
        const std::string name = text.substr(i + 2, end - i - 2);
        if (std::optional<std::string> v = vars.value(name)) {
          out += *v;
        } else {
          if (unset != nullptr) unset->push_back(name);
          out.append(text, i, end - i + 1);
        }
        i = end;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::map<std::string, std::string> readKicadCommonVars(const std::string& path, std::string* error) {
  std::map<std::string, std::string> vars;
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return vars;
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    if (error != nullptr) {
      *error = path + ": not JSON: " + parseError.errorString().toStdString() + " at byte " +
               std::to_string(parseError.offset);
    }
    return vars;
  }
  const QJsonObject list = doc.object().value("environment").toObject().value("vars").toObject();
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it.value().isString()) vars[it.key().toStdString()] = it.value().toString().toStdString();
  }
  return vars;
}

LibraryTable parseLibraryTable(const std::string& text, const std::string& path, const TableVariables& vars) {
  LibraryTable table;
  table.path = path;
  table.found = true;
  appendParsed(text, path, vars, table, nullptr);
  return table;
}

LibraryTable readLibraryTable(const std::string& path, const TableVariables& vars) {
  LibraryTable table;
  table.path = path;
  table.found = QFileInfo(QString::fromStdString(path)).isFile();
  if (!table.found) {
    table.errors.push_back(path + ": no such table");
    return table;
  }
  std::set<std::string> reading;
  readInto(path, vars, table, reading);
  return table;
}

std::vector<NamedLibrary> tableLibraries(const LibraryTable& base, const LibraryTable* over) {
  std::vector<NamedLibrary> out;
  std::set<std::string> taken;
  auto usable = [](const LibraryTableRow& row) {
    return row.state == LibraryTableRow::State::Ok && lowered(row.type) != "table";
  };
  if (over != nullptr) {
    for (const LibraryTableRow& row : over->rows) {
      if (taken.insert(row.nickname).second && usable(row)) out.push_back({row.nickname, row.resolved});
    }
  }
  for (const LibraryTableRow& row : base.rows) {
    if (taken.insert(row.nickname).second && usable(row)) out.push_back({row.nickname, row.resolved});
  }
  return out;
}

std::vector<std::string> globalTableCandidates(
    const std::function<std::optional<std::string>(const std::string&)>& environment) {
  const std::optional<std::string> home = environment("KICAD_CONFIG_HOME");
  if (home && !home->empty()) return {*home + "/fp-lib-table"};
  const std::string kicad = configFolder(environment) + "/kicad/";
  std::vector<std::string> out;
  for (int major = kNewestMajor; major >= kOldestMajor; --major) {
    out.push_back(kicad + std::to_string(major) + ".0/fp-lib-table");
  }
  out.push_back(kicad + "fp-lib-table");
  return out;
}

std::string findGlobalTable(const std::function<std::optional<std::string>(const std::string&)>& environment) {
  for (const std::string& path : globalTableCandidates(environment)) {
    if (QFileInfo(QString::fromStdString(path)).isFile()) return path;
  }
  return {};
}

std::string newGlobalTablePath(const std::function<std::optional<std::string>(const std::string&)>& environment) {
  const std::vector<std::string> candidates = globalTableCandidates(environment);
  for (const std::string& path : candidates) {
    if (QFileInfo(QString::fromStdString(path)).absoluteDir().exists()) return path;
  }
  return candidates.size() == 1 ? candidates.front() : candidates[candidates.size() - 2];
}

std::string stockTablePath() {
  for (const char* path : {"/usr/share/kicad/template/fp-lib-table", "/usr/local/share/kicad/template/fp-lib-table"}) {
    if (QFileInfo(QString::fromUtf8(path)).isFile()) return path;
  }
  return {};
}

std::string tableFileOf(const std::string& fileOrFolder) {
  const QFileInfo info(QString::fromStdString(fileOrFolder));
  if (info.isDir()) return QDir(info.filePath()).filePath("fp-lib-table").toStdString();
  return fileOrFolder;
}

std::string tableUriFor(const std::string& path, const TableVariables& vars) {
  const QString absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
  auto under = [&](const std::string& folder) -> std::optional<std::string> {
    if (folder.empty()) return std::nullopt;
    const QString root = QDir::cleanPath(QString::fromStdString(folder));
    if (absolute.startsWith(root + '/')) return absolute.mid(root.size()).toStdString();
    return std::nullopt;
  };
  if (std::optional<std::string> rest = under(vars.projectFolder)) return "${KIPRJMOD}" + *rest;
  std::vector<std::string> names;
  for (const auto& [name, value] : vars.common) names.push_back(name);
  for (int major = kNewestMajor; major >= kOldestMajor; --major) {
    names.push_back("KICAD" + std::to_string(major) + "_FOOTPRINT_DIR");
  }
  std::string best;
  std::size_t bestLength = 0;
  for (const std::string& name : names) {
    const std::optional<std::string> folder = vars.value(name);
    if (!folder) continue;
    if (std::optional<std::string> rest = under(*folder); rest && folder->size() > bestLength) {
      best = "${" + name + "}" + *rest;
      bestLength = folder->size();
    }
  }
  return best.empty() ? absolute.toStdString() : best;
}

bool insertTableRow(std::string& text, const std::string& nickname, const std::string& type,
                    const std::string& uri, std::string& error) {
  TableVariables none;
  none.stockFootprints.clear();
  const LibraryTable table = parseLibraryTable(text, "table", none);
  if (!table.errors.empty()) {
    error = table.errors.front();
    return false;
  }
  for (const LibraryTableRow& row : table.rows) {
    if (row.nickname == nickname) {
      error = "the table already has a library named '" + nickname + "'";
      return false;
    }
  }
  // The offset of the table's closing parenthesis.
  SexprReader r(text);
  std::size_t close = std::string::npos;
  for (SexprReader::Token t = r.next(); t != SexprReader::Token::End; t = r.next()) {
    if (t == SexprReader::Token::Error) {
      error = r.error().message;
      return false;
    }
    if (t == SexprReader::Token::Close && r.depth() == 0) {
      close = r.offset() - 1;
      break;
    }
  }
  if (close == std::string::npos) {
    error = "not a library table";
    return false;
  }
  const bool crlf = text.find("\r\n") != std::string::npos;
  const std::string eol = crlf ? "\r\n" : "\n";
  std::string indent = "  ";
  if (!table.rows.empty()) {
    // The last row's indent, as written.
    std::size_t at = 0;
    for (int line = 1; line < table.rows.back().line && at != std::string::npos; ++line) {
      at = text.find('\n', at);
      if (at != std::string::npos) ++at;
    }
    if (at != std::string::npos) {
      const std::size_t end = text.find_first_not_of(" \t", at);
      if (end != std::string::npos && text.compare(end, 4, "(lib") == 0) indent = text.substr(at, end - at);
    }
  }
  const std::string row = "(lib (name " + quoted(nickname) + ")(type " + quoted(type) + ")(uri " +
                          quoted(uri) + ")(options \"\")(descr \"\"))";
  std::size_t lineStart = close;
  while (lineStart > 0 && (text[lineStart - 1] == ' ' || text[lineStart - 1] == '\t')) --lineStart;
  if (lineStart == 0 || text[lineStart - 1] == '\n') {
    text.insert(lineStart, indent + row + eol);
  } else {
    text.insert(close, eol + indent + row + eol);
  }
  return true;
}

bool addTableRow(const std::string& path, const std::string& nickname, const std::string& uri,
                 std::string& error, const std::string* createFrom) {
  const QString file = QString::fromStdString(path);
  std::string text;
  const bool exists = QFileInfo(file).exists();
  if (exists) {
    if (!readFile(path, text)) {
      error = path + ": cannot be read";
      return false;
    }
  } else if (createFrom != nullptr) {
    text = *createFrom;
  } else {
    error = path + ": no such table";
    return false;
  }
  std::string why;
  if (!insertTableRow(text, nickname, "KiCad", uri, why)) {
    error = path + ": " + why;
    return false;
  }
  const QFileInfo info(file);
  if (!exists && !QDir().mkpath(info.absolutePath())) {
    error = path + ": cannot make the folder " + info.absolutePath().toStdString();
    return false;
  }
  if (exists) {
    const QString backup = info.absoluteDir().filePath("fp-lib-table.bak");
    QSaveFile bak(backup);
    QFile old(file);
    if (!old.open(QIODevice::ReadOnly) || !bak.open(QIODevice::WriteOnly) ||
        bak.write(old.readAll()) < 0 || !bak.commit()) {
      error = backup.toStdString() + ": cannot be written; the table was not changed";
      return false;
    }
  }
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !out.commit()) {
    error = path + ": cannot be written (" + out.errorString().toStdString() + "); the table was not changed";
    return false;
  }
  return true;
}

const char* tableRowStateName(LibraryTableRow::State state) {
  switch (state) {
    case LibraryTableRow::State::Ok:
      return "ok";
    case LibraryTableRow::State::Disabled:
      return "disabled";
    case LibraryTableRow::State::Missing:
      return "missing";
    case LibraryTableRow::State::Unset:
      return "unset";
    case LibraryTableRow::State::Unknown:
      return "unreadable";
  }
  return "unreadable";
}

}  // namespace trevak
