// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QMenu;

namespace trevak {

/// One pane's "Bibliotecas recentes": the libraries it loaded last, most recent first, shown as
/// the items of a menu. Choosing an item opens that library again; a library that is gone by
/// then is reported once and leaves the list.
class RecentLibraries final : public QObject {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<void(const QString& path)> open;     ///< loads the library into the pane
    std::function<void(const QString& path)> missing;  ///< tells the user it is gone
    std::function<void()> changed;                     ///< the list changed (to store it)
  };

  /// Fills `menu` (owned by the caller) from now on; the menu is greyed out while empty.
  RecentLibraries(QMenu* menu, Hooks hooks, QObject* parent = nullptr);

  const QStringList& paths() const { return m_paths; }
  /// Replaces the list (as read from the settings), without calling `changed`.
  void setPaths(const QStringList& paths);
  /// Puts `path` first, dropping an older entry for the same file and the oldest one past the
  /// list's length.
  void add(const QString& path);
  /// Takes `path` out of the list.
  void remove(const QString& path);
  /// What choosing the entry for `path` does: opens it, or reports and drops it when gone.
  void choose(const QString& path);

 private:
  void rebuildMenu();
  void update(const QStringList& paths);

  QPointer<QMenu> m_menu;
  Hooks m_hooks;
  QStringList m_paths;
};

/// The message for a recent library that no longer exists.
QString missingRecentLibraryMessage(const QString& path);

}  // namespace trevak
