// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/recent_libraries.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <utility>

#include "app/settings.h"

namespace trevak {

namespace {

/// The same file under one spelling, so a library loaded twice is listed once.
QString normalPath(const QString& path) {
  return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

QString missingRecentLibraryMessage(const QString& path) {
  return QObject::tr("A biblioteca %1 não existe mais e saiu da lista de recentes.")
      .arg(QDir::toNativeSeparators(path));
}

RecentLibraries::RecentLibraries(QMenu* menu, Hooks hooks, QObject* parent)
    : QObject(parent), m_menu(menu), m_hooks(std::move(hooks)) {
  rebuildMenu();
}

void RecentLibraries::setPaths(const QStringList& paths) {
  QStringList normal;
  for (const QString& path : paths) normal << normalPath(path);
  m_paths = cleanRecentList(normal);
  rebuildMenu();
}

void RecentLibraries::add(const QString& path) {
  const QString normal = normalPath(path);
  if (normal.isEmpty()) return;
  QStringList paths = m_paths;
  paths.removeAll(normal);
  paths.prepend(normal);
  update(paths);
}

void RecentLibraries::remove(const QString& path) {
  QStringList paths = m_paths;
  if (paths.removeAll(normalPath(path)) == 0) return;
  update(paths);
}

void RecentLibraries::choose(const QString& path) {
  // exists(), not isFile(): a source may also be a folder of libraries.
  if (!QFileInfo::exists(path)) {
    // Dropped before the report, so the message box cannot be followed by a second one for
    // the same entry.
    remove(path);
    if (m_hooks.missing) m_hooks.missing(path);
    return;
  }
  if (m_hooks.open) m_hooks.open(path);
}

void RecentLibraries::update(const QStringList& paths) {
  const QStringList cleaned = cleanRecentList(paths);
  if (cleaned == m_paths) return;
  m_paths = cleaned;
  rebuildMenu();
  if (m_hooks.changed) m_hooks.changed();
}

void RecentLibraries::rebuildMenu() {
  if (m_menu == nullptr) return;
  // An entry may be rebuilt away while its own triggered() is still running: it goes later.
  for (QAction* action : m_menu->actions()) {
    m_menu->removeAction(action);
    action->deleteLater();
  }
  for (int i = 0; i < m_paths.size(); ++i) {
    const QString path = m_paths[i];
    // "&1" to "&8": each entry has its key while the menu is open.
    QAction* action =
        m_menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)));
    action->setData(path);
    connect(action, &QAction::triggered, this, [this, path] { choose(path); });
  }
  m_menu->menuAction()->setEnabled(!m_paths.isEmpty());
}

}  // namespace trevak
