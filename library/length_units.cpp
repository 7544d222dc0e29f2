// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/length_units.h"

#include <array>
#include <cstdint>
#include <initializer_list>

namespace trevak {

namespace {

// A plain decimal number taken apart exactly: value = digits x 10^exponent. Working on the
// digits keeps the conversions exact and free of any locale.
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading or trailing zeros; empty for zero
  long exponent = 0;
};

// Exponents beyond this are clamped while reading; they are far outside any length anyway.
constexpr long kExponentClamp = 1'000'000;
// The largest number of digits a converted length may have: 10^20 / 254 still fits 64 bits.
constexpr std::size_t kMaxDigits = 20;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<Decimal> parseDecimal(std::string_view s) {
  Decimal d;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    d.negative = s[i] == '-';
    ++i;
  }
  std::string digits;
  std::size_t mantissaDigits = 0;
  long fractionDigits = 0;
  for (; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits) digits.push_back(s[i]);
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits, ++fractionDigits) {
      digits.push_back(s[i]);
    }
  }
  if (mantissaDigits == 0) return std::nullopt;
  long exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      negativeExponent = s[i] == '-';
      ++i;
    }
    const std::size_t first = i;
    for (; i < s.size() && isDigit(s[i]); ++i) {
      if (exponent < kExponentClamp) exponent = exponent * 10 + (s[i] - '0');
    }
    if (i == first) return std::nullopt;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != s.size()) return std::nullopt;

  const std::size_t lead = digits.find_first_not_of('0');
  if (lead == std::string::npos) return d;  // zero, whatever its sign
  const std::size_t last = digits.find_last_not_of('0');
  d.digits = digits.substr(lead, last + 1 - lead);
  d.exponent = exponent - fractionDigits + static_cast<long>(digits.size() - 1 - last);
  return d;
}

std::string withSign(bool negative, std::string magnitude) {
  if (negative && magnitude != "0") magnitude.insert(magnitude.begin(), '-');
  return magnitude;
}

// decimils = digits x 10^(exponent + 5) / 254, rounded to nearest, halves away from zero. The
// quotient is taken with one decimal more, whose digit decides the rounding exactly.
std::optional<std::string> millimetresToDecimils(const Decimal& d) {
  if (d.digits.empty()) return "0";
  const long shift = d.exponent + 6;
  std::string scaled;
  if (shift >= 0) {
    if (d.digits.size() + static_cast<std::size_t>(shift) > kMaxDigits) return std::nullopt;
    scaled = d.digits + std::string(static_cast<std::size_t>(shift), '0');
  } else {
    // floor(floor(n / 10^k) / 254) = floor(n / (10^k x 254)): the dropped digits cannot matter.
    const auto drop = static_cast<std::size_t>(-shift);
    if (drop >= d.digits.size()) return "0";
    scaled = d.digits.substr(0, d.digits.size() - drop);
    if (scaled.size() > kMaxDigits) return std::nullopt;
  }
  std::uint64_t quotient = 0;
  unsigned remainder = 0;
  for (const char c : scaled) {
    const unsigned current = remainder * 10 + static_cast<unsigned>(c - '0');
    quotient = quotient * 10 + current / 254;
    remainder = current % 254;
  }
  const std::uint64_t rounded = quotient / 10 + (quotient % 10 >= 5 ? 1 : 0);
  return withSign(d.negative, std::to_string(rounded));
}

// millimetres = digits x 254 x 10^(exponent - 5), written out in full.
std::optional<std::string> decimilsToMillimetres(const Decimal& d) {
  if (d.digits.empty()) return "0";
  const long point = d.exponent - 5;
  if (d.digits.size() > kMaxDigits || point > static_cast<long>(kMaxDigits) ||
      point < -static_cast<long>(2 * kMaxDigits)) {
    return std::nullopt;
  }
  std::string product;
  unsigned carry = 0;
  for (auto it = d.digits.rbegin(); it != d.digits.rend(); ++it) {
    const unsigned v = static_cast<unsigned>(*it - '0') * 254 + carry;
    product.insert(product.begin(), static_cast<char>('0' + v % 10));
    carry = v / 10;
  }
  for (; carry != 0; carry /= 10)
    product.insert(product.begin(), static_cast<char>('0' + carry % 10));

  std::string text;
  if (point >= 0) {
    text = product + std::string(static_cast<std::size_t>(point), '0');
  } else {
    const auto decimals = static_cast<std::size_t>(-point);
    if (product.size() <= decimals) product.insert(0, decimals - product.size() + 1, '0');
    text = product.substr(0, product.size() - decimals) + "." +
           product.substr(product.size() - decimals);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return withSign(d.negative, std::move(text));
}

// Which fields of a line are lengths: bit k stands for field k (2 to 7).
using FieldSet = std::uint8_t;

constexpr FieldSet fieldSet(std::initializer_list<int> fields) {
  FieldSet set = 0;
  for (const int k : fields) set = static_cast<FieldSet>(set | (1u << k));
  return set;
}

constexpr int kLastLengthField = 7;

struct KeywordLengths {
  std::string_view keyword;  // as KiCad writes it; matched ignoring case
  FieldSet lengths;
};

constexpr KeywordLengths kLengthFields[] = {
    {"Po", fieldSet({2, 3})},
    {"DS", fieldSet({2, 3, 4, 5, 6})},
    {"DC", fieldSet({2, 3, 4, 5, 6})},
    {"DA", fieldSet({2, 3, 4, 5, 7})},
    {"DP", fieldSet({2, 3, 4, 5, 7})},
    {"Dl", fieldSet({2, 3})},
    {"Sh", fieldSet({4, 5, 6, 7})},
    {"Dr", fieldSet({2, 3, 4})},
    {"Le", fieldSet({2})},
    {".SolderMask", fieldSet({2})},
    {".SolderPaste", fieldSet({2})},
    {".LocalClearance", fieldSet({2})},
    {".ThermalWidth", fieldSet({2})},
    {".ThermalGap", fieldSet({2})},
};
// Texts (T0, T1, T2, ...): position, size, width; field 6 is the orientation.
constexpr FieldSet kTextLengths = fieldSet({2, 3, 4, 5, 7});
// An oval drill ("Dr 0.8 0 0 O 1.2 0.8") has its two sizes after the "O".
constexpr FieldSet kOvalDrillLengths = fieldSet({6, 7});

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  }
  return true;
}

FieldSet lengthFieldsOf(std::string_view keyword, std::string_view field5) {
  if (!keyword.empty() && upperAscii(keyword.front()) == 'T') return kTextLengths;
  for (const KeywordLengths& entry : kLengthFields) {
    if (!equalsIgnoringCase(keyword, entry.keyword)) continue;
    if (entry.keyword == "Dr" && field5 == "O") {
      return static_cast<FieldSet>(entry.lengths | kOvalDrillLengths);
    }
    return entry.lengths;
  }
  return 0;
}

struct Span {
  std::size_t begin = 0;
  std::size_t size = 0;
};
using FieldSpans = std::array<Span, kLastLengthField + 1>;  // [0] unused

// The first fields of a line, split as separa_tokens splits it, except that a TAB separates
// like a blank. Each span covers the text the tokenizer gives the field: for a quoted field,
// what stands inside the quotes, so that rewriting it keeps them. Returns the number found.
int splitFields(std::string_view line, FieldSpans& fields) {
  enum class State { Between, InField, InQuotes };
  State state = State::Between;
  int n = 0;
  std::size_t start = 0;
  auto store = [&](std::size_t end) {
    fields[static_cast<std::size_t>(++n)] = {start, end - start};
  };
  for (std::size_t i = 0; i < line.size() && n < kLastLengthField; ++i) {
    const char c = line[i];
    const bool separator = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    const bool quote = c == '"';
    switch (state) {
      case State::Between:
        if (quote) {
          start = i + 1;
          state = State::InQuotes;
        } else if (!separator) {
          start = i;
          state = State::InField;
        }
        break;
      case State::InField:
        if (separator) {
          store(i);
          state = State::Between;
        } else if (quote) {
          store(i);
          start = i + 1;
          state = State::InQuotes;
        }
        break;
      case State::InQuotes:
        if (quote) {
          store(i);
          state = State::Between;
        }
        break;
    }
  }
  if (n < kLastLengthField && state != State::Between) store(line.size());
  return n;
}

}  // namespace

std::optional<std::string> convertLength(std::string_view number, LengthUnit from, LengthUnit to) {
  const std::optional<Decimal> value = parseDecimal(number);
  if (!value) return std::nullopt;
  if (from == to || from == LengthUnit::None || to == LengthUnit::None) return std::string(number);
  return from == LengthUnit::Millimetre ? millimetresToDecimils(*value)
                                        : decimilsToMillimetres(*value);
}

LengthFieldConverter::LengthFieldConverter(LengthUnit from, LengthUnit to)
    : m_from(from),
      m_to(to),
      m_converts(from != to && from != LengthUnit::None && to != LengthUnit::None) {}

std::string_view LengthFieldConverter::line(std::string_view text) {
  if (!m_converts) return text;
  FieldSpans fields;
  const int n = splitFields(text, fields);
  if (n == 0) return text;
  auto field = [&](int k) {
    const Span& s = fields[static_cast<std::size_t>(k)];
    return k <= n ? text.substr(s.begin, s.size) : std::string_view();
  };
  const std::string_view keyword = field(1);
  if (m_inShape3d) {
    if (equalsIgnoringCase(keyword, "$EndSHAPE3D")) m_inShape3d = false;
    return text;
  }
  if (equalsIgnoringCase(keyword, "$SHAPE3D")) {
    m_inShape3d = true;
    return text;
  }
  const FieldSet lengths = lengthFieldsOf(keyword, field(5));
  if (lengths == 0) return text;

  m_buffer.clear();
  std::size_t copied = 0;
  bool changed = false;
  for (int k = 2; k <= n; ++k) {
    if ((lengths & (1u << k)) == 0) continue;
    const std::optional<std::string> converted = convertLength(field(k), m_from, m_to);
    if (!converted) continue;  // not a number: left exactly as it is
    const Span& s = fields[static_cast<std::size_t>(k)];
    m_buffer.append(text.substr(copied, s.begin - copied));
    m_buffer.append(*converted);
    copied = s.begin + s.size;
    changed = true;
  }
  if (!changed) return text;
  m_buffer.append(text.substr(copied));
  return m_buffer;
}

std::string convertBodyLengths(std::string_view body, LengthUnit from, LengthUnit to) {
  LengthFieldConverter converter(from, to);
  if (!converter.converts()) return std::string(body);
  std::string out;
  out.reserve(body.size() + body.size() / 4);
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t end = body.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = body.size();
    out.append(converter.line(body.substr(start, end - start)));
    std::size_t next = end;
    if (next < body.size()) {
      next += (body[next] == '\r' && next + 1 < body.size() && body[next + 1] == '\n') ? 2 : 1;
    }
    out.append(body.substr(end, next - end));
    start = next;
  }
  return out;
}

}  // namespace trevak
