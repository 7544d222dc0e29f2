// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/load_warnings_panel.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace trevak {

namespace {

// Bytes of the file (names, lines): shown as Latin-1, as the grid shows names.
QString fileBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

LoadWarningsPanel::LoadWarningsPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("LoadWarnings"));
  setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 0, 0, 0);
  m_text = new QLabel(this);
  m_text->setObjectName(QStringLiteral("LoadWarningsText"));
  m_text->setCursor(Qt::PointingHandCursor);
  m_text->setToolTip(tr("Clique para ver a lista dos avisos"));
  m_text->installEventFilter(this);
  m_close = new QToolButton(this);
  m_close->setObjectName(QStringLiteral("LoadWarningsClose"));
  m_close->setText(QStringLiteral("×"));
  m_close->setAutoRaise(true);
  m_close->setToolTip(tr("Fechar os avisos"));
  row->addWidget(m_text, 1);
  row->addWidget(m_close, 0);
  connect(m_close, &QToolButton::clicked, this, &QWidget::hide);
  hide();
}

QString LoadWarningsPanel::findingModule(const LoadFinding& finding) {
  return finding.module.empty() ? tr("(cabeçalho)") : fileBytes(finding.module);
}

QString LoadWarningsPanel::findingText(const LoadFinding& finding) {
  const QString detail = fileBytes(finding.detail);
  switch (finding.kind) {
    case LoadFinding::Kind::HeaderMissing:
      return tr("a primeira linha não começa com PCBNEW-LibModule-V");
    case LoadFinding::Kind::NameTooLong:
      return tr("nome com mais de 60 bytes; ferramentas antigas o cortam em 60 (%1)").arg(detail);
    case LoadFinding::Kind::CutNameCollides:
      return tr("ferramentas antigas dão a este e a outro módulo o mesmo nome %1").arg(detail);
    case LoadFinding::Kind::NameCutAtBlank:
      return tr("nome com espaço; ferramentas antigas o cortam no espaço (%1)").arg(detail);
    case LoadFinding::Kind::NameCutAtQuote:
      return tr("nome com aspas; ferramentas antigas o cortam ou tiram as aspas (%1)").arg(detail);
    case LoadFinding::Kind::EndLineMissing:
      return tr("módulo sem linha $EndMODULE");
    case LoadFinding::Kind::DuplicateName:
      return tr("nome repetido %1 vezes no arquivo").arg(detail);
    case LoadFinding::Kind::UnitLineIgnored:
      return tr("linha Units que o KiCad ignora, medidas em décimos de mil (%1)").arg(detail);
  }
  return detail;
}

void LoadWarningsPanel::showFindings(const QString& path,
                                     const std::vector<LoadFinding>& findings) {
  m_findings = findings;
  m_details.clear();
  m_file = QFileInfo(path).fileName();
  for (const LoadFinding& finding : findings) {
    m_details << QStringLiteral("%1: %2").arg(findingModule(finding), findingText(finding));
  }
  if (m_list != nullptr) fillList();
  if (findings.empty()) {
    hide();
    return;
  }
  // Short, so the status bar keeps room for the messages of the commands; the findings are in
  // the list a click opens.
  m_text->setText(findings.size() == 1 ? tr("1 aviso em %1").arg(m_file)
                                       : tr("%1 avisos em %2").arg(findings.size()).arg(m_file));
  show();
}

void LoadWarningsPanel::openList() {
  if (m_list == nullptr) {
    m_list = new QDialog(this);
    m_list->setObjectName(QStringLiteral("LoadWarningsList"));
    auto* column = new QVBoxLayout(m_list);
    m_tree = new QTreeWidget(m_list);
    m_tree->setObjectName(QStringLiteral("LoadWarningsFindings"));
    m_tree->setRootIsDecorated(false);
    m_tree->setHeaderLabels({tr("Módulo"), tr("Aviso")});
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, m_list);
    connect(buttons, &QDialogButtonBox::rejected, m_list, &QDialog::reject);
    column->addWidget(m_tree);
    column->addWidget(buttons);
    m_list->resize(640, 360);
  }
  fillList();
  m_list->show();
  m_list->raise();
  m_list->activateWindow();
}

void LoadWarningsPanel::fillList() {
  m_list->setWindowTitle(tr("Avisos da carga de %1").arg(m_file));
  m_tree->clear();
  QList<QTreeWidgetItem*> rows;
  rows.reserve(static_cast<qsizetype>(m_findings.size()));
  for (const LoadFinding& finding : m_findings) {
    rows << new QTreeWidgetItem(QStringList{findingModule(finding), findingText(finding)});
  }
  m_tree->addTopLevelItems(rows);
}

bool LoadWarningsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_text && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    openList();
    return true;
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace trevak
