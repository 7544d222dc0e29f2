// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_set.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using trevak::ModuleTable;

std::string lib(const std::vector<std::string>& names) {
  std::string text = "PCBNEW-LibModule-V1  01/01/2000 00:00:00\r\n";
  for (const std::string& n : names) {
    text += "$MODULE " + n + "\r\nPo 0 0 0 15 0 0 ~~\r\nCd part " + n + "\r\n$EndMODULE " + n +
            "\r\n";
  }
  return text + "$EndLIBRARY\r\n";
}

class LibrarySetFolder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  std::string path(const std::string& rel) const {
    return m_dir.path().toStdString() + "/" + rel;
  }
  void write(const std::string& rel, const std::string& bytes) const {
    fs::create_directories(fs::path(path(rel)).parent_path());
    std::ofstream(path(rel), std::ios::binary) << bytes;
  }
  QTemporaryDir m_dir;
};

std::vector<std::string> nicknamesOf(const ModuleTable& t) {
  std::vector<std::string> out;
  for (int i = 0; i < t.RecordCount(); ++i) {
    out.push_back(t.libraryOf(t.recordAt(i))->nickname + ":" + *t.recordAt(i).nome_Componente);
  }
  return out;
}

TEST(LibraryNicknames, FileStemOrEnoughOfThePath) {
  struct Case {
    std::vector<std::string> paths;
    std::vector<std::string> nicks;
  };
  const Case cases[] = {
      {{"/a/conn.mod", "/a/dip.MOD"}, {"conn", "dip"}},
      {{"/a/x/conn.mod", "/b/x/conn.mod", "/b/y.mod"}, {"a/x/conn", "b/x/conn", "y"}},
      {{"/a/conn.mod", "/b/conn.mod"}, {"a/conn", "b/conn"}},
      {{"rel/lib.mod", "lib.mod"}, {"rel/lib", "lib"}},
      {{"/a/notes.txt"}, {"notes.txt"}},
  };
  for (const Case& c : cases) EXPECT_EQ(trevak::libraryNicknames(c.paths), c.nicks);
}

TEST(QualifiedNames, NicknameOnlyWhenKnown) {
  const std::vector<std::string> nicks = {"conn", "a:b"};
  struct Case {
    const char* text;
    const char* nick;
    const char* name;
  };
  const Case cases[] = {{"conn:DIP8", "conn", "DIP8"},
                        {"DIP8", "", "DIP8"},
                        {"other:DIP8", "", "other:DIP8"},
                        {"a:b:X", "a:b", "X"},
                        {"conn:", "conn", ""}};
  for (const Case& c : cases) {
    const trevak::QualifiedName q = trevak::splitQualifiedName(c.text, nicks);
    EXPECT_EQ(q.nickname, c.nick) << c.text;
    EXPECT_EQ(q.name, c.name) << c.text;
  }
}

TEST_F(LibrarySetFolder, ReadsEveryModFileRecursivelyInNameOrder) {
  write("b.mod", lib({"ZETA", "alpha"}));
  write("sub/a.MOD", lib({"ALPHA", "mid"}));
  write("sub/readme.txt", lib({"IGNORED"}));
  trevak::LibrarySetContents set = trevak::readLibrarySet({m_dir.path().toStdString()});
  EXPECT_TRUE(set.failures.empty());
  EXPECT_EQ(set.libraryCount, 2u);
  // Ties keep the order of the files: b.mod comes before sub/a.MOD.
  EXPECT_EQ(nicknamesOf(*set.table),
            (std::vector<std::string>{"b:alpha", "a:ALPHA", "a:mid", "b:ZETA"}));
  EXPECT_EQ(set.table->GetField("nome_Componente"), "alpha");
  EXPECT_GT(set.bytes, 0u);
}

TEST_F(LibrarySetFolder, MissingFileIsListedAndTheOthersRead) {
  write("a.mod", lib({"A1"}));
  write("b.mod", lib({"B1"}));
  trevak::LibrarySetContents set =
      trevak::readLibrarySet({path("a.mod"), path("gone.mod"), path("b.mod")});
  ASSERT_EQ(set.failures.size(), 1u);
  EXPECT_EQ(set.failures[0].path, path("gone.mod"));
  EXPECT_EQ(set.failures[0].message, "File not found");
  EXPECT_EQ(nicknamesOf(*set.table), (std::vector<std::string>{"a:A1", "b:B1"}));
  EXPECT_EQ(set.libraryCount, 2u);
}

TEST_F(LibrarySetFolder, BrokenFilesAreSkippedAndListed) {
  write("good.mod", lib({"G1"}));
  write("locked.mod", lib({"L1"}));
  ASSERT_EQ(::chmod(path("locked.mod").c_str(), 0), 0);
  if (::access(path("locked.mod").c_str(), R_OK) == 0) GTEST_SKIP() << "running as root";
  trevak::LibrarySetContents set =
      trevak::readLibrarySet({path("good.mod"), path("locked.mod"), path("missing.mod")});
  ASSERT_EQ(set.failures.size(), 2u);
  EXPECT_EQ(set.failures[0].path, path("locked.mod"));
  EXPECT_EQ(set.failures[0].message, "File access denied");
  EXPECT_EQ(set.failures[1].message, "File not found");
  EXPECT_EQ(nicknamesOf(*set.table), (std::vector<std::string>{"good:G1"}));
}

// A folder's *.mod files that are no library (a renamed picture, an empty file) are listed with
// the failures, as a single such file is refused; a headerless file with modules still loads.
TEST_F(LibrarySetFolder, FilesThatAreNoLibraryAreListedNotLoaded) {
  write("good.mod", lib({"G1"}));
  write("empty.mod", "");
  write("picture.mod", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
  write("bare.mod", "$MODULE B1\r\nPo 0 0 0 15 0 0 ~~\r\n$EndMODULE B1\r\n");
  trevak::LibrarySetContents set = trevak::readLibrarySet({m_dir.path().toStdString()});
  ASSERT_EQ(set.failures.size(), 2u);
  EXPECT_EQ(set.failures[0].path, path("empty.mod"));
  EXPECT_EQ(set.failures[1].path, path("picture.mod"));
  EXPECT_NE(set.failures[1].message.find("picture.mod"), std::string::npos);
  EXPECT_EQ(set.libraryCount, 2u);
  EXPECT_EQ(nicknamesOf(*set.table), (std::vector<std::string>{"bare:B1", "good:G1"}));
}

TEST_F(LibrarySetFolder, SameFileTwiceIsReadOnce) {
  write("one.mod", lib({"X"}));
  trevak::LibrarySetContents set =
      trevak::readLibrarySet({path("one.mod"), m_dir.path().toStdString()});
  EXPECT_EQ(set.libraryCount, 1u);
  EXPECT_EQ(set.table->totalCount(), 1);
}

TEST_F(LibrarySetFolder, CommitReplacesInOneStepAndCancelChangesNothing) {
  write("a.mod", lib({"A1", "A2"}));
  write("b.mod", lib({"B1"}));
  ModuleTable shown;
  int sent = 0;
  shown.setOnDataChange([&](trevak::NotificationKind, std::string_view) { ++sent; });

  trevak::LoadControl control;
  std::vector<std::size_t> progress;
  control.progress = [&](std::size_t done, std::size_t total, std::size_t) {
    progress.push_back(done);
    EXPECT_EQ(total, 2u);
    control.cancel = true;  // after the first file
  };
  trevak::LibrarySetContents cancelled =
      trevak::readLibrarySet({m_dir.path().toStdString()}, &control);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(progress, std::vector<std::size_t>{1});
  EXPECT_FALSE(trevak::commitLibrarySet(cancelled, shown));
  EXPECT_EQ(sent, 0);
  EXPECT_EQ(shown.totalCount(), 0);

  shown.setFilter("a", trevak::kFilterName);
  sent = 0;
  trevak::LibrarySetContents set = trevak::readLibrarySet({m_dir.path().toStdString()});
  EXPECT_TRUE(trevak::commitLibrarySet(set, shown));
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(shown.totalCount(), 3);
  EXPECT_EQ(shown.RecordCount(), 2);  // the filter stays: A1, A2 (and not "b:B1")
  EXPECT_EQ(shown.libraries().size(), 2u);
}

TEST(LibrarySetCorpus, EveryCorpusFileLoadsAndTheSotFilterSpansLibraries) {
  trevak::LibrarySetContents set = trevak::readLibrarySet({TREVAK_CORPUS_DIR});
  EXPECT_TRUE(set.failures.empty());
  EXPECT_EQ(set.libraryCount, 150u);
  ModuleTable& t = *set.table;
  t.setFilter("sot 23");
  ASSERT_GT(t.RecordCount(), 1);
  std::vector<std::string> libs;
  for (int i = 0; i < t.RecordCount(); ++i) libs.push_back(t.libraryOf(t.recordAt(i))->nickname);
  std::sort(libs.begin(), libs.end());
  EXPECT_GT(std::unique(libs.begin(), libs.end()) - libs.begin(), 1);
  // No two libraries share a nickname.
  std::vector<std::string> nicks;
  for (const auto& l : t.libraries()) nicks.push_back(l.nickname);
  std::sort(nicks.begin(), nicks.end());
  EXPECT_EQ(std::adjacent_find(nicks.begin(), nicks.end()), nicks.end());
}

}  // namespace
