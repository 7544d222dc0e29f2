// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "app/language.h"

class QCoreApplication;

namespace trevak {

/// What the command line asks for:
/// `trevak [EDIT.mod] [--search SEARCH.mod|FOLDER]... [--kicad [--project FOLDER]]
/// [--lang pt|en] [--no-settings]`.
struct StartRequest {
  QString editLibrary;    ///< loaded into the edit pane; empty: none
  QString searchLibrary;  ///< loaded into the search pane; empty: none (the last --search)
  /// Every --search in order: one file or folder, or several making one set.
  QStringList searchSources;
  bool noSettings = false;  ///< start as designed, remembering nothing, writing nothing
  /// `--kicad`: the libraries of the user's KiCad table are the search set, as "Carregar
  /// bibliotecas do KiCad" loads them; `--project FOLDER` adds that project's table on top.
  bool kicadLibraries = false;
  QString kicadProject;
  /// `--lang pt|en`: the window's language for this run; empty: the remembered one.
  QString language;
};

/// Reads the program's arguments (the first one being the program). nullopt, with `error`
/// set, for arguments it does not understand.
std::optional<StartRequest> parseStartArguments(const QStringList& arguments, QString& error);

class Settings;

/// The settings the window of `request` keeps: the user's, or none with --no-settings.
std::unique_ptr<Settings> settingsFor(const StartRequest& request);

/// True when a window can be shown: a display (DISPLAY, WAYLAND_DISPLAY) or a platform chosen
/// by QT_QPA_PLATFORM or "-platform".
bool hasWindowPlatform(int argc, char** argv);

/// Installs the translations `language` needs (the window's own from `folder`, empty: the
/// installed ones; Qt's dialogs' as installQtTranslations does for Portuguese). Returns the
/// language the window will speak: Portuguese when the English translation cannot be loaded.
Language installWindowLanguage(QCoreApplication& application, Language language,
                               const QString& folder = {});

/// Starts the program: the application object, the editor window, the libraries named on the
/// command line, and the event loop. Returns the exit code.
int runTrevak(int argc, char** argv);

}  // namespace trevak
