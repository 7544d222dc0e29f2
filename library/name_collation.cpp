// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/name_collation.h"

#include <QLocale>
#include <QString>

namespace trevak {

ModuleNameCollator::ModuleNameCollator() : m_collator(QLocale()) {
  m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

QCollatorSortKey ModuleNameCollator::sortKey(std::string_view name) const {
  return m_collator.sortKey(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}

int compareModuleNames(const QCollatorSortKey& a, const QCollatorSortKey& b) {
  const int r = a.compare(b);
  return (r > 0) - (r < 0);
}

}  // namespace trevak
