// SPDX-License-Identifier: GPL-3.0-or-later
// The files `render --all` writes into its folder: their names, and how they are written.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <iosfwd>
#include <string>

namespace trevak::cli {

/// Gives each module a file name of its own in one folder: its name made safe (safeFileStem)
/// with the suffix, or `_2`, `_3`... before the suffix when an earlier module took it. Names
/// are compared without case, so the files also stay apart on case-blind file systems. Each
/// name costs the same however many modules share it.
class RenderFileNames {
 public:
  explicit RenderFileNames(QString suffix) : m_suffix(std::move(suffix)) {}
  QString next(const std::string& moduleName);

 private:
  QString m_suffix;
  QSet<QString> m_taken;       // case-folded file names given
  QHash<QString, int> m_next;  // case-folded stem: the number to try next
};

/// What writing one picture into the folder gave.
enum class PictureWrite {
  Written,
  Refused,  ///< the name is taken by a link, a folder or anything but a plain file (reported)
  Failed,   ///< the system refused the write (reported)
};

/// Writes `data` as the file `path` inside the folder `render --all` fills, never following a
/// link: a name that is free is created (refusing to follow anything planted there meanwhile);
/// a plain file already there (an earlier run's picture) is replaced through a file beside it
/// renamed over it; a link, even a dangling one, or anything else is left as it is and
/// reported. A failed write leaves no partial file.
PictureWrite writePictureInFolder(const QByteArray& data, const std::string& path, std::ostream& err);

}  // namespace trevak::cli
