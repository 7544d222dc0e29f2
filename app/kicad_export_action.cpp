// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/kicad_export_action.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "app/language.h"
#include "app/user_prompts.h"
#include "library/io_error.h"
#include "library/library_writer.h"
#include "library/module_table.h"

namespace trevak {

namespace {

QString fromBytes(const std::string& bytes) {
  // Names are bytes; the window shows them as Latin-1, as everywhere else.
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString noteText(const KicadModNote& note) {
  switch (note.kind) {
    case KicadModNote::Kind::LineNotUnderstood:
      return QObject::tr("linha não exportada (linha %1): %2")
          .arg(note.line)
          .arg(fromBytes(note.detail));
    case KicadModNote::Kind::PadSkipped:
      return QObject::tr("pad não exportado (linha %1): %2")
          .arg(note.line)
          .arg(fromBytes(note.detail));
    case KicadModNote::Kind::PadNameCut:
      return QObject::tr("nome de pad cortado em 49 bytes: %1").arg(fromBytes(note.detail));
  }
  return {};
}

// Leaves the table browsing, with the same record current, so an open edit is exported too.
void settle(ModuleTable& table) {
  if (table.mode() == TableMode::Browse) return;
  const int row = table.currentIndex();
  table.MoveFirst();
  if (row >= 0 && row < table.RecordCount()) table.moveTo(row);
}

}  // namespace

QString kicadExportFolder(const QString& chosen, const QString& libraryPath) {
  if (chosen.endsWith(QStringLiteral(".pretty"))) return chosen;
  QString base = QFileInfo(libraryPath).completeBaseName();
  if (base.isEmpty()) base = QStringLiteral("biblioteca");
  return chosen + QLatin1Char('/') + base + QStringLiteral(".pretty");
}

ExportSummary summarizeExport(const ExportReport& report, const QString& folder) {
  const std::size_t refused = report.count(ExportOutcome::RefusedDifferent) +
                              report.count(ExportOutcome::RefusedNotAFile) +
                              report.count(ExportOutcome::RefusedName);
  std::size_t noted = 0;
  QStringList details;
  for (const ExportedFootprint& f : report.footprints) {
    const QString name = fromBytes(f.moduleName);
    switch (f.outcome) {
      case ExportOutcome::RefusedDifferent:
        details << QObject::tr("%1: já existe um arquivo diferente, não substituído")
                       .arg(QString::fromStdString(f.fileName));
        break;
      case ExportOutcome::RefusedNotAFile:
        details << QObject::tr("%1: não é um arquivo comum, não substituído")
                       .arg(QString::fromStdString(f.fileName));
        break;
      case ExportOutcome::RefusedName:
        details << QObject::tr("\"%1\": nome vazio ou com caracteres de controle, não exportado")
                       .arg(name);
        break;
      case ExportOutcome::Failed:
        details << QObject::tr("%1: falha ao gravar: %2")
                       .arg(QString::fromStdString(f.fileName), QString::fromStdString(f.error));
        break;
      default:
        break;
    }
    if (!f.notes.empty()) ++noted;
    for (const KicadModNote& note : f.notes) {
      details << QStringLiteral("%1: %2").arg(QString::fromStdString(f.footprintName),
                                             noteText(note));
    }
  }
  QString text = QObject::tr(
                     "Exportação para %1:\n%2 gravados, %3 sem mudança, %4 substituídos, "
                     "%5 recusados, %6 com falha.")
                     .arg(folder)
                     .arg(report.count(ExportOutcome::Written))
                     .arg(report.count(ExportOutcome::Unchanged))
                     .arg(report.count(ExportOutcome::Replaced))
                     .arg(refused)
                     .arg(report.count(ExportOutcome::Failed));
  if (noted != 0) text += QObject::tr("\n%1 módulos com observações (ver detalhes).").arg(noted);
  if (report.stopped) text += QObject::tr("\nExportação interrompida.");
  return {text, details.join(QLatin1Char('\n'))};
}

namespace {

// One run of the export with its progress; a folder that cannot be made is shown in the error
// box and gives nothing.
std::optional<ExportReport> runExport(const std::vector<ExportModule>& modules, LengthUnit unit,
                                      const QString& folder, ExportOptions options,
                                      UserPrompts& prompts) {
  std::unique_ptr<ProgressReport> progress = prompts.startProgress(
      QObject::tr("Exportando para KiCad..."), static_cast<int>(modules.size()));
  options.progress = [&progress](std::size_t done, std::size_t) {
    return progress->advance(static_cast<int>(done));
  };
  try {
    return exportPretty(modules, unit, QFile::encodeName(folder).toStdString(), options);
  } catch (const IoError& e) {
    progress.reset();
    prompts.showError(QStringLiteral("%1: %2").arg(folder, QString::fromUtf8(e.what())));
    return std::nullopt;
  }
}

QString replaceQuestion(std::size_t different) {
  return different == 1 ? QObject::tr(
                              "1 arquivo diferente já estava na pasta e não foi substituído. "
                              "Substituí-lo pelo exportado?")
                        : QObject::tr(
                              "%1 arquivos diferentes já estavam na pasta e não foram "
                              "substituídos. Substituí-los pelos exportados?")
                              .arg(different);
}

}  // namespace

QString exportEditLibraryToKicad(ModuleTable& table, const QString& libraryPath,
                                 UserPrompts& prompts, SaveFileLayer* files) {
  if (table.IsEmpty()) {
    prompts.showError(libraryText(kEmptyLibraryMessage));
    return QString();
  }
  FileDialogRequest request;
  request.title = QObject::tr(kKicadExportCaption).chopped(3);
  if (!libraryPath.isEmpty()) request.initialFolder = QFileInfo(libraryPath).absolutePath();
  request.newFolderAllowed = true;
  const std::optional<QString> chosen = prompts.askFolder(request);
  if (!chosen) return QString();
  const QString folder = kicadExportFolder(*chosen, libraryPath);

  settle(table);
  const std::vector<ExportModule> modules = exportModulesOf(table);
  // Named once for the whole library, so a second run over some of them keeps their names.
  const std::vector<std::string> names = exportFootprintNames(modules);
  ExportOptions options;
  options.files = files;
  options.footprintNames = &names;
  std::optional<ExportReport> report = runExport(modules, table.unit(), folder, options, prompts);
  if (!report) return QString();
  ExportSummary summary = summarizeExport(*report, folder);
  const std::size_t different = report->count(ExportOutcome::RefusedDifferent);
  if (different == 0 || report->stopped) {
    prompts.showSummary(summary.text, summary.details);
    return folder;
  }
  // The user decides what --force decides on the command line; the question is the summary.
  if (!prompts.confirmReplace(summary.text + QStringLiteral("\n\n") + replaceQuestion(different),
                              summary.details)) {
    return folder;
  }
  std::vector<std::size_t> refused;
  std::vector<ExportModule> again;
  std::vector<std::string> againNames;
  for (std::size_t i = 0; i < report->footprints.size(); ++i) {
    if (report->footprints[i].outcome != ExportOutcome::RefusedDifferent) continue;
    refused.push_back(i);
    again.push_back(modules[i]);
    againNames.push_back(names[i]);
  }
  options.force = true;
  options.footprintNames = &againNames;
  const std::optional<ExportReport> replaced =
      runExport(again, table.unit(), folder, options, prompts);
  if (!replaced) return folder;
  for (std::size_t k = 0; k < replaced->footprints.size(); ++k) {
    report->footprints[refused[k]] = replaced->footprints[k];
  }
  report->stopped = replaced->stopped;
  summary = summarizeExport(*report, folder);
  prompts.showSummary(summary.text, summary.details);
  return folder;
}

}  // namespace trevak
