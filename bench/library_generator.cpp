// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/library_generator.h"

#include <array>
#include <cstdio>
#include <vector>

namespace trevak::bench {

namespace {

/// splitmix64: small, fast and identical everywhere, unlike the standard distributions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  /// Uniform in [lo, hi].
  long range(long lo, long hi) {
    return lo + static_cast<long>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }

 private:
  std::uint64_t m_state;
};

class Writer {
 public:
  Writer(std::ostream& out, const GeneratorOptions& o) : m_out(out), m_opts(o) {}

  void line(const std::string& text) { m_out << text << (m_opts.crlf ? "\r\n" : "\n"); }

  /// A length in the library's unit, from decimils.
  std::string len(long decimils) const {
    if (!m_opts.millimetres) return std::to_string(decimils);
    // 1 decimil is 0.00254 mm; print with up to 5 decimals, no trailing zeros, C locale.
    const long hundredThousandths = decimils * 254;  // in 1e-5 mm
    const bool negative = hundredThousandths < 0;
    const long a = negative ? -hundredThousandths : hundredThousandths;
    std::string s = std::to_string(a / 100000);
    long frac = a % 100000;
    if (frac != 0) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%05ld", frac);
      std::string f(buf);
      while (!f.empty() && f.back() == '0') f.pop_back();
      s += "." + f;
    }
    return negative ? "-" + s : s;
  }

 private:
  std::ostream& m_out;
  const GeneratorOptions& m_opts;
};

std::string moduleName(const GeneratorOptions& o, Random& rnd, int index) {
  static constexpr std::array<const char*, 12> kFamilies = {
      "DIP",    "SO",        "SOT23", "QFP", "TO220", "R_0805",
      "C_0603", "PIN_ARRAY", "LED",   "BGA", "CONN",  "XTAL"};
  std::string name = o.namePrefix;
  name += kFamilies[static_cast<std::size_t>(rnd.range(0, kFamilies.size() - 1))];
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about "-" + std::string.
  name.push_back('-');
  name.append(std::to_string(rnd.range(1, 64)));
  name.push_back('_');
  name.append(std::to_string(index));
  // Some lower-case names, so that the sort is exercised case-blind.
  if (rnd.range(0, 9) == 0) {
    for (char& c : name) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return name.substr(0, 60);
}

void writeModule(Writer& w, const GeneratorOptions& o, Random& rnd, const std::string& name) {
  static constexpr std::array<const char*, 4> kShapes = {"C", "R", "O", "T"};
  static constexpr std::array<const char*, 5> kAttributes = {"STD", "SMD", "CONN", "HOLE", "MECA"};

  w.line("$MODULE " + name);
  w.line("Po 0 0 0 15 4C2B1A00 00000000 ~~");
  w.line("Li " + name);
  w.line("Cd generated footprint " + name);
  w.line("Kw DEV");
  w.line("Sc 00000000");
  w.line("Op 0 0 0");
  w.line("T0 " + w.len(0) + " " + w.len(-rnd.range(300, 1500)) + " " + w.len(600) + " " +
         w.len(600) + " 0 " + w.len(120) + " N V 21 N \"" + (o.namePlaceholders ? ">NAME" : name) +
         "\"");
  w.line("T1 " + w.len(0) + " " + w.len(rnd.range(300, 1500)) + " " + w.len(600) + " " +
         w.len(600) + " 0 " + w.len(120) + " N V 21 N \"VAL***\"");
  const int lines = static_cast<int>(rnd.range(o.linesPerModule / 2, o.linesPerModule * 3 / 2));
  for (int i = 0; i < lines; ++i) {
    w.line("DS " + w.len(rnd.range(-3000, 3000)) + " " + w.len(rnd.range(-3000, 3000)) + " " +
           w.len(rnd.range(-3000, 3000)) + " " + w.len(rnd.range(-3000, 3000)) + " " +
           w.len(rnd.range(50, 150)) + " 21");
  }
  w.line("DC " + w.len(0) + " " + w.len(0) + " " + w.len(rnd.range(500, 2500)) + " " + w.len(0) +
         " " + w.len(80) + " 21");
  w.line("DA " + w.len(0) + " " + w.len(0) + " " + w.len(rnd.range(500, 2500)) + " " + w.len(0) +
         " " + std::to_string(rnd.range(1, 36) * 100) + " " + w.len(80) + " 21");
  const int pads = static_cast<int>(rnd.range(o.padsPerModule / 2, o.padsPerModule * 3 / 2));
  for (int i = 0; i < pads; ++i) {
    const char* shape = kShapes[static_cast<std::size_t>(rnd.range(0, kShapes.size() - 1))];
    const char* attr = kAttributes[static_cast<std::size_t>(rnd.range(0, kAttributes.size() - 1))];
    const long sx = rnd.range(200, 1200);
    const long sy = rnd.range(200, 1200);
    const long orient = rnd.range(0, 3) * 900;
    w.line("$PAD");
    w.line("Sh \"" + std::to_string(i + 1) + "\" " + shape + " " + w.len(sx) + " " + w.len(sy) +
           " 0 0 " + std::to_string(orient));
    if (rnd.range(0, 4) == 0) {
      w.line("Dr " + w.len(rnd.range(100, 400)) + " 0 0 O " + w.len(rnd.range(100, 400)) + " " +
             w.len(rnd.range(100, 400)));
    } else {
      w.line("Dr " + w.len(std::string(attr) == "SMD" ? 0 : rnd.range(100, 400)) + " 0 0");
    }
    w.line(std::string("At ") + attr + " N 00E0FFFF");
    w.line("Ne 0 \"\"");
    w.line("Po " + w.len(rnd.range(-3000, 3000)) + " " + w.len(rnd.range(-3000, 3000)));
    w.line("$EndPAD");
  }
  w.line("$SHAPE3D");
  w.line("Na \"generated/" + name + ".wrl\"");
  w.line("Sc 1.000000 1.000000 1.000000");
  w.line("Of 0.000000 0.000000 0.000000");
  w.line("Ro 0.000000 0.000000 0.000000");
  w.line("$EndSHAPE3D");
  w.line("$EndMODULE  " + name);
}

}  // namespace

void generateLibrary(const GeneratorOptions& options, std::ostream& out) {
  Writer w(out, options);
  Random rnd(options.seed);
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(options.modules));
  for (int i = 0; i < options.modules; ++i) names.push_back(moduleName(options, rnd, i));

  w.line("PCBNEW-LibModule-V1  01/01/2026-00:00:00");
  if (options.millimetres) w.line("# encoding utf-8");
  if (options.millimetres) w.line("Units mm");
  w.line("$INDEX");
  for (const std::string& n : names) w.line(n);
  w.line("$EndINDEX");
  for (const std::string& n : names) writeModule(w, options, rnd, n);
  w.line("$EndLIBRARY");
}

}  // namespace trevak::bench
