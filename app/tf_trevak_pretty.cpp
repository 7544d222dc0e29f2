// SPDX-License-Identifier: GPL-3.0-or-later
// The editor window's handlers for a `.pretty` folder as the edit library: its load, the copy
// into it from the search pane and its save. The folder's state is app/pretty_edit_library.h;
// the rest of the window is in tf_trevak.cpp.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

#include "app/edit_history.h"
#include "app/load_warnings_panel.h"
#include "app/pretty_edit_library.h"
#include "app/recent_libraries.h"
#include "app/tf_trevak.h"
#include "app/undo_commands.h"
#include "library/pretty_library.h"

namespace trevak {

namespace {

// `one` and `many` are marked for translation where they are written.
QString countedModules(int n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(TfTrevak::tr(n == 1 ? one : many));
}

}  // namespace

bool TfTrevak::editIsPretty() const {
  return m_prettyEdit != nullptr && m_prettyEdit->holds(m_editFile);
}

void TfTrevak::showEditFormat() {
  if (m_editFormat == nullptr) return;
  m_editFormat->setText(editIsPretty() ? m_prettyEdit->formatText() : QString());
}

void TfTrevak::loadEditFolder(const QString& path) {
  if (!PrettyEditFolder::isPrettyFolder(path)) {
    // One footprint file is no library to edit: its folder is.
    m_prompts->showError(
        tr("%1 é uma pegada só; para editá-la, carregue a pasta .pretty que a contém.").arg(path));
    return;
  }
  // Nothing changes until every file was read; a folder that cannot be listed throws first.
  const QStringList failures = m_prettyEdit->load(path);
  m_history->clear();
  const QString folder = m_prettyEdit->folder();
  // The folder's files carry their own identities, checked by its save.
  m_editIdentityFile.clear();
  m_editIdentity.reset();
  setEditName(folder, folder);
  m_editRecent->add(folder);
  m_loadWarnings->showFindings(folder, {});
  tell(QStringLiteral("%1 em %2 (%3)")
           .arg(countedModules(RxMD_comp.RecordCount(),
                               QT_TRANSLATE_NOOP("trevak::TfTrevak", "módulo carregado"),
                               QT_TRANSLATE_NOOP("trevak::TfTrevak", "módulos carregados")),
                folder, m_prettyEdit->formatText()));
  if (!failures.isEmpty()) {
    m_prompts->showSummary(
        tr("Alguns arquivos de %1 não foram lidos; ficam na pasta como estão.").arg(folder),
        failures.join(QLatin1Char('\n')));
  }
}

void TfTrevak::saveEditFolderTo(const QString& path) {
  const QString target = QFileInfo(path).absoluteFilePath();
  const bool converting = !editIsPretty();
  const bool inPlace = !converting && target == m_prettyEdit->folder();
  if (!inPlace && !hasPrettySuffix(QFile::encodeName(target).toStdString())) {
    m_prompts->showError(
        tr("Uma biblioteca .pretty é salva numa pasta .pretty; um "
           "arquivo .mod não guarda as pegadas do KiCad atual."));
    return;
  }
  using Result = PrettyEditFolder::SaveResult;
  const PrettyEditFolder::SaveOutcome outcome =
      converting ? m_prettyEdit->convertInto(target, *m_prompts, m_options.saveFiles)
      : inPlace  ? m_prettyEdit->save(*m_prompts, m_options.saveFiles)
                 : m_prettyEdit->saveAs(target, *m_prompts, m_options.saveFiles);
  switch (outcome.result) {
    case Result::Saved:
    case Result::Unchanged: {
      // A converted library is what was read back from its new files: its history is gone.
      if (converting) {
        m_history->clear();
      } else {
        m_history->markClean();
      }
      const QString folder = m_prettyEdit->folder();
      setEditName(folder, folder);
      m_editRecent->add(folder);
      const qsizetype firstBreak = outcome.message.indexOf(QLatin1Char('\n'));
      tell(outcome.message.left(firstBreak));
      if (firstBreak >= 0) {
        m_prompts->showSummary(outcome.message.left(firstBreak),
                               outcome.message.mid(firstBreak).trimmed());
      }
      return;
    }
    case Result::Cancelled:
      tell(outcome.message);
      return;
    case Result::Refused:
    case Result::Partial:
      m_prompts->showError(outcome.message);
      tell(outcome.result == Result::Partial ? tr("Pasta salva só em parte") : tr("Não salvo"));
      return;
  }
}

void TfTrevak::copyIntoEditFolder(const std::vector<int>& rows) {
  PrettyEditFolder::CopyPlan plan = m_prettyEdit->planCopy(RxMD_comp2, rows);
  const int copied = static_cast<int>(plan.records.size());
  if (copied > 0) {
    m_history->push(new CmdCopyModules(RxMD_comp, std::move(plan.records), LengthUnit::Millimetre));
  }
  if (!plan.refused.isEmpty()) {
    m_prompts->showError(tr("Não copiados:\n") + plan.refused.join(QLatin1Char('\n')));
  }
  if (!plan.notes.isEmpty()) {
    m_prompts->showSummary(
        tr("Módulos .mod convertidos para .kicad_mod; o que a conversão deixou de fora:"),
        plan.notes.join(QLatin1Char('\n')));
  }
  QString text = countedModules(copied, QT_TRANSLATE_NOOP("trevak::TfTrevak", "módulo copiado"),
                                QT_TRANSLATE_NOOP("trevak::TfTrevak", "módulos copiados"));
  if (!plan.refused.isEmpty()) {
    text += tr(", %1 recusado(s)").arg(plan.refused.size());
  }
  tell(text);
}

void TfTrevak::stripEditFolderPrefix() {
  std::vector<std::string> kept;
  std::vector<CmdSetModules::Change> changes =
      m_prettyEdit->stripPrefixChanges(QFile::encodeName(m_editFile).toStdString(), kept);
  const bool changed = !changes.empty();
  if (changed) m_history->push(new CmdSetModules(RxMD_comp, std::move(changes)));
  QString text = changed ? tr("Prefixo tirado dos nomes (e dos textos das pegadas)")
                         : tr("Nenhum nome com o prefixo");
  tell(text + keptNamesText(kept));
}

void TfTrevak::fillEditFolderNames() {
  std::vector<CmdSetModules::Change> changes = m_prettyEdit->fillNameChanges();
  const bool changed = !changes.empty();
  if (changed) m_history->push(new CmdSetModules(RxMD_comp, std::move(changes)));
  tell(changed ? tr("Nomes escritos no lugar de >NAME") : tr("Nenhum >NAME para preencher"));
}

}  // namespace trevak
