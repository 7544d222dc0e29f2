// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace trevak::bench {

/// What a generated library looks like.
struct GeneratorOptions {
  std::uint64_t seed = 1;
  int modules = 1000;
  bool crlf = true;               ///< CR LF line ends; LF alone otherwise
  bool millimetres = false;       ///< write "Units mm" and decimal millimetre lengths
  int padsPerModule = 30;         ///< average; each module varies around it
  int linesPerModule = 20;        ///< average number of outline segments
  std::string namePrefix;         ///< e.g. "LIB-" to exercise the strip-prefix command
  bool namePlaceholders = false;  ///< module texts read ">NAME", for the copy-name command
};

/// Writes a realistic legacy footprint library: header, index, and modules with pads of every
/// shape and attribute, segments, arcs, circles, module and field texts. The same options give
/// the same bytes on every machine (the generator has its own random sequence).
void generateLibrary(const GeneratorOptions& options, std::ostream& out);

}  // namespace trevak::bench
