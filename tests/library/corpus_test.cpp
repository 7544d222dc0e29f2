// SPDX-License-Identifier: GPL-3.0-or-later
// Every library of the shared corpus, read by the reader and checked against a plain scan of the
// file's bytes and against the corpus manifest.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "library/library_reader.h"
#include "library/module_table.h"
#include "library/name_collation.h"
#include "library/tokenizer.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = TREVAK_CORPUS_DIR;

struct ManifestRow {
  std::uintmax_t bytes = 0;
  int modules = 0;
  bool millimetres = false;
};

// File (relative to the corpus) -> its row. Columns: file, repository, path, commit, licence,
// bytes, modules, line ends, features.
std::map<std::string, ManifestRow> readManifest() {
  std::map<std::string, ManifestRow> rows;
  std::ifstream in(kCorpus / "MANIFEST.md");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("| ", 0) != 0 || line.find(".mod |") == std::string::npos) continue;
    std::vector<std::string> cells;
    std::size_t pos = 2;
    for (;;) {
      const std::size_t bar = line.find(" | ", pos);
      if (bar == std::string::npos) {
        cells.push_back(line.substr(pos, line.rfind(" |") - pos));
        break;
      }
      cells.push_back(line.substr(pos, bar - pos));
      pos = bar + 3;
    }
    if (cells.size() != 9) continue;
    ManifestRow row;
    row.bytes = std::stoull(cells[5]);
    row.modules = std::stoi(cells[6]);
    row.millimetres = cells[8].find("Units mm") != std::string::npos;
    rows[cells[0]] = row;
  }
  return rows;
}

std::string readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Expected {
  std::string name;
  std::string body;
};

// The modules of a file by a direct scan: the bytes between each $MODULE line and its end line
// (or the next $MODULE line, or the end), with every line end made one CR.
std::vector<Expected> scanModules(std::string bytes) {
  bytes = bytes.substr(0, bytes.find('\x1A'));
  auto normalize = [](std::string s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
      out.push_back(s[i] == '\n' ? '\r' : s[i]);
    }
    if (!out.empty() && out.back() != '\r') out.push_back('\r');
    return out;
  };
  std::vector<Expected> found;
  bool open = false;
  std::size_t bodyStart = 0;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    std::size_t next = end;
    if (next < bytes.size()) next += (bytes[next] == '\r' && next + 1 < bytes.size() &&
                                      bytes[next + 1] == '\n') ? 2 : 1;
    std::string line = bytes.substr(start, end - start);
    std::replace(line.begin(), line.end(), '\t', ' ');
    std::string word;
    std::istringstream(line) >> word;  // the test locale is C: blanks and control blanks split
    while (!word.empty() && static_cast<unsigned char>(word.back()) <= 32) word.pop_back();
    while (!word.empty() && static_cast<unsigned char>(word.front()) <= 32) word.erase(0, 1);
    for (char& c : word) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    const bool opens = word == "$MODULE";
    if ((opens || word == "$ENDMODULE") && open) {
      found.back().body = normalize(bytes.substr(bodyStart, start - bodyStart));
      open = false;
    }
    if (opens) {
      // KiCad's legacy reader: whatever follows the keyword, white space trimmed at both ends.
      std::string raw = bytes.substr(start, end - start);
      std::string upper = raw;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      std::string name = raw.substr(upper.find("$MODULE") + 7);
      while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
      while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front()))) name.erase(0, 1);
      found.push_back({name, {}});
      open = true;
      bodyStart = next;
    }
    start = next;
  }
  if (open) found.back().body = normalize(bytes.substr(bodyStart));
  return found;
}

}  // namespace

TEST(Corpus, EveryFileLoadsItsModulesSortedWithTheirBodies) {
  ASSERT_TRUE(fs::is_directory(kCorpus)) << "corpus missing: " << kCorpus;
  const std::map<std::string, ManifestRow> manifest = readManifest();
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(kCorpus)) {
    if (entry.is_regular_file() && entry.path().extension() == ".mod") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 150u) << "corpus incomplete: " << kCorpus;
  ASSERT_EQ(manifest.size(), files.size()) << "manifest and files disagree";

  const trevak::ModuleNameCollator collator;
  for (const fs::path& file : files) {
    const std::string relative = fs::relative(file, kCorpus).generic_string();
    SCOPED_TRACE(relative);
    const auto row = manifest.find(relative);
    ASSERT_NE(row, manifest.end()) << "not in the manifest";
    const std::string bytes = readBytes(file);
    ASSERT_EQ(bytes.size(), row->second.bytes);

    std::vector<Expected> expected = scanModules(bytes);
    EXPECT_EQ(static_cast<int>(expected.size()), row->second.modules);
    std::stable_sort(expected.begin(), expected.end(), [&](const Expected& a, const Expected& b) {
      return trevak::compareModuleNames(collator.sortKey(a.name), collator.sortKey(b.name)) < 0;
    });

    trevak::ModuleTable table;
    trevak::loadLibraryFile(file.string(), table);
    ASSERT_EQ(table.RecordCount(), static_cast<int>(expected.size()));
    EXPECT_EQ(table.unit(), row->second.millimetres ? trevak::LengthUnit::Millimetre
                                                    : trevak::LengthUnit::Decimil);
    EXPECT_EQ(table.currentIndex(), table.IsEmpty() ? -1 : 0);
    for (int i = 0; i < table.RecordCount(); ++i) {
      const trevak::ModuleRecord& r = table.recordAt(i);
      const Expected& e = expected[static_cast<std::size_t>(i)];
      ASSERT_EQ(r.nome_Componente.value_or("<null>"), e.name) << "at " << i;
      ASSERT_EQ(r.Comandos.value_or("<null>"), e.body) << "module " << e.name;
    }
  }
}
