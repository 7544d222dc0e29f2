// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

using trevak::test::runCli;

const std::string kCorpus = TREVAK_CORPUS_DIR;
const std::string kExample = std::string(TREVAK_SOURCE_DIR) + "/examples/exemplo.mod";

int countColor(const QImage& image, QRgb color) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == color ? 1 : 0;
  }
  return n;
}

class RenderExact : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  std::string path(const std::string& name) const {
    return m_dir.filePath(QString::fromStdString(name)).toStdString();
  }
  std::string library(const std::string& body) {
    const std::string file = path("one.mod");
    std::ofstream(file, std::ios::binary)
        << "PCBNEW-LibModule-V1  01/01/2008 00:00:00\n$INDEX\nM\n$EndINDEX\n$MODULE M\n"
        << body << "$EndMODULE M\n$EndLIBRARY\n";
    return file;
  }
  QTemporaryDir m_dir;
};

TEST_F(RenderExact, PngTakesTheSizeOfItsLongerSide) {
  const std::string lib = library("DS -1000 0 1000 0 100 21\nDS -1000 0 -1000 500 100 21\n");
  for (const int size : {64, 300, 1000}) {
    const std::string out = path("s.png");
    const auto r = runCli({"render", lib, "M", "--exact", "-o", out, "--size",
                           std::to_string(size)});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage image(QString::fromStdString(out));
    EXPECT_EQ(image.width(), size);
    EXPECT_LT(image.height(), size / 2);
  }
}

TEST_F(RenderExact, LogoOfPolygonsShows) {
  const std::string out = path("logo.png");
  const auto list = runCli({"list", kCorpus + "/walter-2015/w_logo.mod"});
  ASSERT_EQ(list.status, 0);
  const std::string first = list.out.substr(0, list.out.find('\n'));
  const auto r =
      runCli({"render", kCorpus + "/walter-2015/w_logo.mod", first, "--exact", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  const QImage image(QString::fromStdString(out));
  EXPECT_LT(countColor(image, 0xffffffffu), image.width() * image.height() * 98 / 100);
}

TEST_F(RenderExact, SvgIsWellFormedAndSizedAsThePng) {
  const std::string svg = path("t.svg"), png = path("t.png");
  ASSERT_EQ(runCli({"render", kExample, "TRIMPOT", "--exact", "-o", svg}).status, 0);
  ASSERT_EQ(runCli({"render", kExample, "TRIMPOT", "--exact", "-o", png}).status, 0);
  QFile file(QString::fromStdString(svg));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  int paths = 0;
  QString viewBox, width;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("svg")) {
      viewBox = xml.attributes().value(QLatin1String("viewBox")).toString();
      width = xml.attributes().value(QLatin1String("width")).toString();
    }
    paths += xml.name() == QLatin1String("path") ? 1 : 0;
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(paths, 2);
  const QImage image(QString::fromStdString(png));
  EXPECT_EQ(viewBox, QStringLiteral("0 0 %1 %2").arg(image.width()).arg(image.height()));
  // At true size: the trimmer's pads and outline span about 10 mm.
  ASSERT_TRUE(width.endsWith(QLatin1String("mm"))) << width.toStdString();
  EXPECT_NEAR(width.chopped(2).toDouble(), 10, 4) << width.toStdString();
}

TEST_F(RenderExact, PadNumbersCanBeLeftOut) {
  const std::string lib = library(
      "$PAD\nSh \"8\" R 1000 1000 0 0 0\nDr 0 0 0\nAt SMD N 00888000\nPo 0 0\n$EndPAD\n");
  const std::string with = path("with.png"), without = path("without.png");
  ASSERT_EQ(runCli({"render", lib, "M", "--exact", "-o", with}).status, 0);
  ASSERT_EQ(runCli({"render", lib, "M", "--exact", "-o", without, "--no-pad-numbers"}).status, 0);
  EXPECT_GT(countColor(QImage(QString::fromStdString(with)), 0xff000000u), 20);
  EXPECT_EQ(countColor(QImage(QString::fromStdString(without)), 0xff000000u), 0);
}

TEST_F(RenderExact, PrintsTheExtentInNanometres) {
  const std::string lib = library("DS -1000 0 1000 0 100 21\n");
  const auto r = runCli({"render", lib, "M", "--exact", "--print-extent", "--size", "520"});
  ASSERT_EQ(r.status, 0) << r.err;
  // 5.334 mm across in 520 - 2 x 26 pixels.
  EXPECT_EQ(r.out, "M\t-2667000\t-127000\t2667000\t127000\t11397\n");
  const auto layers =
      runCli({"render", lib, "--all", "--exact", "--print-extent", "--layers", "F.Cu"});
  EXPECT_EQ(layers.out, "M\t-\t-\t-\t-\t0\n");
}

TEST_F(RenderExact, AllWritesOnePictureEachInTheChosenFormat) {
  for (const bool svg : {false, true}) {
    const std::string folder = path(svg ? "svg" : "png");
    std::vector<std::string> args{"render", kExample, "--all", "--exact", "-o", folder};
    if (svg) args.push_back("--svg");
    const auto r = runCli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const QStringList files = QDir(QString::fromStdString(folder)).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 5);
    for (const QString& f : files) EXPECT_TRUE(f.endsWith(svg ? ".svg" : ".png")) << f.toStdString();
  }
}

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// --all draws on worker threads: each picture must be the one a single render makes, whatever
// the thread, and two runs must give the same files in the same order.
TEST_F(RenderExact, AllGivesTheBytesOfSingleRendersInTheTablesOrder) {
  const std::vector<std::string> names = {"CONN_2X3", "DIODE_SMD", "EDGE_CONN_4", "HOLE_M3",
                                          "TRIMPOT"};
  for (const std::string suffix : {".png", ".svg"}) {
    std::string listing;
    for (const char* run : {"a", "b"}) {
      const std::string folder = path(std::string(run) + suffix);
      std::vector<std::string> args{"render", kExample, "--all", "--exact", "-o", folder};
      if (suffix == ".svg") args.push_back("--svg");
      const auto r = runCli(args);
      ASSERT_EQ(r.status, 0) << r.err;
      std::string expected;
      for (const std::string& n : names) expected += folder + "/" + n + suffix + "\n";
      EXPECT_EQ(r.out, expected) << suffix;
    }
    for (const std::string& n : names) {
      const std::string single = path("single" + suffix);
      ASSERT_EQ(runCli({"render", kExample, n, "--exact", "-o", single}).status, 0);
      const QByteArray one = bytesOf(QString::fromStdString(single));
      ASSERT_FALSE(one.isEmpty()) << n;
      EXPECT_EQ(bytesOf(QString::fromStdString(path("a" + suffix + "/" + n + suffix))), one) << n;
      EXPECT_EQ(bytesOf(QString::fromStdString(path("b" + suffix + "/" + n + suffix))), one) << n;
    }
  }
}

// A folder where a picture goes is no earlier picture: it is reported and left alone, the
// others are written, and the status says that one is missing.
TEST_F(RenderExact, AFolderWhereAPictureGoesIsReportedAndTheRestWritten) {
  const std::string folder = path("out");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder + "/DIODE_SMD.png")));
  const auto r = runCli({"render", kExample, "--all", "--exact", "-o", folder});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.find("DIODE_SMD.png"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("DIODE_SMD.png"), std::string::npos) << r.err;
  EXPECT_TRUE(QFileInfo(QString::fromStdString(folder + "/DIODE_SMD.png")).isDir());
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(folder + "/EDGE_CONN_4.png")));
}

TEST_F(RenderExact, AnOlderLongerPictureIsReplacedWhole) {
  const std::string fresh = path("fresh.png"), old = path("old.png");
  ASSERT_EQ(runCli({"render", kExample, "TRIMPOT", "--exact", "-o", fresh}).status, 0);
  std::ofstream(old, std::ios::binary) << std::string(4 << 20, 'x');
  ASSERT_EQ(runCli({"render", kExample, "TRIMPOT", "--exact", "-o", old}).status, 0);
  EXPECT_EQ(bytesOf(QString::fromStdString(old)), bytesOf(QString::fromStdString(fresh)));
  EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 2);  // no temporary file left
}

TEST_F(RenderExact, UsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {"render", kExample, "TRIMPOT", "--exact"},
      {"render", kExample, "TRIMPOT", "--exact", "-o", path("x.gif")},
      {"render", kExample, "TRIMPOT", "--exact", "-o", path("x.png"), "--size", "8"},
      {"render", kExample, "TRIMPOT", "--exact", "-o", path("x.png"), "--size", "big"},
      {"render", kExample, "TRIMPOT", "--exact", "-o", path("x.png"), "--layers", "F.Cu,Top"},
      {"render", kExample, "TRIMPOT", "--exact", "-o", path("x.png"), "--scale", "40"},
  };
  for (const auto& args : bad) {
    const auto r = runCli(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path("x.png"))));
  EXPECT_EQ(runCli({"render", kExample, "NOPE", "--exact", "-o", path("x.png")}).status, 1);
  EXPECT_EQ(runCli({"render", kExample, "TRIMPOT", "--exact", "-o", path("no/dir/x.png")}).status,
            2);
}

}  // namespace
