// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace trevak {

QTranslator* installQtTranslations(QCoreApplication& application, const QLocale& locale,
                                   const QString& folder) {
  const QString path =
      folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  for (const QLocale& candidate : {locale, QLocale(QLocale::Portuguese, QLocale::Brazil)}) {
    auto* translator = new QTranslator(&application);
    if (translator->load(candidate, QStringLiteral("qtbase"), QStringLiteral("_"), path) &&
        QCoreApplication::installTranslator(translator)) {
      return translator;
    }
    delete translator;
  }
  return nullptr;
}

}  // namespace trevak
