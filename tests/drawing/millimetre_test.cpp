// SPDX-License-Identifier: GPL-3.0-or-later
// Millimetre libraries drawn at their true size: each length in whole 1/10000 inch before the
// drawing's rules apply.
#include <gtest/gtest.h>

#include <QImage>
#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/preview.h"
#include "drawing_fixture.h"
#include "library/body_lines.h"
#include "library/length_units.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak {
namespace {

namespace fs = std::filesystem;

using test::DrawingTest;
using test::kGreen;

// One pane of its own: a drawing state that lives from drawing to drawing, as the window's does.
class Pane {
 public:
  Pane() {
    m_state.imagem_trabalho = &m_work;
    m_state.imagem_destino = &m_picture;
  }

  QImage draw(const std::vector<std::string_view>& lines, LengthUnit unit, bool texts = true,
              int escala = 100) {
    m_state.escala = escala;
    redesenhar(m_state, lines, texts, unit);
    return paneImage(m_picture);
  }

  QImage draw(std::string_view body, LengthUnit unit, bool texts = true, int escala = 100) {
    return draw(splitBodyLines(body), unit, texts, escala);
  }

  const estado_desenho& state() const { return m_state; }

 private:
  Surface m_work;
  PanePicture m_picture;
  estado_desenho m_state;
};

// A module written in both units by hand, every length a whole number of 1/10000 inch.
struct Pair {
  const char* label;
  std::vector<std::string_view> millimetres;
  std::vector<std::string_view> decimils;
};

void PrintTo(const Pair& p, std::ostream* os) { *os << p.label; }

class HandConverted : public ::testing::TestWithParam<Pair> {};

TEST_P(HandConverted, MillimetresDrawLikeTheirDecimils) {
  for (const int escala : {40, 100, 210}) {
    Pane mm;
    Pane decimil;
    const QImage expected = decimil.draw(GetParam().decimils, LengthUnit::Decimil, true, escala);
    const QImage actual = mm.draw(GetParam().millimetres, LengthUnit::Millimetre, true, escala);
    ASSERT_FALSE(expected.isNull());
    EXPECT_EQ(actual.size(), expected.size()) << "escala " << escala;
    EXPECT_TRUE(actual == expected) << "escala " << escala;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modules, HandConverted,
    ::testing::Values(
        Pair{"BusConnector",
             {"Po 56.515 236.22 0 15 00200000 00000000 ~~", "Li BUS_PC",
              "T0 1.27 -6.985 1.524 1.524 0 0.3048 N V 21 N \"BUS-PC\"",
              "DS 40.64 3.81 -40.64 3.81 0.3048 21", "DS -40.64 3.81 -40.64 -5.08 0.3048 21",
              "$PAD", "Sh \"1\" R 1.778 7.62 0 0 0", "Dr 0 0 0", "At CONN N 00400001", "Ne 0 \"\"",
              "Po 38.1 0", "$EndPAD", "$PAD", "Sh \"2\" R 1.778 7.62 0 0 0", "Dr 0 0 0",
              "At CONN N 00400001", "Ne 0 \"\"", "Po 35.56 0", "$EndPAD"},
             {"Po 22250 93000 0 15 00200000 00000000 ~~", "Li BUS_PC",
              "T0 500 -2750 600 600 0 120 N V 21 N \"BUS-PC\"", "DS 16000 1500 -16000 1500 120 21",
              "DS -16000 1500 -16000 -2000 120 21", "$PAD", "Sh \"1\" R 700 3000 0 0 0", "Dr 0 0 0",
              "At CONN N 00400001", "Ne 0 \"\"", "Po 15000 0", "$EndPAD", "$PAD",
              "Sh \"2\" R 700 3000 0 0 0", "Dr 0 0 0", "At CONN N 00400001", "Ne 0 \"\"",
              "Po 14000 0", "$EndPAD"}},
        Pair{"RoundAndOvalPads",
             {"$PAD", "Sh \"1\" C 1.524 1.524 0 0 0", "Dr 0.8128 0 0", "At STD N 00E0FFFF",
              "Po -1.27 0", "$EndPAD", "$PAD", "Sh \"2\" O 1.524 3.048 0 0 900",
              "Dr 0.8128 0 0 O 0.8128 1.524", "At STD N 00E0FFFF", "Po 1.27 -0.635", "$EndPAD"},
             {"$PAD", "Sh \"1\" C 600 600 0 0 0", "Dr 320 0 0", "At STD N 00E0FFFF", "Po -500 0",
              "$EndPAD", "$PAD", "Sh \"2\" O 600 1200 0 0 900", "Dr 320 0 0 O 320 600",
              "At STD N 00E0FFFF", "Po 500 -250", "$EndPAD"}},
        Pair{"CirclesArcsAndTexts",
             {"DC 0 0 2.54 0 0.254 21", "DC 0 0 0.762 0 0.254 21", "DA 0 0 2.54 0 900 0.254 21",
              "DA -1.27 1.27 0 -1.27 -900 0.254 21",
              "T1 -2.54 2.54 1.016 1.016 0 0.1524 N V 21 N \"VAL\"",
              "T2 0 -3.81 1.016 1.016 900 0.1524 N V 21 N \"25.4 mm\""},
             {"DC 0 0 1000 0 100 21", "DC 0 0 300 0 100 21", "DA 0 0 1000 0 900 100 21",
              "DA -500 500 0 -500 -900 100 21", "T1 -1000 1000 400 400 0 60 N V 21 N \"VAL\"",
              "T2 0 -1500 400 400 900 60 N V 21 N \"25.4 mm\""}},
        // The lines of a 3D shape keep their inches: they are never drawn anyway.
        Pair{"ThreeDimensionalShape",
             {"$PAD", "Sh \"1\" R 2.54 2.54 0 0 0", "At SMD N 00888000", "Po 0 2.54", "$EndPAD",
              "$SHAPE3D", "Na \"r.wrl\"", "Sc 1 1 1", "Of 0 0.1 0", "Ro 0 0 0", "$EndSHAPE3D"},
             {"$PAD", "Sh \"1\" R 1000 1000 0 0 0", "At SMD N 00888000", "Po 0 1000", "$EndPAD",
              "$SHAPE3D", "Na \"r.wrl\"", "Sc 1 1 1", "Of 0 0.1 0", "Ro 0 0 0", "$EndSHAPE3D"}}),
    [](const auto& p) { return std::string(p.param.label); });

using MillimetreRedraw = DrawingTest;

// The pad rules run on the converted values: a centre of 0 becomes 10, one that rounds to 0
// does too, and one of half a unit does not.
TEST_F(MillimetreRedraw, PadFieldsHoldWholeDecimils) {
  redesenhar(st,
             {"$PAD", "Sh \"1\" R 1.524 0.762 0 0 900", "Dr 0.8128 0 0", "Po -1.27 0", "$EndPAD"},
             false, LengthUnit::Millimetre);
  EXPECT_EQ(st.pad_tam_x, 600);
  EXPECT_EQ(st.pad_tam_y, 300);
  EXPECT_EQ(st.pad_orientacao, 900);  // an angle, never converted
  EXPECT_EQ(st.pad_furo, 320);
  EXPECT_EQ(st.pad_pos_x, -500);
  EXPECT_EQ(st.pad_pos_y, 10);
  redesenhar(st, {"$PAD", "Po 0.001 0.00127", "$EndPAD"}, false, LengthUnit::Millimetre);
  EXPECT_EQ(st.pad_pos_x, 10);
  EXPECT_EQ(st.pad_pos_y, 1);
}

TEST_F(MillimetreRedraw, WithoutTheUnitAMillimetreModuleIsASpeck) {
  const std::vector<std::string_view> lines = {"$PAD", "Sh \"1\" R 25.4 25.4 0 0 0",
                                               "At STD N 00E0FFFF", "Po 0 0", "$EndPAD"};
  redesenhar(st, lines, false);  // the lines as they are: 25.4 reads as 25 units
  EXPECT_EQ(pane.width, 100);
  // 10000 units, from -4990 to 5010 (a centre of 0 is 10), at 115 units a pixel.
  redesenhar(st, lines, false, LengthUnit::Millimetre);
  EXPECT_EQ(st.xmin, 175);
  EXPECT_EQ(st.xmax, 261);
  EXPECT_EQ(pane.width, 186);
  EXPECT_EQ(pane.height, 186);
  EXPECT_EQ(at(176, 176), kGreen);
  EXPECT_EQ(at(260, 260), kGreen);
}

TEST_F(MillimetreRedraw, DecimilAndNoUnitDrawTheLinesAsTheyAre) {
  for (const LengthUnit unit : {LengthUnit::Decimil, LengthUnit::None}) {
    redesenhar(st, {"$PAD", "Sh \"1\" R 600 600 0 0 0", "Po 1.5 0", "$EndPAD"}, false, unit);
    EXPECT_EQ(st.pad_tam_x, 600);
    EXPECT_EQ(st.pad_pos_x, 1.5);
  }
}

// --- the corpus ---------------------------------------------------------------------------------

const fs::path kCorpus = TREVAK_CORPUS_DIR;

// The libraries of the corpus that say "Units mm" (the corpus test checks each file's unit
// against the manifest).
constexpr const char* kMillimetreLibraries[] = {
    "basickeyboard/KEYBOARD_SWITCHES.mod",
    "basickeyboard/MECHANICAL.mod",
    "basickeyboard/USB.mod",
    "buddiesjewel/BuddiesJewel.mod",
    "develorn/IDC_CONNECTORS.mod",
    "develorn/lqfp.mod",
    "develorn/tech-thing.mod",
    "dogbot/QFP50P900X900X120-49N.mod",
    "dogbot/SON-8.mod",
    "freetronics/freetronics_kicad_pcb_lib.mod",
    "hackrf/hackrf.mod",
    "keyboard-pcbs/CHERRY_PCB_200H.mod",
    "keyboard-pcbs/Panasonic Slim Board Interconnects.mod",
    "keyboard-pcbs/gh32.mod",
    "keyboard-pcbs/mtl.mod",
    "keyboard-pcbs/pad.mod",
    "keyboard-pcbs/usb_ports.mod",
    "kicad-official-2013/connect.mod",
    "kicad-official-2013/libcms.mod",
    "kicad-official-2013/rf.mod",
    "kicad-official-2013/supports.mod",
    "maplehd/RMC.mod",
    "maplehd/RMC_arduino.mod",
    "maplehd/RMC_protoboard.mod",
    "maplehd/opendous.mod",
    "walter-2015/w_capacitors.mod",
    "walter-2015/w_conn_df12.mod",
    "walter-2015/w_logo.mod",
    "walter-2015/w_pin_strip.mod",
    "walter-2015/w_smd_bga.mod",
    "walter-2015/w_smd_leds.mod",
    "walter-2015/w_smd_strip.mod",
    "zynqpcb/48258-0001.mod",
    "zynqpcb/6N137S.mod",
    "zynqpcb/CYUSB3014-BZXCT_DFTCUSTOM.mod",
    "zynqpcb/PJ-102A.mod",
};
static_assert(std::size(kMillimetreLibraries) == 36);

std::unique_ptr<ModuleTable> loadCorpusFile(const std::string& relative) {
  const fs::path path = kCorpus / relative;
  if (!fs::is_regular_file(path)) {
    ADD_FAILURE() << "the corpus of real libraries is missing: " << path;
    return nullptr;
  }
  auto table = std::make_unique<ModuleTable>();
  loadLibraryFile(path.string(), *table);
  return table;
}

class MillimetreCorpus : public ::testing::TestWithParam<const char*> {};

// Drawn from its millimetres, each module gives the picture of the same module converted to
// 1/10000 inch, size and pixels, in a pane that goes from module to module.
TEST_P(MillimetreCorpus, EveryModuleDrawsLikeItsDecimilCopy) {
  const std::unique_ptr<ModuleTable> table = loadCorpusFile(GetParam());
  ASSERT_TRUE(table);
  ASSERT_EQ(table->unit(), LengthUnit::Millimetre);
  ASSERT_FALSE(table->IsEmpty());
  Pane mm;
  Pane decimil;
  for (int row = 0; row < table->RecordCount(); ++row) {
    const ModuleRecord& module = table->recordAt(row);
    const std::string body = module.Comandos.value_or("");
    const std::string converted =
        convertBodyLengths(body, LengthUnit::Millimetre, LengthUnit::Decimil);
    const QImage expected = decimil.draw(converted, LengthUnit::Decimil);
    const QImage actual = mm.draw(body, LengthUnit::Millimetre);
    ASSERT_EQ(actual.size(), expected.size()) << module.nome_Componente.value_or("");
    ASSERT_TRUE(actual == expected) << module.nome_Componente.value_or("");
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, MillimetreCorpus, ::testing::ValuesIn(kMillimetreLibraries),
                         [](const auto& p) {
                           std::string name = p.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// KiCad's own connectors as shipped in 1/10000 inch (2010) and in millimetres (2013): every
// module that kept its shape draws exactly as before. BUSPCI gained pads in between.
TEST(MillimetreKiCadLibrary, ConnectorsDrawAsBeforeTheirConversion) {
  const std::unique_ptr<ModuleTable> before = loadCorpusFile("kicad-official-2010/connect.mod");
  const std::unique_ptr<ModuleTable> after = loadCorpusFile("kicad-official-2013/connect.mod");
  ASSERT_TRUE(before && after);
  ASSERT_EQ(before->unit(), LengthUnit::Decimil);
  ASSERT_EQ(after->unit(), LengthUnit::Millimetre);
  std::map<std::string, std::string> old;
  for (int row = 0; row < before->RecordCount(); ++row) {
    old[before->recordAt(row).nome_Componente.value()] = before->recordAt(row).Comandos.value();
  }
  int compared = 0;
  Pane then;
  Pane now;
  for (int row = 0; row < after->RecordCount(); ++row) {
    const std::string& name = after->recordAt(row).nome_Componente.value();
    const auto found = old.find(name);
    if (found == old.end() || name == "BUSPCI") continue;
    const QImage expected = then.draw(found->second, LengthUnit::Decimil, false);
    const QImage actual =
        now.draw(after->recordAt(row).Comandos.value(), LengthUnit::Millimetre, false);
    EXPECT_EQ(actual.size(), expected.size()) << name;
    EXPECT_TRUE(actual == expected) << name;
    ++compared;
  }
  EXPECT_EQ(compared, 84);
}

}  // namespace
}  // namespace trevak
