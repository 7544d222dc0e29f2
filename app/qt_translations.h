// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;
class QTranslator;

namespace trevak {

/// Installs Qt's own translations (the buttons of message boxes, the file dialogs, the
/// overwrite question) for `locale`'s language, or the Brazilian Portuguese ones when Qt has
/// none for it: the window speaks Portuguese, and its dialogs must not answer in English.
/// `folder` empty: Qt's translations folder. Returns the translator installed (owned by
/// `application`), nullptr when none could be loaded.
QTranslator* installQtTranslations(QCoreApplication& application, const QLocale& locale,
                                   const QString& folder = {});

}  // namespace trevak
