// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "library/library_set.h"

class QLabel;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace trevak {

class HeaderStrip;
class ModuleTable;
class NameGrid;
class UserPrompts;
struct LoadControl;
struct LibrarySetContents;

/// The count label of the search pane: the number of modules, or "shown / total" while a
/// filter hides some.
QString searchCountText(const ModuleTable& table);

/// What a load of one file into the search library says: how many modules it loaded and, while
/// the filter holds words, how many of them it shows ("4 módulos carregados em /x.mod, 0
/// mostrados pelo filtro").
QString searchLoadedText(const ModuleTable& table, const QString& path);

/// The header caption of a set: its folder (or the folder the files share) and the number of
/// libraries, e.g. "/lib/kicad (150 bibliotecas)".
QString librarySetCaption(const QStringList& sources, int libraries);

/// The search pane's set of libraries and its filter: loads several files or a folder on a
/// worker thread with progress and cancel, and filters the search table as the user types.
/// The window keeps the handlers; this class holds what they share.
class SearchPane final : public QObject {
  Q_OBJECT

 public:
  /// Adds the filter line edit `EditFiltro` above `grid` in the page `contents`, moving the grid
  /// down by its height, with Escape to clear it. `window` owns the pane.
  SearchPane(ModuleTable& table, UserPrompts& prompts, HeaderStrip& caption, QTabWidget& pages,
             QWidget& contents, NameGrid& grid, QWidget& window);
  ~SearchPane() override;

  /// Reads every library that `sources` (files and folders) name, off the user interface
  /// thread, and only then puts them in place of the search library, in one step. Files that
  /// failed are listed in one error message at the end. A cancelled load, or one that read no
  /// library at all, changes nothing. Returns when the load has ended: true when a set took
  /// the search library's place.
  bool loadSources(const QStringList& sources);
  /// loadSources over libraries named one by one (a KiCad library table's rows), each keeping
  /// its nickname; `caption` names the set above the grid.
  bool loadNamed(const std::vector<NamedLibrary>& libraries, const QString& caption);
  /// True while loadSources runs.
  bool loading() const { return m_control != nullptr; }

  QLineEdit* filterEdit() const { return m_filter; }
  /// Shows the filter's page and puts the focus in the filter, its words selected ("Localizar").
  void focusFilter();

 public slots:
  /// Asks a running load to stop before its next file.
  void cancelLoad();

 signals:
  /// After each file of a load, on the user interface thread.
  void loadProgress(int done, int total);

 private:
  /// Runs `read` on a worker thread with progress and cancel, then puts its set in place.
  bool loadSet(const std::function<LibrarySetContents(LoadControl*)>& read, const QStringList& sources,
               const QString& caption);
  void applyFilter(const QString& text);

  ModuleTable& m_table;
  UserPrompts& m_prompts;
  HeaderStrip& m_caption;
  QTabWidget& m_pages;
  NameGrid& m_grid;
  QLineEdit* m_filter = nullptr;
  std::shared_ptr<LoadControl> m_control;
};

}  // namespace trevak
