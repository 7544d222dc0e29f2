// SPDX-License-Identifier: GPL-3.0-or-later
// What the window remembers between runs, kept in a temporary settings file, never the user's.
#include "app/settings.h"

#include <QDir>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>

#include "app/recent_libraries.h"
#include "app/search_pane.h"
#include "app/start_up.h"
#include "app/text_switch.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

TEST(SettingsStore, EveryValueReadsBackFromTheFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("t.ini"));
  {
    auto s = Settings::inFile(path);
    s->setWindowGeometry("geometry");
    s->setSplitterState("splitter");
    s->setLastFolder(FileDialogKind::EditOpen, "/e");
    s->setLastFolder(FileDialogKind::SearchOpen, "/s");
    s->setLastFolder(FileDialogKind::Save, "/w");
    s->setLastSearchSource("/s/lib.mod");
    s->setPaneScale(Pane::Edit, 60);
    s->setPaneScale(Pane::Search, 210);
    s->setPaneFitting(Pane::Search, true);
    s->setTextSwitch(true);
    s->setRecentLibraries(Pane::Edit, {"/a.mod"});
    s->setRecentLibraries(Pane::Search, {"/b.mod", "/c.mod"});
    s->sync();
  }
  auto s = Settings::inFile(path);
  EXPECT_EQ(s->windowGeometry(), "geometry");
  EXPECT_EQ(s->splitterState(), "splitter");
  EXPECT_EQ(s->lastFolder(FileDialogKind::EditOpen), "/e");
  EXPECT_EQ(s->lastFolder(FileDialogKind::SearchOpen), "/s");
  EXPECT_EQ(s->lastFolder(FileDialogKind::Save), "/w");
  EXPECT_EQ(s->lastSearchSource(), "/s/lib.mod");
  EXPECT_EQ(s->paneScale(Pane::Edit), 60);
  EXPECT_EQ(s->paneScale(Pane::Search), 210);
  EXPECT_FALSE(s->paneFitting(Pane::Edit));
  EXPECT_TRUE(s->paneFitting(Pane::Search));
  EXPECT_TRUE(s->textSwitch());
  EXPECT_EQ(s->recentLibraries(Pane::Edit), QStringList{"/a.mod"});
  EXPECT_EQ(s->recentLibraries(Pane::Search), (QStringList{"/b.mod", "/c.mod"}));
}

TEST(SettingsStore, DamagedValuesReadAsTheStartValues) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("t.ini"));
  const std::pair<const char*, int> scales[] = {{"abc", 100}, {"45", 100},  {"30", 100},
                                                {"220", 100}, {"-10", 100}, {"40", 40}};
  for (const auto& [text, expected] : scales) {
    QSettings raw(path, QSettings::IniFormat);
    raw.setValue("edit/scale", QString::fromLatin1(text));
    raw.setValue("edit/fit", "sim");
    raw.setValue("preview/texts", 7);
    raw.setValue("window/geometry", 12);
    raw.sync();
    auto s = Settings::inFile(path);
    EXPECT_EQ(s->paneScale(Pane::Edit), expected) << text;
    EXPECT_FALSE(s->paneFitting(Pane::Edit));
    EXPECT_FALSE(s->textSwitch());
    EXPECT_TRUE(s->windowGeometry().isEmpty());
  }
}

TEST(RecentList, KeepsEightDistinctNonBlankPathsInOrder) {
  QStringList many;
  for (int i = 0; i < 12; ++i) many << QStringLiteral("/l%1.mod").arg(i);
  const QStringList cleaned = cleanRecentList(QStringList{"", "/l0.mod", " "} + many);
  ASSERT_EQ(cleaned.size(), kMaxRecentLibraries);
  EXPECT_EQ(cleaned.first(), "/l0.mod");
  EXPECT_EQ(cleaned.last(), "/l7.mod");
}

TEST(StartArguments, NoSettingsStartsWithoutAStore) {
  QString error;
  const auto plain = parseStartArguments({"trevak", "a.mod"}, error);
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->noSettings);
  const auto kicad = parseStartArguments({"trevak", "--kicad"}, error);
  ASSERT_TRUE(kicad);
  EXPECT_TRUE(kicad->kicadLibraries);
  EXPECT_TRUE(kicad->kicadProject.isEmpty());
  const auto project = parseStartArguments({"trevak", "--project", "p"}, error);
  ASSERT_TRUE(project);
  EXPECT_TRUE(project->kicadLibraries);
  EXPECT_EQ(project->kicadProject, "p");
  EXPECT_FALSE(parseStartArguments({"trevak", "--project"}, error));
  const auto clean = parseStartArguments({"trevak", "--no-settings", "a.mod"}, error);
  ASSERT_TRUE(clean);
  EXPECT_TRUE(clean->noSettings);
  EXPECT_EQ(clean->editLibrary, "a.mod");
  EXPECT_EQ(settingsFor(*clean), nullptr);
}

/// A window that remembers in a settings file of the test's own.
class WindowMemory : public WindowTest {
 protected:
  WindowOptions windowOptions() override {
    WindowOptions options = WindowTest::windowOptions();
    m_settings = Settings::inFile(m_dir.filePath(QStringLiteral("trevak.ini")));
    options.settings = m_settings.get();
    return options;
  }
  /// Closes the window (writing what it remembers) and opens a new one on the same settings.
  void reopen() {
    ASSERT_TRUE(window_->close());
    window_.reset();
    SetUp();
  }
  QStringList recentItems(const char* menu) const {
    QStringList out;
    for (QAction* a : find<QMenu>(menu)->actions()) out << a->data().toString();
    return out;
  }
  void chooseRecent(const char* menu, int index) {
    find<QMenu>(menu)->actions().at(index)->trigger();
    QTest::qWait(0);  // rebuilt entries go on the next turn
  }

  std::unique_ptr<Settings> m_settings;
};

TEST_F(WindowMemory, ClosingWritesWhatTheNextWindowStartsWith) {
  const QString edit = writeLibrary("e.mod", modulesNamed({"A", "B"}));
  const QString search = writeLibrary("s.mod", modulesNamed({"X"}));
  loadEdit(edit);
  loadSearch(search);
  click("BitBtn1");
  click("BitBtn1");
  click("BitBtn5");
  find<TextSwitch>("RxSwitch1")->click();
  find<QAction>("Desenhoexato1")->trigger();
  click("SB_ajustar2");
  window_->resize(1100, 750);
  find<QSplitter>("client")->setSizes({600, 64, 436});
  QTest::qWait(0);
  const QList<int> sizes = find<QSplitter>("client")->sizes();
  reopen();

  EXPECT_EQ(window_->drawingState().escala_edicao, 80);
  EXPECT_TRUE(find<TextSwitch>("RxSwitch1")->isChecked());
  EXPECT_TRUE(find<QAction>("Desenhoexato1")->isChecked());
  EXPECT_TRUE(find<QAbstractButton>("SB_ajustar2")->isChecked());
  EXPECT_FALSE(find<QAbstractButton>("SB_ajustar1")->isChecked());
  EXPECT_EQ(window_->size(), QSize(1100, 750));
  EXPECT_EQ(find<QSplitter>("client")->sizes(), sizes);
  EXPECT_EQ(recentItems("Bibliotecasrecentes1"), QStringList{edit});
  EXPECT_EQ(recentItems("Bibliotecasrecentes2"), QStringList{search});
  // The search dialog offers the last search library; a new library's save dialog starts in
  // the folder the last save... or, never saved, the working folder.
  prompts_->openAnswers.push_back(std::nullopt);
  click("RxSB_carregar2");
  EXPECT_EQ(prompts_->openRequests.back().fileName, search);
  // The edit dialog shows no name in a new window: it starts where it was left.
  prompts_->openAnswers.push_back(std::nullopt);
  click("SB_carregar");
  EXPECT_EQ(prompts_->openRequests.back().initialFolder, QFileInfo(edit).absolutePath());
  // A recent entry loads its pane.
  chooseRecent("Bibliotecasrecentes1", 0);
  EXPECT_EQ(text("Panel5"), edit);
  EXPECT_EQ(window_->editLibrary().RecordCount(), 2);
  EXPECT_TRUE(prompts_->errors.isEmpty());
}

TEST_F(WindowMemory, TheSaveDialogOfANewLibraryStartsWhereTheLastSaveWent) {
  QDir(m_dir.path()).mkdir(QStringLiteral("out"));
  const QString target = m_dir.filePath(QStringLiteral("out/new.mod"));
  loadSearch(writeLibrary("s.mod", modulesNamed({"X"})));
  click("RxSB_copiar");
  prompts_->saveAnswers.push_back(target);
  click("SB_salvar");
  ASSERT_TRUE(prompts_->errors.isEmpty());
  prompts_->discardAnswers.push_back(true);
  click("RxSB_limpar");
  click("RxSB_copiar");
  prompts_->saveAnswers.push_back(std::nullopt);
  click("SB_salvar");
  EXPECT_EQ(prompts_->saveRequests.back().fileName, "nova");
  EXPECT_EQ(prompts_->saveRequests.back().initialFolder, m_dir.filePath(QStringLiteral("out")));
  // The saved library is a recent one of the edit pane.
  EXPECT_EQ(recentItems("Bibliotecasrecentes1"), QStringList{target});
}

TEST_F(WindowMemory, AMissingRecentLibraryIsReportedOnceAndDropped) {
  const QString kept = writeLibrary("kept.mod", modulesNamed({"A"}));
  const QString gone = writeLibrary("gone.mod", modulesNamed({"B"}));
  loadSearch(kept);
  loadSearch(gone);
  ASSERT_EQ(recentItems("Bibliotecasrecentes2"), (QStringList{gone, kept}));
  ASSERT_TRUE(QFile::remove(gone));
  chooseRecent("Bibliotecasrecentes2", 0);
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_EQ(prompts_->errors.first(),
            QStringLiteral("A biblioteca %1 não existe mais e saiu da lista de recentes.")
                .arg(QDir::toNativeSeparators(gone)));
  EXPECT_EQ(recentItems("Bibliotecasrecentes2"), QStringList{kept});
  // Dropped from the stored list at once, not only at close.
  EXPECT_EQ(
      Settings::inFile(m_dir.filePath(QStringLiteral("trevak.ini")))->recentLibraries(Pane::Search),
      QStringList{kept});
  // The pane still shows the library it had.
  EXPECT_EQ(text("panel6"), gone);
  EXPECT_EQ(window_->searchLibrary().RecordCount(), 1);
}

// A folder of libraries is a recent source of the search pane as a file is; a set of files
// picked by hand, or a folder that held no library, is not.
TEST_F(WindowMemory, ALoadedFolderIsARecentSearchSource) {
  QDir(m_dir.path()).mkpath(QStringLiteral("set/sub"));
  QDir(m_dir.path()).mkdir(QStringLiteral("empty"));
  const QString folder = m_dir.filePath(QStringLiteral("set"));
  writeLibrary("set/a.mod", modulesNamed({"A"}));
  writeLibrary("set/sub/b.mod", modulesNamed({"B"}));
  const QString one = writeLibrary("one.mod", modulesNamed({"X"}));
  const QString two = writeLibrary("two.mod", modulesNamed({"Y"}));

  prompts_->folderAnswers.push_back(folder);
  trigger("Carregarpastadeorigem1");
  ASSERT_EQ(window_->searchLibrary().RecordCount(), 2);
  EXPECT_EQ(recentItems("Bibliotecasrecentes2"), QStringList{folder});

  prompts_->openManyAnswers.push_back({one, two});
  click("RxSB_carregar2");
  ASSERT_EQ(window_->searchLibrary().RecordCount(), 2);
  prompts_->folderAnswers.push_back(m_dir.filePath(QStringLiteral("empty")));
  trigger("Carregarpastadeorigem1");
  EXPECT_EQ(prompts_->errors.size(), 1);  // no library there
  EXPECT_EQ(recentItems("Bibliotecasrecentes2"), QStringList{folder});

  // Chosen again, the folder loads as the set it was, and survives a restart.
  chooseRecent("Bibliotecasrecentes2", 0);
  EXPECT_EQ(window_->searchLibrary().RecordCount(), 2);
  EXPECT_EQ(text("panel6"), librarySetCaption({folder}, 2));
  reopen();
  EXPECT_EQ(recentItems("Bibliotecasrecentes2"), QStringList{folder});
}

TEST_F(WindowMemory, EachPaneListsItsLastEightMostRecentFirst) {
  QStringList paths;
  for (int i = 0; i < 10; ++i) {
    paths << writeLibrary(QStringLiteral("l%1.mod").arg(i), modulesNamed({"A"}));
    window_->openEditLibrary(paths.last());
  }
  QStringList expected;
  for (int i = 9; i >= 2; --i) expected << paths[i];
  EXPECT_EQ(recentItems("Bibliotecasrecentes1"), expected);
  EXPECT_TRUE(recentItems("Bibliotecasrecentes2").isEmpty());
  EXPECT_FALSE(find<QMenu>("Bibliotecasrecentes2")->menuAction()->isEnabled());
  // Loading an older one again moves it to the front, listed once.
  chooseRecent("Bibliotecasrecentes1", 5);
  expected.move(5, 0);
  EXPECT_EQ(recentItems("Bibliotecasrecentes1"), expected);
}

TEST_F(WindowMemory, AWindowWithoutSettingsReadsAndWritesNothing) {
  loadEdit(writeLibrary("e.mod", modulesNamed({"A"})));
  click("BitBtn1");
  reopen();
  ASSERT_EQ(window_->drawingState().escala_edicao, 90);
  // The same settings file, but a window that was given none: it starts as designed.
  const QByteArray before = [&] {
    QFile f(m_dir.filePath(QStringLiteral("trevak.ini")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  window_.reset();
  auto prompts = std::make_unique<FakePrompts>();
  prompts_ = prompts.get();
  window_ = std::make_unique<TfTrevak>(std::move(prompts), WindowTest::windowOptions());
  EXPECT_EQ(window_->drawingState().escala_edicao, 100);
  EXPECT_TRUE(recentItems("Bibliotecasrecentes1").isEmpty());
  click("BitBtn2");
  ASSERT_TRUE(window_->close());
  QFile f(m_dir.filePath(QStringLiteral("trevak.ini")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
}

}  // namespace
}  // namespace trevak::test
