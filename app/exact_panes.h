// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTransform>
#include <map>
#include <memory>
#include <string>

#include "app/preview_zoom.h"
#include "drawing/exact_renderer.h"
#include "library/module_table.h"

class QAction;

namespace trevak {

class PreviewWidget;

/// The exact drawing in the window's panes. Its checkable action "Desenho exato" switches
/// both panes between the sketch and the exact drawing; while it is on, each pane's redraw
/// comes here instead, and hovering a pad shows its number, shape, size and drill.
class ExactPanes final : public QObject {
  Q_OBJECT

 public:
  explicit ExactPanes(QObject* parent = nullptr);
  ~ExactPanes() override;

  /// The toggle (object name "Desenhoexato1"), for a menu or a tool bar.
  QAction* toggle() const { return m_toggle; }
  /// True while the panes show the exact drawing.
  bool isOn() const;
  /// True when `format`'s modules are drawn exactly in any case: the sketch reads the lines of
  /// legacy bodies only, so a `.kicad_mod` module's preview is always the exact drawing.
  static bool drawsAlways(ModuleFormat format) { return format == ModuleFormat::KicadMod; }
  /// True when `pane`'s last draw was the exact drawing (switched on, or always for its format).
  bool showsExact(const PreviewWidget* pane) const;

  /// Draws a module body of a library in `unit` into a pane picture. At scale 100 the drawing
  /// fits the room its scroll box has without scroll bars; every scale step zooms as it does in
  /// the sketch: the drawing's box goes as 100 / escala, with the sketch's margin around it, so
  /// the previews' fit and wheel zoom about the pointer work on it unchanged. Texts are drawn
  /// when `texts`.
  void draw(PreviewWidget* pane, const std::string& body, LengthUnit unit, int escala,
            bool texts,
            ModuleFormat format = ModuleFormat::Legacy);

  /// What the last draw gave, as the fit of the previews measures a redraw; cut when the
  /// picture had to be drawn smaller than its scale asked (the largest picture a pane makes).
  /// Tells that `pane` shows the sketch now, so its last exact drawing no longer answers hover.
  void sketched(const PreviewWidget* pane);
  DrawnPicture lastDrawn() const { return m_lastDrawn; }

  /// Forgets what the pane showed: it has no pads to describe until it is drawn again.
  void forget(const PreviewWidget* pane);

  /// The hint for a point of a pane's picture: the description of the pad under it, or an
  /// empty text.
  QString hintAt(const PreviewWidget* pane, QPoint point) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Shown {
    std::unique_ptr<exact::ExactDrawing> drawing;
    QTransform toDevice;
    LengthUnit unit = LengthUnit::Decimil;
    bool always = false;  // drawn exactly for its format, whether switched on or not
  };

  QAction* m_toggle;
  std::map<const PreviewWidget*, Shown> m_shown;
  DrawnPicture m_lastDrawn;
};

/// The hint shown for a pad: "Ilha 1", its shape, size and drill in the library's unit.
QString padDescription(const exact::Pad& pad, LengthUnit unit);

}  // namespace trevak
