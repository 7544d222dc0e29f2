// SPDX-License-Identifier: GPL-3.0-or-later
// The window in English: choosing the language, the translation file's completeness, and a walk
// over every text of an English window.
#include "app/language.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "app/exact_panes.h"
#include "app/settings.h"
#include "app/start_up.h"
#include "app/tf_trevak.h"
#include "app/user_prompts.h"
#include "fake_prompts.h"
#include "library/library_commands.h"

namespace trevak {
namespace {

const QString kTranslations = QStringLiteral(TREVAK_TRANSLATIONS_BUILD_DIR);
const QString kTsFile = QStringLiteral(TREVAK_SOURCE_DIR "/app/translations/trevak_en.ts");

// --- choosing the language ---------------------------------------------------------------

TEST(LanguageChoice, CodesAndTheirPrecedence) {
  EXPECT_EQ(languageFromCode(QStringLiteral("en")), Language::English);
  EXPECT_EQ(languageFromCode(QStringLiteral("EN_us")), Language::English);
  EXPECT_EQ(languageFromCode(QStringLiteral("pt_BR")), Language::Portuguese);
  EXPECT_EQ(languageFromCode(QStringLiteral("pt-PT")), Language::Portuguese);
  EXPECT_EQ(languageFromCode(QStringLiteral("de")), std::nullopt);
  EXPECT_EQ(languageFromCode(QString()), std::nullopt);
  EXPECT_EQ(languageFromCode(QStringLiteral("english")), std::nullopt);

  // --lang wins over the remembered choice; an unknown code on either side is passed over.
  EXPECT_EQ(startLanguage(QStringLiteral("en"), QStringLiteral("pt")), Language::English);
  EXPECT_EQ(startLanguage(QStringLiteral("pt"), QStringLiteral("en")), Language::Portuguese);
  EXPECT_EQ(startLanguage(QString(), QStringLiteral("en")), Language::English);
  EXPECT_EQ(startLanguage(QStringLiteral("xx"), QStringLiteral("en")), Language::English);
  EXPECT_EQ(startLanguage(QString(), QStringLiteral("garbage")), Language::Portuguese);
  EXPECT_EQ(startLanguage(QString(), QString()), Language::Portuguese);
}

TEST(LanguageChoice, LangArgumentIsReadAndJudged) {
  EXPECT_EQ(languageArgument({"trevak", "--lang", "en", "a.mod"}), "en");
  EXPECT_EQ(languageArgument({"trevak", "--lang=pt"}), "pt");
  EXPECT_EQ(languageArgument({"trevak", "--lang"}), QString());
  // A file named like the option after "--" is a file.
  EXPECT_EQ(languageArgument({"trevak", "--", "--lang=en"}), QString());

  QString error;
  const auto request = parseStartArguments({"trevak", "--lang", "en", "a.mod"}, error);
  ASSERT_TRUE(request) << error.toStdString();
  EXPECT_EQ(request->language, "en");
  EXPECT_EQ(request->editLibrary, "a.mod");
  EXPECT_FALSE(parseStartArguments({"trevak", "--lang", "fr"}, error));
  EXPECT_TRUE(error.contains(QLatin1String("fr"))) << error.toStdString();
  EXPECT_FALSE(parseStartArguments({"trevak", "--lang"}, error));
}

TEST(LanguageChoice, SettingIsRemembered) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("trevak.conf"));
  {
    auto s = Settings::inFile(path);
    EXPECT_EQ(s->language(), QString());
    s->setLanguage(QStringLiteral("en"));
    s->sync();
  }
  EXPECT_EQ(Settings::inFile(path)->language(), "en");
}

// --- the translation file ----------------------------------------------------------------

struct Message {
  QString context;
  QString source;
  QStringList translations;  // one, or the plural forms
  bool unfinished = false;
};

std::vector<Message> readTs(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  std::vector<Message> messages;
  QXmlStreamReader xml(&file);
  QString context;
  Message current;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    const auto name = xml.name();
    if (name == QLatin1String("name")) {
      context = xml.readElementText();
    } else if (name == QLatin1String("message")) {
      current = Message{context, {}, {}, false};
    } else if (name == QLatin1String("source")) {
      current.source = xml.readElementText();
    } else if (name == QLatin1String("translation")) {
      const auto type = xml.attributes().value(QLatin1String("type"));
      current.unfinished = type == QLatin1String("unfinished") ||
                           type == QLatin1String("vanished") || type == QLatin1String("obsolete");
      // Plural forms sit in <numerusform> children; a plain translation is the element's text.
      QString text;
      while (!(xml.isEndElement() && xml.name() == QLatin1String("translation")) && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("numerusform")) {
          current.translations << xml.readElementText();
        } else if (xml.isCharacters()) {
          text += xml.text();
        }
      }
      if (current.translations.isEmpty()) current.translations << text;
      messages.push_back(current);
    }
  }
  return xml.hasError() ? std::vector<Message>{} : messages;
}

// The %1..%9 and %n an English text must keep, so that .arg() fills the same places.
QSet<QString> placeholders(const QString& text) {
  QSet<QString> found;
  static const QRegularExpression marker(QStringLiteral("%[1-9n]"));
  for (auto it = marker.globalMatch(text); it.hasNext();) found.insert(it.next().captured());
  return found;
}

TEST(TranslationFile, EveryMessageHasAFinishedEnglishTextWithTheSamePlaceholders) {
  const std::vector<Message> messages = readTs(kTsFile);
  ASSERT_GT(messages.size(), 200u) << "could not read " << kTsFile.toStdString();
  for (const Message& m : messages) {
    SCOPED_TRACE(m.context.toStdString() + ": " + m.source.toStdString());
    EXPECT_FALSE(m.unfinished);
    for (const QString& english : m.translations) {
      EXPECT_FALSE(english.trimmed().isEmpty());
      EXPECT_EQ(placeholders(english), placeholders(m.source)) << english.toStdString();
      // Mnemonics stay mnemonics, so the English menus work by keyboard too.
      EXPECT_EQ(m.source.contains(QLatin1Char('&')) && !m.source.contains(QLatin1String("<")),
                english.contains(QLatin1Char('&')) && !english.contains(QLatin1String("<")))
          << english.toStdString();
    }
  }
}

// The sources are read again by lupdate: a text put through tr() without an English
// translation in the repository's file fails here, before anyone sees it in the window.
TEST(TranslationFile, EveryTextOfTheSourcesIsInIt) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fresh = dir.filePath(QStringLiteral("fresh_en.ts"));
  const QString source = QStringLiteral(TREVAK_SOURCE_DIR);
  QStringList arguments{QStringLiteral("-I"),
                        source,
                        QStringLiteral("-locations"),
                        QStringLiteral("none"),
                        QStringLiteral("-extensions"),
                        QStringLiteral("cpp,h"),
                        source + QStringLiteral("/app"),
                        source + QStringLiteral("/library/library_commands.h"),
                        source + QStringLiteral("/library/library_writer.h"),
                        QStringLiteral("-ts"),
                        fresh};
  QProcess lupdate;
  lupdate.start(QStringLiteral(TREVAK_LUPDATE), arguments);
  ASSERT_TRUE(lupdate.waitForFinished(60000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

  std::map<std::pair<QString, QString>, const Message*> kept;
  const std::vector<Message> repository = readTs(kTsFile);
  for (const Message& m : repository) kept[{m.context, m.source}] = &m;
  const std::vector<Message> found = readTs(fresh);
  ASSERT_GT(found.size(), 200u);
  for (const Message& m : found) {
    const auto it = kept.find({m.context, m.source});
    EXPECT_TRUE(it != kept.end() && !it->second->unfinished)
        << "no English for " << m.context.toStdString() << ": " << m.source.toStdString()
        << " (build the target trevak_lupdate and translate it)";
  }
}

// --- the English window ------------------------------------------------------------------

/// Installs the English translation for one test and takes it away again, so the other tests
/// of this program keep their Portuguese.
class EnglishTranslation {
 public:
  EnglishTranslation() {
    if (m_translator.load(QStringLiteral("trevak_en"), kTranslations)) {
      m_installed = QCoreApplication::installTranslator(&m_translator);
    }
  }
  ~EnglishTranslation() {
    if (m_installed) QCoreApplication::removeTranslator(&m_translator);
  }
  EnglishTranslation(const EnglishTranslation&) = delete;
  EnglishTranslation& operator=(const EnglishTranslation&) = delete;
  bool installed() const { return m_installed; }

 private:
  QTranslator m_translator;
  bool m_installed = false;
};

/// Every text a person can read on the window, its menus and its hints, in a fixed order, each
/// with where it was found.
std::vector<std::pair<QString, QString>> windowTexts(QWidget& window) {
  std::vector<std::pair<QString, QString>> texts;
  const auto add = [&texts](const QObject& where, const char* what, const QString& text) {
    if (!text.isEmpty()) {
      texts.emplace_back(where.objectName() + QLatin1Char('.') + QLatin1String(what) +
                             QLatin1Char('(') + QLatin1String(where.metaObject()->className()) +
                             QLatin1Char(')'),
                         text);
    }
  };
  QList<QWidget*> widgets = window.findChildren<QWidget*>();
  widgets.prepend(&window);
  for (QWidget* w : widgets) {
    if (w->isWindow()) add(*w, "windowTitle", w->windowTitle());
    add(*w, "toolTip", w->toolTip());
    add(*w, "statusTip", w->statusTip());
    add(*w, "whatsThis", w->whatsThis());
    if (auto* label = qobject_cast<QLabel*>(w)) add(*w, "text", label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) add(*w, "text", button->text());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) add(*w, "placeholder", edit->placeholderText());
    if (auto* menu = qobject_cast<QMenu*>(w)) add(*w, "title", menu->title());
    if (auto* box = qobject_cast<QGroupBox*>(w)) add(*w, "title", box->title());
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) add(*w, "tab", tabs->tabText(i));
    }
    if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
      for (int c = 0; c < view->model()->columnCount(); ++c) {
        add(*w, "header", view->model()->headerData(c, Qt::Horizontal).toString());
      }
    }
  }
  for (QAction* a : window.findChildren<QAction*>()) {
    add(*a, "text", a->text());
    add(*a, "toolTip", a->toolTip());
    add(*a, "statusTip", a->statusTip());
  }
  return texts;
}

// Texts English writes as Portuguese does: the translation file says so for each (source equal
// to its translation); the languages' own names; and a field name of the library format.
bool sameInBothLanguages(const QString& where, const QString& text,
                         const QSet<QString>& translatedAlike) {
  if (!text.contains(QRegularExpression(QStringLiteral("\\p{Ll}{2}")))) return true;
  if (where.startsWith(QLatin1String("Idioma_"))) return true;
  if (text == QLatin1String("nome_Componente")) return true;
  return translatedAlike.contains(text);
}

std::unique_ptr<TfTrevak> windowIn(Language language) {
  WindowOptions options;
  options.language = language;
  auto window = std::make_unique<TfTrevak>(std::make_unique<test::FakePrompts>(), options);
  window->show();
  return window;
}

TEST(EnglishWindow, EveryTextOfTheWindowIsTranslated) {
  const auto portuguese = windowTexts(*windowIn(Language::Portuguese));
  EnglishTranslation english;
  ASSERT_TRUE(english.installed()) << "no trevak_en.qm in " << kTranslations.toStdString();
  const auto translated = windowTexts(*windowIn(Language::English));
  ASSERT_EQ(portuguese.size(), translated.size());
  ASSERT_GT(portuguese.size(), 100u);

  QSet<QString> translatedAlike;
  for (const Message& m : readTs(kTsFile)) {
    if (m.translations.value(0) == m.source) translatedAlike.insert(m.source);
  }
  int compared = 0;
  for (std::size_t i = 0; i < portuguese.size(); ++i) {
    const auto& [where, text] = portuguese[i];
    ASSERT_EQ(where, translated[i].first);
    if (text != translated[i].second) {
      ++compared;
      continue;
    }
    EXPECT_TRUE(sameInBothLanguages(where, text, translatedAlike))
        << where.toStdString() << " stays Portuguese: " << text.toStdString();
  }
  EXPECT_GT(compared, 100);
}

TEST(EnglishWindow, PromptsAndLibraryTextsSpeakEnglish) {
  EnglishTranslation english;
  ASSERT_TRUE(english.installed());
  EXPECT_EQ(QObject::tr(kDiscardQuestion), "Current library modified, discard?");
  EXPECT_EQ(libraryText(kDuplicateModuleMessage),
            "A component with this name exists already in the current library!");
  // Without the translation, the source text is the Portuguese one, unchanged.
}

// A pad's hint in English writes its numbers with a decimal point, as English readers do.
TEST(EnglishWindow, PadHintsWriteEnglishNumbers) {
  exact::Pad pad;
  pad.number = "A1";
  pad.shape = 'O';
  pad.size = {1524000, 2540000};
  pad.angle = 450;
  pad.ovalDrill = true;
  pad.drillSize = {600000, 1000000};
  EXPECT_EQ(padDescription(pad, LengthUnit::Millimetre),
            QString::fromUtf8("Ilha A1\nForma: oval, 45°\nTamanho: 1,524 × 2,54 mm\n"
                              "Furo: oval 0,6 × 1 mm"));
  EnglishTranslation english;
  ASSERT_TRUE(english.installed());
  EXPECT_EQ(padDescription(pad, LengthUnit::Millimetre),
            QString::fromUtf8("Pad A1\nShape: oval, 45°\nSize: 1.524 × 2.54 mm\n"
                              "Drill: oval 0.6 × 1 mm"));
}

TEST(EnglishWindow, PortugueseStaysTheSourceText) {
  EXPECT_EQ(QObject::tr(kDiscardQuestion),
            QString::fromUtf8("Biblioteca atual modificada, descartar?"));
  EXPECT_EQ(libraryText(kDuplicateModuleMessage),
            QString::fromUtf8("Já existe um componente com este nome na biblioteca atual!"));
  const auto window = windowIn(Language::Portuguese);
  EXPECT_TRUE(
      window->windowTitle().endsWith(QString::fromUtf8("Criação/cópia de módulos p/KiCad")));
}

// What `trevak --lang en` does before its window: the argument picks English over a remembered
// Portuguese, its translation is installed, and the menus are English.
TEST(EnglishWindow, LangEnGivesEnglishMenusAndTitle) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto settings = Settings::inFile(dir.filePath(QStringLiteral("trevak.conf")));
  settings->setLanguage(QStringLiteral("pt"));
  const QStringList arguments{"trevak", "--lang", "en"};
  const Language language = startLanguage(languageArgument(arguments), settings->language());
  ASSERT_EQ(language, Language::English);

  ASSERT_EQ(installWindowLanguage(*QCoreApplication::instance(), language, kTranslations),
            Language::English);
  QTranslator* installed = nullptr;
  for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
    if (t->filePath().endsWith(QLatin1String("trevak_en.qm"))) installed = t;
  }
  ASSERT_NE(installed, nullptr);
  {
    WindowOptions options;
    options.language = language;
    options.settings = settings.get();
    TfTrevak window(std::make_unique<test::FakePrompts>(), options);
    QStringList menus;
    for (QAction* a : window.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "&Help"}));
    EXPECT_TRUE(window.windowTitle().endsWith(QLatin1String("Creating/copying modules for KiCad")))
        << window.windowTitle().toStdString();
    auto* englishItem = window.findChild<QAction*>(QStringLiteral("Idioma_en"));
    auto* portugueseItem = window.findChild<QAction*>(QStringLiteral("Idioma_pt"));
    ASSERT_TRUE(englishItem && portugueseItem);
    EXPECT_TRUE(englishItem->isChecked());
    EXPECT_FALSE(portugueseItem->isChecked());

    // Choosing Portuguese is remembered for the next start, and the status bar says when.
    portugueseItem->trigger();
    EXPECT_EQ(settings->language(), "pt");
    EXPECT_EQ(window.statusBar()->currentMessage(),
              "The language changes when Trevak is opened again");
  }
  QCoreApplication::removeTranslator(installed);
  delete installed;
}

TEST(EnglishWindow, MissingTranslationLeavesThePortugueseWindow) {
  QTemporaryDir empty;
  ASSERT_TRUE(empty.isValid());
  EXPECT_EQ(installLanguage(*QCoreApplication::instance(), Language::English, empty.path()),
            nullptr);
  EXPECT_EQ(installLanguage(*QCoreApplication::instance(), Language::Portuguese, kTranslations),
            nullptr);
  EXPECT_EQ(QObject::tr(kDiscardQuestion),
            QString::fromUtf8("Biblioteca atual modificada, descartar?"));
}

}  // namespace
}  // namespace trevak
