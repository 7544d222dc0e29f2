// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/body_lines.h"

namespace trevak {

std::vector<std::string_view> splitBodyLines(std::string_view body) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  const std::size_t n = body.size();
  std::size_t i = 0;
  while (i < n) {
    const char c = body[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(body.substr(start, i - start));
      i += (c == '\r' && i + 1 < n && body[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) lines.push_back(body.substr(start));
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
