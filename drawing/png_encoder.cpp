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

/// Buffers kept between pictures of one thread. Fresh memory costs a page fault per 4 KB, and
/// on this kind of virtual machine the faults of a 512-pixel picture's buffers cost more than
/// encoding it.
struct Scratch {
  static constexpr std::size_t kKeep = std::size_t{32} << 20;

  /// A buffer of at least `size` bytes.
  static unsigned char* buffer(std::vector<unsigned char>& which, std::size_t size) {
    if (which.size() < size) which.resize(size);
    return which.data();
  }
  /// Gives an unusually large buffer back instead of keeping it for the next picture.
  static void release(std::vector<unsigned char>& which) {
    if (which.size() > kKeep) std::vector<unsigned char>().swap(which);
  }

  std::vector<unsigned char> raw;
  std::vector<unsigned char> packed;
};

/// The Adler-32 checksum a zlib stream ends with. zlib's own takes three or four instructions
/// a byte, an eighth of a picture's encoding; sixteen bytes at a time it takes a fraction.
std::uint32_t adler32Of(const unsigned char* data, std::size_t size) {
  constexpr std::uint32_t kMod = 65521;
  constexpr std::size_t kMost = 5552;  // bytes before the sums must be reduced
  std::uint64_t s1 = 1, s2 = 0;
  while (size > 0) {
    std::size_t n = std::min(size, kMost);
    size -= n;
#if defined(__SSE2__)
    const std::size_t blocks = n / 16;
    if (blocks > 0) {
      // Per block of 16: s2 += 16 * s1 + sum of (16 - k) * byte k; s1 += sum of the bytes.
      const __m128i zero = _mm_setzero_si128();
      const __m128i weightsLow = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
      const __m128i weightsHigh = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
      __m128i sums = zero, before = zero, weighted = zero;
      for (std::size_t b = 0; b < blocks; ++b) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * b));
        before = _mm_add_epi32(before, sums);
        sums = _mm_add_epi32(sums, _mm_sad_epu8(v, zero));
        weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weightsLow));
        weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weightsHigh));
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
      s2 += 16 * blocks * s1 + 16 * prefix + weight;
      s1 += sum;
      data += 16 * blocks;
      n -= 16 * blocks;
    }
#endif
    for (; n > 0; --n) {
      s1 += *data++;
      s2 += s1;
    }
    s1 %= kMod;
    s2 %= kMod;
  }
  return static_cast<std::uint32_t>((s2 << 16) | s1);
}

/// Deflate with the format's fixed codes and only two kinds of match: the pixel before (a run
/// of one colour) and the same place in the row above. A drawing is runs of flat colour and
/// rows that repeat the one above; these two cover nearly all of it, with no hash tables to
/// fill and no searching. zlib at its fastest level took five times longer than the drawing.
class FixedDeflate {
 public:
  /// `out` must hold boundFor(size) bytes.
  static std::size_t boundFor(std::size_t size) { return size + size / 8 + 64; }

  /// Writes the zlib stream of `data` (header, one fixed-code block, checksum) to `out` and
  /// returns its length. `rowBytes` is the distance of the row-above match.
  static std::size_t encode(const unsigned char* data, std::size_t size, std::size_t rowBytes,
                            unsigned char* out) {
    FixedDeflate d(out);
    d.m_out[0] = 0x78;  // deflate, 32 KB window
    d.m_out[1] = 0x01;  // no dictionary, fastest; (0x78 * 256 + 0x01) is a multiple of 31
    d.m_out += 2;
    d.put(0x3, 3);  // the last block, fixed codes
    const bool rows = rowBytes > 0 && rowBytes <= kWindow;
    const Code rowDistance = rows ? distanceCode(rowBytes) : Code{};
    const Code pixelDistance = distanceCode(kPixel);
    const Tables& codes = table();
    std::size_t i = 0;
    while (i < size) {
      const std::size_t most = std::min<std::size_t>(kMaxMatch, size - i);
      // Most bytes at an edge match nothing: three bytes tell before any longer comparison.
      const unsigned char* at = data + i;
      const bool mayRun =
          i >= kPixel && most >= kMinMatch && at[0] == at[-3] && at[1] == at[-2] && at[2] == at[-1];
      const std::size_t run = mayRun ? matchLength(at, at - kPixel, most) : 0;
      // A run as long as a match can be needs no look at the row above (white areas).
      const bool hasAbove = rows && i >= rowBytes;
      const unsigned char* up = hasAbove ? at - rowBytes : at;
      const bool mayAbove = hasAbove && run < most && most >= kMinMatch && at[0] == up[0] &&
                            at[1] == up[1] && at[2] == up[2];
      const std::size_t above = mayAbove ? matchLength(at, up, most) : 0;
      if (run >= kMinMatch && run >= above) {
        d.put(codes.length[run].bits, codes.length[run].count);
        d.put(pixelDistance.bits, pixelDistance.count);
        i += run;
      } else if (above >= kMinMatch) {
        d.put(codes.length[above].bits, codes.length[above].count);
        d.put(rowDistance.bits, rowDistance.count);
        i += above;
      } else {
        const Code& c = codes.literal[data[i]];
        d.put(c.bits, c.count);
        ++i;
      }
    }
    d.put(0, 7);  // end of block
    d.flush();
    const std::uint32_t sum = adler32Of(data, size);
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

  /// How many bytes from `a` equal those from `b`, up to `most`; 8 at a time.
  static std::size_t matchLength(const unsigned char* a, const unsigned char* b, std::size_t most) {
    std::size_t n = 0;
    while (n + 8 <= most) {
      std::uint64_t x = 0, y = 0;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) break;
      n += 8;
    }
    while (n < most && a[n] == b[n]) ++n;
    return n;
  }

  /// Appends `count` (at most 31) bits, least significant first as deflate packs them.
  void put(std::uint32_t bits, int count) {
    m_bits |= static_cast<std::uint64_t>(bits) << m_count;
    m_count += count;
    if (m_count >= 32) {
      for (int k = 0; k < 4; ++k) *m_out++ = static_cast<unsigned char>(m_bits >> (8 * k));
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

/// One row as PNG stores it unfiltered: filter byte 0, then red, green and blue of each pixel.
/// With fixed codes a filter would not shrink the edges' bytes, and flat colour is matched a
/// pixel back just as well as a run of zeros.
void storeRow(const QRgb* row, int width, unsigned char* out) {
  *out++ = 0;  // None
  for (int x = 0; x < width; ++x) {
    const QRgb p = row[x];
    out[0] = static_cast<unsigned char>(p >> 16);
    out[1] = static_cast<unsigned char>(p >> 8);
    out[2] = static_cast<unsigned char>(p);
    out += 3;
  }
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
  thread_local Scratch scratch;
  const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(w);
  const std::size_t rawSize = rowBytes * static_cast<std::size_t>(h);
  unsigned char* raw = scratch.buffer(scratch.raw, rawSize);
  for (int y = 0; y < h; ++y) {
    storeRow(reinterpret_cast<const QRgb*>(image.constScanLine(y)), w,
             raw + rowBytes * static_cast<std::size_t>(y));
  }

  unsigned char* packed = scratch.buffer(scratch.packed, FixedDeflate::boundFor(rawSize));
  const std::size_t packedSize = FixedDeflate::encode(raw, rawSize, rowBytes, packed);

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
  scratch.release(scratch.raw);
  scratch.release(scratch.packed);
  return png;
}

}  // namespace trevak::exact
