// SPDX-License-Identifier: GPL-3.0-or-later
// The window as laid out at start: frame, panels, controls, menu and start values.
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>

#include "app/body_view.h"
#include "app/preview_widget.h"
#include "app/text_switch.h"
#include "app/window_layout.h"
#include "window_fixture.h"

namespace trevak::test {
namespace {

using WindowStart = WindowTest;

TEST_F(WindowStart, TitleFrameAndFont) {
  EXPECT_EQ(window_->windowTitle(),
            QStringLiteral("Trevak 0.15 (20070705i) - Criação/cópia de módulos p/KiCad"));
  EXPECT_EQ(window_->centralWidget()->size(), QSize(800, 582));
  EXPECT_EQ(window_->pos(), QPoint(195, 107));
  // The window grows with the room it is given, maximised too.
  EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(window_->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_EQ(window_->font().family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(window_->font().pointSize(), 8);
  EXPECT_EQ(find<QToolButton>("RxSpeedButton4")->font().pointSize(), 7);
  EXPECT_TRUE(find<QLabel>("Label3")->font().bold());
  EXPECT_TRUE(find<QLabel>("Label4")->font().bold());
}

TEST_F(WindowStart, EmptyTablesLabelsCaptionsSwitchScalesPages) {
  EXPECT_EQ(text("Label1"), "0");
  EXPECT_EQ(text("Label2"), "0");
  EXPECT_EQ(text("Panel5"), "");
  EXPECT_EQ(text("panel6"), "");
  EXPECT_FALSE(find<TextSwitch>("RxSwitch1")->isChecked());
  EXPECT_FALSE(window_->isModified());
  EXPECT_FALSE(window_->redrawSuppressed());
  EXPECT_TRUE(window_->editLibrary().IsEmpty());
  EXPECT_TRUE(window_->searchLibrary().IsEmpty());
  const estado_desenho& st = window_->drawingState();
  EXPECT_EQ(st.escala, 100);
  EXPECT_EQ(st.escala_edicao, 100);
  EXPECT_EQ(st.escala_pesquisa, 100);
  EXPECT_NE(st.imagem_trabalho, nullptr);
  for (const char* pages : {"TabControl1", "PageControl1"}) {
    auto* tabs = find<QTabWidget>(pages);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Conteúdo"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Comandos"));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("testes"));
    EXPECT_FALSE(tabs->isTabVisible(2));
    EXPECT_EQ(tabs->currentIndex(), 0);
  }
  // The pane pictures show their whole raster until the first redraw.
  EXPECT_EQ(find<PreviewWidget>("Image2")->size(), QSize(2000, 2000));
  EXPECT_EQ(find<PreviewWidget>("Image3")->size(), QSize(2000, 2000));
}

struct Placed {
  const char* name;
  QRect geometry;
};

// A window larger than its screen (a large scale factor, a size from another screen) comes back
// inside the screen's available area, as small as its layout allows; one that fits stays put.
TEST_F(WindowStart, KeptInsideTheScreen) {
  const QRect area = window_->screen()->availableGeometry();
  window_->resize(area.size() * 2);
  window_->move(area.topLeft() + QPoint(300, 200));
  keepInsideScreen(*window_);
  EXPECT_EQ(window_->pos(), area.topLeft());
  EXPECT_LE(window_->height(), std::max(area.height(), window_->minimumSizeHint().height()));
  EXPECT_LE(window_->width(), std::max(area.width(), window_->minimumSizeHint().width()));
  // Once inside, it stays as it is.
  const QRect placed = window_->geometry();
  keepInsideScreen(*window_);
  EXPECT_EQ(window_->geometry(), placed);
}

TEST_F(WindowStart, ControlsSitWhereTheLayoutPutsThem) {
  const Placed controls[] = {
      {"SB_carregar", {18, 54, 28, 23}},     {"RxSB_limpar", {19, 105, 28, 23}},
      {"SB_salvar", {18, 152, 28, 23}},      {"RxSB_apagar", {18, 209, 28, 23}},
      {"TabControl1", {61, 44, 297, 228}},   {"DBGrid1", {5, 8, 279, 185}},
      {"textlistbox1", {3, 5, 277, 191}},    {"ScrollBox1", {7, 274, 321, 264}},
      {"RxSpeedButton2", {330, 296, 30, 23}}, {"RxSpeedButton4", {332, 356, 30, 24}},
      {"RxSwitch1", {329, 387, 36, 44}},     {"Button1", {7, 553, 60, 25}},
      {"Button2", {74, 553, 62, 25}},        {"BitBtn1", {171, 553, 52, 25}},
      {"BitBtn2", {233, 553, 48, 25}},       {"BitBtn3", {294, 553, 57, 25}},
      {"BitBtn7", {6, 109, 52, 25}},         {"BitBtn8", {6, 138, 52, 25}},
      {"BitBtn9", {6, 167, 52, 25}},         {"BitBtn10", {6, 197, 52, 25}},
      {"RxSB_carregar2", {17, 54, 28, 23}},  {"RxSB_copiar", {17, 157, 28, 23}},
      {"PageControl1", {63, 42, 297, 228}},  {"DBGrid2", {3, 31, 279, 162}},
      {"DBRE_comp2", {6, 5, 279, 191}},      {"ScrollBox2", {41, 274, 321, 264}},
      {"BitBtn4", {171, 553, 52, 25}},       {"BitBtn5", {233, 553, 48, 25}},
      {"BitBtn6", {295, 553, 57, 25}},       {"EditFiltro", {3, 8, 279, 21}},
  };
  for (const auto& c : controls) EXPECT_EQ(find(c.name)->geometry(), c.geometry) << c.name;
  EXPECT_EQ(find("Label1")->pos(), QPoint(16, 242));
  EXPECT_EQ(find("Label2")->pos(), QPoint(20, 221));
  EXPECT_EQ(find("Label3")->pos(), QPoint(7, 3));
  EXPECT_EQ(find("Label4")->pos(), QPoint(10, 4));
  EXPECT_EQ(find("Image2")->pos(), QPoint(2, 0));
  EXPECT_EQ(find("Image3")->pos(), QPoint(1, 0));
  // Each control lives in its own pane.
  EXPECT_TRUE(find("Panel4")->isAncestorOf(find("SB_salvar")));
  EXPECT_TRUE(find("Panel3")->isAncestorOf(find("BitBtn8")));
  EXPECT_TRUE(find("Panel2")->isAncestorOf(find("RxSB_copiar")));
}

TEST_F(WindowStart, CaptionsAndHints) {
  const std::pair<const char*, const char*> captions[] = {
      {"Button1", "Apagar"},   {"Button2", "Converter"}, {"BitBtn1", "+ Zoom"},
      {"BitBtn2", "- Zoom"},   {"BitBtn3", "Normal"},    {"BitBtn4", "+ Zoom"},
      {"BitBtn5", "- Zoom"},   {"BitBtn6", "Normal"},    {"BitBtn7", "Primeiro"},
      {"BitBtn8", "Proximo"},  {"BitBtn9", "Anterior"},  {"BitBtn10", "Último"},
      {"RxSpeedButton2", "XX----"}, {"RxSpeedButton4", "Nome"}};
  for (const auto& [name, caption] : captions) {
    EXPECT_EQ(find<QAbstractButton>(name)->text(), QString::fromUtf8(caption)) << name;
  }
  const std::pair<const char*, const char*> hints[] = {
      {"SB_carregar", "Carregar biblioteca"}, {"RxSB_limpar", "Nova biblioteca"},
      {"SB_salvar", "Salvar ..."},           {"RxSB_apagar", "Apagar..."},
      {"RxSB_carregar2", "Carregar origem"}, {"RxSB_copiar", "Copiar..."},
      {"RxSpeedButton2", "Tirar prefixo.."}, {"RxSpeedButton4", "copiar nome"},
      {"RxSwitch1", "Apresentar textos"}};
  for (const auto& [name, hint] : hints) {
    EXPECT_EQ(find(name)->toolTip(), QString::fromUtf8(hint)) << name;
  }
  for (const char* name : {"SB_carregar", "RxSB_limpar", "SB_salvar", "RxSB_apagar",
                           "RxSB_carregar2", "RxSB_copiar"}) {
    const QIcon icon = find<QAbstractButton>(name)->icon();
    EXPECT_FALSE(icon.isNull()) << name;
    EXPECT_FALSE(icon.pixmap(16, 16).isNull()) << name;
    EXPECT_TRUE(find<QAbstractButton>(name)->text().isEmpty()) << name;
  }
}

TEST_F(WindowStart, NameGridsHaveOneTitledColumn) {
  for (const char* name : {"DBGrid1", "DBGrid2"}) {
    auto* grid = find<NameGrid>(name);
    ASSERT_EQ(grid->model()->columnCount(), 1);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "nome_Componente");
    EXPECT_EQ(grid->columnWidth(0), 261);
    EXPECT_FALSE(grid->horizontalHeader()->isHidden());
  }
  EXPECT_NE(find<NameGrid>("DBGrid1")->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(find<NameGrid>("DBGrid2")->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(WindowStart, MenuArquivoWithItemsAndShortcuts) {
  QList<QAction*> top = window_->menuBar()->actions();
  ASSERT_EQ(top.size(), 4);
  // Alt and the underlined letter open each menu.
  EXPECT_EQ(top[0]->text(), "&Arquivo");
  EXPECT_EQ(top[1]->text(), "&Editar");
  EXPECT_EQ(top[2]->text(), "E&xibir");
  EXPECT_EQ(top[3]->text(), "A&juda");
  // Each pane's "Bibliotecas recentes" follows the item that loads it; the items keep their
  // order around them.
  QList<QAction*> items;
  for (QAction* action : top.first()->menu()->actions()) {
    if (action->menu() == nullptr) items << action;
  }
  ASSERT_EQ(items.size(), 11);
  // "Salvar" writes back to the library's file; the save with its dialog is "Salvar como...".
  const std::pair<const char*, QKeySequence> expected[] = {
      {"Carregar biblioteca de pesquisa...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
      {"Carregar pasta de pesquisa...", QKeySequence()},
      {"Carregar bibliotecas do KiCad", QKeySequence()},
      {"Carregar biblioteca para edição...", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"Salvar", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"Salvar como...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
      {"Criar nova biblioteca para edição", QKeySequence(Qt::CTRL | Qt::Key_N)},
      {"Exportar biblioteca de edição para KiCad (.pretty)...",
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
      {"Adicionar à tabela de bibliotecas do KiCad...", QKeySequence()},
  };
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(items[i]->text(), QString::fromUtf8(expected[i].first));
    EXPECT_EQ(items[i]->shortcut(), expected[i].second);
  }
  EXPECT_TRUE(items[9]->isSeparator());
  EXPECT_EQ(items[10]->text(), "Sair");
  EXPECT_EQ(items[10]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
}

TEST_F(WindowStart, WideningWidensBothPanesNotTheStrip) {
  EXPECT_EQ(find("Panel4")->width(), 364);
  EXPECT_EQ(find("Panel3")->width(), 64);
  EXPECT_EQ(find("Panel2")->width(), 372);
  window_->resize(window_->width() + 200, window_->height() + 50);
  QTest::qWait(0);
  // The two panes share the extra width; the navigation strip keeps its own.
  EXPECT_EQ(find("Panel4")->width() + find("Panel2")->width(), 364 + 372 + 200);
  EXPECT_GT(find("Panel4")->width(), 364 + 80);
  EXPECT_GT(find("Panel2")->width(), 372 + 80);
  EXPECT_EQ(find("Panel3")->width(), 64);
  EXPECT_EQ(find("Panel2")->geometry().right(), window_->centralWidget()->width() - 1);
  EXPECT_EQ(find("Panel5")->width(), find("Panel4")->width());
  EXPECT_EQ(find("Panel5")->height(), 41);
  EXPECT_EQ(find("SB_salvar")->pos(), QPoint(18, 152));
}

TEST_F(WindowStart, NoSecondWindow) {
  int windows = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMainWindow*>(w) != nullptr) ++windows;
  }
  EXPECT_EQ(windows, 1);
}

}  // namespace
}  // namespace trevak::test
