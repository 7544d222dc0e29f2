// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that read a library, given a .pretty folder or a .kicad_mod file.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "tests/common/mixed_pretty.h"

namespace {

namespace fs = std::filesystem;
using trevak::test::mixedFootprints;
using trevak::test::runCli;

std::string fileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PrettySource : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    ASSERT_EQ(trevak::test::buildMixedPretty(m_folder), "");
  }
  QTemporaryDir m_dir;
  const fs::path m_root = m_dir.path().toStdString();
  const fs::path m_folder = m_root / "Mixed.pretty";
};

TEST_F(PrettySource, CheckReportsTheBrokenAndFutureFilesAndExitsOne) {
  const auto r = runCli({"check", m_folder.string()});
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string broken = (m_folder / trevak::test::kBrokenFootprintFile).string() + ": line ";
  EXPECT_NE(r.out.find(broken), std::string::npos) << r.out;
  EXPECT_NE(r.out.find((m_folder / trevak::test::kFutureFootprintFile).string() +
                       ": feito por um KiCad mais novo (versão 20991231)\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;

  // One good footprint alone is clean; a file named for another footprint is reported.
  const fs::path good = m_folder / fs::path(mixedFootprints()[0].source).filename();
  EXPECT_EQ(runCli({"check", good.string()}).status, 0);
  fs::create_directories(m_root / "Renamed.pretty");
  fs::copy_file(good, m_root / "Renamed.pretty" / "Other.kicad_mod");
  const auto renamed = runCli({"check", (m_root / "Renamed.pretty").string()});
  EXPECT_EQ(renamed.status, 1);
  EXPECT_NE(renamed.out.find("Other.kicad_mod: the file name and the footprint's name disagree"),
            std::string::npos)
      << renamed.out;
}

TEST_F(PrettySource, ListFindAndShowReadEveryDialect) {
  const auto list = runCli({"list", m_folder.string()});
  EXPECT_EQ(list.status, 0);
  for (const auto& f : mixedFootprints()) {
    EXPECT_NE(list.out.find(std::string(f.name) + "\n"), std::string::npos) << f.dialect;
  }
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 6) << list.out;
  EXPECT_NE(list.err.find("Broken.kicad_mod"), std::string::npos);

  // The broken and the future file are missing from the search: status 1.
  const auto found = runCli({"find", "Samtec", "--", m_root.string()});
  EXPECT_EQ(found.status, 1);
  EXPECT_EQ(found.out, std::string("Mixed\t") + mixedFootprints()[5].name + "\n");

  // show prints the file as it is on disk, by name or by KiCad's NICKNAME:NAME.
  for (const auto& f : mixedFootprints()) {
    const std::string onDisk = fileText(fs::path(TREVAK_CORPUS_PRETTY_DIR) / f.source);
    const auto bare = runCli({"show", m_folder.string(), f.name});
    EXPECT_EQ(bare.status, 0) << f.dialect << bare.err;
    EXPECT_EQ(bare.out, onDisk) << f.dialect;
    const auto qualified = runCli({"show", m_root.string(), std::string("Mixed:") + f.name});
    EXPECT_EQ(qualified.out, onDisk) << f.dialect;
  }
  const fs::path one = m_folder / fs::path(mixedFootprints()[3].source).filename();
  EXPECT_EQ(runCli({"show", one.string(), mixedFootprints()[3].name}).out, fileText(one));
}

TEST_F(PrettySource, ExportWritesTheFilesAsTheyAreAndCopyIntoALegacyLibraryIsRefused) {
  const fs::path out = m_root / "Out.pretty";
  const auto r = runCli({"export", m_folder.string(), "-o", out.string()});
  EXPECT_EQ(r.status, 1) << r.err;  // the broken and the future file are not exported
  EXPECT_NE(r.out.find("2 files not read"), std::string::npos) << r.out;
  for (const auto& f : mixedFootprints()) {
    EXPECT_EQ(fileText(out / (std::string(f.name) + ".kicad_mod")),
              fileText(fs::path(TREVAK_CORPUS_PRETTY_DIR) / f.source))
        << f.dialect;
  }
  const fs::path legacy = m_root / "edit.mod";
  const std::string before = "PCBNEW-LibModule-V1  01/01/2000 00:00:00\n$EndLIBRARY\n";
  std::ofstream(legacy, std::ios::binary) << before;
  const auto copy = runCli({"copy", m_folder.string(), legacy.string(), mixedFootprints()[0].name});
  EXPECT_EQ(copy.status, 1);
  EXPECT_NE(copy.err.find("cannot go into a legacy .mod library"), std::string::npos) << copy.err;
  EXPECT_EQ(fileText(legacy), before);
}

}  // namespace
