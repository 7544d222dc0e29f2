// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <functional>
#include <string>

namespace trevak {

/// A pane's body view: the current module's `Comandos` as plain text, one body line per view
/// line, long lines wrapped for display only. Editable; Enter does not break a line. Bytes are
/// shown as Latin-1 so every byte survives a round trip through the view.
class BodyView final : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit BodyView(QWidget* parent = nullptr);

  /// Called when the user first changes text shown by load() (typing, pasting, cutting).
  void setEditStarted(std::function<void()> handler);

  /// Shows a stored body (lines each followed by CR), at once or when the view is next shown.
  /// Does nothing when the same body is shown already and not changed by the user, so the view
  /// keeps its scroll position.
  void load(const std::string& body);
  /// True while the view holds text typed by the user that has not been written back.
  bool hasUnsavedText() const { return m_unsaved; }
  /// The body as the view holds it: the loaded bytes, or the typed text with each line followed
  /// by one CR.
  std::string body() const;
  /// Marks typed text as written back into the table; `savedBody` is what body() returned.
  void markSaved(std::string savedBody);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void onTextChanged();
  void showLoadedText();

  std::function<void()> m_editStarted;
  std::string m_loaded;
  bool m_unsaved = false;
  bool m_loading = false;
  bool m_stale = false;
};

}  // namespace trevak
