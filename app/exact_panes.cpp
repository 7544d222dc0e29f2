// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/exact_panes.h"

#include <QAction>
#include <QHelpEvent>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "app/preview_widget.h"
#include "drawing/exact_footprint.h"

namespace trevak {

namespace {

// The sketch's picture margin: a picture is its drawing's box with this much on every side,
// which the wheel's zoom about the pointer counts on.
constexpr double kMargin = 50;
constexpr int kMaxSide = 6000;  // the widest picture a zoomed pane makes
const QSize kFallbackView(319, 262);

/// The room the picture has: its scroll box's viewport as it is without scroll bars, so
/// zooming in (which brings the bars) does not change what scale 100 means.
QSize visibleArea(const PreviewWidget* pane) {
  for (const QWidget* w = pane->parentWidget(); w != nullptr; w = w->parentWidget()) {
    if (const auto* box = qobject_cast<const QScrollArea*>(w)) {
      const QSize s = box->maximumViewportSize();
      return s.isEmpty() ? kFallbackView : s;
    }
  }
  return kFallbackView;
}

/// Numbers as the window's reader writes them (a Brazilian one: decimal comma; the English
/// translation names its own locale), without thousands separators.
QLocale readersNumbers() {
  QLocale numbers(ExactPanes::tr("pt_BR", "the locale whose numbers the pad hints write"));
  numbers.setNumberOptions(QLocale::OmitGroupSeparator);
  return numbers;
}

QString length(std::int64_t nm, LengthUnit unit) {
  const QLocale pt = readersNumbers();
  if (unit == LengthUnit::Millimetre) return pt.toString(static_cast<double>(nm) / 1e6, 'g', 7);
  return pt.toString(static_cast<double>(nm) / 2540.0, 'g', 9);
}

QString unitName(LengthUnit unit) {
  return unit == LengthUnit::Millimetre ? QStringLiteral("mm") : ExactPanes::tr("(1/10000 pol)");
}

QString shapeName(char shape) {
  switch (shape) {
    case 'C':
      return ExactPanes::tr("círculo");
    case 'R':
      return ExactPanes::tr("retângulo");
    case 'O':
      return ExactPanes::tr("oval");
    case 'T':
      return ExactPanes::tr("trapézio");
    default:
      return QString::fromLatin1(&shape, 1);
  }
}

/// The shape of a pad as KiCad names it in its pad dialog.
QString padShapeName(const exact::Pad& pad) {
  if (pad.custom) {
    return ExactPanes::tr("personalizada (âncora %1, %n primitiva(s))", nullptr,
                          static_cast<int>(pad.primitives.size()))
        .arg(shapeName(pad.shape));
  }
  if (pad.chamferCorners != 0) return ExactPanes::tr("retângulo chanfrado");
  if (pad.roundRatio > 0) return ExactPanes::tr("retângulo arredondado");
  return shapeName(pad.shape);
}

}  // namespace

QString padDescription(const exact::Pad& pad, LengthUnit unit) {
  const QString u = unitName(unit);
  QString text =
      ExactPanes::tr("Ilha %1\nForma: %2").arg(exact::kicadText(pad.number), padShapeName(pad));
  if (std::fmod(pad.angle, 3600.0) != 0) {
    text += QStringLiteral(", %1°").arg(readersNumbers().toString(pad.angle / 10.0, 'g', 6));
  }
  const std::int64_t h = pad.shape == 'C' ? pad.size.x : pad.size.y;
  text += ExactPanes::tr("\nTamanho: %1 × %2 %3").arg(length(pad.size.x, unit), length(h, unit), u);
  if (pad.ovalDrill && pad.drillSize.x > 0) {
    text += ExactPanes::tr("\nFuro: oval %1 × %2 %3")
                .arg(length(pad.drillSize.x, unit), length(pad.drillSize.y, unit), u);
  } else if (pad.drill > 0) {
    text += ExactPanes::tr("\nFuro: %1 %2").arg(length(pad.drill, unit), u);
  } else {
    text += ExactPanes::tr("\nFuro: nenhum");
  }
  if (pad.drillOffset.x != 0 || pad.drillOffset.y != 0) {
    text += ExactPanes::tr(" (cobre deslocado %1; %2)")
                .arg(length(pad.drillOffset.x, unit), length(pad.drillOffset.y, unit));
  }
  return text;
}

ExactPanes::ExactPanes(QObject* parent)
    : QObject(parent), m_toggle(new QAction(ExactPanes::tr("Desenho exato"), this)) {
  setObjectName(QStringLiteral("exactPanes"));
  m_toggle->setObjectName(QStringLiteral("Desenhoexato1"));
  m_toggle->setCheckable(true);
  m_toggle->setToolTip(
      ExactPanes::tr("Desenha cada ilha, linha, polígono e texto na forma, ângulo e camada reais"));
}

ExactPanes::~ExactPanes() = default;

bool ExactPanes::isOn() const { return m_toggle->isChecked(); }

void ExactPanes::sketched(const PreviewWidget* pane) {
  const auto it = m_shown.find(pane);
  if (it != m_shown.end()) it->second.always = false;
}

bool ExactPanes::showsExact(const PreviewWidget* pane) const {
  const auto it = m_shown.find(pane);
  return isOn() || (it != m_shown.end() && it->second.always && it->second.drawing != nullptr);
}

void ExactPanes::draw(PreviewWidget* pane, const std::string& body, LengthUnit unit, int escala,
                      bool texts, ModuleFormat format) {
  exact::Options options;
  options.texts = texts;
  Shown& shown = m_shown[pane];
  if (shown.drawing == nullptr) pane->installEventFilter(this);
  shown.drawing =
      std::make_unique<exact::ExactDrawing>(exact::footprintFromBody(body, unit, format), options);
  shown.unit = format == ModuleFormat::KicadMod ? LengthUnit::Millimetre : unit;
  shown.always = drawsAlways(format);

  const QRectF e = shown.drawing->extent();
  // The picture sits a pixel or two into its holder; it should fit without a scroll bar.
  const QSize view = visibleArea(pane) - QSize(pane->x(), pane->y());
  double fit = 1e-4;
  if (!e.isNull()) {
    fit = std::min((view.width() - 2 * kMargin) / std::max(e.width(), 1.0),
                   (view.height() - 2 * kMargin) / std::max(e.height(), 1.0));
  }
  double scale = fit * 100.0 / std::max(escala, 1);
  QSize size;
  shown.toDevice = shown.drawing->scaleTransform(scale, kMargin, &size);
  m_lastDrawn = DrawnPicture{size, false};
  if (size.width() > kMaxSide || size.height() > kMaxSide) {
    scale *= std::min(kMaxSide / static_cast<double>(size.width()),
                      kMaxSide / static_cast<double>(size.height()));
    shown.toDevice = shown.drawing->scaleTransform(scale, kMargin, &size);
    m_lastDrawn.cut = true;
  }
  size = size.expandedTo(QSize(1, 1)).boundedTo(QSize(kMaxSide, kMaxSide));
  m_lastDrawn.size = size;
  // A drawing smaller than its pane sits in the pane's middle; a larger one scrolls as before.
  const QSize canvas = size.expandedTo(view).boundedTo(QSize(kMaxSide, kMaxSide));
  shown.toDevice *= QTransform::fromTranslate((canvas.width() - size.width()) / 2,
                                              (canvas.height() - size.height()) / 2);
  // Drawn at the screen's pixel density, so it stays sharp on a scaled display.
  const qreal density = std::clamp(pane->devicePixelRatioF(), 1.0, 4.0);
  QImage image(QSize(qRound(canvas.width() * density), qRound(canvas.height() * density)),
               QImage::Format_RGB32);
  image.setDevicePixelRatio(density);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    shown.drawing->paint(painter, shown.toDevice);
  }
  pane->setImage(std::move(image));
  pane->resize(canvas);
  if (QWidget* holder = pane->parentWidget()) {
    holder->resize(pane->x() + canvas.width(), canvas.height());
  }
}

void ExactPanes::forget(const PreviewWidget* pane) {
  const auto it = m_shown.find(pane);
  if (it != m_shown.end()) it->second.drawing.reset();
}

QString ExactPanes::hintAt(const PreviewWidget* pane, QPoint point) const {
  const auto it = m_shown.find(pane);
  if (!showsExact(pane) || it == m_shown.end() || it->second.drawing == nullptr) return {};
  const Shown& shown = it->second;
  const int index = shown.drawing->padAt(shown.toDevice.inverted().map(QPointF(point)));
  if (index < 0) return {};
  return padDescription(shown.drawing->footprint().pads[static_cast<std::size_t>(index)],
                        shown.unit);
}

bool ExactPanes::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QObject::eventFilter(watched, event);
  auto* pane = static_cast<PreviewWidget*>(watched);
  if (!showsExact(pane)) return QObject::eventFilter(watched, event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QString hint = hintAt(pane, help->pos());
  if (hint.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(help->globalPos(), hint, pane);
  }
  return true;
}

}  // namespace trevak
