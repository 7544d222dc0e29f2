// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/kicad_table_add_action.h"

#include <QAction>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/user_prompts.h"
#include "library/table_addition.h"

namespace trevak {

namespace {

QString fromLocal(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }
std::string toLocal(const QString& text) { return QFile::encodeName(text).toStdString(); }

}  // namespace

std::optional<TableAdditionAnswer> QtTableAdditionPrompts::askTableAddition(
    const TableAdditionRequest& request) {
  QDialog dialog(m_parent);
  dialog.setObjectName(QStringLiteral("TableAdditionDialog"));
  dialog.setWindowTitle(QObject::tr(kTableAdditionCaption).chopped(3));
  auto* form = new QFormLayout;

  auto* folder = new QLineEdit(request.libraryFolder);
  folder->setObjectName(QStringLiteral("TableAdditionFolder"));
  auto* browse = new QPushButton(QObject::tr("Escolher..."));
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folder, 1);
  folderRow->addWidget(browse);
  form->addRow(QObject::tr("Biblioteca (.pretty):"), folderRow);

  auto* global = new QRadioButton(request.globalExists
                                      ? QObject::tr("Tabela global (%1)").arg(request.globalTable)
                                      : QObject::tr("Tabela global (ainda não existe: %1)")
                                            .arg(request.globalTable));
  auto* project = new QRadioButton(QObject::tr("Tabela do projeto em:"));
  auto* projectFolder = new QLineEdit(request.projectFolder);
  auto* browseProject = new QPushButton(QObject::tr("Escolher..."));
  auto* projectRow = new QHBoxLayout;
  projectRow->addWidget(project);
  projectRow->addWidget(projectFolder, 1);
  projectRow->addWidget(browseProject);
  global->setChecked(request.projectFolder.isEmpty());
  project->setChecked(!request.projectFolder.isEmpty());
  auto* tables = new QVBoxLayout;
  tables->addWidget(global);
  tables->addLayout(projectRow);
  form->addRow(QObject::tr("Tabela:"), tables);

  auto* nickname = new QLineEdit(request.nickname);
  nickname->setObjectName(QStringLiteral("TableAdditionNickname"));
  form->addRow(QObject::tr("Apelido:"), nickname);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
    const QString chosen = QFileDialog::getExistingDirectory(&dialog, QString(), folder->text());
    if (chosen.isEmpty()) return;
    folder->setText(chosen);
    if (nickname->text().isEmpty()) nickname->setText(fromLocal(proposedNickname(toLocal(chosen))));
  });
  QObject::connect(browseProject, &QPushButton::clicked, &dialog, [&] {
    const QString chosen = QFileDialog::getExistingDirectory(&dialog, QString(), projectFolder->text());
    if (chosen.isEmpty()) return;
    projectFolder->setText(chosen);
    project->setChecked(true);
  });
  // The nickname follows the folder typed until the user types one of their own.
  QObject::connect(folder, &QLineEdit::textEdited, &dialog, [&, proposed = request.nickname](const QString& typed) mutable {
    if (nickname->text() != proposed) return;
    proposed = fromLocal(proposedNickname(toLocal(typed)));
    nickname->setText(proposed);
  });
  QObject::connect(projectFolder, &QLineEdit::textEdited, &dialog, [project] { project->setChecked(true); });
  dialog.resize(640, dialog.sizeHint().height());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  TableAdditionAnswer answer;
  answer.libraryFolder = folder->text().trimmed();
  answer.nickname = nickname->text().trimmed();
  if (project->isChecked()) answer.projectFolder = projectFolder->text().trimmed();
  return answer;
}

bool QtTableAdditionPrompts::confirmCreateTable(const QString& tableFile, bool global) {
  const QString text =
      global ? QObject::tr("O KiCad ainda não tem tabela global de bibliotecas de footprints (%1). "
                           "Criar uma com as bibliotecas padrão do KiCad e esta?")
                   .arg(tableFile)
             : QObject::tr("O projeto ainda não tem tabela de bibliotecas de footprints (%1). "
                           "Criar uma com esta biblioteca?")
                   .arg(tableFile);
  return QMessageBox::question(m_parent, QObject::tr(kTableAdditionCaption).chopped(3), text,
                               QMessageBox::Yes | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Yes;
}

KicadTableAddition::KicadTableAddition(QWidget* window, UserPrompts& prompts)
    : QObject(window), m_prompts(prompts), m_ask(std::make_unique<QtTableAdditionPrompts>(window)) {
  setObjectName(QStringLiteral("KicadTableAddition"));
}

KicadTableAddition::~KicadTableAddition() = default;

QAction* KicadTableAddition::install(QMenu* menu, QAction* before) {
  auto* action = new QAction(QObject::tr(kTableAdditionCaption), menu);
  action->setObjectName(QStringLiteral("Adicionaratabeladokicad1"));
  menu->insertAction(before, action);
  connect(action, &QAction::triggered, this, &KicadTableAddition::run);
  return action;
}

void KicadTableAddition::exported(const QString& folder) { m_lastFolder = folder; }

void KicadTableAddition::setPrompts(std::unique_ptr<TableAdditionPrompts> prompts) {
  m_ask = std::move(prompts);
}

void KicadTableAddition::run() {
  bool globalExists = false;
  TableAdditionRequest request;
  request.globalTable = fromLocal(globalTableFile(&globalExists));
  request.globalExists = globalExists;
  request.libraryFolder = m_lastFolder;
  if (!m_lastFolder.isEmpty()) request.nickname = fromLocal(proposedNickname(toLocal(m_lastFolder)));
  request.projectFolder = m_lastProject;
  for (;;) {
    const std::optional<TableAdditionAnswer> answer = m_ask->askTableAddition(request);
    if (!answer) return;
    request.libraryFolder = answer->libraryFolder;
    request.nickname = answer->nickname;
    request.projectFolder = answer->projectFolder;
    TableAddition addition;
    addition.library = toLocal(answer->libraryFolder);
    addition.nickname = answer->nickname.toStdString();
    addition.table = toLocal(answer->projectFolder);
    TableAdditionResult result = addLibraryToTable(addition);
    if (result.outcome == TableAdditionResult::Outcome::NoTable) {
      if (!m_ask->confirmCreateTable(fromLocal(result.tableFile), answer->projectFolder.isEmpty())) continue;
      addition.create = true;
      result = addLibraryToTable(addition);
    }
    switch (result.outcome) {
      case TableAdditionResult::Outcome::Added:
        m_lastFolder = answer->libraryFolder;
        m_lastProject = answer->projectFolder;
        m_prompts.showInfo(QObject::tr("Biblioteca adicionada a %1 como \"%2\" (%3).")
                               .arg(fromLocal(result.tableFile), answer->nickname,
                                    fromLocal(result.uri)));
        return;
      case TableAdditionResult::Outcome::NicknameTaken:
        m_prompts.showError(QObject::tr("A tabela %1 já tem uma biblioteca chamada \"%2\"; escolha "
                                        "outro apelido.")
                                .arg(fromLocal(result.tableFile), answer->nickname));
        continue;  // asked again, the other answers kept
      case TableAdditionResult::Outcome::NoTable:
      case TableAdditionResult::Outcome::Failed:
        m_prompts.showError(fromLocal(result.error));
        if (result.outcome == TableAdditionResult::Outcome::Failed &&
            !QFileInfo(answer->libraryFolder).isDir()) {
          continue;
        }
        return;
    }
  }
}

}  // namespace trevak
