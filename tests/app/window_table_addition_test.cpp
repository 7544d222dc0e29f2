// SPDX-License-Identifier: GPL-3.0-or-later
// The menu item that adds a .pretty library to one of KiCad's footprint library tables.
#include <QAction>
#include <QDir>
#include <cstdlib>
#include <deque>

#include "app/kicad_table_add_action.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

class FakeTableAdditionPrompts : public TableAdditionPrompts {
 public:
  std::optional<TableAdditionAnswer> askTableAddition(const TableAdditionRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return std::nullopt;
    const std::optional<TableAdditionAnswer> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool confirmCreateTable(const QString& tableFile, bool global) override {
    creations.push_back({tableFile, global});
    return createAnswer;
  }

  std::vector<TableAdditionRequest> requests;
  std::deque<std::optional<TableAdditionAnswer>> answers;
  std::vector<std::pair<QString, bool>> creations;
  bool createAnswer = true;
};

class TableAdditionMenu : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    const char* old = std::getenv("KICAD_CONFIG_HOME");
    m_hadConfig = old != nullptr;
    if (m_hadConfig) m_oldConfig = old;
    QDir().mkpath(dirPath(QStringLiteral("config")));
    ::setenv("KICAD_CONFIG_HOME", dirPath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
    auto fake = std::make_unique<FakeTableAdditionPrompts>();
    ask_ = fake.get();
    window_->findChild<KicadTableAddition*>(QStringLiteral("KicadTableAddition"))
        ->setPrompts(std::move(fake));
  }
  void TearDown() override {
    if (m_hadConfig) {
      ::setenv("KICAD_CONFIG_HOME", m_oldConfig.c_str(), 1);
    } else {
      ::unsetenv("KICAD_CONFIG_HOME");
    }
    WindowTest::TearDown();
  }
  QByteArray readAll(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  FakeTableAdditionPrompts* ask_ = nullptr;
  bool m_hadConfig = false;
  std::string m_oldConfig;
};

// After an export, the item proposes its folder and nickname; a nickname the table holds is
// refused and asked again; the row then goes in with every other byte kept and a backup.
TEST_F(TableAdditionMenu, AddsTheExportedFolderToTheGlobalTable) {
  const QByteArray table =
      "(fp_lib_table\n  (version 7)\n  (lib (name \"parts\")(type \"KiCad\")(uri \"/x/parts.pretty\")"
      "(options \"\")(descr \"\"))\n)\n";
  const QString tableFile = dirPath(QStringLiteral("config/fp-lib-table"));
  writeAll(tableFile, table);
  loadEdit(writeLibrary("parts.mod", modulesNamed({"R1", "C1"})));
  prompts_->folderAnswers.push_back(dirPath(QStringLiteral("out")));
  trigger("Exportarbibliotecaparakicad1");
  const QString folder = dirPath(QStringLiteral("out/parts.pretty"));

  ask_->answers.push_back(TableAdditionAnswer{folder, QStringLiteral("parts"), QString()});
  ask_->answers.push_back(TableAdditionAnswer{folder, QStringLiteral("my-parts"), QString()});
  trigger("Adicionaratabeladokicad1");
  ASSERT_EQ(ask_->requests.size(), 2u);
  EXPECT_EQ(ask_->requests[0].libraryFolder, folder);
  EXPECT_EQ(ask_->requests[0].nickname, QStringLiteral("parts"));
  EXPECT_EQ(ask_->requests[0].globalTable, tableFile);
  EXPECT_TRUE(ask_->requests[0].globalExists);
  ASSERT_EQ(prompts_->errors.size(), 1);
  EXPECT_TRUE(prompts_->errors[0].contains(QStringLiteral("\"parts\""))) << prompts_->errors[0].toStdString();
  ASSERT_EQ(prompts_->infos.size(), 1);
  EXPECT_TRUE(prompts_->infos[0].contains(QStringLiteral("my-parts")));

  const QByteArray after = readAll(tableFile);
  // One line inserted, every other byte as it was.
  const qsizetype row = after.indexOf("(lib (name \"my-parts\")");
  ASSERT_GT(row, 0) << after.toStdString();
  const qsizetype lineStart = after.lastIndexOf('\n', row) + 1;
  const qsizetype lineEnd = after.indexOf('\n', row) + 1;
  EXPECT_TRUE(after.mid(lineStart, lineEnd - lineStart).contains(folder.toUtf8()));
  EXPECT_EQ(after.left(lineStart) + after.mid(lineEnd), table);
  EXPECT_EQ(readAll(tableFile + QStringLiteral(".bak")), table);
}

// A project's table that does not exist yet is made only when the user agrees, its row under
// ${KIPRJMOD}; cancelling the dialog writes nothing.
TEST_F(TableAdditionMenu, ProjectTableIsMadeOnlyWhenAgreed) {
  const QString project = dirPath(QStringLiteral("board"));
  const QString folder = project + QStringLiteral("/lib/mine.pretty");
  QDir().mkpath(folder);
  const TableAdditionAnswer answer{folder, QStringLiteral("mine"), project};

  trigger("Adicionaratabeladokicad1");  // cancelled
  EXPECT_TRUE(prompts_->infos.isEmpty());

  ask_->createAnswer = false;
  ask_->answers.push_back(answer);
  trigger("Adicionaratabeladokicad1");
  ASSERT_EQ(ask_->creations.size(), 1u);
  EXPECT_FALSE(ask_->creations[0].second);
  EXPECT_FALSE(QFile::exists(project + QStringLiteral("/fp-lib-table")));

  ask_->createAnswer = true;
  ask_->answers.push_back(answer);
  trigger("Adicionaratabeladokicad1");
  const QByteArray made = readAll(project + QStringLiteral("/fp-lib-table"));
  EXPECT_TRUE(made.contains("${KIPRJMOD}/lib/mine.pretty")) << made.toStdString();
  EXPECT_EQ(prompts_->infos.size(), 1);
}

}  // namespace
}  // namespace trevak::test
