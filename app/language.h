// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QCoreApplication;
class QMenu;
class QTranslator;

namespace trevak {

/// The languages the window speaks. Its texts are written in Portuguese in the source, which
/// stays the default; English comes from the translation file trevak_en.qm.
enum class Language { Portuguese, English };

/// "pt" or "en" (any letter case, a region such as "en_US" allowed); nullopt for anything else.
std::optional<Language> languageFromCode(const QString& code);
/// "pt" or "en", as settings and `--lang` write it.
QString languageCode(Language language);

/// The value of `--lang CODE` or `--lang=CODE` among the program's arguments (the first one
/// being the program), empty when none is given.
QString languageArgument(const QStringList& arguments);

/// The language to start in: `--lang` when given, else the remembered one, else Portuguese.
/// Codes that name no known language are passed over.
Language startLanguage(const QString& argument, const QString& remembered);

/// Where the installed translations are: `share/trevak/translations` beside the program's
/// `bin` folder (the build tree copies that layout).
QString translationsFolder();

/// Installs the window's translation for `language` from `folder` (empty: translationsFolder())
/// into `application`. Portuguese needs none and installs nothing. Returns the translator
/// (owned by `application`); nullptr for Portuguese or when the file could not be loaded, and
/// then the window speaks Portuguese.
QTranslator* installLanguage(QCoreApplication& application, Language language,
                             const QString& folder = {});

/// A text of the library store that the window shows (kDuplicateModuleMessage,
/// kEmptyLibraryMessage), in the window's language; the store marks them for translation.
QString libraryText(std::string_view text);

/// Adds "Idioma" to `menu`, with one checkable item per language ("Português", "English",
/// each named in its own language), `current` checked. Choosing one calls `chosen` with it.
QMenu* addLanguageMenu(QMenu& menu, Language current, std::function<void(Language)> chosen);

}  // namespace trevak
