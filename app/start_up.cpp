// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/start_up.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/language.h"
#include "app/qt_translations.h"
#include "app/settings.h"
#include "app/tf_trevak.h"
#include "app/version.h"
#include "app/window_layout.h"

namespace trevak {

namespace {

const char kUsage[] = QT_TRANSLATE_NOOP(
    "trevak",
    "Uso: trevak [EDICAO.mod] [--search PESQUISA.mod|PASTA] [--search OUTRA.mod ...]"
    " [--kicad [--project PASTA]] [--lang pt|en] [--no-settings]");

// The manual page lists every option named here; a test keeps the two in step.
const char kHelpOptions[] = QT_TRANSLATE_NOOP(
    "trevak",
    "  EDICAO.mod              biblioteca carregada para edição\n"
    "  --search PESQUISA.mod   biblioteca ou pasta carregada para pesquisa; repetida, um conjunto\n"
    "  --kicad                 carrega para pesquisa as bibliotecas da tabela do KiCad\n"
    "  --project PASTA         com --kicad, também a tabela do projeto do KiCad nessa pasta\n"
    "  --lang pt|en            o idioma da janela: português (o padrão) ou inglês\n"
    "  --no-settings           começa sem as preferências guardadas e não as grava\n"
    "  -h, --help              este texto\n"
    "  --version               a versão do programa\n");

QByteArray translated(const char* text) {
  return QCoreApplication::translate("trevak", text).toLocal8Bit();
}

// The language of this run: --lang, else the remembered one (none with --no-settings).
Language chosenLanguage(const QStringList& arguments, const Settings* remembered) {
  return startLanguage(languageArgument(arguments),
                       remembered ? remembered->language() : QString());
}

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

std::optional<StartRequest> parseStartArguments(const QStringList& arguments, QString& error) {
  StartRequest request;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (arg == QLatin1String("--search")) {
      if (i + 1 >= arguments.size()) {
        error = QCoreApplication::translate("trevak", "--search precisa do nome de uma biblioteca");
        return std::nullopt;
      }
      request.searchLibrary = arguments[++i];
      request.searchSources << request.searchLibrary;
    } else if (arg.startsWith(QLatin1String("--search="))) {
      request.searchLibrary = arg.mid(9);
      request.searchSources << request.searchLibrary;
    } else if (arg == QLatin1String("--kicad")) {
      request.kicadLibraries = true;
    } else if (arg == QLatin1String("--project")) {
      if (i + 1 >= arguments.size()) {
        error = QCoreApplication::translate("trevak",
                                            "--project precisa da pasta de um projeto do KiCad");
        return std::nullopt;
      }
      request.kicadLibraries = true;
      request.kicadProject = arguments[++i];
    } else if (arg == QLatin1String("--lang") || arg.startsWith(QLatin1String("--lang="))) {
      const QString code = arg == QLatin1String("--lang")
                               ? (i + 1 < arguments.size() ? arguments[++i] : QString())
                               : arg.mid(7);
      if (!languageFromCode(code)) {
        error = QCoreApplication::translate("trevak", "--lang precisa de pt ou en: %1").arg(code);
        return std::nullopt;
      }
      request.language = code;
    } else if (arg == QLatin1String("--no-settings")) {
      request.noSettings = true;
    } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
      error = QCoreApplication::translate("trevak", "opção desconhecida: %1").arg(arg);
      return std::nullopt;
    } else if (request.editLibrary.isEmpty()) {
      request.editLibrary = arg;
    } else {
      error = QCoreApplication::translate("trevak", "só uma biblioteca de edição: %1").arg(arg);
      return std::nullopt;
    }
  }
  return request;
}

std::unique_ptr<Settings> settingsFor(const StartRequest& request) {
  return request.noSettings ? nullptr : Settings::forUser();
}

bool hasWindowPlatform(int argc, char** argv) {
  if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
      return true;
    }
  }
  return false;
}

Language installWindowLanguage(QCoreApplication& application, Language language,
                               const QString& folder) {
  if (language == Language::English && installLanguage(application, language, folder)) {
    // Qt's dialogs speak English without a translation of their own.
    return Language::English;
  }
  installQtTranslations(application, QLocale::system());
  return Language::Portuguese;
}

int runTrevak(int argc, char** argv) {
  // Answered before any display is needed, so that they work on a text console.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      // A console application is enough to read the language and its translation.
      QCoreApplication console(argc, argv);
      const QStringList arguments = QCoreApplication::arguments();
      const auto remembered =
          arguments.contains(QLatin1String("--no-settings")) ? nullptr : Settings::forUser();
      installLanguage(console, chosenLanguage(arguments, remembered.get()));
      std::printf("%s\n\n%s", translated(kUsage).constData(), translated(kHelpOptions).constData());
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("trevak %s\n", versionText());
      return 0;
    }
  }
  if (!hasWindowPlatform(argc, argv)) {
    std::fprintf(stderr,
                 "trevak: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
                 "unset).\n"
                 "        Start it from a desktop session, or under Xvfb: xvfb-run trevak\n");
    return 1;
  }
  QApplication application(argc, argv);
  // The desktop matches the window to its menu entry and icon by these.
  QGuiApplication::setDesktopFileName(QStringLiteral(TREVAK_APP_ID));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(TREVAK_APP_ID)));
  // The language is known before the arguments are judged, so their errors speak it too.
  const QStringList arguments = QApplication::arguments();
  const bool noSettings = arguments.contains(QLatin1String("--no-settings"));
  const std::unique_ptr<Settings> remembered = noSettings ? nullptr : Settings::forUser();
  const Language language = chosenLanguage(arguments, remembered.get());
  installWindowLanguage(application, language);
  QString error;
  const std::optional<StartRequest> request = parseStartArguments(arguments, error);
  if (!request) {
    std::fprintf(stderr, "trevak: %s\n%s\n", error.toLocal8Bit().constData(),
                 translated(kUsage).constData());
    return 2;
  }
  // Declared before the window, so it outlives the window, which writes to it as it closes.
  const std::unique_ptr<Settings>& settings = remembered;
  WindowOptions options;
  options.settings = settings.get();
  options.language = language;
  TfTrevak window(nullptr, options);
  keepInsideScreen(window);
  window.show();
  // The captions show full paths, as the dialogs give them; the save dialog starts from it.
  const auto fullPath = [](const QString& path) { return QFileInfo(path).absoluteFilePath(); };
  if (!request->editLibrary.isEmpty()) window.openEditLibrary(fullPath(request->editLibrary));
  if (request->searchSources.size() == 1) {
    window.openSearchLibrary(fullPath(request->searchSources.first()));
  } else if (request->searchSources.size() > 1) {
    QStringList sources;
    for (const QString& s : request->searchSources) sources << fullPath(s);
    window.openSearchSources(sources);
  } else if (!request->kicadLibraries && settings) {
    // Nothing asked for the search pane: the library it held last time, if it is still there.
    const QString last = settings->lastSearchSource();
    if (!last.isEmpty() && QFileInfo::exists(last)) window.openSearchLibrary(fullPath(last));
  }
  if (request->kicadLibraries) {
    window.loadKicadLibraries(request->kicadProject.isEmpty() ? QString()
                                                               : fullPath(request->kicadProject));
  }
  return QApplication::exec();
}

}  // namespace trevak
