// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "library/module_items.h"

namespace trevak {

/// The newest `(version N)` of a footprint file this reader knows (KiCad 10).
inline constexpr int kNewestKicadModVersion = 20260206;

/// What a loader needs of a .kicad_mod file without the whole model: validated whole.
struct KicadModSummary {
  std::string name;         ///< `(footprint NAME` or `(module NAME`, escapes resolved
  int version = 0;          ///< `(version N)`; 0 for KiCad 5 (no version)
  std::string description;  ///< `(descr ...)`, empty when absent
  std::string tags;         ///< `(tags ...)`, empty when absent
  bool ok = false;          ///< false: `error` says why, at `line` and `column`
  std::string error;
  int line = 0, column = 0;
  /// True when the file is refused only for coming from a KiCad newer than this reader
  /// (`error` is then "feito por um KiCad mais novo (versão N)", for users).
  bool tooNew = false;
};

/// Reads the summary of a footprint file. The whole text is tokenized and its parentheses
/// balanced: a file that is not one well-formed `(footprint ...)` or `(module ...)` list
/// (with nothing but blanks after it), or whose version is not a whole number or is newer
/// than kNewestKicadModVersion, is not ok. Messages are English, except for the newer-KiCad
/// refusal, which goes to users as it is.
KicadModSummary summarizeKicadMod(std::string_view text);

/// What parseKicadMod learnt of a file beside its items.
struct KicadModInfo {
  std::string name;  ///< the footprint's name
  int version = 0;   ///< 0 for KiCad 5
  bool ok = false;   ///< false: `error`, at `line` and `column`, says why; `items` are empty
  std::string error;
  int line = 0, column = 0;
  bool tooNew = false;  ///< refused for a version newer than kNewestKicadModVersion
};

/// Reads a whole footprint file of any dialect (KiCad 5 to 10) into `items` (cleared first),
/// one function per item kind. Lengths in nanometres, y down, angles in tenths of a degree as
/// in the legacy items; layers by KiCad's names (`layerName`, `layerNames`). Zones and groups
/// are kept as their text in `keptItems`; a token no reader knows is skipped whole and its
/// head listed once in `unknownTokens` (and the rest of the file read). A file that does not
/// parse, or comes from a newer KiCad, is not ok and leaves `items` empty.
KicadModInfo parseKicadMod(std::string_view text, ModuleItems& items);

/// The user's text for a footprint file from a newer KiCad.
std::string newerKicadMessage(long long version);

}  // namespace trevak
