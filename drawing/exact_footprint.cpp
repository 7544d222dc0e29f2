// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/exact_footprint.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

#include "library/body_lines.h"

namespace trevak::exact {

namespace {

// A stand-in reader of the body lines, until the library's parser of module bodies takes
// its place: only the fields the drawing needs, read as KiCad's legacy reader reads them.

/// The fields of a line: split at blanks and TABs; a double-quoted field is one field
/// (without its quotes) even when it touches the field before it ("N\"text\"").
struct Fields {
  std::vector<std::string_view> words;
  std::vector<bool> quoted;
  std::string_view at(std::size_t k) const { return k < words.size() ? words[k] : ""; }
};

Fields splitFields(std::string_view line) {
  Fields f;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '"') {
      const std::size_t end = line.find('"', i + 1);
      const std::size_t stop = end == std::string_view::npos ? line.size() : end;
      f.words.push_back(line.substr(i + 1, stop - i - 1));
      f.quoted.push_back(true);
      i = stop + 1;
    } else {
      std::size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '"') ++j;
      f.words.push_back(line.substr(i, j - i));
      f.quoted.push_back(false);
      i = j;
    }
  }
  return f;
}

double readNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || !std::isfinite(v)) return 0;
  return v;
}

class Reader {
 public:
  explicit Reader(LengthUnit unit) : m_nmPerUnit(unit == LengthUnit::Millimetre ? 1e6 : 2540) {}

  std::int64_t length(std::string_view text) const {
    const double nm = readNumber(text) * m_nmPerUnit;
    if (nm > 9e15) return 9'000'000'000'000'000;
    if (nm < -9e15) return -9'000'000'000'000'000;
    return std::llround(nm);
  }
  static int angle(std::string_view text) {
    const double v = readNumber(text);
    return std::abs(v) > 1e8 ? 0 : static_cast<int>(std::lround(v));
  }
  static int integer(std::string_view text) {
    const double v = readNumber(text);
    return std::abs(v) > 1e8 ? 0 : static_cast<int>(v);
  }
  Point point(const Fields& f, std::size_t k) const { return {length(f.at(k)), length(f.at(k + 1))}; }

 private:
  double m_nmPerUnit;
};

/// KiCad moves texts on copper to the silkscreen of their side and texts past the last
/// layer to the edge cuts.
int textLayer(int layer) {
  if (layer == 0) return 20;
  if (layer >= 1 && layer <= 15) return 21;
  if (layer > 28 || layer < 0) return 28;
  return layer;
}

/// Drawings on a layer past the last one go to the front silkscreen.
int drawingLayer(int layer) { return (layer < 0 || layer > 28) ? 21 : layer; }

std::uint32_t padLayers(std::string_view hex) {
  std::uint64_t mask = 0;
  std::from_chars(hex.data(), hex.data() + hex.size(), mask, 16);
  std::uint32_t layers = static_cast<std::uint32_t>(mask & ((1u << 29) - 1));
  if ((mask >> 29) != 0) layers |= 1u << 25;  // KiCad shows bits past the last as Cmts.User
  return layers;
}

}  // namespace

Footprint footprintFromBody(std::string_view body, LengthUnit unit) {
  const Reader r(unit);
  Footprint fp;
  int moduleAngle = 0;
  std::optional<Pad> pad;
  Shape* polygon = nullptr;
  std::size_t polygonCorners = 0;
  bool inShape3d = false;
  for (const std::string_view line : splitBodyLines(body)) {
    const Fields f = splitFields(line);
    const std::string_view key = f.at(0);
    if (key.empty()) continue;
    if (inShape3d) {
      inShape3d = key != "$EndSHAPE3D";
      continue;
    }
    if (pad) {
      if (key == "Sh") {
        pad->number = std::string(f.at(1));
        pad->shape = f.at(2).empty() ? 'C' : f.at(2).front();
        pad->size = r.point(f, 3);
        pad->delta = r.point(f, 5);
        pad->angle = Reader::angle(f.at(7)) - moduleAngle;
      } else if (key == "Dr") {
        pad->drill = r.length(f.at(1));
        pad->drillOffset = r.point(f, 2);
        if (f.at(4) == "O") {
          pad->ovalDrill = true;
          pad->drillSize = r.point(f, 5);
        }
      } else if (key == "At") {
        pad->attribute = std::string(f.at(1));
        pad->layers = padLayers(f.at(3));
      } else if (key == "Po") {
        pad->position = r.point(f, 1);
      } else if (key == "$EndPAD") {
        fp.pads.push_back(std::move(*pad));
        pad.reset();
      }
      continue;
    }
    if (polygon != nullptr && key == "Dl" && polygon->points.size() < polygonCorners) {
      polygon->points.push_back(r.point(f, 1));
      continue;
    }
    polygon = nullptr;
    if (key == "$PAD") {
      pad.emplace();
    } else if (key == "$SHAPE3D") {
      inShape3d = true;
    } else if (key == "Po") {
      moduleAngle = Reader::angle(f.at(3));
    } else if (key == "DS" || key == "DC") {
      Shape s;
      s.kind = key == "DS" ? Shape::Kind::Segment : Shape::Kind::Circle;
      s.points = {r.point(f, 1), r.point(f, 3)};
      s.width = r.length(f.at(5));
      s.layer = drawingLayer(Reader::integer(f.at(6)));
      fp.shapes.push_back(std::move(s));
    } else if (key == "DA") {
      Shape s;
      s.kind = Shape::Kind::Arc;
      s.points = {r.point(f, 1), r.point(f, 3)};
      s.arcAngle = Reader::angle(f.at(5));
      s.width = r.length(f.at(6));
      s.layer = drawingLayer(Reader::integer(f.at(7)));
      fp.shapes.push_back(std::move(s));
    } else if (key == "DP") {
      Shape s;
      s.kind = Shape::Kind::Polygon;
      polygonCorners = static_cast<std::size_t>(std::max(0, Reader::integer(f.at(5))));
      s.width = r.length(f.at(6));
      s.layer = drawingLayer(Reader::integer(f.at(7)));
      fp.shapes.push_back(std::move(s));
      polygon = &fp.shapes.back();
    } else if (key.size() >= 2 && key.front() == 'T' && key[1] >= '0' && key[1] <= '9') {
      Text t;
      t.kind = Reader::integer(key.substr(1));
      t.position = r.point(f, 1);
      t.size = {r.length(f.at(4)), r.length(f.at(3))};
      t.angle = Reader::angle(f.at(5)) - moduleAngle;
      t.thickness = r.length(f.at(6));
      t.mirrored = f.at(7) == "M";
      t.visible = f.at(8) != "I";
      t.layer = textLayer(Reader::integer(f.at(9)));
      std::size_t k = 10;
      while (k < f.words.size() && !f.quoted[k]) ++k;
      t.italic = k > 10 && f.at(10) == "I";
      t.text = std::string(f.at(k));
      if (!f.at(k + 1).empty()) t.hJustify = f.at(k + 1).front();
      if (!f.at(k + 2).empty()) t.vJustify = f.at(k + 2).front();
      fp.texts.push_back(std::move(t));
    }
  }
  return fp;
}

}  // namespace trevak::exact
