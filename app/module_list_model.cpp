// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/module_list_model.h"

namespace trevak {

namespace {
constexpr std::string_view kNameField = "nome_Componente";
}

ModuleListModel::ModuleListModel(ModuleTable& table, bool editable, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_editable(editable), m_rows(tableRows()) {}

int ModuleListModel::tableRows() const {
  return m_table.RecordCount() + (m_table.mode() == TableMode::Insert ? 1 : 0);
}

int ModuleListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rows;
}

int ModuleListModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  // A set of libraries adds the nickname of each module's library.
  return m_table.libraries().empty() ? 1 : 2;
}

QVariant ModuleListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= m_rows) return {};
  const int row = index.row();
  if (role == Qt::ToolTipRole && index.column() == 1 && row < m_table.RecordCount()) {
    // The nickname may be elided in the grid: the tooltip names the library's file or folder.
    const SourceLibrary* library = m_table.libraryOf(m_table.recordAt(row));
    return library == nullptr ? QVariant() : QVariant(QString::fromUtf8(library->path));
  }
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  if (index.column() == 1) {
    if (row >= m_table.RecordCount()) return QString();
    const SourceLibrary* library = m_table.libraryOf(m_table.recordAt(row));
    return library == nullptr ? QString() : QString::fromUtf8(library->nickname);
  }
  if (row == m_table.currentIndex() && m_table.mode() != TableMode::Browse) {
    return QString::fromLatin1(m_table.GetField(kNameField));
  }
  if (row >= m_table.RecordCount()) return QString();
  const auto& name = m_table.recordAt(row).nome_Componente;
  if (!name) return QString();
  return QString::fromLatin1(name->data(), static_cast<qsizetype>(name->size()));
}

QVariant ModuleListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole) {
    return QStringLiteral("nome_Componente");
  }
  if (orientation == Qt::Horizontal && section == 1 && role == Qt::DisplayRole) {
    return tr("biblioteca");
  }
  return {};
}

Qt::ItemFlags ModuleListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (m_editable && index.isValid() && index.column() == 0) f |= Qt::ItemIsEditable;
  return f;
}

bool ModuleListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!m_editable || role != Qt::EditRole || !index.isValid()) return false;
  if (index.row() != m_table.currentIndex() || m_table.mode() == TableMode::Browse) return false;
  // A name is Latin-1 bytes; a character past Latin-1 would be stored as '?'.
  const QString text = value.toString();
  for (const QChar c : text) {
    if (c.unicode() > 0xff) return false;
  }
  const QByteArray name = text.toLatin1();
  m_table.SetField(kNameField, std::string_view(name.constData(), static_cast<size_t>(name.size())));
  return true;
}

void ModuleListModel::refresh(NotificationKind kind) {
  const int rows = tableRows();
  if (kind == NotificationKind::DataSetChange || rows != m_rows) {
    beginResetModel();
    m_rows = rows;
    endResetModel();
    return;
  }
  const int current = m_table.currentIndex();
  if (current >= 0 && current < m_rows) {
    emit dataChanged(index(current, 0), index(current, columnCount() - 1));
  }
}

}  // namespace trevak
