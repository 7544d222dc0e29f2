// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/png_encoder.h"

#include <zlib.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace trevak::exact {

namespace {

/// What one row adds to the Adler-32 checksum of the image data: as PNG stores a row, a filter
/// byte of 0, then red, green and blue of each pixel, `length` bytes in all. Past the row,
/// s1 grows by `sum` and s2 by length * s1 + `weighted`. A row that repeats the one above adds
/// what that row added, so repeated rows are summed once.
struct RowSums {
  std::uint64_t sum = 0;
  std::uint64_t weighted = 0;  ///< sum of (length - position) * byte
};

/// Summed from the pixels themselves, eight at a time (24 stream bytes), so the stream's
/// bytes never need to be laid out in memory.
RowSums rowSums(const QRgb* row, int width) {
  // Pixels summed in 32-bit lanes before they are moved to 64 bits.
  constexpr int kChunk = 1024;
  RowSums r;  // the filter byte adds nothing to either
  for (int x0 = 0; x0 < width; x0 += kChunk) {
    const int n = std::min(kChunk, width - x0);
    const QRgb* p = row + x0;
    int x = 0;
#if defined(__SSE2__)
    const int blocks = n / 8;
    if (blocks > 0) {
      // In memory a pixel is blue, green, red, alpha; in the stream red, green, blue. Per
      // block of eight pixels: weighted += 24 * sum so far + sum of (24 - position) * byte.
      const __m128i zero = _mm_setzero_si128();
      const __m128i colour = _mm_set1_epi32(0x00ffffff);
      const __m128i weights0 = _mm_setr_epi16(22, 23, 24, 0, 19, 20, 21, 0);
      const __m128i weights1 = _mm_setr_epi16(16, 17, 18, 0, 13, 14, 15, 0);
      const __m128i weights2 = _mm_setr_epi16(10, 11, 12, 0, 7, 8, 9, 0);
      const __m128i weights3 = _mm_setr_epi16(4, 5, 6, 0, 1, 2, 3, 0);
      __m128i sums = zero, before = zero, weighted = zero;
      for (int b = 0; b < blocks; ++b) {
        const auto* at = reinterpret_cast<const __m128i*>(p + 8 * b);
        const __m128i v = _mm_and_si128(_mm_loadu_si128(at), colour);
        const __m128i u = _mm_and_si128(_mm_loadu_si128(at + 1), colour);
        before = _mm_add_epi32(before, sums);
        sums = _mm_add_epi32(sums, _mm_add_epi32(_mm_sad_epu8(v, zero), _mm_sad_epu8(u, zero)));
        const __m128i w01 = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weights0),
                                          _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weights1));
        const __m128i w23 = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(u, zero), weights2),
                                          _mm_madd_epi16(_mm_unpackhi_epi8(u, zero), weights3));
        weighted = _mm_add_epi32(weighted, _mm_add_epi32(w01, w23));
      }
      alignas(16) std::uint32_t lanes[3][4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), sums);
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), before);
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), weighted);
      std::uint64_t sum = 0, prefix = 0, weight = 0;
      for (int k = 0; k < 4; ++k) {
        sum += lanes[0][k];
        prefix += lanes[1][k];
        weight += lanes[2][k];
      }
      r.weighted += 24 * static_cast<std::uint64_t>(blocks) * r.sum + 24 * prefix + weight;
      r.sum += sum;
      x = 8 * blocks;
    }
#endif
    for (; x < n; ++x) {
      const QRgb v = p[x];
      r.sum += (v >> 16) & 0xff;
      r.weighted += r.sum;
      r.sum += (v >> 8) & 0xff;
      r.weighted += r.sum;
      r.sum += v & 0xff;
      r.weighted += r.sum;
    }
  }
  return r;
}

/// The Adler-32 checksum a zlib stream ends with, summed row by row.
class Adler32 {
 public:
  void addRow(const RowSums& row, std::uint64_t length) {
    m_s2 = (m_s2 + length * m_s1 + row.weighted) % kMod;
    m_s1 = (m_s1 + row.sum) % kMod;
  }
  std::uint32_t value() const { return static_cast<std::uint32_t>((m_s2 << 16) | m_s1); }

 private:
  static constexpr std::uint64_t kMod = 65521;
  std::uint64_t m_s1 = 1;
  std::uint64_t m_s2 = 0;
};

/// How many of the `most` pixels from `a` equal those from `b`, eight at a time.
int equalPixels(const QRgb* a, const QRgb* b, int most) {
  int n = 0;
#if defined(__SSE2__)
  while (n + 8 <= most) {
    const auto* x = reinterpret_cast<const __m128i*>(a + n);
    const auto* y = reinterpret_cast<const __m128i*>(b + n);
    const __m128i low = _mm_cmpeq_epi32(_mm_loadu_si128(x), _mm_loadu_si128(y));
    const __m128i high = _mm_cmpeq_epi32(_mm_loadu_si128(x + 1), _mm_loadu_si128(y + 1));
    const int same = _mm_movemask_epi8(_mm_packs_epi32(low, high));
    if (same != 0xffff) return n + __builtin_ctz(static_cast<unsigned>(~same)) / 2;
    n += 8;
  }
#endif
  while (n < most && a[n] == b[n]) ++n;
  return n;
}

/// How many of the `most` pixels from `a` are `colour`, eight at a time.
int pixelsOf(const QRgb* a, QRgb colour, int most) {
  int n = 0;
#if defined(__SSE2__)
  const __m128i c = _mm_set1_epi32(static_cast<int>(colour));
  while (n + 8 <= most) {
    const auto* x = reinterpret_cast<const __m128i*>(a + n);
    const __m128i low = _mm_cmpeq_epi32(_mm_loadu_si128(x), c);
    const __m128i high = _mm_cmpeq_epi32(_mm_loadu_si128(x + 1), c);
    const int same = _mm_movemask_epi8(_mm_packs_epi32(low, high));
    if (same != 0xffff) return n + __builtin_ctz(static_cast<unsigned>(~same)) / 2;
    n += 8;
  }
#endif
  while (n < most && a[n] == colour) ++n;
  return n;
}

/// Deflate with the format's fixed codes and only two kinds of match: the pixel before (a run
/// of one colour) and the same place in the row above. A drawing is runs of flat colour and
/// rows that repeat the one above; these two cover nearly all of it, with no hash tables to
/// fill and no searching. zlib at its fastest level took five times longer than the drawing.
/// Matches are whole pixels, found by comparing the picture's own 32-bit pixels: a match of
/// the longest length (258 bytes) is 86 pixels.
class FixedDeflate {
 public:
  /// Bytes the stream of a `width` x `height` picture can take at most: a literal is at most
  /// 9 bits for an 8-bit byte, and every match is shorter than its bytes.
  static std::size_t boundFor(int width, int height) {
    const std::size_t raw =
        static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width));
    return raw + raw / 8 + 64;
  }

  /// Writes the zlib stream of the image data (header, one fixed-code block, checksum) to
  /// `out` and returns its length. Pixels are compared whole, so two pixels that differ in
  /// their alpha byte only are not matched: the stream stays right, only longer.
  static std::size_t encode(const QImage& image, unsigned char* out) {
    FixedDeflate d(out);
    d.m_out[0] = 0x78;  // deflate, 32 KB window
    d.m_out[1] = 0x01;  // no dictionary, fastest; (0x78 * 256 + 0x01) is a multiple of 31
    d.m_out += 2;
    d.put(0x3, 3);  // the last block, fixed codes
    const int w = image.width(), h = image.height();
    const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(w);
    const bool rows = rowBytes <= kWindow;
    const Code rowDistance = rows ? distanceCode(rowBytes) : Code{};
    const Code pixelDistance = distanceCode(kPixel);
    const Tables& codes = table();
    const QRgb* up = nullptr;
    Adler32 adler;
    RowSums sums;
    const QRgb* summed = nullptr;  // the last row whose sums were taken
    for (int y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      int x = 0;
      if (up != nullptr && std::memcmp(row, up, 4 * static_cast<std::size_t>(w)) == 0) {
        // The whole row with its filter byte repeats the row above: the longest matches.
        d.putMatches(rowBytes, codes, rowDistance);
        adler.addRow(sums, rowBytes);
        up = row;
        continue;
      }
      // Rows too wide to match the row above may still repeat it.
      if (up != nullptr || summed == nullptr ||
          std::memcmp(row, summed, 4 * static_cast<std::size_t>(w)) != 0) {
        sums = rowSums(row, w);
        summed = row;
      }
      // The filter byte, alone or at the head of a match with the row above.
      const int head = up != nullptr ? equalPixels(row, up, std::min(w, kMaxPixels - 1)) : 0;
      if (head > 0) {
        d.putMatch(1 + kPixel * static_cast<std::size_t>(head), codes, rowDistance);
        x = head;
      } else {
        d.put(codes.literal[0].bits, codes.literal[0].count);
      }
      while (x < w) {
        const QRgb p = row[x];
        const bool before = x > 0 && p == row[x - 1];
        if (!before && (up == nullptr || p != up[x])) {  // an edge's pixel: most of them
          const Code& r = codes.literal[(p >> 16) & 0xff];
          const Code& g = codes.literal[(p >> 8) & 0xff];
          const Code& b = codes.literal[p & 0xff];
          d.put(r.bits | (g.bits << r.count) | (b.bits << (r.count + g.count)),
                r.count + g.count + b.count);
          ++x;
          continue;
        }
        const int most = std::min(w - x, kMaxPixels);
        const int run = before ? pixelsOf(row + x, p, most) : 0;
        const int above = up != nullptr && run < most ? equalPixels(row + x, up + x, most) : 0;
        if (run >= above) {
          d.putMatch(kPixel * static_cast<std::size_t>(run), codes, pixelDistance);
          x += run;
        } else {
          d.putMatch(kPixel * static_cast<std::size_t>(above), codes, rowDistance);
          x += above;
        }
      }
      adler.addRow(sums, rowBytes);
      if (rows) up = row;
    }
    d.put(0, 7);  // end of block
    d.flush();
    const std::uint32_t sum = adler.value();
    for (int shift = 24; shift >= 0; shift -= 8) {
      *d.m_out++ = static_cast<unsigned char>(sum >> shift);
    }
    return static_cast<std::size_t>(d.m_out - out);
  }

 private:
  static constexpr std::size_t kWindow = 32768;
  static constexpr std::size_t kMinMatch = 3;
  static constexpr std::size_t kPixel = 3;  // bytes of one RGB pixel
  static constexpr std::size_t kMaxMatch = 258;
  static constexpr int kMaxPixels = static_cast<int>(kMaxMatch / kPixel);

  /// Bits as they go into the stream (a Huffman code already reversed) and how many.
  struct Code {
    std::uint32_t bits = 0;
    int count = 0;
  };
  struct Tables {
    std::array<Code, 256> literal;
    std::array<Code, kMaxMatch + 1> length;  // code and extra bits together
  };

  explicit FixedDeflate(unsigned char* out) : m_out(out) {}

  static std::uint32_t reversed(std::uint32_t code, int count) {
    std::uint32_t r = 0;
    for (int k = 0; k < count; ++k) r |= ((code >> k) & 1u) << (count - 1 - k);
    return r;
  }

  /// The fixed literal/length code of a symbol (0 to 287).
  static Code symbolCode(int symbol) {
    if (symbol < 144) return {reversed(0x30u + static_cast<std::uint32_t>(symbol), 8), 8};
    if (symbol < 256) return {reversed(0x190u + static_cast<std::uint32_t>(symbol - 144), 9), 9};
    if (symbol < 280) return {reversed(static_cast<std::uint32_t>(symbol - 256), 7), 7};
    return {reversed(0xc0u + static_cast<std::uint32_t>(symbol - 280), 8), 8};
  }

  static const Tables& table() {
    static const Tables tables = [] {
      Tables t;
      for (int v = 0; v < 256; ++v) t.literal[static_cast<std::size_t>(v)] = symbolCode(v);
      static constexpr std::array<int, 29> kBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                    15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                    67, 83, 99, 115, 131, 163, 195, 227, 258};
      static constexpr std::array<int, 29> kExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
      for (std::size_t k = 0; k < kBase.size(); ++k) {
        const int last = k + 1 < kBase.size() ? kBase[k + 1] - 1 : 258;
        for (int len = kBase[k]; len <= last; ++len) {
          const Code c = symbolCode(257 + static_cast<int>(k));
          const auto extra = static_cast<std::uint32_t>(len - kBase[k]);
          t.length[static_cast<std::size_t>(len)] = {c.bits | (extra << c.count),
                                                     c.count + kExtra[k]};
        }
      }
      return t;
    }();
    return tables;
  }

  /// The fixed distance code (5 bits) and its extra bits, for a distance of 1 to 32768.
  static Code distanceCode(std::size_t distance) {
    int code = 0;
    std::size_t base = 1;
    int extra = 0;
    // Codes 0-3 are distances 1-4; then two codes per doubling, each with one more extra bit.
    if (distance <= 4) {
      code = static_cast<int>(distance - 1);
      base = distance;
    } else {
      extra = 1;
      base = 5;
      code = 4;
      while (distance >= base + (std::size_t{2} << extra)) {
        base += std::size_t{2} << extra;
        code += 2;
        ++extra;
      }
      if (distance >= base + (std::size_t{1} << extra)) {
        base += std::size_t{1} << extra;
        ++code;
      }
    }
    const auto extraValue = static_cast<std::uint32_t>(distance - base);
    return {reversed(static_cast<std::uint32_t>(code), 5) | (extraValue << 5), 5 + extra};
  }

  /// One match of 3 to 258 bytes: its length and distance codes, at most 31 bits together.
  void putMatch(std::size_t length, const Tables& codes, const Code& distance) {
    const Code& l = codes.length[length];
    put(l.bits | (distance.bits << l.count), l.count + distance.count);
  }

  /// A match of any length of at least 3 bytes, as matches of at most 258 bytes; none is left
  /// shorter than 3.
  void putMatches(std::size_t length, const Tables& codes, const Code& distance) {
    while (length > 0) {
      std::size_t n = std::min(length, kMaxMatch);
      if (length - n > 0 && length - n < kMinMatch) n = length - kMinMatch;
      putMatch(n, codes, distance);
      length -= n;
    }
  }

  /// Appends `count` (at most 32) bits, least significant first as deflate packs them.
  void put(std::uint32_t bits, int count) {
    m_bits |= static_cast<std::uint64_t>(bits) << m_count;
    m_count += count;
    if (m_count >= 32) {
      const auto low = static_cast<std::uint32_t>(m_bits);
      const unsigned char word[4] = {
          static_cast<unsigned char>(low), static_cast<unsigned char>(low >> 8),
          static_cast<unsigned char>(low >> 16), static_cast<unsigned char>(low >> 24)};
      std::memcpy(m_out, word, 4);
      m_out += 4;
      m_bits >>= 32;
      m_count -= 32;
    }
  }

  void flush() {
    while (m_count > 0) {
      *m_out++ = static_cast<unsigned char>(m_bits);
      m_bits >>= 8;
      m_count -= 8;
    }
    m_count = 0;
  }

  unsigned char* m_out;
  std::uint64_t m_bits = 0;
  int m_count = 0;
};

void putBigEndian(unsigned char* at, std::uint32_t v) {
  at[0] = static_cast<unsigned char>(v >> 24);
  at[1] = static_cast<unsigned char>(v >> 16);
  at[2] = static_cast<unsigned char>(v >> 8);
  at[3] = static_cast<unsigned char>(v);
}

/// Appends a chunk: its length, type, data and the CRC of type and data.
void appendChunk(QByteArray& out, const char* type, const unsigned char* data, std::size_t size) {
  unsigned char word[4];
  putBigEndian(word, static_cast<std::uint32_t>(size));
  out.append(reinterpret_cast<const char*>(word), 4);
  out.append(type, 4);
  if (size > 0) out.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
  if (size > 0) crc = crc32_z(crc, data, size);
  putBigEndian(word, static_cast<std::uint32_t>(crc));
  out.append(reinterpret_cast<const char*>(word), 4);
}

}  // namespace

QByteArray encodePng(const QImage& picture) {
  // Qt's own writer tries every filter on every row and costs several times the drawing.
  const QImage image =
      picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
          ? picture
          : picture.convertToFormat(QImage::Format_RGB32);
  const int w = image.width(), h = image.height();
  if (w <= 0 || h <= 0) return {};
  // The stream's buffer is kept by the thread between pictures: fresh memory costs a page
  // fault per 4 KB, and on this kind of virtual machine the faults of a 512-pixel picture's
  // buffer cost more than encoding it. An unusually large one is given back.
  constexpr std::size_t kKeep = std::size_t{32} << 20;
  thread_local std::vector<unsigned char> kept;
  const std::size_t bound = FixedDeflate::boundFor(w, h);
  if (kept.size() < bound) kept.resize(bound);
  const std::size_t packedSize = FixedDeflate::encode(image, kept.data());
  const unsigned char* packed = kept.data();

  QByteArray png;
  png.reserve(static_cast<qsizetype>(packedSize + 64));
  png.append("\x89PNG\r\n\x1a\n", 8);
  unsigned char header[13];
  putBigEndian(header, static_cast<std::uint32_t>(w));
  putBigEndian(header + 4, static_cast<std::uint32_t>(h));
  std::memcpy(header + 8, "\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no interlace
  appendChunk(png, "IHDR", header, sizeof header);
  appendChunk(png, "IDAT", packed, packedSize);
  appendChunk(png, "IEND", nullptr, 0);
  if (kept.size() > kKeep) std::vector<unsigned char>().swap(kept);
  return png;
}

}  // namespace trevak::exact
