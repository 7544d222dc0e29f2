// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/language.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QTranslator>
#include <utility>

namespace trevak {

std::optional<Language> languageFromCode(const QString& code) {
  const QString base = code.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0);
  if (base.compare(QLatin1String("pt"), Qt::CaseInsensitive) == 0) return Language::Portuguese;
  if (base.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0) return Language::English;
  return std::nullopt;
}

QString languageCode(Language language) {
  return language == Language::English ? QStringLiteral("en") : QStringLiteral("pt");
}

QString languageArgument(const QStringList& arguments) {
  QString value;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--")) break;
    if (arguments[i] == QLatin1String("--lang") && i + 1 < arguments.size()) {
      value = arguments[++i];
    } else if (arguments[i].startsWith(QLatin1String("--lang="))) {
      value = arguments[i].mid(7);
    }
  }
  return value;
}

Language startLanguage(const QString& argument, const QString& remembered) {
  if (const auto chosen = languageFromCode(argument)) return *chosen;
  if (const auto kept = languageFromCode(remembered)) return *kept;
  return Language::Portuguese;
}

QString translationsFolder() {
  return QDir(QCoreApplication::applicationDirPath())
      .absoluteFilePath(QStringLiteral("../share/trevak/translations"));
}

QTranslator* installLanguage(QCoreApplication& application, Language language,
                             const QString& folder) {
  if (language == Language::Portuguese) return nullptr;
  auto* translator = new QTranslator(&application);
  const QString file = QStringLiteral("trevak_") + languageCode(language);
  if (translator->load(file, folder.isEmpty() ? translationsFolder() : folder) &&
      QCoreApplication::installTranslator(translator)) {
    return translator;
  }
  delete translator;
  return nullptr;
}

QString libraryText(std::string_view text) {
  const std::string source(text);
  return QCoreApplication::translate("trevak::library", source.c_str());
}

QMenu* addLanguageMenu(QMenu& menu, Language current, std::function<void(Language)> chosen) {
  QMenu* languages = menu.addMenu(QObject::tr("&Idioma"));
  languages->setObjectName(QStringLiteral("Idioma1"));
  auto* group = new QActionGroup(languages);
  // Each language is named in its own words, so a user who cannot read the other finds it.
  const std::pair<Language, QString> items[] = {{Language::Portuguese, QStringLiteral("Português")},
                                                {Language::English, QStringLiteral("English")}};
  for (const auto& [language, name] : items) {
    QAction* action = languages->addAction(name);
    action->setObjectName(QStringLiteral("Idioma_") + languageCode(language));
    action->setCheckable(true);
    action->setChecked(language == current);
    group->addAction(action);
    QObject::connect(action, &QAction::triggered, languages,
                     [chosen, language = language] { chosen(language); });
  }
  return languages;
}

}  // namespace trevak
