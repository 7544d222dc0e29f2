// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A `.pretty` folder holding one real footprint of each KiCad dialect (5 to 10), copied from the
// shared corpus, plus a file that breaks off in the middle, a file from a future KiCad and a
// file that is no footprint. Tests of every layer read it.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace trevak::test {

/// One footprint of the mixed folder: its file (relative to the shared corpus-pretty folder),
/// the name inside it and the dialect it is written in.
struct MixedFootprint {
  const char* source;
  const char* name;
  const char* dialect;
};

inline const std::vector<MixedFootprint>& mixedFootprints() {
  static const std::vector<MixedFootprint> all = {
      {"kicad-5.1.12/Crystal.pretty/Crystal_AT310_D3.0mm_L10.0mm_Horizontal.kicad_mod",
       "Crystal_AT310_D3.0mm_L10.0mm_Horizontal", "KiCad 5"},
      {"kicad-7.0.11/MountingHole.pretty/MountingHole_2.7mm_M2.5_ISO7380_Pad.kicad_mod",
       "MountingHole_2.7mm_M2.5_ISO7380_Pad", "20211014"},
      {"kicad-7.0.11/MountingHole.pretty/MountingHole_4mm_Pad_Via.kicad_mod",
       "MountingHole_4mm_Pad_Via", "20221018"},
      {"kicad-8.0.0/MountingHole.pretty/MountingHole_2.1mm.kicad_mod", "MountingHole_2.1mm",
       "20240108"},
      {"kicad-9.0.9/Button_Switch_SMD.pretty/"
       "SW_DIP_SPSTx02_Slide_6.7x6.64mm_W6.73mm_P2.54mm_LowProfile_JPin.kicad_mod",
       "SW_DIP_SPSTx02_Slide_6.7x6.64mm_W6.73mm_P2.54mm_LowProfile_JPin", "20241229"},
      {"kicad-10.0.5/Connector_PCBEdge.pretty/"
       "Samtec_MECF-20-02-NP-L-DV_2x20_P1.27mm_Socket_Horizontal.kicad_mod",
       "Samtec_MECF-20-02-NP-L-DV_2x20_P1.27mm_Socket_Horizontal", "20260206"},
  };
  return all;
}

inline const char* kBrokenFootprintFile = "Broken.kicad_mod";
inline const char* kFutureFootprintFile = "Future.kicad_mod";

/// Builds `folder` (a path ending in ".pretty", created here). Returns an empty text when it
/// was built, otherwise why not (the shared corpus missing), for the test to fail with.
inline std::string buildMixedPretty(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  const fs::path corpus = TREVAK_CORPUS_PRETTY_DIR;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return "cannot make " + folder.string() + ": " + ec.message();
  for (const MixedFootprint& f : mixedFootprints()) {
    const fs::path from = corpus / f.source;
    if (!fs::is_regular_file(from)) {
      return "the shared footprint corpus is missing " + from.string() +
             " (see shared/corpus-pretty/PROVENANCE.md)";
    }
    fs::copy_file(from, folder / from.filename(), fs::copy_options::overwrite_existing, ec);
    if (ec) return "cannot copy " + from.string() + ": " + ec.message();
  }
  // A real footprint cut off in the middle of its pads.
  std::ifstream in(corpus / mixedFootprints()[1].source, std::ios::binary);
  std::stringstream whole;
  whole << in.rdbuf();
  const std::string text = whole.str();
  std::ofstream(folder / kBrokenFootprintFile, std::ios::binary)
      << text.substr(0, text.find("(pad"))
      << "(pad \"1\" thru_hole circle (at 0 0) (size 5.6 5.6";
  std::ofstream(folder / kFutureFootprintFile, std::ios::binary)
      << "(footprint \"Future\" (version 20991231) (generator \"pcbnew\")\n"
         "  (layer \"F.Cu\")\n  (hyperspace_pads yes)\n)\n";
  std::ofstream(folder / "README.md", std::ios::binary) << "not a footprint\n";
  return {};
}

}  // namespace trevak::test
