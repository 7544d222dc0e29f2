// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_layout.h"

#include <QEvent>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QWidgetItem>
#include <algorithm>
#include <cmath>

namespace trevak {

GrowingLayout::GrowingLayout(QWidget* parent, QWidget* reference, QSize designed)
    : QLayout(parent), m_reference(reference), m_designed(designed) {
  setContentsMargins(0, 0, 0, 0);
  setSpacing(0);
}

GrowingLayout::~GrowingLayout() {
  for (const Entry& entry : m_entries) delete entry.item;
}

void GrowingLayout::follow(QWidget* widget, EdgeShares shares) {
  if (widget == nullptr) return;
  const QRect designed = widget->geometry();
  addChildWidget(widget);
  m_entries.append({new QWidgetItem(widget), designed, shares});
  invalidate();
}

void GrowingLayout::addItem(QLayoutItem* item) {
  // Items only come through follow(), which knows their designed place; anything else stays
  // where it is.
  m_entries.append({item, item->geometry(), {}});
}

QLayoutItem* GrowingLayout::itemAt(int index) const {
  return index >= 0 && index < m_entries.size() ? m_entries[index].item : nullptr;
}

QLayoutItem* GrowingLayout::takeAt(int index) {
  if (index < 0 || index >= m_entries.size()) return nullptr;
  return m_entries.takeAt(index).item;
}

int GrowingLayout::count() const { return static_cast<int>(m_entries.size()); }

QSize GrowingLayout::sizeHint() const { return m_designed; }

QSize GrowingLayout::minimumSize() const {
  // A page's size is the page control's business; only a pane limits how small it gets.
  if (m_reference != parentWidget()) return {0, 0};
  // Qt adds the frame around the laid-out widget to this; the designed size includes it.
  const QMargins frame = parentWidget()->contentsMargins();
  const QSize framed(frame.left() + frame.right(), frame.top() + frame.bottom());
  return (m_designed - kMaximumShrink - framed).expandedTo(QSize(0, 0));
}

QSize GrowingLayout::growth() const {
  if (m_reference == nullptr) return {0, 0};
  const QSize d = m_reference->size() - m_designed;
  return {std::max(d.width(), -kMaximumShrink.width()),
          std::max(d.height(), -kMaximumShrink.height())};
}

void GrowingLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const QSize g = growth();
  const auto share = [](double part, int whole) {
    if (whole < 0 && part < 1) return 0;
    return static_cast<int>(std::lround(part * whole));
  };
  for (const Entry& entry : m_entries) {
    QWidget* widget = entry.item->widget();
    if (widget == nullptr) continue;
    const QRect& d = entry.designed;
    const EdgeShares& s = entry.shares;
    const int left = d.left() + share(s.left, g.width());
    const int top = d.top() + share(s.top, g.height());
    const int right = d.left() + d.width() + share(s.right, g.width());
    const int bottom = d.top() + d.height() + share(s.bottom, g.height());
    // Positions are the designed ones plus the growth, in the laid-out widget's own
    // coordinates: a frame around it does not move them, as it never did.
    widget->setGeometry(left, top, std::max(right - left, 1), std::max(bottom - top, 1));
  }
}

namespace {

/// Widens a name grid's name column by as much as the grid grew, so long names show whole; it
/// keeps its designed width otherwise, also after the grid's model is reset.
class NameColumnFollower final : public QObject {
 public:
  NameColumnFollower(QTableView* grid, QObject* parent)
      : QObject(parent),
        m_grid(grid),
        m_designedWidth(grid->width()),
        m_designedColumn(grid->horizontalHeader()->defaultSectionSize()) {
    grid->installEventFilter(this);
    // The viewport's size settles after the grid's own: a set's shares follow the viewport.
    QWidget* viewport = grid->viewport();
    viewport->installEventFilter(this);
    m_viewport = viewport;
    connect(grid->horizontalHeader(), &QHeaderView::sectionCountChanged, this, [this] { apply(); });
    // A reset that keeps the number of columns (a filter typed) gives the header its default
    // widths back without a word: the shares are set again after it.
    if (grid->model() != nullptr) {
      connect(grid->model(), &QAbstractItemModel::modelReset, this, [this] { apply(); });
      connect(grid->model(), &QAbstractItemModel::layoutChanged, this, [this] { apply(); });
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Compared as addresses only: while the grid is being destroyed its viewport still sends
    // events, and the grid must not be asked anything then.
    if (event->type() == QEvent::Resize && (watched == m_grid || watched == m_viewport)) apply();
    return false;
  }

 private:
  void apply() {
    QHeaderView* header = m_grid->horizontalHeader();
    if (header->count() == 0) return;
    if (header->count() == 1) {
      const int extra = std::max(0, m_grid->width() - m_designedWidth);
      header->resizeSection(0, m_designedColumn + extra);
      return;
    }
    // A set's grid: the names and the libraries' nicknames share the visible width, so the
    // library column is never pushed out of sight (the nickname is elided in its middle).
    const int room = std::max(m_grid->viewport()->width(), 2 * kMinimumShare);
    const int names = std::max(kMinimumShare, room * kNameShare / 100);
    header->resizeSection(0, names);
    header->resizeSection(1, std::max(kMinimumShare, room - names));
  }

  static constexpr int kNameShare = 58;  ///< per cent of the width for the names
  static constexpr int kMinimumShare = 40;

  QTableView* m_grid;
  const QObject* m_viewport = nullptr;
  int m_designedWidth;
  int m_designedColumn;
};

struct Rule {
  const char* name;
  EdgeShares shares;
};

constexpr double kGrid = kGridHeightShare;
constexpr EdgeShares kStays{};
constexpr EdgeShares kFills{0, 0, 1, 1};
constexpr EdgeShares kWidens{0, 0, 1, 0};
constexpr EdgeShares kPageControl{0, 0, 1, kGrid};
constexpr EdgeShares kPreview{0, kGrid, 1, 1};
constexpr EdgeShares kRightOfPreview{1, kGrid, 1, kGrid};
constexpr EdgeShares kLeftOfPreview{0, kGrid, 0, kGrid};
constexpr EdgeShares kBottomRow{0, 1, 0, 1};

// The controls of each pane and the edges they follow. Icon buttons and count labels at the
// top-left keep their places (kStays, listed so that the table names every control).
const Rule kEditPane[] = {
    {"SB_carregar", kStays},
    {"RxSB_limpar", kStays},
    {"SB_salvar", kStays},
    {"RxSB_apagar", kStays},
    {"Label1", kStays},
    {"TabControl1", kPageControl},
    {"ScrollBox1", kPreview},
    {"RxSpeedButton2", kRightOfPreview},
    {"RxSpeedButton4", kRightOfPreview},
    {"RxSwitch1", kRightOfPreview},
    {"SB_ajustar1", kRightOfPreview},
    {"Button1", kBottomRow},
    {"Button2", kBottomRow},
    {"BitBtn1", kBottomRow},
    {"BitBtn2", kBottomRow},
    {"BitBtn3", kBottomRow},
};
const Rule kSearchPane[] = {
    {"RxSB_carregar2", kStays},     {"RxSB_copiar", kStays},  {"Label2", kStays},
    {"PageControl1", kPageControl}, {"ScrollBox2", kPreview}, {"SB_ajustar2", kLeftOfPreview},
    {"BitBtn4", kBottomRow},        {"BitBtn5", kBottomRow},  {"BitBtn6", kBottomRow},
};
// What fills the pages of each page control.
const Rule kPageContents[] = {
    {"DBGrid1", kFills},
    {"textlistbox1", kFills},
    {"EditFiltro", kWidens},
    {"DBGrid2", kFills},
    {"DBRE_comp2", kFills},
};

void layOutPane(QMainWindow* window, const char* paneName, QSize designed, const Rule* begin,
                const Rule* end) {
  auto* pane = window->findChild<QWidget*>(QLatin1String(paneName));
  if (pane == nullptr) return;
  auto* layout = new GrowingLayout(pane, pane, designed);
  for (const Rule* rule = begin; rule != end; ++rule) {
    auto* control = pane->findChild<QWidget*>(QLatin1String(rule->name));
    if (control != nullptr && control->parentWidget() == pane)
      layout->follow(control, rule->shares);
  }
}

}  // namespace

QSplitter* makePaneSplitter(QWidget* editPane, QWidget* strip, QWidget* searchPane,
                            const QList<int>& designedWidths) {
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->setObjectName(QStringLiteral("client"));
  splitter->addWidget(editPane);
  splitter->addWidget(strip);
  splitter->addWidget(searchPane);
  // A handle of no width grabs a few pixels over the panels' borders instead.
  splitter->setHandleWidth(0);
  splitter->setChildrenCollapsible(false);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 0);
  splitter->setStretchFactor(2, 1);
  splitter->setSizes(designedWidths);
  return splitter;
}

void installGrowingPanes(QMainWindow* window, QSize editPane, QSize searchPane) {
  layOutPane(window, "Panel4", editPane, std::begin(kEditPane), std::end(kEditPane));
  layOutPane(window, "Panel2", searchPane, std::begin(kSearchPane), std::end(kSearchPane));

  // A page takes the page control's size; its contents grow as much as the page control does.
  for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
    for (int i = 0; i < tabs->count(); ++i) {
      QWidget* page = tabs->widget(i);
      GrowingLayout* layout = nullptr;
      for (const Rule& rule : kPageContents) {
        auto* control = page->findChild<QWidget*>(QLatin1String(rule.name));
        if (control == nullptr || control->parentWidget() != page) continue;
        if (layout == nullptr) layout = new GrowingLayout(page, tabs, tabs->size());
        layout->follow(control, rule.shares);
      }
    }
  }
  for (const char* name : {"DBGrid1", "DBGrid2"}) {
    if (auto* grid = window->findChild<QTableView*>(QLatin1String(name))) {
      new NameColumnFollower(grid, grid);
    }
  }
}

void keepInsideScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  // The frame the window manager adds is not known before the window is shown: a margin for it.
  const QSize frame(16, 40);
  const QSize room = (area.size() - frame).expandedTo(window.minimumSizeHint());
  if (window.width() > room.width() || window.height() > room.height()) {
    window.resize(window.size().boundedTo(room));
  }
  const QRect wanted(window.pos(), window.size() + frame);
  if (!area.contains(wanted)) window.move(area.topLeft());
}

}  // namespace trevak
