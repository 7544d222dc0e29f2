// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/name_collation.h"

#include <QLocale>
#include <QString>
#include <algorithm>

namespace trevak {

ModuleNameCollator::ModuleNameCollator() : m_collator(QLocale()) {
  m_collator.setCaseSensitivity(Qt::CaseInsensitive);
  // Qt's keys for the C locale (and those of collation backends without case levels) are the
  // text itself, whatever the case setting: such keys need the case folded away first.
  const QString upper = QStringLiteral("A");
  const QString lower = QStringLiteral("a");
  m_foldFirst = m_collator.sortKey(upper).compare(m_collator.sortKey(lower)) != 0;
}

QString ModuleNameCollator::collated(std::string_view name) const {
  QString text = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  if (!m_foldFirst) return text;
  // Qt's folding consults the Unicode tables character by character; for ASCII text, the names
  // of nearly every library, it is only A to Z made small, done here in place.
  const bool ascii = std::all_of(name.begin(), name.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) return text.toCaseFolded();
  for (QChar& c : text) {
    if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
  }
  return text;
}

QCollatorSortKey ModuleNameCollator::sortKey(std::string_view name) const {
  return m_collator.sortKey(collated(name));
}

bool ModuleNameCollator::equal(std::string_view a, std::string_view b) const {
  return m_collator.compare(collated(a), collated(b)) == 0;
}

int compareModuleNames(const QCollatorSortKey& a, const QCollatorSortKey& b) {
  const int r = a.compare(b);
  return (r > 0) - (r < 0);
}

}  // namespace trevak
