// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace trevak {

/// The window title: with an edit library file, its name and Qt's modified placeholder ahead of
/// `title` ("conn.mod[*] - Trevak ..."); with none (nothing loaded, or a new library not yet
/// saved), `title` alone.
QString editLibraryTitle(const QString& file, const QString& title);

/// Puts editLibraryTitle on `window`, marked modified exactly while it names a file and
/// `modified` holds.
void showEditLibraryTitle(QWidget& window, const QString& file, const QString& title,
                          bool modified);

}  // namespace trevak
