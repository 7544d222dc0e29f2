// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "library/kicad_export.h"

namespace trevak {

class ModuleTable;
class SaveFileLayer;
class UserPrompts;

/// The caption of the window's menu item.
inline constexpr char kKicadExportCaption[] =
    QT_TRANSLATE_NOOP("QObject", "Exportar biblioteca de edição para KiCad (.pretty)...");

/// The folder an export goes into: the chosen folder when its name ends in ".pretty",
/// otherwise a folder inside it named after the edit library (`libraryPath`'s base name, or
/// "biblioteca" when the library has no file yet) with ".pretty".
QString kicadExportFolder(const QString& chosen, const QString& libraryPath);

/// The summary message and its details (one line per footprint written with a note, refused
/// or failed).
struct ExportSummary {
  QString text;
  QString details;
};
ExportSummary summarizeExport(const ExportReport& report, const QString& folder);

/// The menu item's work: asks for the folder (a new one may be typed; it is made), exports every
/// module of `table` (settled first, the current record kept), with progress, then shows the
/// summary. A library without modules and a folder that cannot be made are shown in the error
/// box. Files already there and different are left alone, and the summary asks whether to
/// replace them; replaced, they are listed as such in a last summary. Returns the folder
/// written into (empty when the user cancelled or nothing could be written).
QString exportEditLibraryToKicad(ModuleTable& table, const QString& libraryPath,
                              UserPrompts& prompts, SaveFileLayer* files = nullptr);

}  // namespace trevak
