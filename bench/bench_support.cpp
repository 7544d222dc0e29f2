// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak::bench {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;
// The block size of GNU wc.
constexpr std::size_t kLineCountBlock = std::size_t{1} << 17;

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "trevak-bench: %s\n", what.c_str());
  std::exit(2);
}

}  // namespace

GeneratorOptions Inputs::large() {
  GeneratorOptions o;
  o.seed = 20000;
  o.modules = 20000;
  // About 1.5 KB a module: 20,000 of them make the 30 MB of a large merged library.
  o.padsPerModule = 8;
  o.linesPerModule = 8;
  return o;
}

GeneratorOptions Inputs::huge() {
  GeneratorOptions o = large();
  o.seed = 100000;
  o.modules = 100000;
  return o;
}

GeneratorOptions Inputs::giant() {
  GeneratorOptions o = large();
  o.seed = 200000;
  o.modules = 200000;
  return o;
}

GeneratorOptions Inputs::navigation() {
  GeneratorOptions o;
  o.seed = 5000;
  o.modules = 5000;
  return o;
}

GeneratorOptions Inputs::renderAll() {
  GeneratorOptions o;
  o.seed = 1000;
  o.modules = 1000;
  return o;
}

std::string dataFolder() {
  const char* env = std::getenv("TREVAK_BENCH_DATA");
  const std::filesystem::path folder =
      env != nullptr && *env != '\0' ? std::filesystem::path(env)
                                     : std::filesystem::temp_directory_path() / "trevak-bench";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) die("cannot create " + folder.string() + ": " + error.message());
  return folder.string();
}

std::string generatedLibrary(const GeneratorOptions& options, const std::string& fileName) {
  const std::string path = dataFolder() + "/" + fileName;
  if (std::filesystem::exists(path)) return path;
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial, std::ios::binary);
    generateLibrary(options, out);
    out.close();
    if (!out) die("cannot write " + partial);
  }
  std::filesystem::rename(partial, path);
  return path;
}

std::string corpusFile(const std::string& relative) {
  return std::string(TREVAK_CORPUS_DIR) + "/" + relative;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) die("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::size_t plainScan(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) die("cannot open " + path);
  std::vector<char> block(kBlock);
  std::size_t lineEnds = 0;
  for (;;) {
    const ssize_t n = ::read(fd, block.data(), block.size());
    if (n < 0) die("cannot read " + path);
    if (n == 0) break;
    lineEnds += static_cast<std::size_t>(std::count(block.data(), block.data() + n, '\n'));
  }
  ::close(fd);
  return lineEnds;
}

std::size_t lineCount(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) die("cannot open " + path);
  std::vector<char> block(kLineCountBlock);
  std::size_t lineEnds = 0;
  for (;;) {
    const ssize_t n = ::read(fd, block.data(), block.size());
    if (n < 0) die("cannot read " + path);
    if (n == 0) break;
    const char* p = block.data();
    const char* const end = p + n;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) !=
           nullptr) {
      ++lineEnds;
      ++p;
    }
  }
  ::close(fd);
  return lineEnds;
}

void plainWrite(const std::string& path, std::string_view bytes) {
  const std::string partial = path + ".partial";
  const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) die("cannot create " + partial);
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), std::min(bytes.size(), kBlock));
    if (n <= 0) die("cannot write " + partial);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) die("cannot write " + partial);
  if (std::rename(partial.c_str(), path.c_str()) != 0) die("cannot rename " + partial);
}

void loadOrDie(const std::string& path, ModuleTable& table) {
  try {
    loadLibraryFile(path, table);
  } catch (const IoError& e) {
    die(path + ": " + e.what());
  }
}

}  // namespace trevak::bench
