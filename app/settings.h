// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class QSettings;

namespace trevak {

/// The window's two panes, for what each remembers on its own.
enum class Pane { Edit, Search };

/// The file dialogs that remember the folder they were last left in.
enum class FileDialogKind { EditOpen, SearchOpen, Save };

/// How many libraries each pane's "Bibliotecas recentes" lists.
inline constexpr int kMaxRecentLibraries = 8;

/// What the editor window remembers between runs, kept by QSettings under the program's own
/// name. Readers check what they read: a value of the wrong kind, or out of range, reads as
/// the start value, so a damaged settings file can never start the window in a strange state.
class Settings {
 public:
  /// The user's settings ("trevak" / "trevak": ~/.config/trevak/trevak.conf on Linux).
  static std::unique_ptr<Settings> forUser();
  /// Settings kept in the INI file at `path`; tests use a temporary one.
  static std::unique_ptr<Settings> inFile(const QString& path);

  ~Settings();
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  /// The window's frame as QWidget::saveGeometry gives it, and the pane splitter's state.
  QByteArray windowGeometry() const;
  void setWindowGeometry(const QByteArray& geometry);
  QByteArray splitterState() const;
  void setSplitterState(const QByteArray& state);

  /// The folder a file dialog was last left in; empty when none.
  QString lastFolder(FileDialogKind dialog) const;
  void setLastFolder(FileDialogKind dialog, const QString& folder);

  /// The library the search pane last loaded through its dialog or its recent list.
  QString lastSearchSource() const;
  void setLastSearchSource(const QString& path);

  /// A pane's scale (40 ... 210 in steps of 10; 100 when unset or not one of them) and whether
  /// its preview fits each module to its area.
  int paneScale(Pane pane) const;
  void setPaneScale(Pane pane, int scale);
  bool paneFitting(Pane pane) const;
  void setPaneFitting(Pane pane, bool on);

  /// The text switch ("Apresentar textos").
  bool textSwitch() const;
  void setTextSwitch(bool on);

  /// "Exibir > Desenho exato".
  bool exactDrawing() const;
  void setExactDrawing(bool on);

  /// The language chosen in "Exibir > Idioma" ("pt", "en"); empty when none was chosen. The
  /// reader of it judges the code (languageFromCode).
  QString language() const;
  void setLanguage(const QString& code);

  /// A pane's recent libraries, most recent first: at most kMaxRecentLibraries, no blanks, no
  /// repeats.
  QStringList recentLibraries(Pane pane) const;
  void setRecentLibraries(Pane pane, const QStringList& paths);

  /// Writes what changed to the store now.
  void sync();

 private:
  explicit Settings(std::unique_ptr<QSettings> store);

  std::unique_ptr<QSettings> m_store;
};

/// `paths` cut to what a recent list keeps: at most kMaxRecentLibraries, no blanks, each once
/// (the first time it appears).
QStringList cleanRecentList(const QStringList& paths);

}  // namespace trevak
