// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_set.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <utility>

#include "library/io_error.h"
#include "library/load_warnings.h"
#include "library/library_reader.h"

namespace trevak {

namespace fs = std::filesystem;

namespace {

bool hasModSuffix(const std::string& name) {
  if (name.size() < 4) return false;
  std::string suffix = name.substr(name.size() - 4);
  for (char& c : suffix) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return suffix == ".mod";
}

std::string errorText(const std::error_code& ec) {
  return ioErrorFromErrno(ec.value()).what();
}

// The path's components, file name last, without empty ones.
std::vector<std::string> components(const std::string& path) {
  std::vector<std::string> parts;
  for (const fs::path& p : fs::path(path).lexically_normal()) {
    const std::string part = p.string();
    if (!part.empty() && part != "/" && part != ".") parts.push_back(part);
  }
  return parts;
}

std::string stem(const std::string& fileName) {
  return hasModSuffix(fileName) ? fileName.substr(0, fileName.size() - 4) : fileName;
}

// The nickname of `parts` with `depth` parent folders in front of the stem.
std::string nicknameWithDepth(const std::vector<std::string>& parts, std::size_t depth) {
  if (parts.empty()) return {};
  std::string nick = stem(parts.back());
  const std::size_t parents = parts.size() - 1;
  for (std::size_t i = 1; i <= depth && i <= parents; ++i) {
    nick = parts[parents - i] + "/" + nick;
  }
  return nick;
}

// Counts the bytes that pass, for the load's progress and the memory figures.
class CountingByteSource final : public ByteSource {
 public:
  explicit CountingByteSource(ByteSource& inner) : m_inner(inner) {}
  std::size_t read(char* buffer, std::size_t size) override {
    const std::size_t n = m_inner.read(buffer, size);
    m_bytes += n;
    return n;
  }
  void close() override { m_inner.close(); }
  std::size_t bytes() const { return m_bytes; }

 private:
  ByteSource& m_inner;
  std::size_t m_bytes = 0;
};

}  // namespace

std::vector<std::string> libraryFilesUnder(const std::string& folder,
                                           std::vector<LibraryFailure>& failures) {
  std::vector<std::string> files;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
  if (ec) {
    failures.push_back({folder, errorText(ec)});
    return files;
  }
  for (const fs::recursive_directory_iterator end; it != end;) {
    std::error_code entryError;
    const bool regular = it->is_regular_file(entryError);
    if (!entryError && regular && hasModSuffix(it->path().filename().string())) {
      files.push_back(it->path().string());
    }
    it.increment(ec);
    if (ec) {
      // The folder that could not be entered is skipped; the walk goes on after it.
      failures.push_back({it == end ? folder : it->path().string(), errorText(ec)});
      if (it == end) break;
      it.disable_recursion_pending();
      ec.clear();
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> expandLibrarySources(const std::vector<std::string>& sources,
                                              std::vector<LibraryFailure>& failures) {
  std::vector<std::string> files;
  std::set<std::string> seen;
  auto add = [&](const std::string& path) {
    std::error_code ec;
    fs::path key = fs::weakly_canonical(path, ec);
    if (ec) key = fs::path(path).lexically_normal();
    if (seen.insert(key.string()).second) files.push_back(path);
  };
  for (const std::string& source : sources) {
    std::error_code ec;
    if (!source.empty() && fs::is_directory(source, ec)) {
      for (const std::string& f : libraryFilesUnder(source, failures)) add(f);
    } else {
      add(source);  // a missing file fails when it is read, with the reader's error
    }
  }
  return files;
}

std::vector<std::string> libraryNicknames(const std::vector<std::string>& paths) {
  std::vector<std::vector<std::string>> parts;
  parts.reserve(paths.size());
  for (const std::string& p : paths) parts.push_back(components(p));
  std::vector<std::size_t> depth(paths.size(), 0);
  std::vector<std::string> nicks(paths.size());
  // Deepen every member of a clashing group until no group clashes or no path has more to give.
  for (bool changed = true; changed;) {
    changed = false;
    std::map<std::string, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < paths.size(); ++i) {
      nicks[i] = nicknameWithDepth(parts[i], depth[i]);
      groups[nicks[i]].push_back(i);
    }
    for (const auto& [nick, members] : groups) {
      if (members.size() < 2) continue;
      for (std::size_t i : members) {
        if (depth[i] + 1 < parts[i].size()) {
          ++depth[i];
          changed = true;
        }
      }
    }
  }
  return nicks;
}

QualifiedName splitQualifiedName(std::string_view text, const std::vector<std::string>& nicknames) {
  // A nickname may itself hold a ':', so every ':' is tried, the longest nickname last.
  for (std::size_t colon = text.find(':'); colon != std::string_view::npos;
       colon = text.find(':', colon + 1)) {
    const std::string_view nick = text.substr(0, colon);
    if (std::find(nicknames.begin(), nicknames.end(), nick) != nicknames.end()) {
      return {std::string(nick), std::string(text.substr(colon + 1))};
    }
  }
  return {std::string(), std::string(text)};
}

LibrarySetContents readLibrarySet(const std::vector<std::string>& sources, LoadControl* control) {
  LibrarySetContents contents;
  const std::vector<std::string> files = expandLibrarySources(sources, contents.failures);
  const std::vector<std::string> nicknames = libraryNicknames(files);
  ModuleTable& table = *contents.table;
  NotificationSuspension pause(table);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (control != nullptr && control->cancel.load(std::memory_order_relaxed)) {
      contents.cancelled = true;
      return contents;
    }
    ModuleTable one;
    try {
      FileByteSource source(files[i]);
      CountingByteSource counted(source);
      // A file in the folder that is no library (a picture, an empty file) is listed with
      // the others that failed, as a single file would be refused.
      LoadWarnings seen;
      seen.start(files[i]);
      readLibrary(counted, one, &seen);
      counted.close();
      if (!seen.isLibrary()) throw NotALibraryError(files[i]);
      contents.bytes += counted.bytes();
      table.appendLibrary(std::move(one), SourceLibrary{nicknames[i], files[i], LengthUnit::None});
      ++contents.libraryCount;
    } catch (const IoError& e) {
      contents.failures.push_back({files[i], e.what()});
    }
    if (control != nullptr && control->progress) {
      control->progress(i + 1, files.size(), contents.bytes);
    }
  }
  table.SortByName();
  table.MoveFirst();
  table.prepareFilter();
  std::stable_sort(contents.failures.begin(), contents.failures.end(),
                   [](const LibraryFailure& a, const LibraryFailure& b) { return a.path < b.path; });
  return contents;
}

bool commitLibrarySet(LibrarySetContents& contents, ModuleTable& table) {
  if (contents.cancelled) return false;
  NotificationSuspension pause(table);
  table.replaceContent(std::move(*contents.table));
  table.MoveFirst();
  return true;
}

}  // namespace trevak
