// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/load_warnings_panel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace trevak {

namespace {
// A tooltip taller than the screen is no help; the command-line check lists everything.
constexpr std::size_t kTooltipLines = 40;
}  // namespace

LoadWarningsPanel::LoadWarningsPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("LoadWarnings"));
  setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 0, 0, 0);
  m_text = new QLabel(this);
  m_text->setObjectName(QStringLiteral("LoadWarningsText"));
  m_close = new QToolButton(this);
  m_close->setObjectName(QStringLiteral("LoadWarningsClose"));
  m_close->setText(QStringLiteral("×"));
  m_close->setAutoRaise(true);
  m_close->setToolTip(QStringLiteral("Fechar os avisos"));
  row->addWidget(m_text, 1);
  row->addWidget(m_close, 0);
  connect(m_close, &QToolButton::clicked, this, &QWidget::hide);
  hide();
}

void LoadWarningsPanel::showFindings(const QString& path,
                                     const std::vector<LoadFinding>& findings) {
  m_details.clear();
  if (findings.empty()) {
    hide();
    return;
  }
  QStringList lines;
  for (const LoadFinding& finding : findings) {
    // Names are bytes; the window shows them as Latin-1, as everywhere else.
    lines << QString::fromLatin1(describeFinding(finding));
  }
  m_details = lines.join(QLatin1Char('\n'));
  const QString file = QFileInfo(path).fileName();
  // Short, so the status bar keeps room for the messages of the commands; the list is in the
  // tooltip.
  m_text->setText(findings.size() == 1
                      ? QStringLiteral("1 aviso em %1").arg(file)
                      : QStringLiteral("%1 avisos em %2").arg(findings.size()).arg(file));
  QStringList shown = lines.mid(0, static_cast<qsizetype>(kTooltipLines));
  if (lines.size() > shown.size()) {
    shown << QStringLiteral("... e mais %1 (trevak-cli check)").arg(lines.size() - shown.size());
  }
  setToolTip(shown.join(QLatin1Char('\n')));
  show();
}

}  // namespace trevak
