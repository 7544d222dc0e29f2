// SPDX-License-Identifier: GPL-3.0-or-later
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <QStringDecoder>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/render_files.h"
#include "cli/render_support.h"
#include "cli/library_source.h"
#include "drawing/drawing_state.h"
#include "drawing/preview.h"
#include "library/body_lines.h"
#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak::cli {

namespace {

constexpr const char* kRenderUsage =
    "usage: trevak-cli render LIB.mod NAME -o OUT.png [--scale N] [--texts]\n"
    "       trevak-cli render LIB.mod --all -o FOLDER [--scale N] [--texts]\n";

struct RenderOptions {
  std::string library;
  std::string name;
  std::string output;
  bool all = false;
  bool texts = false;
  int scale = 100;
};

/// The pane scales the zoom buttons reach: 40 to 210 in steps of 10.
std::optional<int> parseScale(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (text.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  if (value < 40 || value > 210 || value % 10 != 0) return std::nullopt;
  return value;
}

/// Parses the arguments; on a usage error writes it and returns nullopt.
std::optional<RenderOptions> parseArgs(const Args& args, std::ostream& err) {
  RenderOptions o;
  std::vector<std::string> positional;
  bool haveOutput = false;
  bool operandsOnly = false;  // after "--", a name may start with '-'
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (operandsOnly) {
      positional.push_back(a);
      continue;
    }
    if (a == "--") {
      operandsOnly = true;
      continue;
    }
    if (a == "-o" || a == "--output" || a == "--scale") {
      if (i + 1 == args.size()) {
        err << "trevak-cli: render: " << a << " needs a value\n" << kRenderUsage;
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (a != "--scale") {
        o.output = value;
        haveOutput = true;
      } else if (const auto scale = parseScale(value)) {
        o.scale = *scale;
      } else {
        err << "trevak-cli: render: scale '" << value
            << "' is not a pane scale: use 40, 50, ..., 210 (steps of 10)\n";
        return std::nullopt;
      }
    } else if (a == "--texts") {
      o.texts = true;
    } else if (a == "--all") {
      o.all = true;
    } else if (a.size() > 1 && a.front() == '-') {
      err << "trevak-cli: render: unknown option '" << a << "'\n" << kRenderUsage;
      return std::nullopt;
    } else {
      positional.push_back(a);
    }
  }
  const std::size_t wanted = o.all ? 1 : 2;
  if (positional.size() != wanted || !haveOutput || o.output.empty()) {
    err << kRenderUsage;
    return std::nullopt;
  }
  o.library = positional[0];
  if (!o.all) o.name = positional[1];
  return o;
}

/// The search pane of a freshly started window: one drawing state carried from drawing to
/// drawing, as the window's own is.
class SearchPane {
 public:
  SearchPane(const ModuleTable& table, bool texts) : m_table(table), m_texts(texts) {
    m_state.imagem_trabalho = &m_work;
  }

  /// Loading the library draws its first module at the start scale; the zoom buttons then
  /// redraw it at each scale on the way to `scale`.
  void loadAndZoom(int scale) {
    draw(0);
    while (m_state.escala_pesquisa != scale) {
      m_state.escala_pesquisa += m_state.escala_pesquisa < scale ? 10 : -10;
      draw(0);
    }
  }

  /// Selecting another module in the grid redraws the pane.
  void select(int row) {
    if (row != m_current) draw(row);
  }

  QImage shown() const { return paneImage(m_image3); }

 private:
  void draw(int row) {
    m_current = row;
    m_state.imagem_destino = &m_image3;
    m_state.escala = m_state.escala_pesquisa;
    const ModuleRecord& record = m_table.recordAt(row);
    const std::string body = record.Comandos.value_or(std::string());
    const SourceLibrary* library = m_table.libraryOf(record);
    redesenhar(m_state, splitBodyLines(body), m_texts,
               library != nullptr ? library->unit : m_table.unit());
  }

  const ModuleTable& m_table;
  bool m_texts;
  Surface m_work;
  PanePicture m_image3;
  estado_desenho m_state;
  int m_current = -1;
};

QString pathFromBytes(const std::string& path) { return QFile::decodeName(path.c_str()); }

/// Writes the picture as a PNG of its size; a pane showing nothing gives one white pixel.
// The PNG bytes of a picture; an empty picture is one white pixel.
QByteArray pngBytes(QImage image) {
  if (image.isNull()) {
    image = QImage(1, 1, QImage::Format_RGB32);
    image.fill(kWhite);
  }
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  return writer.write(image) ? data : QByteArray();
}

bool writePicture(QImage image, const std::string& path, std::ostream& err) {
  if (image.isNull()) {
    image = QImage(1, 1, QImage::Format_RGB32);
    image.fill(kWhite);
  }
  QImageWriter writer(pathFromBytes(path), "png");
  if (!writer.write(image)) {
    err << "trevak-cli: " << path << ": " << writer.errorString().toStdString() << '\n';
    return false;
  }
  return true;
}

int renderOne(const RenderOptions& o, ModuleTable& table, std::ostream& err) {
  if (!locateOrReport(table, o.library, o.name, "render", err)) return 1;
  const int row = table.currentIndex();
  SearchPane pane(table, o.texts);
  pane.loadAndZoom(o.scale);
  pane.select(row);
  return writePicture(pane.shown(), o.output, err) ? 0 : 2;
}

int renderAll(const RenderOptions& o, const ModuleTable& table, std::ostream& out,
              std::ostream& err) {
  const QString folder = pathFromBytes(o.output);
  if (!QDir().mkpath(folder)) {
    err << "trevak-cli: " << o.output << ": cannot create the folder\n";
    return 2;
  }
  if (table.IsEmpty()) return 0;
  SearchPane pane(table, o.texts);
  pane.loadAndZoom(o.scale);
  RenderFileNames names(QStringLiteral(".png"));
  bool refused = false;
  for (int row = 0; row < table.RecordCount(); ++row) {
    pane.select(row);
    const QString file = names.next(table.recordAt(row).nome_Componente.value_or(""));
    const std::string path = QFile::encodeName(QDir(folder).filePath(file)).toStdString();
    const PictureWrite written = writePictureInFolder(pngBytes(pane.shown()), path, err);
    if (written == PictureWrite::Failed) return 2;
    if (written == PictureWrite::Refused) {
      refused = true;
      continue;
    }
    out << path << '\n';
  }
  if (!out) return 2;
  return refused ? 1 : 0;
}

}  // namespace

std::unique_ptr<QGuiApplication> ensureGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return nullptr;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "trevak-cli";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

QString safeFileStem(const std::string& name) {
  // UTF-8 when the bytes are UTF-8 (KiCad's own names), else Latin-1 as the window shows them.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
  if (utf8.hasError()) text = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  for (QChar& c : text) {
    const char16_t u = c.unicode();
    const bool unsafe = u < 0x20 || (u >= 0x7f && u < 0xa0) ||
                        (u < 0x80 && std::string_view("/\\:*?\"<>|").find(static_cast<char>(u)) !=
                                         std::string_view::npos);
    if (unsafe) c = QLatin1Char('_');
  }
  if (text.isEmpty()) text = QStringLiteral("_");
  return text;
}

int cmdRender(const Args& args, std::ostream& out, std::ostream& err) {
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--exact") return cmdRenderExact(args, out, err);
  }
  const std::optional<RenderOptions> options = parseArgs(args, err);
  if (!options) return 2;
  const std::unique_ptr<QGuiApplication> app = ensureGuiApplication();

  ModuleTable table;
  std::size_t unread = 0;
  if (!loadSourceLibrary(options->library, table, err, &unread)) return 2;
  // The sketch reads legacy body lines only: footprints of .kicad_mod files are drawn exactly.
  for (const SourceLibrary& library : table.libraries()) {
    if (library.format != ModuleFormat::KicadMod) continue;
    err << "trevak-cli: render: drawing the exact drawing, since the sketch reads legacy .mod "
           "libraries only\n";
    Args exactArgs;
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (args[i] == "--") {
        exactArgs.insert(exactArgs.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
        break;
      }
      if (args[i] == "--scale") {
        ++i;  // the exact drawing is sized in pixels instead
      } else if (args[i] != "--texts") {
        exactArgs.push_back(args[i]);
      }
    }
    exactArgs.insert(exactArgs.begin(), "--exact");
    return cmdRenderExact(exactArgs, out, err);
  }
  return statusWithUnread(
      options->all ? renderAll(*options, table, out, err) : renderOne(*options, table, err), unread,
      "render", err);
}

}  // namespace trevak::cli
