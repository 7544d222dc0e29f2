// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/body_view.h"

#include <QKeyEvent>
#include <QTextOption>
#include <utility>

#include "library/body_lines.h"

namespace trevak {

BodyView::BodyView(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setTabChangesFocus(false);
  // A file dropped on the view belongs to the pane (it loads a library), not to the text.
  setAcceptDrops(false);
  connect(this, &QPlainTextEdit::textChanged, this, &BodyView::onTextChanged);
}

void BodyView::setEditStarted(std::function<void()> handler) { m_editStarted = std::move(handler); }

void BodyView::load(const std::string& body) {
  if (!m_unsaved && body == m_loaded) return;
  m_loaded = body;
  m_unsaved = false;
  // A hidden view (the "Comandos" page not shown) takes the text when it is shown: walking a
  // large library then costs no text layout per module.
  m_stale = true;
  if (isVisible()) showLoadedText();
}

void BodyView::showLoadedText() {
  if (!m_stale) return;
  QString text;
  text.reserve(static_cast<qsizetype>(m_loaded.size()));
  bool first = true;
  for (std::string_view line : splitBodyLines(m_loaded)) {
    if (!first) text += QLatin1Char('\n');
    first = false;
    text += QLatin1StringView(line.data(), static_cast<qsizetype>(line.size()));
  }
  m_loading = true;
  setPlainText(text);
  m_loading = false;
  m_stale = false;
}

void BodyView::showEvent(QShowEvent* event) {
  showLoadedText();
  QPlainTextEdit::showEvent(event);
}

std::string BodyView::body() const {
  if (!m_unsaved) return m_loaded;
  const QByteArray bytes = toPlainText().toLatin1();
  return joinBodyLines(
      splitBodyLines(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

void BodyView::markSaved(std::string savedBody) {
  m_loaded = std::move(savedBody);
  m_unsaved = false;
}

void BodyView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->ignore();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void BodyView::onTextChanged() {
  if (m_loading) return;
  const bool first = !m_unsaved;
  m_unsaved = true;
  if (first && m_editStarted) m_editStarted();
}

}  // namespace trevak
