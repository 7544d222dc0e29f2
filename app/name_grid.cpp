// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/name_grid.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QValidator>
#include <utility>

#include "library/module_table.h"

namespace trevak {

namespace {

constexpr int kNameColumnWidth = 261;

/// Names are Latin-1 bytes: a character past Latin-1 has no byte to become, and would be
/// stored as a question mark. Such a character is refused as it is typed or pasted.
class Latin1Validator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (const QChar c : input) {
      if (c.unicode() > 0xff) return Invalid;
    }
    return Acceptable;
  }
};

/// A line editor for a whole name that reports the user's first change, so
/// the record is opened for change when the user starts typing, not when the editor opens.
class NameEditor final : public QLineEdit {
 public:
  NameEditor(const std::function<void()>* editStarted, QWidget* parent)
      : QLineEdit(parent), m_editStarted(editStarted) {
    setFrame(false);
    setValidator(new Latin1Validator(this));
    connect(this, &QLineEdit::textEdited, this, &NameEditor::onTextEdited);
  }

  bool userChanged() const { return m_started; }

 private:
  void onTextEdited(const QString&) {
    if (m_started) return;
    m_started = true;
    if (*m_editStarted) (*m_editStarted)();
  }

  const std::function<void()>* m_editStarted;
  bool m_started = false;
};

class NameDelegate final : public QStyledItemDelegate {
 public:
  NameDelegate(const std::function<void()>* editStarted, QObject* parent)
      : QStyledItemDelegate(parent), m_editStarted(editStarted) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    return new NameEditor(m_editStarted, parent);
  }

  // Opening the record for change refreshes its row; that must not undo the user's typing.
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    const auto* nameEditor = dynamic_cast<const NameEditor*>(editor);
    if (nameEditor != nullptr && nameEditor->userChanged()) return;
    QStyledItemDelegate::setEditorData(editor, index);
  }

 private:
  const std::function<void()>* m_editStarted;
};

// Elides a cell's text in its middle instead of at its end.
class MiddleElidingDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideMiddle;
  }
};

}  // namespace

NameGrid::NameGrid(bool editable, QWidget* parent) : QTableView(parent) {
  setItemDelegate(new NameDelegate(&m_editStarted, this));
  // A set's library column: a nickname such as kicad-official-2015/Resistors keeps both ends.
  setItemDelegateForColumn(1, new MiddleElidingDelegate(this));
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(editable ? (QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::DoubleClicked)
                           : QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  verticalHeader()->hide();
  // Fixed row heights keep a grid of 200,000 rows as cheap as one of ten.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setDefaultSectionSize(kNameColumnWidth);
}

void NameGrid::setRowActivated(std::function<void(int)> handler) {
  m_rowActivated = std::move(handler);
}

void NameGrid::setEditStarted(std::function<void()> handler) { m_editStarted = std::move(handler); }

void NameGrid::showCurrentRow(int row) {
  if (selectionModel() == nullptr) return;
  m_syncing = true;
  if (row < 0 || row >= model()->rowCount()) {
    selectionModel()->clear();
  } else {
    const QModelIndex target = model()->index(row, 0);
    if (currentIndex() != target) {
      selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
    } else if (!selectionModel()->hasSelection()) {
      // A row the user took out of a larger selection (Ctrl+click) stays out.
      selectionModel()->select(target,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    scrollTo(target);
  }
  m_syncing = false;
}

void NameGrid::setNameCommitted(std::function<void()> handler) {
  m_nameCommitted = std::move(handler);
}

void NameGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  const auto* nameEditor = dynamic_cast<const NameEditor*>(editor);
  const bool accepted = hint != QAbstractItemDelegate::RevertModelCache && nameEditor != nullptr &&
                        nameEditor->userChanged();
  QTableView::closeEditor(editor, hint);
  // The table re-sorts after a rename; doing that inside the view's own editor handling would
  // reset the model under it.
  if (accepted && m_nameCommitted) {
    QMetaObject::invokeMethod(
        this, [this] { if (m_nameCommitted) m_nameCommitted(); }, Qt::QueuedConnection);
  }
}

void NameGrid::setModel(QAbstractItemModel* model) {
  QTableView::setModel(model);
  if (selectionModel() != nullptr) {
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &NameGrid::onCurrentRowChanged);
  }
}

void NameGrid::commitOpenEditor() {
  if (state() != QAbstractItemView::EditingState) return;
  QWidget* editor = indexWidget(currentIndex());
  if (editor == nullptr) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void NameGrid::onCurrentRowChanged(const QModelIndex& current, const QModelIndex&) {
  if (m_syncing || !current.isValid() || !m_rowActivated) return;
  m_rowActivated(current.row());
}

}  // namespace trevak
