// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "library/module_table.h"

namespace trevak {

/// One length rewritten from `from` into `to`. Millimetres become whole 1/10000 inch (value x
/// 10000 / 25.4, rounded to nearest, halves away from zero); 1/10000 inch becomes millimetres
/// exactly (1/10000 inch is 0.00254 mm), with no more decimals than needed and never an exponent.
/// Zero is written "0", without a sign.
///
/// `number` must be a plain decimal number in the C locale: an optional sign, digits with an
/// optional "." fraction (".5" and "5." count) and an optional exponent ("e" or "E", optional
/// sign, digits), nothing before or after it. Anything else (empty text, "1,5", "1.2.3", "12ab",
/// "0x10", "inf"), and numbers too large for a length (more than about 10^17 units), give
/// nullopt. When the units are equal, or either is LengthUnit::None, the text comes back as it is
/// (if it is a number).
std::optional<std::string> convertLength(std::string_view number, LengthUnit from, LengthUnit to);

/// Rewrites the length fields of a module's body lines from one unit into the other, line by
/// line in body order, changing nothing else: every other character of a line, blanks, TABs
/// and quotes included, stays byte for byte, and a field that is not a plain decimal number
/// (see convertLength) is left as it is.
///
/// The length fields, by keyword (fields numbered as separa_tokens numbers them, the keyword
/// being field 1): `Po` 2-3; `T`n (any keyword starting with T) 2-5 and 7; `DS`, `DC` 2-6; `DA`,
/// `DP` 2-5 and 7; `Dl` 2-3; `Sh` 4-7; `Dr` 2-4, and 6-7 when field 5 is "O"; `Le` 2;
/// `.SolderMask`, `.SolderPaste`, `.LocalClearance`, `.ThermalWidth`, `.ThermalGap` 2. The lines
/// of a `$SHAPE3D` ... `$EndSHAPE3D` block are never converted: their unit is the inch in both
/// kinds of library.
///
/// Keywords are matched ignoring the case of a to z, and a TAB separates fields as a blank does.
/// That converts every field that either reader of a line takes as a length: the drawing
/// ignores case in its keywords ("ds" is drawn as a segment), and KiCad separates fields at any
/// white space. Converting a line that one of them skips changes nothing for it. The text of a
/// quoted field is converted inside its quotes.
class LengthFieldConverter {
 public:
  /// Converts from `from` into `to`; nothing changes when they are equal or either is None.
  LengthFieldConverter(LengthUnit from, LengthUnit to);

  /// The next body line (without its terminator) with its length fields converted. Returns
  /// `text` itself when nothing changes, otherwise a view of a buffer that the next call reuses.
  std::string_view line(std::string_view text);

  /// False when this converter leaves every line as it is.
  bool converts() const { return m_converts; }

 private:
  LengthUnit m_from;
  LengthUnit m_to;
  bool m_converts;
  bool m_inShape3d = false;
  std::string m_buffer;
};

/// A whole module body converted line by line (see LengthFieldConverter). Lines end at CR, CR
/// LF or LF, and every line end is kept as it is, as is a last line without one.
std::string convertBodyLengths(std::string_view body, LengthUnit from, LengthUnit to);

}  // namespace trevak
