// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli_runner.h"

namespace {

constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kGreen = 0xff008000u;
constexpr QRgb kRed = 0xffff0000u;
constexpr QRgb kOlive = 0xff808000u;
constexpr QRgb kBlack = 0xff000000u;

const std::string kExample = std::string(TREVAK_SOURCE_DIR) + "/examples/exemplo.mod";

using Result = trevak::test::CliResult;
using trevak::test::runCli;

bool hasColor(const QImage& image, QRgb color) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == color) return true;
    }
  }
  return false;
}

bool allWhite(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != kWhite) return false;
    }
  }
  return true;
}

class Render : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

  std::string path(const std::string& name) const {
    return m_dir.filePath(QString::fromStdString(name)).toStdString();
  }

  /// A library of the given modules, each a name and its body lines.
  std::string library(const std::string& file,
                      const std::vector<std::pair<std::string, std::string>>& modules) {
    std::string text = "PCBNEW-LibModule-V1  01/01/2008 00:00:00\r\n$INDEX\r\n$EndINDEX\r\n";
    for (const auto& [name, body] : modules) {
      text += "$MODULE " + name + "\r\n" + body + "$EndMODULE " + name + "\r\n";
    }
    text += "$EndLIBRARY\r\n";
    std::ofstream(path(file), std::ios::binary) << text;
    return path(file);
  }

  QImage render(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"render"};
    args.insert(args.end(), extra.begin(), extra.end());
    const std::string out = path("out.png");
    args.insert(args.end(), {"-o", out});
    const Result r = runCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return QImage(QString::fromStdString(out));
  }

  QTemporaryDir m_dir;
};

struct ExampleCase {
  const char* name;
  int width, height;  // at scale 100, module texts off
  QRgb color;         // a pad colour it shows
};

class RenderExample : public Render, public ::testing::WithParamInterface<ExampleCase> {};

TEST_P(RenderExample, PictureOfTheCroppedDrawing) {
  const QImage image = render({kExample, GetParam().name});
  EXPECT_EQ(image.size(), QSize(GetParam().width, GetParam().height));
  EXPECT_TRUE(hasColor(image, GetParam().color));
  EXPECT_EQ(image.pixel(0, 0), kWhite);  // the margin
}

INSTANTIATE_TEST_SUITE_P(Example, RenderExample,
                         ::testing::Values(ExampleCase{"CONN_2X3", 125, 117, kGreen},
                                           ExampleCase{"diode_smd", 119, 107, kRed},
                                           ExampleCase{"EDGE_CONN_4", 137, 119, kGreen},
                                           ExampleCase{"HOLE_M3", 123, 123, kOlive},
                                           ExampleCase{"TRIMPOT", 133, 133, kBlack}));

TEST_F(Render, ScaleEnlargesOrShrinksAndOnlyPaneScalesAreAccepted) {
  const QSize normal = render({kExample, "TRIMPOT"}).size();
  const QSize zoomedIn = render({kExample, "TRIMPOT", "--scale", "40"}).size();
  const QSize zoomedOut = render({kExample, "TRIMPOT", "--scale", "210"}).size();
  EXPECT_GT(zoomedIn.width(), normal.width() + 40);
  EXPECT_LT(zoomedOut.width(), normal.width());
  for (const char* bad : {"45", "30", "220", "0", "-100", "abc", "100x", ""}) {
    const Result r = runCli({"render", kExample, "TRIMPOT", "-o", path("bad.png"), "--scale", bad});
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("scale"), std::string::npos) << bad;
  }
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path("bad.png"))));
  EXPECT_EQ(runCli({"render", kExample, "TRIMPOT", "-o", path("x.png"), "--scale"}).status, 2);
}

TEST_F(Render, UsageMissingModuleAndFileErrors) {
  EXPECT_EQ(runCli({"render", kExample, "TRIMPOT"}).status, 2);  // no -o
  EXPECT_EQ(runCli({"render", kExample, "-o", path("x.png")}).status, 2);
  EXPECT_EQ(runCli({"render", kExample, "A", "B", "-o", path("x.png")}).status, 2);
  EXPECT_EQ(runCli({"render", kExample, "A", "-o", path("x.png"), "--bogus"}).status, 2);

  Result r = runCli({"render", kExample, "NO_SUCH", "-o", path("x.png")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("NO_SUCH"), std::string::npos);

  r = runCli({"render", path("missing.mod"), "A", "-o", path("x.png")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("File not found"), std::string::npos);

  r = runCli({"render", kExample, "TRIMPOT", "-o", path("no/such/folder/x.png")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no/such/folder/x.png"), std::string::npos);
}

TEST_F(Render, TheFirstModuleIsDrawnOnLoadAndLeavesItsPadOpen) {
  const std::string pad = "Po 0 0\r\n$EndPAD\r\n";
  const std::string both =
      library("both.mod",
              {{"A_OPEN", "$PAD\r\nSh \"1\" R 2000 2000 0 0 0\r\nAt SMD\r\n"}, {"B_CLOSE", pad}});
  const QImage closed = render({both, "B_CLOSE"});
  EXPECT_EQ(closed.size(), QSize(117, 117));
  EXPECT_EQ(closed.pixel(58, 58), kRed);

  const std::string alone = library("alone.mod", {{"B_CLOSE", pad}});
  const QImage blank = render({alone, "B_CLOSE"});
  EXPECT_EQ(blank.size(), QSize(101, 101));
  EXPECT_TRUE(allWhite(blank));
}

TEST_F(Render, ModuleTextsOnlyWithTheSwitch) {
  const std::string lib =
      library("texts.mod", {{"T_ONLY", "T1 0 0 600 600 0 120 N V 21 N \"VAL\"\r\n"}});
  const QImage off = render({lib, "T_ONLY"});
  EXPECT_EQ(off.size(), QSize(101, 101));
  EXPECT_TRUE(allWhite(off));
  const QImage on = render({lib, "T_ONLY", "--texts"});
  EXPECT_EQ(on.size(), QSize(100, 100));
  EXPECT_TRUE(hasColor(on, kBlack));
}

TEST_F(Render, PictureShowingNothingIsOneWhitePixel) {
  const std::string lib =
      library("far.mod", {{"FAR", "DS -300000 -300000 -310000 -310000 120 21\r\n"}});
  const QImage image = render({lib, "FAR"});
  EXPECT_EQ(image.size(), QSize(1, 1));
  EXPECT_EQ(image.pixel(0, 0), kWhite);
}

TEST_F(Render, AllWritesEveryModuleInTableOrderCarryingTheState) {
  const std::string lib =
      library("all.mod", {{"A_OPEN", "$PAD\r\nSh \"1\" R 2000 2000 0 0 0\r\nAt SMD\r\n"},
                          {"B_CLOSE", "Po 0 0\r\n$EndPAD\r\n"},
                          {"C_PAD", "$PAD\r\nAt STD\r\nPo 0 0\r\n$EndPAD\r\n"}});
  const std::string folder = path("pictures");
  const Result r = runCli({"render", lib, "--all", "-o", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  const QDir dir(QString::fromStdString(folder));
  EXPECT_EQ(dir.entryList(QDir::Files).size(), 3);
  EXPECT_TRUE(allWhite(QImage(dir.filePath("A_OPEN.png"))));
  EXPECT_EQ(QImage(dir.filePath("B_CLOSE.png")).pixel(58, 58), kRed);
  // C_PAD takes its shape and size from B_CLOSE's pad, its colour from its own At line.
  EXPECT_EQ(QImage(dir.filePath("C_PAD.png")).pixel(58, 58), kGreen);
  EXPECT_NE(r.out.find("C_PAD.png"), std::string::npos);
}

TEST_F(Render, AllMakesNamesSafeAndApart) {
  const std::string lib = library("names.mod", {{"X/1", "DS 0 0 100 0\r\n"},
                                                {"X:1", "DS 0 0 100 0\r\n"},
                                                {"X?1", "DS 0 0 100 0\r\n"},
                                                {"ab", "DS 0 0 100 0\r\n"},
                                                {"AB", "DS 0 0 100 0\r\n"}});
  const std::string folder = path("names");
  const Result r = runCli({"render", lib, "--all", "-o", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  std::set<QString> files;
  for (const QString& f : QDir(QString::fromStdString(folder)).entryList(QDir::Files)) {
    files.insert(f.toCaseFolded());
  }
  EXPECT_EQ(files, (std::set<QString>{"x_1.png", "x_1_2.png", "x_1_3.png", "ab.png", "ab_2.png"}));
}

// Links planted in the output folder are never followed, by the sketch or the exact drawing:
// neither the target of a link nor the place a dangling one names is written; each is
// reported, the other pictures are written, status 1. An earlier run's plain file is replaced.
TEST_F(Render, AllNeverWritesThroughALinkInTheFolder) {
  const std::string lib = library("links.mod", {{"A", "DS 0 0 100 0\r\n"},
                                                {"B", "DS 0 0 100 0\r\n"},
                                                {"C", "DS 0 0 100 0\r\n"}});
  for (const std::vector<std::string>& extra : {std::vector<std::string>{},
                                                std::vector<std::string>{"--exact"}}) {
    SCOPED_TRACE(extra.empty() ? "sketch" : "exact");
    const std::string tag = extra.empty() ? "sketch" : "exact";
    const std::string folder = path(tag);
    const std::string victim = path(tag + "-victim.txt");
    const std::string nowhere = path(tag + "-nowhere.png");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    std::ofstream(victim) << "keep me";
    std::ofstream(folder + "/C.png") << "an earlier picture";
    ASSERT_EQ(::symlink(victim.c_str(), (folder + "/A.png").c_str()), 0);
    ASSERT_EQ(::symlink(nowhere.c_str(), (folder + "/B.png").c_str()), 0);
    std::vector<std::string> args{"render", lib, "--all", "-o", folder};
    args.insert(args.end(), extra.begin(), extra.end());
    const Result r = runCli(args);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("A.png"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("B.png"), std::string::npos) << r.err;
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(nowhere)));
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder + "/A.png")).isSymLink());
    EXPECT_FALSE(QImage(QString::fromStdString(folder + "/C.png")).isNull());
    EXPECT_EQ(r.out, folder + "/C.png\n");
  }
}

// A UTF-8 name gives its own characters to the file name; other bytes are read as Latin-1.
TEST_F(Render, AllNamesFilesFromUtf8NamesAsTheyAre) {
  const std::string lib = library("utf8.mod", {{"CAF\xc3\x89", "DS 0 0 100 0\r\n"},
                                               {"R\xe9sistor", "DS 0 0 100 0\r\n"}});
  const std::string folder = path("utf8");
  const Result r = runCli({"render", lib, "--all", "-o", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  const QStringList files = QDir(QString::fromStdString(folder)).entryList(QDir::Files, QDir::Name);
  EXPECT_EQ(files, (QStringList{QStringLiteral("CAF\u00c9.png"), QStringLiteral("R\u00e9sistor.png")}));
}

TEST_F(Render, FirstModuleAloneMatchesTheFirstOfAll) {
  const QImage alone = render({kExample, "CONN_2X3", "--texts", "--scale", "60"});
  const std::string folder = path("example");
  ASSERT_EQ(runCli({"render", kExample, "--all", "-o", folder, "--texts", "--scale", "60"}).status,
            0);
  EXPECT_EQ(alone, QImage(QDir(QString::fromStdString(folder)).filePath("CONN_2X3.png")));
}

TEST_F(Render, MillimetreModulesAtTheirTrueSize) {
  const std::string decimil = library(
      "decimil.mod", {{"R",
                       "T0 0 -600 400 400 0 80 N V 21 N \"R\"\r\nDS -750 -400 750 -400 60 21\r\n"
                       "$PAD\r\nSh \"1\" R 400 600 0 0 0\r\nAt SMD N 00888000\r\n"
                       "Po -425 0\r\n$EndPAD\r\n"}});
  const std::string mm =
      library("mm.mod", {{"R",
                          "T0 0 -1.524 1.016 1.016 0 0.2032 N V 21 N \"R\"\r\n"
                          "DS -1.905 -1.016 1.905 -1.016 0.1524 21\r\n"
                          "$PAD\r\nSh \"1\" R 1.016 1.524 0 0 0\r\nAt SMD N 00888000\r\n"
                          "Po -1.0795 0\r\n$EndPAD\r\n"}});
  std::string bytes;
  {
    std::ifstream in(mm, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bytes.insert(bytes.find("\r\n") + 2, "Units mm\r\n");
  std::ofstream(mm, std::ios::binary | std::ios::trunc) << bytes;

  for (const char* scale : {"40", "100", "210"}) {
    const QImage expected = render({decimil, "R", "--texts", "--scale", scale});
    const QImage actual = render({mm, "R", "--texts", "--scale", scale});
    ASSERT_GT(expected.width(), 101) << scale;
    EXPECT_EQ(actual.size(), expected.size()) << scale;
    EXPECT_TRUE(actual == expected) << scale;
  }
}

class RenderCorpus : public Render, public ::testing::WithParamInterface<const char*> {};

TEST_P(RenderCorpus, EveryModuleGivesAPictureWithinTheLimits) {
  const std::string lib = std::string(TREVAK_CORPUS_DIR) + "/" + GetParam();
  ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(lib)))
      << "the shared corpus is missing: " << lib;
  const Result list = runCli({"list", lib});
  ASSERT_EQ(list.status, 0) << list.err;
  const auto modules = std::count(list.out.begin(), list.out.end(), '\n');

  const std::string folder = path("corpus");
  const Result r = runCli({"render", lib, "--all", "-o", folder, "--texts"});
  ASSERT_EQ(r.status, 0) << r.err;
  const QStringList files = QDir(QString::fromStdString(folder)).entryList(QDir::Files);
  EXPECT_EQ(files.size(), modules);
  for (const QString& f : files) {
    const QImage image(QDir(QString::fromStdString(folder)).filePath(f));
    ASSERT_FALSE(image.isNull()) << f.toStdString();
    EXPECT_LE(image.width(), 2100) << f.toStdString();
    EXPECT_LE(image.height(), 2100) << f.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, RenderCorpus,
                         ::testing::Values("kicad-official-2015/led.mod", "develorn/smd_diodes.mod",
                                           "keyboard-pcbs/pad.mod", "oshec-eagle-2008/Tubes.mod"));

}  // namespace
