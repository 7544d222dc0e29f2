// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trevak {

/// Splits a module body into its lines as the body view shows them: a line ends at CR LF, CR or
/// LF, and the break after the last line does not make an extra empty line. An empty body has
/// no line. The views point into `body`.
std::vector<std::string_view> splitBodyLines(std::string_view body);

/// The first CR or LF in [p, end), or end.
const char* findLineEnd(const char* p, const char* end);

/// Joins lines back into a stored body: each line followed by one CR.
std::string joinBodyLines(const std::vector<std::string_view>& lines);

}  // namespace trevak
