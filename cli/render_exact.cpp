// SPDX-License-Identifier: GPL-3.0-or-later
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <QSvgGenerator>
#include <QThread>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/library_source.h"
#include "library/ordered_workers.h"
#include "cli/render_files.h"
#include "cli/render_support.h"
#include "drawing/exact_footprint.h"
#include "drawing/exact_renderer.h"
#include "library/io_error.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak::cli {

namespace {

constexpr const char* kExactUsage =
    "usage: trevak-cli render LIB.mod NAME --exact -o OUT.png|OUT.svg [--size PX]\n"
    "                  [--layers LIST] [--no-pad-numbers] [--hidden-texts]\n"
    "       trevak-cli render LIB.mod --all --exact -o FOLDER [--svg] [--size PX] ...\n"
    "       trevak-cli render LIB.mod NAME|--all --exact --print-extent [--size PX] ...\n";

constexpr int kDefaultSize = 512;

struct ExactOptions {
  std::string library;
  std::string name;
  std::string output;
  bool all = false;
  bool svg = false;
  bool printExtent = false;
  int size = kDefaultSize;
  exact::Options drawing;
};

std::optional<int> parseSize(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (text.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  if (value < 16 || value > 16384) return std::nullopt;
  return value;
}

bool endsWithNoCase(const std::string& text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = text[text.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

std::optional<ExactOptions> parseArgs(const Args& args, std::ostream& err) {
  ExactOptions o;
  std::vector<std::string> positional;
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
    if (a == "-o" || a == "--output" || a == "--size" || a == "--layers") {
      if (i + 1 == args.size()) {
        err << "trevak-cli: render: " << a << " needs a value\n" << kExactUsage;
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (a == "-o" || a == "--output") {
        o.output = value;
      } else if (a == "--size") {
        const auto size = parseSize(value);
        if (!size) {
          err << "trevak-cli: render: size '" << value << "' is not a picture size (16 to 16384)\n";
          return std::nullopt;
        }
        o.size = *size;
      } else {
        std::string unknown;
        const auto layers = exact::parseLayerList(value, &unknown);
        if (!layers) {
          err << "trevak-cli: render: unknown layer '" << unknown
              << "' (KiCad names: F.Cu, B.Cu, In1.Cu, F.SilkS, B.Mask, F.Paste, Dwgs.User, "
                 "Edge.Cuts, *.Cu ...)\n";
          return std::nullopt;
        }
        o.drawing.layers = *layers;
      }
    } else if (a == "--exact") {
    } else if (a == "--all") {
      o.all = true;
    } else if (a == "--svg") {
      o.svg = true;
    } else if (a == "--print-extent") {
      o.printExtent = true;
    } else if (a == "--no-pad-numbers") {
      o.drawing.padNumbers = false;
    } else if (a == "--hidden-texts") {
      o.drawing.hiddenTexts = true;
    } else if (a.size() > 1 && a.front() == '-') {
      err << "trevak-cli: render: unknown option '" << a << "'\n" << kExactUsage;
      return std::nullopt;
    } else {
      positional.push_back(a);
    }
  }
  const std::size_t wanted = o.all ? 1 : 2;
  const bool outputOk = o.printExtent ? o.output.empty() : !o.output.empty();
  if (positional.size() != wanted || !outputOk) {
    err << kExactUsage;
    return std::nullopt;
  }
  o.library = positional[0];
  if (!o.all) {
    o.name = positional[1];
    if (!o.printExtent) o.svg = endsWithNoCase(o.output, ".svg");
    if (!o.printExtent && !o.svg && !endsWithNoCase(o.output, ".png")) {
      err << "trevak-cli: render: " << o.output << ": the name must end in .png or .svg\n";
      return std::nullopt;
    }
  }
  return o;
}

/// A module of a folder's set is in its own library's unit.
LengthUnit unitOf(const ModuleTable& table, const ModuleRecord& record) {
  const SourceLibrary* library = table.libraryOf(record);
  return library != nullptr && library->unit != LengthUnit::None ? library->unit : table.unit();
}

exact::ExactDrawing drawingOf(const ModuleTable& table, int row, const exact::Options& options) {
  const ModuleRecord& record = table.recordAt(row);
  const std::string body = record.Comandos.value_or(std::string());
  return exact::ExactDrawing(exact::footprintFromBody(body, unitOf(table, record), record.format), options);
}

/// Writes the bytes to `path`. A file already there is replaced through a file beside it that
/// is forced to disk and renamed over it, so a failure never leaves it half-written; a new
/// file is written in place (a thousand forced writes were most of `--all`), and removed
/// again if the write fails.
bool writeFile(const QByteArray& data, const std::string& path, std::ostream& err) {
  if (data.isEmpty()) {  // the encoder ran out of memory
    err << "trevak-cli: " << path << ": the picture could not be encoded\n";
    return false;
  }
  const QString name = QFile::decodeName(path.c_str());
  QFile fresh(name);
  if (fresh.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
    const bool written = fresh.write(data) == data.size() && fresh.flush();
    fresh.close();
    if (written && fresh.error() == QFileDevice::NoError) return true;
    err << "trevak-cli: " << path << ": " << fresh.errorString().toStdString() << '\n';
    fresh.remove();
    return false;
  }
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
    err << "trevak-cli: " << path << ": " << file.errorString().toStdString() << '\n';
    return false;
  }
  return true;
}

QByteArray svgBytes(const exact::ExactDrawing& drawing, int size, const std::string& title) {
  QTransform t;
  const QSize picture = exact::pictureSizeFor(drawing, size, &t);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(picture);
  // The width and height given in millimetres are the footprint's true size, so the picture
  // goes into a document at 1:1.
  const double dpi = t.m11() * 25.4e6;
  if (!drawing.extent().isNull() && dpi >= 1 && dpi < 1e9) {
    svg.setResolution(static_cast<int>(std::lround(dpi)));
  }
  svg.setViewBox(QRect(QPoint(0, 0), picture));
  svg.setTitle(QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size())));
  svg.setDescription(QStringLiteral("trevak-cli render --exact"));
  QPainter painter(&svg);
  painter.fillRect(QRect(QPoint(0, 0), picture), Qt::white);
  drawing.paint(painter, t);
  painter.end();
  return data;
}

/// One line per module: its name, the box of its pads and drawings (texts left out) in nm, and
/// how many nm one pixel spans at the picture size.
void printExtent(const exact::ExactDrawing& drawing, const std::string& name, int size,
                 std::ostream& out) {
  QTransform t;
  exact::pictureSizeFor(drawing, size, &t);
  const QRectF e = drawing.itemExtent();
  const double nmPerPixel = drawing.extent().isNull() || t.m11() == 0 ? 0 : 1.0 / t.m11();
  out << name << '\t';
  if (e.isNull()) {
    out << "-\t-\t-\t-";
  } else {
    out << std::llround(e.left()) << '\t' << std::llround(e.top()) << '\t'
        << std::llround(e.right()) << '\t' << std::llround(e.bottom());
  }
  out << '\t' << std::llround(nmPerPixel) << '\n';
}

int renderOne(const ExactOptions& o, ModuleTable& table, std::ostream& out, std::ostream& err) {
  if (!locateOrReport(table, o.library, o.name, "render", err)) return 1;
  const int row = table.currentIndex();
  const exact::ExactDrawing drawing = drawingOf(table, row, o.drawing);
  const std::string name = table.recordAt(row).nome_Componente.value_or("");
  if (o.printExtent) {
    printExtent(drawing, name, o.size, out);
    return out ? 0 : 2;
  }
  const QByteArray data =
      o.svg ? svgBytes(drawing, o.size, name) : exact::renderPng(drawing, o.size);
  return writeFile(data, o.output, err) ? 0 : 2;
}

int renderAll(const ExactOptions& o, const ModuleTable& table, std::ostream& out,
              std::ostream& err) {
  if (o.printExtent) {
    for (int row = 0; row < table.RecordCount(); ++row) {
      printExtent(drawingOf(table, row, o.drawing),
                  table.recordAt(row).nome_Componente.value_or(""), o.size, out);
    }
    return out ? 0 : 2;
  }
  const QString folder = QFile::decodeName(o.output.c_str());
  if (!QDir().mkpath(folder)) {
    err << "trevak-cli: " << o.output << ": cannot create the folder\n";
    return 2;
  }
  const QString suffix = o.svg ? QStringLiteral(".svg") : QStringLiteral(".png");
  // What the workers need is taken from the table here, so they never touch it.
  struct Job {
    std::string body;
    LengthUnit unit;
    ModuleFormat format;
    std::string name;
    std::string path;
  };
  std::vector<Job> jobs;
  jobs.reserve(static_cast<std::size_t>(table.RecordCount()));
  RenderFileNames names(suffix);
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& record = table.recordAt(row);
    const std::string name = record.nome_Componente.value_or("");
    const QString file = names.next(name);
    jobs.push_back({record.Comandos.value_or(std::string()), unitOf(table, record), record.format, name,
                    QFile::encodeName(QDir(folder).filePath(file)).toStdString()});
  }
  // Modules are drawn and encoded on every core while this thread writes the files in the
  // table's order; a picture's bytes do not depend on the thread that made them.
  const auto produce = [&](std::size_t i) -> QByteArray {
    const Job& job = jobs[i];
    try {
      const exact::ExactDrawing drawing(exact::footprintFromBody(job.body, job.unit, job.format), o.drawing);
      return o.svg ? svgBytes(drawing, o.size, job.name) : exact::renderPng(drawing, o.size);
    } catch (const std::bad_alloc&) {
      return {};  // reported as a picture that could not be encoded
    }
  };
  bool refused = false;
  const auto consume = [&](std::size_t i, QByteArray data) {
    const PictureWrite written = writePictureInFolder(data, jobs[i].path, err);
    if (written == PictureWrite::Failed) return false;
    if (written == PictureWrite::Refused) {
      refused = true;
      return true;
    }
    out << jobs[i].path << '\n';
    return true;
  };
  const int threads = std::max(QThread::idealThreadCount(), 1);
  if (!consumeInOrder<QByteArray>(jobs.size(), threads, 4 * static_cast<std::size_t>(threads),
                                  produce, consume)) {
    return 2;
  }
  if (!out) return 2;
  return refused ? 1 : 0;
}

}  // namespace

int cmdRenderExact(const Args& args, std::ostream& out, std::ostream& err) {
  const std::optional<ExactOptions> options = parseArgs(args, err);
  if (!options) return 2;
  const std::unique_ptr<QGuiApplication> app = ensureGuiApplication();
  ModuleTable table;
  std::size_t unread = 0;
  if (!loadSourceLibrary(options->library, table, err, &unread)) return 2;
  return statusWithUnread(options->all ? renderAll(*options, table, out, err)
                                       : renderOne(*options, table, out, err),
                          unread, "render", err);
}

}  // namespace trevak::cli
