// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/body_lines.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trevak {

// Sixteen bytes at a time where the processor allows it: body lines are short, and two memchr
// calls per line (or a byte loop) were a sixth of the export's parsing.
const char* findLineEnd(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
    if (mask != 0) return p + __builtin_ctz(mask);
    p += 16;
  }
#endif
  while (p < end && *p != '\r' && *p != '\n') ++p;
  return p;
}

std::vector<std::string_view> splitBodyLines(std::string_view body) {
  std::vector<std::string_view> lines;
  const char* const begin = body.data();
  const char* const end = begin + body.size();
  const char* start = begin;
  while (start < end) {
    const char* const lineEnd = findLineEnd(start, end);
    lines.emplace_back(start, static_cast<std::size_t>(lineEnd - start));
    if (lineEnd == end) break;
    start = lineEnd + ((*lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::string joinBodyLines(const std::vector<std::string_view>& lines) {
  std::size_t size = 0;
  for (std::string_view l : lines) size += l.size() + 1;
  std::string body;
  body.reserve(size);
  for (std::string_view l : lines) {
    body.append(l);
    body.push_back('\r');
  }
  return body;
}

}  // namespace trevak
