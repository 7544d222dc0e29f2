// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace trevak {

/// The application's title, as error boxes show it: the executable's file name (folders
/// dropped) up to its first ".", its first letter in capitals and every letter after it in
/// lower case. "trevak" and "TREVAK.EXE" both give "Trevak".
QString applicationTitle(const QString& executablePath);

/// A failure's message as the error box shows it: a full stop is appended when the last
/// character sorts after "." ("File not found" gives "File not found."); a message that ends
/// in ".", a blank, "!", "'", ")" or any other character up to "." is left as it is.
QString withFullStop(const QString& message);

}  // namespace trevak
