// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_status.h"

#include <QEvent>
#include <QMainWindow>
#include <QStatusBar>
#include <QStatusTipEvent>

namespace trevak {

CommandStatus::CommandStatus(QMainWindow& window) : QObject(&window), m_window(window) {
  m_window.installEventFilter(this);
}

void CommandStatus::show(const QString& result) {
  m_result = result;
  m_untilChanged = false;
  m_window.statusBar()->showMessage(result);
}

void CommandStatus::showUntilChanged(const QString& result) {
  show(result);
  m_untilChanged = true;
}

void CommandStatus::libraryModified(bool modified) {
  if (!modified || !m_untilChanged) return;
  show(QString());
}

bool CommandStatus::eventFilter(QObject* watched, QEvent* event) {
  // A hint that ends (the pointer left its control, a menu closed) gives the place back to
  // the result instead of an empty bar.
  if (watched == &m_window && event->type() == QEvent::StatusTip &&
      static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) {
    m_window.statusBar()->showMessage(m_result);
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace trevak
