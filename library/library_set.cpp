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
#include "library/pretty_library.h"

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
  if (hasPrettySuffix(fileName) && fileName.size() > 7) {
    return fileName.substr(0, fileName.size() - 7);
  }
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
    const std::string name = it->path().filename().string();
    if (hasPrettySuffix(name) && it->is_directory(entryError) && !entryError) {
      files.push_back(it->path().string());  // one library: its files are its footprints
      it.disable_recursion_pending();
    } else {
      const bool regular = it->is_regular_file(entryError);
      if (!entryError && regular && hasModSuffix(name)) files.push_back(it->path().string());
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
    if (!source.empty() && fs::is_directory(source, ec) &&
        libraryKindOf(source) != LibraryKind::PrettyFolder) {
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
  for (const std::string& p : paths) {
    parts.push_back(components(p));
    // A footprint file of a .pretty folder is named for the folder, as KiCad names it.
    std::vector<std::string>& c = parts.back();
    if (c.size() >= 2 && hasKicadModSuffix(c.back()) && hasPrettySuffix(c[c.size() - 2])) {
      c.pop_back();
    } else if (!c.empty() && hasKicadModSuffix(c.back())) {
      c.back() = prettyNickname(c.back());
    }
  }
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

namespace {

// Reads one library of a set into `contents`: a legacy file, a `.pretty` folder or a
// `.kicad_mod` file.
void readOneLibrary(const std::string& path, const std::string& nickname,
                    LibrarySetContents& contents) {
  ModuleTable& table = *contents.table;
  const LibraryKind kind = libraryKindOf(path);
  if (formatOf(kind) == ModuleFormat::KicadMod) {
    PrettyLibraryContents pretty;
    readPrettyLibrary(path, pretty);
    for (LibraryFailure& f : pretty.failures) contents.failures.push_back(std::move(f));
    for (LibraryFailure& f : pretty.nameMismatches) contents.nameMismatches.push_back(std::move(f));
    // A folder none of whose footprints could be read is no library; an empty one is.
    if (pretty.table.totalCount() == 0 && !pretty.files.empty()) return;
    if (pretty.table.totalCount() == 0 && kind == LibraryKind::KicadModFile) return;
    contents.bytes += pretty.bytes;
    table.appendLibrary(std::move(pretty.table),
                        SourceLibrary{nickname, path, LengthUnit::Millimetre, ModuleFormat::KicadMod});
    ++contents.libraryCount;
    return;
  }
  ModuleTable one;
  try {
    FileByteSource source(path);
    CountingByteSource counted(source);
    // A file in the folder that is no library (a picture, an empty file) is listed with
    // the others that failed, as a single file would be refused.
    LoadWarnings seen;
    seen.start(path);
    readLibrary(counted, one, &seen);
    counted.close();
    if (!seen.isLibrary()) throw NotALibraryError(path);
    contents.bytes += counted.bytes();
    table.appendLibrary(std::move(one), SourceLibrary{nickname, path, LengthUnit::None});
    ++contents.libraryCount;
  } catch (const IoError& e) {
    contents.failures.push_back({path, e.what()});
  }
}

LibrarySetContents readLibraries(std::vector<LibraryFailure> failures,
                                 const std::vector<std::string>& files,
                                 const std::vector<std::string>& nicknames, LoadControl* control) {
  LibrarySetContents contents;
  contents.failures = std::move(failures);
  ModuleTable& table = *contents.table;
  NotificationSuspension pause(table);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (control != nullptr && control->cancel.load(std::memory_order_relaxed)) {
      contents.cancelled = true;
      return contents;
    }
    readOneLibrary(files[i], nicknames[i], contents);
    if (control != nullptr && control->progress) {
      control->progress(i + 1, files.size(), contents.bytes);
    }
  }
  table.SortByName();
  table.MoveFirst();
  table.prepareFilter();
  const auto byPath = [](const LibraryFailure& a, const LibraryFailure& b) { return a.path < b.path; };
  std::stable_sort(contents.failures.begin(), contents.failures.end(), byPath);
  std::stable_sort(contents.nameMismatches.begin(), contents.nameMismatches.end(), byPath);
  return contents;
}

}  // namespace

LibrarySetContents readLibrarySet(const std::vector<std::string>& sources, LoadControl* control) {
  std::vector<LibraryFailure> failures;
  const std::vector<std::string> files = expandLibrarySources(sources, failures);
  return readLibraries(std::move(failures), files, libraryNicknames(files), control);
}

LibrarySetContents readNamedLibraries(const std::vector<NamedLibrary>& libraries,
                                      LoadControl* control) {
  std::vector<std::string> files;
  files.reserve(libraries.size());
  for (const NamedLibrary& l : libraries) files.push_back(l.path);
  std::vector<std::string> nicknames = libraryNicknames(files);
  for (std::size_t i = 0; i < libraries.size(); ++i) {
    if (!libraries[i].nickname.empty()) nicknames[i] = libraries[i].nickname;
  }
  return readLibraries({}, files, nicknames, control);
}

bool commitLibrarySet(LibrarySetContents& contents, ModuleTable& table) {
  if (contents.cancelled) return false;
  NotificationSuspension pause(table);
  table.replaceContent(std::move(*contents.table));
  table.MoveFirst();
  return true;
}

}  // namespace trevak
