// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/name_collation.h"

#include <QLocale>
#include <QString>

namespace trevak {

ModuleNameCollator::ModuleNameCollator() : m_collator(QLocale()) {
  m_collator.setCaseSensitivity(Qt::CaseInsensitive);
  // Qt's keys for the C locale (and those of collation backends without case levels) are the
  // text itself, whatever the case setting: such keys need the case folded away first.
  const QString upper = QStringLiteral("A");
  const QString lower = QStringLiteral("a");
  m_foldFirst = m_collator.sortKey(upper).compare(m_collator.sortKey(lower)) != 0;
}

QCollatorSortKey ModuleNameCollator::sortKey(std::string_view name) const {
  const QString text = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
  return m_collator.sortKey(m_foldFirst ? text.toCaseFolded() : text);
}

int compareModuleNames(const QCollatorSortKey& a, const QCollatorSortKey& b) {
  const int r = a.compare(b);
  return (r > 0) - (r < 0);
}

}  // namespace trevak
