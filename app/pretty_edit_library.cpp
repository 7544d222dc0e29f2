// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pretty_edit_library.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <set>
#include <utility>

#include "app/user_prompts.h"
#include "library/kicad_mod_writer.h"
#include "library/module_edits.h"
#include "library/name_collation.h"
#include "library/pretty_library.h"
#include "library/pretty_save.h"

namespace trevak {

namespace {

std::string pathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString fromBytes(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The `(version N)` of a footprint file: KiCad writes it right after the name, so the head of
// the file is enough and a caption over a large library costs no parse. 0 for KiCad 5.
int versionOf(std::string_view text) {
  constexpr std::string_view kVersion = "(version";
  const std::string_view head = text.substr(0, std::min<std::size_t>(text.size(), 1024));
  const std::size_t at = head.find(kVersion);
  if (at == std::string_view::npos) return 0;
  std::size_t i = at + kVersion.size();
  while (i < head.size() && (head[i] == ' ' || head[i] == '\t')) ++i;
  int version = 0;
  for (; i < head.size() && std::isdigit(static_cast<unsigned char>(head[i])) != 0; ++i) {
    if (version > 99999999) return 0;
    version = version * 10 + (head[i] - '0');
  }
  return version;
}

QString noteText(const KicadModNote& note) {
  const char* what = note.kind == KicadModNote::Kind::LineNotUnderstood ? "linha não convertida"
                     : note.kind == KicadModNote::Kind::PadSkipped      ? "ilha não convertida"
                                                                        : "nome da ilha cortado";
  return QCoreApplication::translate("trevak::PrettyEditLibrary", "%1 (linha %2): %3")
      .arg(QString::fromUtf8(what))
      .arg(note.line)
      .arg(QString::fromLatin1(note.detail.data(), static_cast<qsizetype>(note.detail.size())));
}

QStringList fileList(const std::vector<std::string>& files) {
  QStringList list;
  for (const std::string& f : files) list << fromBytes(f);
  return list;
}

QString refusalText(const PrettySaveRefused& refused) {
  const QString files = fileList(refused.files()).join(QStringLiteral(", "));
  switch (refused.reason()) {
    case PrettySaveRefused::Reason::BadName:
      return QCoreApplication::translate(
                 "trevak::PrettyEditLibrary",
                 "Nada foi salvo: um nome não pode ser nome de arquivo de pegada: %1")
          .arg(files);
    case PrettySaveRefused::Reason::NameClash:
      return QCoreApplication::translate("trevak::PrettyEditLibrary",
                                         "Nada foi salvo: pegadas dariam arquivos de mesmo nome "
                                         "(maiúsculas e minúsculas não contam): %1")
          .arg(files);
    case PrettySaveRefused::Reason::NotAFile:
      return QCoreApplication::translate(
                 "trevak::PrettyEditLibrary",
                 "Nada foi salvo: no lugar de %1 há algo que não é um arquivo")
          .arg(files);
    case PrettySaveRefused::Reason::ChangedOnDisk:
      break;
  }
  return QCoreApplication::translate("trevak::PrettyEditLibrary",
                                     "Nada foi salvo: %1 mudou no disco depois de carregado")
      .arg(files);
}

// The records of `table`, names, bodies and numbers, in a table of their own, for a library
// rewrite to work on without touching the edit library.
std::unique_ptr<ModuleTable> scratchCopy(const ModuleTable& table) {
  auto copy = std::make_unique<ModuleTable>();
  for (int row = 0; row < table.RecordCount(); ++row)
    copy->insertRecordAt(row, table.recordAt(row));
  return copy;
}

std::vector<CmdSetModules::Change> changesFrom(const ModuleTable& before,
                                               const ModuleTable& after) {
  std::vector<CmdSetModules::Change> changes;
  for (int row = 0; row < before.RecordCount() && row < after.RecordCount(); ++row) {
    const ModuleRecord& was = before.recordAt(row);
    const ModuleRecord& now = after.recordAt(row);
    if (was.nome_Componente == now.nome_Componente && was.Comandos == now.Comandos) continue;
    changes.push_back({was.creationNumber, now.nome_Componente, now.Comandos});
  }
  return changes;
}

}  // namespace

std::vector<CmdSetModules::Change> PrettyEditFolder::stripPrefixChanges(
    const std::string& caption, std::vector<std::string>& kept) const {
  const std::unique_ptr<ModuleTable> scratch = scratchCopy(m_table);
  kept = stripPrettyPrefix(*scratch, caption);
  return changesFrom(m_table, *scratch);
}

std::vector<CmdSetModules::Change> PrettyEditFolder::fillNameChanges() const {
  const std::unique_ptr<ModuleTable> scratch = scratchCopy(m_table);
  fillPrettyPlaceholders(*scratch);
  return changesFrom(m_table, *scratch);
}

bool PrettyEditFolder::isPrettyFolder(const QString& path) {
  return libraryKindOf(pathBytes(path)) == LibraryKind::PrettyFolder;
}

bool PrettyEditFolder::holdsFootprintFiles(const ModuleTable& table) {
  for (int row = 0; row < table.RecordCount(); ++row) {
    if (table.recordAt(row).format == ModuleFormat::KicadMod) return true;
  }
  return false;
}

bool PrettyEditFolder::holds(const QString& editFile) const {
  return m_library != nullptr && !editFile.isEmpty() && editFile == m_folder;
}

QStringList PrettyEditFolder::load(const QString& folder) {
  const QString absolute = QFileInfo(folder).absoluteFilePath();
  auto library = std::make_unique<PrettyEditLibrary>();
  loadPrettyForEdit(pathBytes(absolute), *library);
  QStringList failures;
  for (const LibraryFailure& f : library->failures) {
    failures << QStringLiteral("%1: %2").arg(fromBytes(f.path), fromBytes(f.message));
  }
  // The lengths of a footprint file are millimetres; the unit is what a legacy copy would
  // take, never what a footprint is drawn in.
  library->table.setUnit(LengthUnit::Millimetre);
  m_table.replaceContent(std::move(library->table));
  m_table.SortByName();
  m_table.MoveFirst();
  m_library = std::move(library);
  m_folder = absolute;
  return failures;
}

QString PrettyEditFolder::formatText() const {
  std::set<int> versions;
  for (int row = 0; row < m_table.RecordCount(); ++row) {
    const ModuleRecord& r = m_table.recordAt(row);
    if (r.format == ModuleFormat::KicadMod && r.Comandos) versions.insert(versionOf(*r.Comandos));
  }
  QStringList parts{QStringLiteral(".pretty")};
  for (const int version : versions) {
    parts << (version == 0 ? kicadReleaseOf(0)
                           : QStringLiteral("%1 (%2)").arg(kicadReleaseOf(version)).arg(version));
  }
  return parts.join(QStringLiteral(", "));
}

PrettyEditFolder::CopyPlan PrettyEditFolder::planCopy(const ModuleTable& search,
                                                      const std::vector<int>& rows) const {
  return planInto(m_table, search, rows);
}

PrettyEditFolder::CopyPlan PrettyEditFolder::planInto(const ModuleTable& library,
                                                      const ModuleTable& search,
                                                      const std::vector<int>& rows) {
  CopyPlan plan;
  const ModuleNameCollator collator;
  for (const int row : rows) {
    if (row < 0 || row >= search.RecordCount()) continue;
    const ModuleRecord& from = search.recordAt(row);
    std::vector<KicadModNote> notes;
    ModuleRecord copy = prettyRecordOf(from, unitOfRecord(search, from), notes);
    const std::string name = copy.nome_Componente.value_or(std::string());
    const QString shown = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    std::string why;
    if (!writableFootprintFileName(footprintFileName(name), &why)) {
      plan.refused << QCoreApplication::translate("trevak::PrettyEditLibrary",
                                                  "%1: não pode ser nome de arquivo (%2)")
                          .arg(shown, fromBytes(why));
      continue;
    }
    const bool taken =
        rowOfOtherName(library, name, -1) >= 0 ||
        std::any_of(plan.records.begin(), plan.records.end(), [&](const ModuleRecord& other) {
          return sameModuleName(collator, other.nome_Componente.value_or(std::string()), name);
        });
    if (taken) {
      plan.refused
          << QCoreApplication::translate("trevak::PrettyEditLibrary", "%1: já existe").arg(shown);
      continue;
    }
    for (const KicadModNote& note : notes)
      plan.notes << shown + QStringLiteral(": ") + noteText(note);
    plan.records.push_back(std::move(copy));
  }
  return plan;
}

PrettyEditFolder::SaveOutcome PrettyEditFolder::save(UserPrompts& prompts, SaveFileLayer* files) {
  if (m_library == nullptr) {
    return {
        SaveResult::Refused,
        QCoreApplication::translate("trevak::PrettyEditLibrary", "Nenhuma pasta .pretty carregada"),
        0, 0};
  }
  std::vector<WantedFile> wanted = wantedFilesOf(*m_library, m_table);
  SaveOutcome outcome = writeFolder(m_folder, m_library->loaded, wanted, prompts, files);
  if (outcome.result == SaveResult::Saved || outcome.result == SaveResult::Unchanged) {
    takeSavedState(wanted);
  }
  return outcome;
}

PrettyEditFolder::SaveOutcome PrettyEditFolder::saveAs(const QString& folder, UserPrompts& prompts,
                                                       SaveFileLayer* files) {
  const QString absolute = QFileInfo(folder).absoluteFilePath();
  if (m_library == nullptr) {
    return {
        SaveResult::Refused,
        QCoreApplication::translate("trevak::PrettyEditLibrary", "Nenhuma pasta .pretty carregada"),
        0, 0};
  }
  if (const QString refusal = prepareNewFolder(absolute); !refusal.isEmpty()) {
    return {SaveResult::Refused, refusal, 0, 0};
  }
  // Every footprint is written into the new folder; the old one is left as it is.
  std::vector<WantedFile> wanted = wantedFilesOf(*m_library, m_table);
  for (WantedFile& file : wanted) file.unchanged = false;
  LoadedFolder loaded;
  SaveOutcome outcome = writeFolder(absolute, loaded, wanted, prompts, files);
  if (outcome.result == SaveResult::Saved || outcome.result == SaveResult::Unchanged) {
    outcome.result = SaveResult::Saved;
    m_folder = absolute;
    m_library->folder = pathBytes(absolute);
    m_library->loaded = std::move(loaded);
    m_library->failures.clear();
    takeSavedState(wanted);
  }
  return outcome;
}

PrettyEditFolder::SaveOutcome PrettyEditFolder::convertInto(const QString& folder,
                                                            UserPrompts& prompts,
                                                            SaveFileLayer* files) {
  const QString absolute = QFileInfo(folder).absoluteFilePath();
  std::vector<int> rows(static_cast<std::size_t>(m_table.RecordCount()));
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<int>(i);
  // Planned against an empty library: the names are checked among themselves only.
  ModuleTable empty;
  CopyPlan plan = planInto(empty, m_table, rows);
  if (!plan.refused.isEmpty()) {
    return {SaveResult::Refused,
            QCoreApplication::translate(
                "trevak::PrettyEditLibrary",
                "Nada foi salvo: estes módulos não dão arquivos .kicad_mod:\n") +
                plan.refused.join(QLatin1Char('\n')),
            0, 0};
  }
  if (const QString refusal = prepareNewFolder(absolute); !refusal.isEmpty()) {
    return {SaveResult::Refused, refusal, 0, 0};
  }
  std::vector<WantedFile> wanted;
  for (const ModuleRecord& r : plan.records) {
    wanted.push_back({footprintFileName(r.nome_Componente.value_or(std::string())),
                      std::string_view(*r.Comandos), false});
  }
  LoadedFolder loaded;
  SaveOutcome outcome = writeFolder(absolute, loaded, wanted, prompts, files);
  if (outcome.result != SaveResult::Saved && outcome.result != SaveResult::Unchanged) {
    return outcome;
  }
  outcome.result = SaveResult::Saved;
  // The folder written becomes the edit library, read back as any folder is.
  load(absolute);
  if (!plan.notes.isEmpty()) {
    outcome.message += QCoreApplication::translate("trevak::PrettyEditLibrary",
                                                   "\n\nO que a conversão deixou de fora:\n") +
                       plan.notes.join(QLatin1Char('\n'));
  }
  return outcome;
}

QString PrettyEditFolder::prepareNewFolder(const QString& folder) {
  namespace fs = std::filesystem;
  const fs::path path(pathBytes(folder));
  std::error_code ec;
  if (fs::exists(fs::symlink_status(path, ec))) {
    if (!fs::is_directory(path, ec) || !fs::is_empty(path, ec) || ec) {
      return QCoreApplication::translate(
                 "trevak::PrettyEditLibrary",
                 "Nada foi salvo: %1 já existe e não é uma pasta vazia; uma "
                 "biblioteca .pretty é salva como pasta nova.")
          .arg(folder);
    }
    return {};
  }
  if (!fs::create_directory(path, ec) || ec) {
    return QCoreApplication::translate("trevak::PrettyEditLibrary",
                                       "Nada foi salvo: a pasta %1 não pôde ser criada (%2).")
        .arg(folder, QString::fromLocal8Bit(ec.message().c_str()));
  }
  return {};
}

void PrettyEditFolder::takeSavedState(const std::vector<WantedFile>& wanted) {
  // What the files hold now is what the next save compares with.
  m_library->origins.clear();
  for (int row = 0; row < m_table.RecordCount(); ++row) {
    const ModuleRecord& r = m_table.recordAt(row);
    const WantedFile& file = wanted[static_cast<std::size_t>(row)];
    m_library->origins.emplace(
        r.creationNumber, PrettyEditLibrary::Origin{file.fileName, r.nome_Componente.value_or(""),
                                                    std::string(file.text)});
  }
}

PrettyEditFolder::SaveOutcome PrettyEditFolder::writeFolder(const QString& target,
                                                            LoadedFolder& loaded,
                                                            const std::vector<WantedFile>& wanted,
                                                            UserPrompts& prompts,
                                                            SaveFileLayer* files) {
  SaveOutcome outcome;
  const std::string folder = pathBytes(target);
  PrettySaveOptions options;
  options.files = files;
  PrettySaveReport report;
  try {
    try {
      report = savePrettyFolder(folder, loaded, wanted, options);
    } catch (const PrettySaveRefused& refused) {
      if (refused.reason() != PrettySaveRefused::Reason::ChangedOnDisk) throw;
      QStringList changed;
      for (const QString& file : fileList(refused.files())) changed << target + '/' + file;
      if (!prompts.confirmOverwriteChanged(changed.join(QStringLiteral(", ")))) {
        outcome.result = SaveResult::Cancelled;
        outcome.message = QCoreApplication::translate("trevak::PrettyEditLibrary",
                                                      "Não salvo: %1 foi mudado por outro programa")
                              .arg(changed.join(QStringLiteral(", ")));
        return outcome;
      }
      options.force = true;
      report = savePrettyFolder(folder, loaded, wanted, options);
    }
  } catch (const PrettySaveRefused& refused) {
    outcome.result = SaveResult::Refused;
    outcome.message = refusalText(refused);
    return outcome;
  }
  outcome.written = static_cast<int>(report.written.size());
  outcome.removed = static_cast<int>(report.removed.size());
  if (!report.complete()) {
    // The records keep their origins: the next save writes what this one left.
    outcome.result = SaveResult::Partial;
    QStringList lines{QCoreApplication::translate("trevak::PrettyEditLibrary",
                                                  "A pasta %1 foi salva só em parte: %2.")
                          .arg(target, fromBytes(report.error))};
    const auto section = [&lines](const char* title, const std::vector<std::string>& names) {
      if (names.empty()) return;
      lines << QString() << QString::fromUtf8(title) << fileList(names);
    };
    section("Escritos:", report.written);
    section("Removidos:", report.removed);
    section("Não escritos:", report.notWritten);
    section("Não removidos:", report.notRemoved);
    lines << QString()
          << QCoreApplication::translate(
                 "trevak::PrettyEditLibrary",
                 "Nenhuma pegada se perdeu; salvar de novo termina o trabalho.");
    outcome.message = lines.join(QLatin1Char('\n'));
    return outcome;
  }
  if (outcome.written == 0 && outcome.removed == 0) {
    outcome.result = SaveResult::Unchanged;
    outcome.message = QCoreApplication::translate("trevak::PrettyEditLibrary",
                                                  "Nada mudou: nenhum arquivo escrito em %1")
                          .arg(target);
    return outcome;
  }
  outcome.message =
      QCoreApplication::translate("trevak::PrettyEditLibrary",
                                  "Pasta salva: %1 arquivo(s) escrito(s), %2 removido(s) em %3")
          .arg(outcome.written)
          .arg(outcome.removed)
          .arg(target);
  return outcome;
}

std::optional<std::string> renamedFootprintText(const std::string& text, const std::string& newName,
                                                QString* refusal) {
  const QString shown = QString::fromLatin1(newName.data(), static_cast<qsizetype>(newName.size()));
  std::string why;
  if (!writableFootprintFileName(footprintFileName(newName), &why)) {
    if (refusal != nullptr) {
      *refusal =
          QCoreApplication::translate("trevak::PrettyEditLibrary",
                                      "O nome \"%1\" não pode ser nome de arquivo de pegada (%2).")
              .arg(shown, fromBytes(why));
    }
    return std::nullopt;
  }
  // The grid gives the name's bytes; a footprint file holds UTF-8.
  QStringDecoder utf8(QStringDecoder::Utf8);
  (void)utf8.decode(QByteArrayView(newName.data(), static_cast<qsizetype>(newName.size())));
  if (utf8.hasError()) {
    if (refusal != nullptr) {
      *refusal =
          QCoreApplication::translate("trevak::PrettyEditLibrary",
                                      "O nome \"%1\" não cabe num arquivo .kicad_mod (só UTF-8).")
              .arg(shown);
    }
    return std::nullopt;
  }
  std::optional<std::string> renamed = renameKicadModText(text, newName, &why);
  if (!renamed && refusal != nullptr) {
    *refusal = QCoreApplication::translate(
                   "trevak::PrettyEditLibrary",
                   "O texto da pegada não pôde ser lido (%1); o nome fica como era.")
                   .arg(fromBytes(why));
  }
  return renamed;
}

QString kicadReleaseOf(int version) {
  // The last version each release writes; a development version between two releases
  // belongs to the later one.
  struct Release {
    int last;
    int number;
  };
  static constexpr Release kReleases[] = {
      {20200000, 5}, {20211014, 6}, {20221018, 7}, {20240108, 8}, {20241229, 9}};
  for (const Release& r : kReleases) {
    if (version <= r.last)
      return QCoreApplication::translate("trevak::PrettyEditLibrary", "KiCad %1").arg(r.number);
  }
  return QCoreApplication::translate("trevak::PrettyEditLibrary", "KiCad 10");
}

}  // namespace trevak
