// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/module_list_model.h"

namespace trevak {

namespace {
constexpr std::string_view kNameField = "nome_Componente";

// A legacy name is Latin-1 bytes; the name inside a `.kicad_mod` file is UTF-8.
QString nameText(std::string_view name, ModuleFormat format) {
  const auto size = static_cast<qsizetype>(name.size());
  return format == ModuleFormat::KicadMod ? QString::fromUtf8(name.data(), size)
                                          : QString::fromLatin1(name.data(), size);
}

ModuleFormat formatAt(const ModuleTable& table, int row) {
  return row >= 0 && row < table.RecordCount() ? table.recordAt(row).format : ModuleFormat::Legacy;
}
}  // namespace

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
    return nameText(m_table.GetField(kNameField), formatAt(m_table, row));
  }
  if (row >= m_table.RecordCount()) return QString();
  const ModuleRecord& record = m_table.recordAt(row);
  if (!record.nome_Componente) return QString();
  return nameText(*record.nome_Componente, record.format);
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
  // The editor takes Latin-1 characters only; a legacy name stores them as bytes, a footprint
  // file's name as UTF-8.
  const QString text = value.toString();
  for (const QChar c : text) {
    if (c.unicode() > 0xff) return false;
  }
  const QByteArray name =
      formatAt(m_table, index.row()) == ModuleFormat::KicadMod ? text.toUtf8() : text.toLatin1();
  m_table.SetField(kNameField,
                   std::string_view(name.constData(), static_cast<size_t>(name.size())));
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
