// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "library/module_items.h"

namespace trevak {

/// Something the writer left out of a footprint or changed in it, for the export's report.
struct KicadModNote {
  enum class Kind {
    LineNotUnderstood,  ///< a body line no item holds; `detail` is the line
    PadSkipped,  ///< a pad KiCad cannot read (unknown shape letter, a length past its range),
                 ///< drops (a size of 0), or whose Sh line could not be read; `detail` says which
    PadNameCut,         ///< a pad name longer than KiCad keeps (49 bytes), cut as KiCad cuts it
  };
  Kind kind = Kind::LineNotUnderstood;
  std::string detail;
  int line = 0;  ///< 1-based body line, 0 when none applies
};

/// A module name as KiCad writes it in a footprint's file name and inside the file: bytes that
/// are not UTF-8 read as Latin-1, and `\ / : " < > |` written as `%5c %2f %3a %22 %3c %3e %7c`.
std::string kicadFootprintName(std::string_view moduleName);

/// Bytes as UTF-8: valid UTF-8 stays as it is, anything else is read as Latin-1.
std::string utf8FromLegacyBytes(std::string_view bytes);

/// The text of one `.kicad_mod` file (KiCad 6 format, version 20211014, LF line ends, C
/// locale) for a module named `footprintName` (already as kicadFootprintName gives it) whose
/// body was parsed into `items`. Lengths are written in millimetres with up to six decimals,
/// exactly; angles in degrees. Items come in the order texts, drawings, pads, 3D models, each in
/// body order. Lines not understood and pads that cannot be written are added to `notes` (one
/// note per line kind and reason), and everything else is written.
///
/// Where KiCad 6's own conversion loses information, the file keeps it: 3D offsets are turned
/// from inches into millimetres, polygons are filled, a through-hole pad with a zero drill gets
/// `(drill 0)`, a zero text thickness `(thickness 0)`, and text that is not UTF-8 is read as
/// Latin-1.
std::string writeKicadMod(std::string_view footprintName, const ModuleItems& items,
                          std::vector<KicadModNote>& notes);

/// `text` appended to `out` as a quoted s-expression string, escaped as KiCad's reader expects
/// (quote, backslash, line feed and carriage return).
void appendKicadQuoted(std::string& out, std::string_view text);

}  // namespace trevak
