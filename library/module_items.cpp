// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/module_items.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <initializer_list>

#include "library/body_lines.h"

namespace trevak {

namespace {

// GCC and Clang both have it; the extension marker keeps -Wpedantic quiet.
__extension__ typedef __int128 Int128;

constexpr Nanometres kLengthLimit = 1'000'000'000'000'000;  // 10^15 nm: a kilometre
// Significant digits kept exactly; the rest only decide the rounding.
constexpr int kExactDigits = 30;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// KiCad's test for a line's keyword: the keyword ignoring case, then a blank or the line's end.
bool isKeyword(std::string_view line, std::string_view keyword) {
  if (line.size() < keyword.size()) return false;
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    if (lowerAscii(line[i]) != lowerAscii(keyword[i])) return false;
  }
  return line.size() == keyword.size() || isBlank(line[keyword.size()]);
}

std::string_view trimmed(std::string_view s) {
  const auto blankOrControl = [](char c) { return isBlank(c) || c == '\v' || c == '\f'; };
  while (!s.empty() && blankOrControl(s.front())) s.remove_prefix(1);
  while (!s.empty() && blankOrControl(s.back())) s.remove_suffix(1);
  return s;
}

// Blank-separated fields of a line, read one after the other.
class Fields {
 public:
  explicit Fields(std::string_view line, std::size_t pos = 0) : m_line(line), m_pos(pos) {}

  std::string_view next() {
    while (m_pos < m_line.size() && isBlank(m_line[m_pos])) ++m_pos;
    const std::size_t start = m_pos;
    while (m_pos < m_line.size() && !isBlank(m_line[m_pos])) ++m_pos;
    return m_line.substr(start, m_pos - start);
  }

  std::size_t pos() const { return m_pos; }

 private:
  std::string_view m_line;
  std::size_t m_pos;
};

// The leading whole number of a field as strtol reads it (base 10 or 16); 0 when there is none.
long longPrefix(std::string_view s, int base) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (base == 16 && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    i += 2;
  }
  unsigned long long value = 0;
  for (; i < s.size(); ++i) {
    const char c = lowerAscii(s[i]);
    int digit = -1;
    if (isDigit(c)) digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) break;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > static_cast<unsigned long long>(LONG_MAX)) {
      return negative ? LONG_MIN : LONG_MAX;
    }
  }
  const auto v = static_cast<long>(value);
  return negative ? -v : v;
}

int intPrefix(std::string_view s) {
  const long v = longPrefix(s, 10);
  // strtol's long cast to int, without the undefined part.
  return static_cast<int>(static_cast<std::uint32_t>(static_cast<unsigned long>(v)));
}

// A double read from the start of a field as strtod would, nullopt when it holds no number.
std::optional<double> doublePrefix(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (end == s.data()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) return std::nullopt;
  return v;
}

// A whole field as a finite number of tenths of a degree (or any plain real number).
std::optional<double> realField(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty() || s.front() == '+') return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<Nanometres> scaledDecimalExact(std::string_view s, Int128 numerator, int shift);

constexpr std::int64_t kPowersOfTen[] = {1,
                                         10,
                                         100,
                                         1'000,
                                         10'000,
                                         100'000,
                                         1'000'000,
                                         10'000'000,
                                         100'000'000,
                                         1'000'000'000,
                                         10'000'000'000,
                                         100'000'000'000,
                                         1'000'000'000'000,
                                         10'000'000'000'000,
                                         100'000'000'000'000,
                                         1'000'000'000'000'000};

// The decimal number of a field times `numerator` x 10^`shift`, rounded to nearest with halves
// away from zero, computed exactly from the digits. Fields as libraries write them (a sign, up
// to 15 digits, a point, no exponent) take a 64-bit path; anything else the 128-bit one.
std::optional<Nanometres> scaledDecimal(std::string_view s, Int128 numerator, int shift) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::int64_t mantissa = 0;
  int digits = 0;
  int fractionDigits = 0;
  // Digits past the 15th are counted, not taken: such a field goes the 128-bit way.
  const auto take = [&](char c) {
    if (++digits <= 15) mantissa = mantissa * 10 + (c - '0');
  };
  for (; i < s.size() && isDigit(s[i]); ++i) take(s[i]);
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && isDigit(s[i]); ++i) {
      take(s[i]);
      ++fractionDigits;
    }
  }
  // 15 digits times a numerator below 2^13 stay far inside 64 bits.
  if (i != s.size() || digits == 0 || digits > 15 || numerator >= 8192 || numerator <= 0) {
    return scaledDecimalExact(s, numerator, shift);
  }
  std::int64_t value = mantissa * static_cast<std::int64_t>(numerator);
  const int exponent = shift - fractionDigits;
  if (exponent >= 0) {
    for (int k = 0; k < exponent; ++k) {
      if (value > kLengthLimit) return std::nullopt;
      value *= 10;
    }
  } else {
    const std::int64_t divisor = kPowersOfTen[-exponent];
    value = value / divisor + (2 * (value % divisor) >= divisor ? 1 : 0);
  }
  if (value > kLengthLimit) return std::nullopt;
  return negative ? -value : value;
}

std::optional<Nanometres> scaledDecimalExact(std::string_view s, Int128 numerator, int shift) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  Int128 mantissa = 0;
  int digits = 0;
  long exponent = 0;
  std::size_t mantissaDigits = 0;
  auto take = [&](char c, bool fraction) {
    ++mantissaDigits;
    if (digits == 0 && c == '0') {
      if (fraction) --exponent;
      return;
    }
    if (digits < kExactDigits) {
      mantissa = mantissa * 10 + (c - '0');
      ++digits;
      if (fraction) --exponent;
    } else if (!fraction) {
      ++exponent;  // digits beyond the exact ones are dropped: far below a nanometre
    }
  };
  for (; i < s.size() && isDigit(s[i]); ++i) take(s[i], false);
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && isDigit(s[i]); ++i) take(s[i], true);
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    const std::size_t first = i;
    long e = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) {
      if (e < 100000) e = e * 10 + (s[i] - '0');
    }
    if (i == first) return std::nullopt;
    exponent += negativeExponent ? -e : e;
  }
  if (i != s.size()) return std::nullopt;
  if (mantissa == 0) return 0;

  exponent += shift;
  Int128 value = mantissa * numerator;
  if (exponent >= 0) {
    for (long k = 0; k < exponent; ++k) {
      value *= 10;
      if (value > kLengthLimit) return std::nullopt;
    }
  } else if (exponent < -38) {
    value = 0;
  } else {
    Int128 divisor = 1;
    for (long k = 0; k < -exponent; ++k) divisor *= 10;
    const Int128 quotient = value / divisor;
    const Int128 remainder = value % divisor;
    value = quotient + (2 * remainder >= divisor ? 1 : 0);
  }
  if (value > kLengthLimit) return std::nullopt;
  const auto nm = static_cast<Nanometres>(value);
  return negative ? -nm : nm;
}

// The quoted text starting at the first quote at or after `pos`, as KiCad's legacy reader takes
// it: \" and \\ stand for themselves, any other backslash stays; `lineEnd` is the line's own
// terminator ("\n", "\r\n"...). Returns the position after
// the closing quote (or the line's end) and writes the text into `out`; nullopt without quote.
std::optional<std::size_t> quotedText(std::string_view line, std::size_t pos, std::string& out,
                                      std::string_view lineEnd) {
  out.clear();
  std::size_t i = line.find('"', pos);
  if (i == std::string_view::npos) return std::nullopt;
  for (++i; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') return i + 1;
    if (c == '\\' && i + 1 < line.size()) {
      const char escaped = line[++i];
      if (escaped != '"' && escaped != '\\') out.push_back('\\');
      out.push_back(escaped);
    } else if (c != '\\') {
      out.push_back(c);
    }
  }
  // KiCad reads the line with its end, so an unclosed quote takes the line end in, a carriage
  // return before the line feed included.
  if (lineEnd.empty()) {
    out.push_back('\n');
  } else {
    out.append(lineEnd);
  }
  return line.size();
}

class Parser {
 public:
  Parser(std::string_view body, LengthUnit unit, ModuleItems& items, ModuleParseScope scope)
      : m_body(body),
        m_numerator(unit == LengthUnit::Millimetre ? 1 : 2540),
        m_shift(unit == LengthUnit::Millimetre ? 6 : 0),
        m_items(items),
        m_fieldsOnly(scope == ModuleParseScope::FieldsOnly) {}

  void run() {
    std::string_view line;
    while (nextLine(line)) moduleLine(line);
  }

 private:
  bool nextLine(std::string_view& line) {
    if (m_pending) {
      m_pending = false;
      line = m_pendingLine;
      return true;
    }
    if (m_pos >= m_body.size()) return false;
    // A line ends at a line feed or at a carriage return of its own.
    const char* const begin = m_body.data();
    const std::size_t end =
        static_cast<std::size_t>(findLineEnd(begin + m_pos, begin + m_body.size()) - begin);
    line = m_body.substr(m_pos, end - m_pos);
    m_pos = end;
    if (m_pos < m_body.size()) {
      const std::size_t endLength =
          (m_body[m_pos] == '\r' && m_pos + 1 < m_body.size() && m_body[m_pos + 1] == '\n') ? 2 : 1;
      m_lineEnd = m_body.substr(m_pos, endLength);
      m_pos += endLength;
    } else {
      m_lineEnd = {};
    }
    ++m_lineNumber;
    return true;
  }

  // Gives a line back, to be read again by the next nextLine.
  void pushBack(std::string_view line) {
    m_pending = true;
    m_pendingLine = line;
  }

  void unparsed(std::string_view line, UnparsedReason reason, int number = 0) {
    if (m_fieldsOnly) return;
    if (reason == UnparsedReason::UnknownKeyword && trimmed(line).empty()) return;
    m_items.unparsed.push_back({std::string(line), number != 0 ? number : m_lineNumber, reason});
  }

  std::optional<Nanometres> length(std::string_view field) const {
    return scaledDecimal(field, m_numerator, m_shift);
  }

  // Reads `count` lengths in a row into `out`; false when one is missing or not a number.
  bool lengths(Fields& fields, std::initializer_list<Nanometres*> out) const {
    for (Nanometres* target : out) {
      const std::optional<Nanometres> v = length(fields.next());
      if (!v) return false;
      *target = *v;
    }
    return true;
  }

  void moduleLine(std::string_view line) {
    if (line.size() >= 2 && lowerAscii(line[0]) == 'd' &&
        std::string_view("SCAP").find(line[1]) != std::string_view::npos) {
      if (!m_fieldsOnly) shapeLine(line);
    } else if (isKeyword(line, "$PAD")) {
      padBlock();
    } else if (!line.empty() && lowerAscii(line[0]) == 't') {
      if (!m_fieldsOnly) textLine(line);
    } else if (isKeyword(line, "Po")) {
      placementLine(line);
    } else if (isKeyword(line, "Sc")) {
      m_items.timeStamp = std::string(Fields(line, 2).next());
    } else if (isKeyword(line, "Op")) {
      Fields f(line, 2);
      PlacementCosts costs;
      costs.rotation90 = longPrefix(f.next(), 16);
      costs.rotation180 = longPrefix(f.next(), 16);
      costs.third = longPrefix(f.next(), 16);
      m_items.placementCosts = costs;
    } else if (isKeyword(line, "At")) {
      const std::string_view rest = line.substr(2);
      m_items.attribute = rest.find("SMD") != std::string_view::npos ? ModuleAttribute::Smd
                          : rest.find("VIRTUAL") != std::string_view::npos
                              ? ModuleAttribute::Virtual
                              : ModuleAttribute::Normal;
    } else if (isKeyword(line, "AR")) {
      m_items.path = std::string(Fields(line, 2).next());
    } else if (isKeyword(line, "$SHAPE3D")) {
      modelBlock();
    } else if (isKeyword(line, "Cd")) {
      m_items.description = std::string(trimmed(line.substr(2)));
    } else if (isKeyword(line, "Kw")) {
      m_items.keywords = std::string(trimmed(line.substr(2)));
    } else if (isKeyword(line, "Li")) {
      m_items.libraryName = std::string(trimmed(line.substr(2)));
    } else if (!localLine(line, m_items.local)) {
      unparsed(line, UnparsedReason::UnknownKeyword);
    }
  }

  // The `.` settings shared by modules and pads; false when the line is none of them.
  bool localLine(std::string_view line, LocalSettings& local) {
    if (line.empty() || line[0] != '.') return false;
    auto lengthLine = [&](std::string_view keyword, std::optional<Nanometres>& target) {
      if (!isKeyword(line, keyword)) return false;
      const std::optional<Nanometres> v = length(Fields(line, keyword.size()).next());
      if (v) {
        target = *v;
      } else {
        unparsed(line, UnparsedReason::BadField);
      }
      return true;
    };
    if (isKeyword(line, ".SolderPasteRatio")) {
      // atof: a field that is no number reads as 0.
      local.solderPasteRatio = doublePrefix(Fields(line, 17).next()).value_or(0.0);
      return true;
    }
    if (isKeyword(line, ".ZoneConnection")) {
      local.zoneConnection = intPrefix(Fields(line, 15).next());
      return true;
    }
    return lengthLine(".SolderPaste", local.solderPasteMargin) ||
           lengthLine(".SolderMask", local.solderMaskMargin) ||
           lengthLine(".LocalClearance", local.clearance) ||
           lengthLine(".ThermalWidth", local.thermalWidth) ||
           lengthLine(".ThermalGap", local.thermalGap);
  }

  void placementLine(std::string_view line) {
    Fields f(line, 2);
    ModulePlacement p;
    if (!lengths(f, {&p.position.x, &p.position.y})) {
      unparsed(line, UnparsedReason::BadField);
      return;
    }
    p.angle = intPrefix(f.next());
    p.layer = intPrefix(f.next());
    p.editTime = static_cast<std::uint32_t>(static_cast<unsigned long>(longPrefix(f.next(), 16)));
    p.timeStamp = std::string(f.next());
    const std::string_view flags = f.next();
    p.locked = !flags.empty() && flags[0] == 'F';
    p.placed = flags.size() > 1 && flags[1] == 'P';
    m_items.placement = std::move(p);
  }

  void textLine(std::string_view line) {
    TextItem t;
    t.line = m_lineNumber;
    // The number follows the T directly ("T0", "T12"); without digits it reads as 0 and the
    // fields start right after the T.
    std::size_t pos = 1;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    std::size_t end = pos;
    if (end < line.size() && (line[end] == '+' || line[end] == '-')) ++end;
    const std::size_t digitsStart = end;
    while (end < line.size() && isDigit(line[end])) ++end;
    if (end > digitsStart) {
      t.number = intPrefix(line.substr(pos, end - pos));
      pos = end;
    } else {
      pos = 1;
    }
    Fields f(line, pos);
    std::optional<double> angle;
    if (!lengths(f, {&t.position.x, &t.position.y, &t.height, &t.width}) ||
        !(angle = realField(f.next())) || !lengths(f, {&t.thickness})) {
      unparsed(line, UnparsedReason::BadField);
      return;
    }
    t.angle = *angle;
    if (t.thickness < 0) t.thickness = 0;
    const std::size_t afterThickness = f.pos();
    // The flags are the next four words wherever they are: when some are missing, KiCad takes
    // words of the quoted text in their place (a layer then reads as 0).
    Fields flags(line, afterThickness);
    const std::string_view mirror = flags.next();
    const std::string_view hide = flags.next();
    const std::string_view layer = flags.next();
    const std::string_view italic = flags.next();
    t.mirrored = !mirror.empty() && mirror[0] == 'M';
    t.visible = hide.empty() || hide[0] != 'I';
    if (!layer.empty()) t.layer = intPrefix(layer);
    t.italic = !italic.empty() && italic[0] == 'I';
    const std::optional<std::size_t> textEnd = quotedText(line, afterThickness, t.text, m_lineEnd);
    if (textEnd) {
      Fields justify(line, *textEnd);
      const std::string_view h = justify.next();
      const std::string_view v = justify.next();
      if (h == "L") t.horizontal = HorizontalJustify::Left;
      if (h == "R") t.horizontal = HorizontalJustify::Right;
      if (v == "T") t.vertical = VerticalJustify::Top;
      if (v == "B") t.vertical = VerticalJustify::Bottom;
    }
    m_items.texts.push_back(std::move(t));
  }

  void shapeLine(std::string_view line) {
    ShapeItem s;
    s.line = m_lineNumber;
    Fields f(line, 2);
    bool ok = true;
    switch (line[1]) {
      case 'S':
      case 'C': {
        s.kind = line[1] == 'S' ? ShapeKind::Segment : ShapeKind::Circle;
        NmPoint& first = line[1] == 'S' ? s.start : s.center;
        ok = lengths(f, {&first.x, &first.y, &s.end.x, &s.end.y, &s.width});
        break;
      }
      case 'A': {
        s.kind = ShapeKind::Arc;
        ok = lengths(f, {&s.center.x, &s.center.y, &s.start.x, &s.start.y});
        const std::optional<double> angle = ok ? realField(f.next()) : std::nullopt;
        ok = angle && lengths(f, {&s.width});
        if (ok) s.angle = *angle;
        break;
      }
      default: {  // 'P'
        s.kind = ShapeKind::Polygon;
        Nanometres unused = 0;
        ok = lengths(f, {&unused, &unused, &unused, &unused});
        const int count = ok ? intPrefix(f.next()) : 0;
        ok = ok && lengths(f, {&s.width});
        if (ok) {
          s.layer = intPrefix(f.next());
          polygonPoints(s, count, line);
          m_items.shapes.push_back(std::move(s));
        } else {
          unparsed(line, UnparsedReason::BadField);
        }
        return;
      }
    }
    if (!ok) {
      unparsed(line, UnparsedReason::BadField);
      return;
    }
    s.layer = intPrefix(f.next());
    m_items.shapes.push_back(std::move(s));
  }

  void polygonPoints(ShapeItem& s, int count, std::string_view dpLine) {
    const int dpNumber = m_lineNumber;
    if (count > 0) s.points.reserve(static_cast<std::size_t>(std::min(count, 100000)));
    std::string_view line;
    for (int k = 0; k < count; ++k) {
      if (!nextLine(line)) {
        unparsed(dpLine, UnparsedReason::MissingPoint, dpNumber);
        return;
      }
      if (!isKeyword(line, "Dl")) {
        pushBack(line);
        unparsed(dpLine, UnparsedReason::MissingPoint, dpNumber);
        return;
      }
      Fields f(line, 2);
      NmPoint p;
      if (lengths(f, {&p.x, &p.y})) {
        s.points.push_back(p);
      } else {
        unparsed(line, UnparsedReason::BadField);
      }
    }
  }

  void padBlock() {
    PadItem pad;
    pad.line = m_lineNumber;
    std::string_view line;
    while (nextLine(line)) {
      if (isKeyword(line, "$EndPAD")) {
        pad.complete = true;
        break;
      }
      if (m_fieldsOnly) continue;
      if (isKeyword(line, "Sh")) {
        padShapeLine(line, pad);
      } else if (isKeyword(line, "Dr")) {
        padDrillLine(line, pad);
      } else if (isKeyword(line, "At")) {
        Fields f(line, 2);
        const std::string_view type = f.next();
        pad.hasAttributeLine = true;
        pad.type = type == "SMD"    ? PadType::Smd
                   : type == "CONN" ? PadType::Connector
                   : type == "HOLE" ? PadType::Hole
                                    : PadType::Standard;
        f.next();
        pad.layerMask =
            static_cast<std::uint32_t>(static_cast<unsigned long>(longPrefix(f.next(), 16)));
      } else if (isKeyword(line, "Ne")) {
        Fields f(line, 2);
        pad.netCode = intPrefix(f.next());
        quotedText(line, 2, pad.netName, m_lineEnd);
      } else if (isKeyword(line, "Po")) {
        Fields f(line, 2);
        if (!lengths(f, {&pad.position.x, &pad.position.y})) {
          unparsed(line, UnparsedReason::BadField);
        }
      } else if (isKeyword(line, "Le")) {
        const std::optional<Nanometres> v = length(Fields(line, 2).next());
        if (v) {
          pad.dieLength = *v;
        } else {
          unparsed(line, UnparsedReason::BadField);
        }
      } else if (!localLine(line, pad.local)) {
        unparsed(line, UnparsedReason::UnknownKeyword);
      }
    }
    if (!m_fieldsOnly) m_items.pads.push_back(std::move(pad));
  }

  void padShapeLine(std::string_view line, PadItem& pad) {
    std::string name;
    const std::optional<std::size_t> afterName = quotedText(line, 2, name, m_lineEnd);
    if (!afterName) {
      unparsed(line, UnparsedReason::BadField);
      pad.shapeLineBad = true;
      return;
    }
    std::size_t pos = *afterName;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos >= line.size()) {
      unparsed(line, UnparsedReason::BadField);
      pad.shapeLineBad = true;
      return;
    }
    const char shape = line[pos];
    Fields f(line, pos + 1);
    NmPoint size;
    NmPoint delta;
    std::optional<double> angle;
    if (!lengths(f, {&size.x, &size.y, &delta.x, &delta.y}) || !(angle = realField(f.next()))) {
      unparsed(line, UnparsedReason::BadField);
      pad.shapeLineBad = true;
      return;
    }
    pad.shapeLineBad = false;
    pad.name = std::move(name);
    pad.shape = shape;
    pad.size = size;
    pad.delta = delta;
    pad.angle = *angle;
  }

  void padDrillLine(std::string_view line, PadItem& pad) {
    Fields f(line, 2);
    Nanometres diameter = 0;
    NmPoint offset;
    if (!lengths(f, {&diameter, &offset.x, &offset.y})) {
      unparsed(line, UnparsedReason::BadField);
      return;
    }
    NmPoint drill{diameter, diameter};
    const std::string_view drillShape = f.next();
    const bool oval = !drillShape.empty() && drillShape[0] == 'O';
    if (oval && !lengths(f, {&drill.x, &drill.y})) {
      unparsed(line, UnparsedReason::BadField);
      return;
    }
    pad.hasDrillLine = true;
    pad.drill = drill;
    pad.ovalDrill = oval;
    pad.drillOffset = offset;
  }

  void modelBlock() {
    Model3dItem model;
    model.line = m_lineNumber;
    std::string_view line;
    while (nextLine(line)) {
      if (isKeyword(line, "$EndSHAPE3D")) {
        model.complete = true;
        break;
      }
      if (m_fieldsOnly) continue;
      if (isKeyword(line, "Na")) {
        quotedText(line, 2, model.fileName, m_lineEnd);
      } else if (isKeyword(line, "Sc")) {
        readTriple(line, model.scale);
      } else if (isKeyword(line, "Ro")) {
        readTriple(line, model.rotation);
      } else if (isKeyword(line, "Of")) {
        // Inches in every library, millimetre ones included: 1 inch is 25,400,000 nm.
        Fields f(line, 2);
        for (Nanometres& v : model.offset) {
          const std::optional<Nanometres> nm = scaledDecimal(f.next(), 254, 5);
          if (!nm) break;
          v = *nm;
        }
      } else {
        unparsed(line, UnparsedReason::UnknownKeyword);
      }
    }
    if (!m_fieldsOnly) m_items.models.push_back(std::move(model));
  }

  // As sscanf("%lf %lf %lf") fills them: up to the first field that is not a number.
  static void readTriple(std::string_view line, std::array<double, 3>& out) {
    Fields f(line, 2);
    for (double& v : out) {
      const std::optional<double> d = realField(f.next());
      if (!d) return;
      v = *d;
    }
  }

  std::string_view m_body;
  std::size_t m_pos = 0;
  int m_lineNumber = 0;
  bool m_pending = false;
  std::string_view m_pendingLine;
  std::string_view m_lineEnd;  // the terminator of the line last read
  Int128 m_numerator;
  int m_shift;
  ModuleItems& m_items;
  bool m_fieldsOnly;
};

}  // namespace

void ModuleItems::clear() {
  placement.reset();
  libraryName.reset();
  description.reset();
  keywords.reset();
  timeStamp.reset();
  path.reset();
  placementCosts.reset();
  attribute.reset();
  local = LocalSettings{};
  texts.clear();
  shapes.clear();
  pads.clear();
  models.clear();
  unparsed.clear();
  attributes.clear();
  layerName.clear();
  keptItems.clear();
  unknownTokens.clear();
}

void parseModuleItems(std::string_view body, LengthUnit unit, ModuleItems& items,
                      ModuleParseScope scope) {
  items.clear();
  Parser(body, unit, items, scope).run();
}

ModuleItems parseModuleItems(std::string_view body, LengthUnit unit, ModuleParseScope scope) {
  ModuleItems items;
  parseModuleItems(body, unit, items, scope);
  return items;
}

std::optional<Nanometres> parseLengthField(std::string_view text, LengthUnit unit) {
  return unit == LengthUnit::Millimetre ? scaledDecimal(text, 1, 6) : scaledDecimal(text, 2540, 0);
}

}  // namespace trevak
