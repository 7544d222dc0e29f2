// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/tf_trevak.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <string>
#include <utility>

#include "app/body_view.h"
#include "app/command_status.h"
#include "app/data_source.h"
#include "app/dock_panel.h"
#include "app/edit_history.h"
#include "app/error_report.h"
#include "app/exact_panes.h"
#include "app/grid_selection.h"
#include "app/header_strip.h"
#include "app/hints.h"
#include "app/keyboard_access.h"
#include "app/kicad_export_action.h"
#include "app/kicad_table_add_action.h"
#include "app/kicad_tables_action.h"
#include "app/language.h"
#include "app/load_warnings_panel.h"
#include "app/module_list_model.h"
#include "app/name_grid.h"
#include "app/preview_widget.h"
#include "app/pretty_edit_library.h"
#include "app/search_pane.h"
#include "app/preview_zoom.h"
#include "app/recent_libraries.h"
#include "app/search_pane.h"
#include "app/settings.h"
#include "app/text_switch.h"
#include "app/undo_commands.h"
#include "app/version.h"
#include "app/window_layout.h"
#include "app/window_menus.h"
#include "app/window_title.h"
#include "drawing/preview.h"
#include "library/body_lines.h"
#include "library/library_commands.h"
#include "library/library_reader.h"
#include "library/library_writer.h"
#include "library/load_warnings.h"
#include "library/module_edits.h"
#include "library/pretty_library.h"

// The icons live in this static library; their resource must be registered by name.
static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace trevak {

namespace {

// Functions, not constants: each is read in the language installed when it is shown.
QString titleText() {
  return TfTrevak::tr("Trevak %1 - Criação/cópia de módulos p/KiCad")
      .arg(QLatin1String(versionText()));
}
QStringList editFilters() {
  return {TfTrevak::tr("Modulos (*.mod)"), TfTrevak::tr("PCBs (*.brd)"),
          TfTrevak::tr("Pastas de pegadas KiCad (*.pretty)"), TfTrevak::tr("Todos arquivos (*)")};
}
QStringList searchFilters() {
  return {TfTrevak::tr("Módulos (*.mod)"), TfTrevak::tr("PCBs (*.brd)"),
          TfTrevak::tr("Todos arquivos (*)")};
}

// The designed sizes: the client area below the menu bar, and the fixed panels' widths.
constexpr int kClientWidth = 800;
constexpr int kClientHeight = 582;
constexpr int kEditPaneWidth = 364;
constexpr int kStripWidth = 64;
constexpr int kSearchPaneWidth = 372;
constexpr int kHeaderHeight = 41;

/// An icon drawn from its SVG source at every size and scale asked for, so it stays sharp at
/// 200%; the bitmap serves where Qt's SVG support is not installed.
QIcon sourceIcon(const char* name) {
  QIcon icon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
  if (icon.isNull()) icon = QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)));
  return icon;
}

template <typename W>
W* place(W* widget, const char* name, int x, int y, int w, int h) {
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(x, y, w, h);
  return widget;
}

QToolButton* iconButton(QWidget* parent, const char* name, const char* icon, const QString& hint,
                        int x, int y) {
  auto* button = place(new QToolButton(parent), name, x, y, 28, 23);
  button->setIcon(sourceIcon(icon));
  button->setIconSize(QSize(16, 16));
  button->setToolTip(hint);
  button->setAutoRaise(true);
  return button;
}

QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption, int x, int y,
                        int w, int h) {
  auto* button = place(new QPushButton(caption, parent), name, x, y, w, h);
  button->setAutoDefault(false);
  return button;
}

/// A page control with the pages "Conteúdo" and "Comandos" and a hidden, empty page "testes".
QTabWidget* pageControl(QWidget* parent, const char* name, int x, int y, QWidget** contents,
                        QWidget** commands) {
  auto* tabs = place(new QTabWidget(parent), name, x, y, 297, 228);
  *contents = new QWidget;
  *commands = new QWidget;
  auto* tests = new QWidget;
  const QString base = QLatin1String(name);
  (*contents)->setObjectName(base + QStringLiteral("_conteudo"));
  (*commands)->setObjectName(base + QStringLiteral("_comandos"));
  tests->setObjectName(base + QStringLiteral("_testes"));
  tabs->addTab(*contents, TfTrevak::tr("Conteúdo"));
  tabs->addTab(*commands, TfTrevak::tr("Comandos"));
  tabs->addTab(tests, TfTrevak::tr("testes"));
  tabs->setTabVisible(2, false);
  tabs->setTabEnabled(2, false);  // Ctrl+Tab passes over it too
  tabs->setCurrentIndex(0);
  return tabs;
}

/// A scroll box holding a pane picture at (`offsetX`, 0).
QScrollArea* scrollBox(QWidget* parent, const char* name, const char* imageName, int x, int y,
                       int offsetX, PreviewWidget** image) {
  auto* box = place(new QScrollArea(parent), name, x, y, 321, 264);
  box->setWidgetResizable(false);
  box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* holder = new QWidget;
  holder->setObjectName(QLatin1String(imageName) + QStringLiteral("_holder"));
  *image = new PreviewWidget(holder);
  (*image)->setObjectName(QLatin1String(imageName));
  (*image)->move(offsetX, 0);
  box->setWidget(holder);
  return box;
}

std::string pathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A path the store reads as a library of `.kicad_mod` footprints (a `.pretty` folder or one
// `.kicad_mod` file), which the search pane loads through its set loader.
bool isFootprintLibrary(const QString& path) {
  return formatOf(libraryKindOf(pathBytes(path))) == ModuleFormat::KicadMod;
}

// "1 módulo copiado", "3 módulos copiados".
QString counted(std::size_t n, const QString& one, const QString& many) {
  return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

}  // namespace

TfTrevak::TfTrevak(std::unique_ptr<UserPrompts> prompts, WindowOptions options, QWidget* parent)
    : QMainWindow(parent), m_prompts(std::move(prompts)), m_options(std::move(options)) {
  initIconResources();
  if (!m_prompts) {
    m_prompts = std::make_unique<QtUserPrompts>(
        this, applicationTitle(QCoreApplication::applicationFilePath()));
  }
  setObjectName(QStringLiteral("fTrevak"));
  setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
  setWindowFlags(windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

  Panel4 = new DockPanel;
  Panel4->setObjectName(QStringLiteral("Panel4"));
  Panel3 = new DockPanel;
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel3->setFixedWidth(kStripWidth);
  Panel2 = new DockPanel;
  Panel2->setObjectName(QStringLiteral("Panel2"));
  m_panes =
      makePaneSplitter(Panel4, Panel3, Panel2, {kEditPaneWidth, kStripWidth, kSearchPaneWidth});
  setCentralWidget(m_panes);

  buildEditPane(Panel4);
  buildNavigationStrip(Panel3);
  buildSearchPane(Panel2);
  m_exact = new ExactPanes(this);
  buildMenu();
  m_tableAddition = new KicadTableAddition(this, *m_prompts);
  if (auto* fileMenu = menuBar()->findChild<QMenu*>(QStringLiteral("Arquivo1"))) {
    const QList<QAction*> items = fileMenu->actions();
    const qsizetype after = items.indexOf(Exportarbibliotecaparakicad1) + 1;
    m_tableAddition->install(fileMenu, after > 0 && after < items.size() ? items[after] : nullptr);
  }
  m_loadWarnings = new LoadWarningsPanel(this);
  statusBar()->setObjectName(QStringLiteral("StatusBar"));
  statusBar()->addPermanentWidget(m_loadWarnings, 0);
  m_status = new CommandStatus(*this);
  m_history = new EditHistory(
      RxMD_comp, [this](const QString& refusal) { m_prompts->showError(refusal); }, this);
  m_prettyEdit = std::make_unique<PrettyEditFolder>(RxMD_comp);
  m_editFormat = new QLabel(this);
  m_editFormat->setObjectName(QStringLiteral("EditFormat"));
  statusBar()->addPermanentWidget(m_editFormat, 0);
  connect(&m_history->stack(), &QUndoStack::indexChanged, this, &TfTrevak::showEditFormat);

  m_editNames = new ModuleListModel(RxMD_comp, true, this);
  m_searchNames = new ModuleListModel(RxMD_comp2, false, this);
  DBGrid1->setModel(m_editNames);
  DBGrid2->setModel(m_searchNames);
  DS_comp = std::make_unique<DataSource>(RxMD_comp, *m_editNames, *DBGrid1, *textlistbox1);
  DS_comp2 = std::make_unique<DataSource>(RxMD_comp2, *m_searchNames, *DBGrid2, *DBRE_comp2);
  m_searchPane = new SearchPane(RxMD_comp2, *m_prompts, *panel6, *PageControl1,
                                *PageControl1->widget(0), *DBGrid2, *this);
  connectHandlers();

  // The tables are open and empty: their data sources show that once (the labels read 0).
  DS_comp->refresh();
  DS_comp2->refresh();

  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height() +
                           statusBar()->sizeHint().height());
  m_panes->setSizes({kEditPaneWidth, kStripWidth, kSearchPaneWidth});
  move(195, 107);
  FormCreate();

  buildViewTools();
  setUpKeyboard();
  applyHints(*this);  // after every control and menu item exists
  installGrowingPanes(this, {kEditPaneWidth, kClientHeight}, {kSearchPaneWidth, kClientHeight});
  restoreSettings();
}

TfTrevak::~TfTrevak() {
  // The views go before the tables they show; no notification may reach them on the way.
  DS_comp.reset();
  DS_comp2.reset();
  RxMD_comp.setAfterEdit({});
  delete m_history;
  m_history = nullptr;
  delete takeCentralWidget();
}

void TfTrevak::buildEditPane(DockPanel* panel) {
  Panel5 = new HeaderStrip(tr("Edição"), "Label3", {7, 3}, panel);
  Panel5->setObjectName(QStringLiteral("Panel5"));
  panel->setHeaderStrip(Panel5, kHeaderHeight);
  SB_carregar = iconButton(panel, "SB_carregar", "open_library", tr("Carregar biblioteca"), 18, 54);
  RxSB_limpar = iconButton(panel, "RxSB_limpar", "new_library", tr("Nova biblioteca"), 19, 105);
  SB_salvar = iconButton(panel, "SB_salvar", "save_library", tr("Salvar ..."), 18, 152);
  RxSB_apagar = iconButton(panel, "RxSB_apagar", "delete_module", tr("Apagar..."), 18, 209);
  Label1 = place(new QLabel(QStringLiteral("0"), panel), "Label1", 16, 242, 44, 13);

  QWidget* contents = nullptr;
  QWidget* commands = nullptr;
  TabControl1 = pageControl(panel, "TabControl1", 61, 44, &contents, &commands);
  DBGrid1 = place(new NameGrid(true, contents), "DBGrid1", 5, 8, 279, 185);
  textlistbox1 = place(new BodyView(commands), "textlistbox1", 3, 5, 277, 191);

  ScrollBox1 = scrollBox(panel, "ScrollBox1", "Image2", 7, 274, 2, &Image2);
  showPicture(Image2, m_editPicture);

  RxSpeedButton2 = place(new QToolButton(panel), "RxSpeedButton2", 330, 296, 30, 23);
  RxSpeedButton2->setText(QStringLiteral("XX----"));
  RxSpeedButton2->setToolTip(tr("Tirar prefixo.."));
  // Six characters in 30 pixels: the condensed face of the window's font fits them.
  QFont condensed = RxSpeedButton2->font();
  condensed.setFamily(QStringLiteral("DejaVu Sans Condensed"));
  RxSpeedButton2->setFont(condensed);
  RxSpeedButton4 = place(new QToolButton(panel), "RxSpeedButton4", 332, 356, 30, 24);
  RxSpeedButton4->setText(tr("Nome"));
  RxSpeedButton4->setToolTip(tr("copiar nome"));
  QFont small = RxSpeedButton4->font();
  small.setPointSize(7);
  RxSpeedButton4->setFont(small);
  RxSwitch1 = place(new TextSwitch(panel), "RxSwitch1", 329, 387, 36, 44);
  RxSwitch1->setToolTip(tr("Apresentar textos"));

  Button1 = pushButton(panel, "Button1", tr("Apagar"), 7, 553, 60, 25);
  Button2 = pushButton(panel, "Button2", tr("Converter"), 74, 553, 62, 25);
  BitBtn1 = pushButton(panel, "BitBtn1", tr("+ Zoom"), 171, 553, 52, 25);
  BitBtn2 = pushButton(panel, "BitBtn2", tr("- Zoom"), 233, 553, 48, 25);
  BitBtn3 = pushButton(panel, "BitBtn3", tr("Normal"), 294, 553, 57, 25);

  panel->setFileDropped([this](const QString& path) { openEditLibrary(path); });
}

void TfTrevak::buildNavigationStrip(DockPanel* panel) {
  BitBtn7 = pushButton(panel, "BitBtn7", tr("Primeiro"), 6, 109, 52, 25);
  BitBtn8 = pushButton(panel, "BitBtn8", tr("Proximo"), 6, 138, 52, 25);
  BitBtn9 = pushButton(panel, "BitBtn9", tr("Anterior"), 6, 167, 52, 25);
  BitBtn10 = pushButton(panel, "BitBtn10", tr("Último"), 6, 197, 52, 25);
}

void TfTrevak::buildSearchPane(DockPanel* panel) {
  panel6 = new HeaderStrip(tr("Pesquisa"), "Label4", {10, 4}, panel);
  panel6->setObjectName(QStringLiteral("panel6"));
  panel->setHeaderStrip(panel6, kHeaderHeight);
  RxSB_carregar2 =
      iconButton(panel, "RxSB_carregar2", "open_library", tr("Carregar origem"), 17, 54);
  RxSB_copiar = iconButton(panel, "RxSB_copiar", "copy_module", tr("Copiar..."), 17, 157);
  // Two lines high: a filter shows "shown /" over "total".
  Label2 = place(new QLabel(QStringLiteral("0"), panel), "Label2", 20, 221, 42, 28);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  QWidget* contents = nullptr;
  QWidget* commands = nullptr;
  PageControl1 = pageControl(panel, "PageControl1", 63, 42, &contents, &commands);
  DBGrid2 = place(new NameGrid(false, contents), "DBGrid2", 3, 8, 279, 185);
  DBRE_comp2 = place(new BodyView(commands), "DBRE_comp2", 6, 5, 279, 191);

  ScrollBox2 = scrollBox(panel, "ScrollBox2", "Image3", 41, 274, 1, &Image3);
  showPicture(Image3, m_searchPicture);

  BitBtn4 = pushButton(panel, "BitBtn4", tr("+ Zoom"), 171, 553, 52, 25);
  BitBtn5 = pushButton(panel, "BitBtn5", tr("- Zoom"), 233, 553, 48, 25);
  BitBtn6 = pushButton(panel, "BitBtn6", tr("Normal"), 295, 553, 57, 25);

  panel->setFileDropped([this](const QString& path) { openSearchLibrary(path); });
}

void TfTrevak::buildMenu() {
  QMenu* menu = menuBar()->addMenu(tr("&Arquivo"));
  menu->setObjectName(QStringLiteral("Arquivo1"));
  auto item = [menu](const char* name, const QString& caption, const QKeySequence& keys) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    return action;
  };
  Carregarbibliotecadepesquisa1 =
      item("Carregarbibliotecadepesquisa1", tr("Carregar biblioteca de pesquisa..."),
           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  Carregarpastadeorigem1 =
      item("Carregarpastadeorigem1", tr("Carregar pasta de pesquisa..."), QKeySequence());
  CarregarbibliotecasdoKicad1 = item("CarregarbibliotecasdoKicad1",
                                     tr("Carregar bibliotecas do KiCad"), QKeySequence());
  Carregarbibliotecaparaedio1 =
      item("Carregarbibliotecaparaedio1", tr("Carregar biblioteca para edição..."),
           QKeySequence(Qt::CTRL | Qt::Key_O));
  Salvar1 = item("Salvar1", tr("Salvar"), QKeySequence(Qt::CTRL | Qt::Key_S));
  Salvarbibliotecaemedio1 = item("Salvarbibliotecaemedio1", tr("Salvar como..."),
                                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  Criarnovabibliotecaparaedio1 =
      item("Criarnovabibliotecaparaedio1", tr("Criar nova biblioteca para edição"),
           QKeySequence(Qt::CTRL | Qt::Key_N));
  Exportarbibliotecaparakicad1 =
      item("Exportarbibliotecaparakicad1", QObject::tr(kKicadExportCaption),
           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
  menu->addSeparator();
  Sair1 = item("Sair1", tr("Sair"), QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* edit = menuBar()->addMenu(tr("&Editar"));
  edit->setObjectName(QStringLiteral("Editar1"));
  Desfazer1 = edit->addAction(tr("Desfazer"));
  Desfazer1->setObjectName(QStringLiteral("Desfazer1"));
  Desfazer1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Refazer1 = edit->addAction(tr("Refazer"));
  Refazer1->setObjectName(QStringLiteral("Refazer1"));
  Refazer1->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  m_editCommands = addEditCommands(*edit, *DBGrid1);

  QMenu* view = menuBar()->addMenu(tr("E&xibir"));
  view->setObjectName(QStringLiteral("Exibir1"));
  m_exact->toggle()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  view->addAction(m_exact->toggle());
  addLanguageMenu(*view, m_options.language, [this](Language language) {
    if (m_options.settings != nullptr) m_options.settings->setLanguage(languageCode(language));
    // The texts are read as the window is built: a change applies at the next start.
    if (language != m_options.language)
      tell(tr("O idioma muda quando o Trevak for aberto de novo"));
  });
  m_about = addHelpMenu(*this);
}

void TfTrevak::connectHandlers() {
  connect(SB_carregar, &QToolButton::clicked, this, &TfTrevak::SB_carregarClick);
  connect(RxSB_carregar2, &QToolButton::clicked, this, &TfTrevak::RxSB_carregar2Click);
  connect(SB_salvar, &QToolButton::clicked, this, &TfTrevak::SB_salvarClick);
  connect(RxSB_limpar, &QToolButton::clicked, this, &TfTrevak::RxSB_limparClick);
  connect(RxSB_apagar, &QToolButton::clicked, this, &TfTrevak::RxSB_apagarClick);
  connect(RxSB_copiar, &QToolButton::clicked, this, &TfTrevak::RxSB_copiarClick);
  connect(RxSpeedButton2, &QToolButton::clicked, this, &TfTrevak::RxSpeedButton2Click);
  connect(RxSpeedButton4, &QToolButton::clicked, this, &TfTrevak::RxSpeedButton4Click);
  connect(BitBtn7, &QPushButton::clicked, this, &TfTrevak::BitBtn7Click);
  connect(BitBtn8, &QPushButton::clicked, this, &TfTrevak::BitBtn8Click);
  connect(BitBtn9, &QPushButton::clicked, this, &TfTrevak::BitBtn9Click);
  connect(BitBtn10, &QPushButton::clicked, this, &TfTrevak::BitBtn10Click);
  connect(Button1, &QPushButton::clicked, this, &TfTrevak::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TfTrevak::Button2Click);
  connect(BitBtn1, &QPushButton::clicked, this, &TfTrevak::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TfTrevak::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TfTrevak::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TfTrevak::BitBtn4Click);
  connect(BitBtn5, &QPushButton::clicked, this, &TfTrevak::BitBtn5Click);
  connect(BitBtn6, &QPushButton::clicked, this, &TfTrevak::BitBtn6Click);
  connect(RxSwitch1, &TextSwitch::clicked, this, &TfTrevak::RxSwitch1Click);
  connect(Carregarbibliotecadepesquisa1, &QAction::triggered, this,
          &TfTrevak::Carregarbibliotecadepesquisa1Click);
  connect(Carregarpastadeorigem1, &QAction::triggered, this,
          &TfTrevak::Carregarpastadeorigem1Click);
  connect(CarregarbibliotecasdoKicad1, &QAction::triggered, this,
          &TfTrevak::CarregarbibliotecasdoKicad1Click);
  connect(Carregarbibliotecaparaedio1, &QAction::triggered, this,
          &TfTrevak::Carregarbibliotecaparaedio1Click);
  connect(Salvarbibliotecaemedio1, &QAction::triggered, this,
          &TfTrevak::Salvarbibliotecaemedio1Click);
  connect(Criarnovabibliotecaparaedio1, &QAction::triggered, this,
          &TfTrevak::Criarnovabibliotecaparaedio1Click);
  connect(Sair1, &QAction::triggered, this, &TfTrevak::Sair1Click);
  connect(m_exact->toggle(), &QAction::toggled, this, &TfTrevak::Desenhoexato1Click);
  connect(Exportarbibliotecaparakicad1, &QAction::triggered, this,
          &TfTrevak::Exportarbibliotecaparakicad1Click);
  connect(Salvar1, &QAction::triggered, this, &TfTrevak::Salvar1Click);
  connect(Desfazer1, &QAction::triggered, this, &TfTrevak::Desfazer1Click);
  connect(Refazer1, &QAction::triggered, this, &TfTrevak::Refazer1Click);
  Desfazer1->setEnabled(false);
  Refazer1->setEnabled(false);
  connect(&m_history->stack(), &QUndoStack::canUndoChanged, Desfazer1, &QAction::setEnabled);
  connect(&m_history->stack(), &QUndoStack::canRedoChanged, Refazer1, &QAction::setEnabled);
  nameUndoSteps(m_history->stack(), *Desfazer1, *Refazer1);
  enableWhileFilled(*m_editNames, {Salvar1, Exportarbibliotecaparakicad1});
  connect(m_about, &QAction::triggered, this, [this] { m_prompts->showAbout(aboutText()); });
  connect(m_history, &EditHistory::modifiedChanged, this, [this] {
    showEditLibraryTitle(*this, m_editFile, titleText(), isModified());
    m_status->libraryModified(isModified());
  });
  connect(m_editCommands.copy, &QAction::triggered, this, &TfTrevak::RxSB_copiarClick);
  connect(m_editCommands.remove, &QAction::triggered, this, &TfTrevak::RxSB_apagarClick);
  connect(m_editCommands.rename, &QAction::triggered, this, [this] { renameCurrentRow(*DBGrid1); });
  connect(m_editCommands.find, &QAction::triggered, m_searchPane, &SearchPane::focusFilter);
  DBGrid1->setNameCommitted([this] { runReported([this] { m_history->commitEdits(); }); });

  RxMD_comp.setAfterEdit([this] { RxMD_compAfterEdit(); });
  DS_comp->setDataChangeHandler([this] { DS_compDataChange(); });
  DS_comp2->setDataChangeHandler([this] { DS_comp2DataChange(); });
  DS_comp->setErrorHandler([this](const std::exception& e) { reportFailure(e); });
  DS_comp2->setErrorHandler([this](const std::exception& e) { reportFailure(e); });
}

void TfTrevak::FormCreate() {
  setWindowTitle(titleText());
  m_drawing.escala = 100;
  m_drawing.escala_edicao = 100;
  m_drawing.escala_pesquisa = 100;
  m_drawing.imagem_trabalho = &Image1;
}

void TfTrevak::setUpKeyboard() {
  QLineEdit* filter = m_searchPane->filterEdit();
  // The daily path first: find, pick, copy, walk, then the edit library and its tools.
  chainTabOrder({filter,        DBGrid2,        RxSB_copiar, BitBtn7,     BitBtn8,     BitBtn9,
                 BitBtn10,      DBGrid1,        RxSB_apagar, SB_salvar,   SB_carregar, RxSB_limpar,
                 TabControl1,   textlistbox1,   RxSpeedButton2, SB_ajustar1, RxSpeedButton4,
                 RxSwitch1,     ScrollBox1,     Button1,     Button2,     BitBtn1,     BitBtn2,
                 BitBtn3,       RxSB_carregar2, PageControl1, DBRE_comp2, SB_ajustar2, ScrollBox2,
                 BitBtn4,       BitBtn5,        BitBtn6});
  leadFilterIntoResults(*filter, *DBGrid2);
  keepWindowShortcuts(*this);
}

// --- error report -------------------------------------------------------------------------

template <typename Body>
void TfTrevak::runReported(Body&& body) {
  try {
    body();
  } catch (const std::exception& failure) {
    reportFailure(failure);
  }
}

void TfTrevak::reportFailure(const std::exception& failure) {
  if (const auto* notLibrary = dynamic_cast<const NotALibraryError*>(&failure)) {
    m_prompts->showError(tr("O arquivo \"%1\" não é uma biblioteca de módulos do KiCad: a primeira "
                            "linha não começa com PCBNEW-LibModule-V e não há nenhuma linha $MODULE.")
                             .arg(QString::fromUtf8(notLibrary->path().c_str())));
    return;
  }
  m_prompts->showError(withFullStop(QString::fromUtf8(failure.what())));
}

// --- loading --------------------------------------------------------------------------------

bool TfTrevak::isModified() const { return m_history->isModified(); }

bool TfTrevak::mayDiscardEditLibrary() {
  if (!isModified()) return true;
  QString library = m_editFile.isEmpty() ? Panel5->text() : m_editFile;
  if (library.isEmpty()) library = tr("(sem nome)");
  switch (m_prompts->confirmDiscard(library)) {
    case DiscardAnswer::Discard:
      return true;
    case DiscardAnswer::Save:
      // As "Salvar" does, its dialog included while the library has no file; a save that
      // failed or was cancelled keeps the work, and the command stops here.
      Salvar1Click();
      return !isModified();
    case DiscardAnswer::Cancel:
      break;
  }
  return false;
}

void TfTrevak::tell(const QString& message) { m_status->show(message); }

void TfTrevak::setEditName(const QString& caption, const QString& file) {
  Panel5->setText(caption);
  m_editFile = file;
  showEditLibraryTitle(*this, file, titleText(), isModified());
  showEditFormat();
}

QString TfTrevak::initialFolderFor(const QString& fileName, FileDialogKind dialog) const {
  // A full path takes the dialog to its folder; otherwise the folder the dialog was last left
  // in, and the module folder before that.
  if (QFileInfo(fileName).isAbsolute()) return {};
  const QString remembered = rememberedFolder(dialog);
  if (!remembered.isEmpty()) return remembered;
  if (!fileName.isEmpty() || m_options.moduleFolder.isEmpty()) return {};
  return QDir(m_options.moduleFolder).exists() ? m_options.moduleFolder : QString();
}

void TfTrevak::loadEditLibraryFile(const QString& path) {
  if (isFootprintLibrary(path)) {
    loadEditFolder(path);
    return;
  }
  // The reader fills the table only once the whole file was read, and refuses a file that is
  // no library, so a failure leaves the library, the flag and the caption as they were.
  LoadWarnings warnings;
  // Taken before reading: a change made while the file is read counts as a change too.
  const std::optional<FileIdentity> identity = fileIdentityOf(pathBytes(path));
  loadLibraryFile(pathBytes(path), RxMD_comp, &warnings);
  m_history->clear();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  m_editIdentityFile = absolute;
  m_editIdentity = identity;
  setEditName(absolute, absolute);
  m_editRecent->add(absolute);
  m_loadWarnings->showFindings(absolute, warnings.findings());
  tell(tr("%1 em %2")
           .arg(counted(static_cast<std::size_t>(RxMD_comp.RecordCount()), tr("módulo carregado"),
                        tr("módulos carregados")),
                absolute));
}

void TfTrevak::loadSearchLibraryFile(const QString& path) {
  LoadWarnings warnings;
  loadLibraryFile(pathBytes(path), RxMD_comp2, &warnings);
  const QString absolute = QFileInfo(path).absoluteFilePath();
  panel6->setText(absolute);
  m_searchRecent->add(absolute);
  m_loadWarnings->showFindings(absolute, warnings.findings());
  tell(searchLoadedText(RxMD_comp2, absolute));
}

void TfTrevak::openEditLibrary(const QString& path) {
  runReported([&] {
    if (!mayDiscardEditLibrary()) return;
    loadEditLibraryFile(path);
  });
}

void TfTrevak::openSearchLibrary(const QString& path) {
  if (QFileInfo(path).isDir() || isFootprintLibrary(path)) {
    openSearchSources({path});
    return;
  }
  runReported([&] { loadSearchLibraryFile(path); });
}

void TfTrevak::openSearchSources(const QStringList& sources) {
  runReported([&] { loadSearchSources(sources); });
}

void TfTrevak::loadSearchSources(const QStringList& sources) {
  // A folder goes into the recent list as a file does; a hand-picked set of files has no one
  // path to stand for it.
  if (m_searchPane->loadSources(sources) && sources.size() == 1 && QFileInfo(sources[0]).isDir()) {
    m_searchRecent->add(QFileInfo(sources[0]).absoluteFilePath());
  }
}

void TfTrevak::SB_carregarClick() {
  runReported([this] {
    FileDialogRequest request;
    request.filters = editFilters();
    request.defaultSuffix = QStringLiteral("mod");
    request.fileName = Panel5->text();
    request.initialFolder = initialFolderFor(request.fileName, FileDialogKind::EditOpen);
    request.acceptPrettyFolders = true;
    const std::optional<QString> path = m_prompts->askOpenPath(request);
    if (!path) return;
    // Asked once the user chose a file: cancelling the dialog needs no answer about the work.
    if (!mayDiscardEditLibrary()) return;
    rememberFolder(FileDialogKind::EditOpen, *path);
    loadEditLibraryFile(*path);
  });
}

void TfTrevak::RxSB_carregar2Click() {
  runReported([this] {
    FileDialogRequest request;
    request.filters =
        QStringList{tr("Módulos e pegadas KiCad (*.mod *.kicad_mod)")} + searchFilters();
    request.defaultSuffix = QStringLiteral("mod");
    request.fileName = m_searchDialogFileName;
    request.initialFolder = initialFolderFor(request.fileName, FileDialogKind::SearchOpen);
    const std::optional<QStringList> paths = m_prompts->askOpenPaths(request);
    if (!paths || paths->isEmpty()) return;
    rememberFolder(FileDialogKind::SearchOpen, paths->first());
    m_searchDialogFileName = paths->first();
    // One legacy file loads as it always did; several, or footprint files, make a set.
    if (paths->size() == 1 && !isFootprintLibrary(paths->first())) {
      loadSearchLibraryFile(paths->first());
    } else {
      loadSearchSources(*paths);
    }
  });
}

// --- saving and the editing commands --------------------------------------------------------

void TfTrevak::saveEditLibraryTo(const QString& path) {
  if (editIsPretty() || hasPrettySuffix(pathBytes(path)) ||
      PrettyEditFolder::holdsFootprintFiles(RxMD_comp)) {
    saveEditFolderTo(path);
    return;
  }
  const QString target = QFileInfo(path).absoluteFilePath();
  if (target == m_editIdentityFile && m_editIdentity) {
    const std::optional<FileIdentity> now = fileIdentityOf(pathBytes(target));
    if (now && *now != *m_editIdentity && !m_prompts->confirmOverwriteChanged(target)) {
      tell(tr("Não salvo: o arquivo foi mudado por outro programa"));
      return;
    }
  }
  SaveOptions options;
  options.time = headerTimeNow();
  options.files = m_options.saveFiles;
  SaveOwnership ownership;
  options.ownership = &ownership;
  saveLibrary(RxMD_comp, pathBytes(path), options);
  m_history->markClean();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  m_editIdentityFile = absolute;
  m_editIdentity = fileIdentityOf(pathBytes(absolute));
  setEditName(absolute, absolute);
  m_editRecent->add(absolute);
  QString saved = tr("Biblioteca salva em %1").arg(absolute);
  if (ownership.ownerLost) {
    saved += ownership.groupLost ? tr(" (o dono e o grupo do arquivo não puderam ser mantidos)")
                                 : tr(" (o dono do arquivo não pôde ser mantido)");
  }
  m_status->showUntilChanged(saved);
}

void TfTrevak::SB_salvarClick() {
  runReported([this] {
    m_history->commitEdits();
    if (RxMD_comp.IsEmpty()) {
      m_prompts->showError(libraryText(kEmptyLibraryMessage));
      return;
    }
    FileDialogRequest request;
    request.title = tr("Salvar Biblioteca");
    request.defaultSuffix = QStringLiteral("mod");
    request.fileName = Panel5->text();
    request.initialFolder = QStringLiteral(".");
    if (!QFileInfo(request.fileName).isAbsolute()) {
      const QString remembered = rememberedFolder(FileDialogKind::Save);
      if (!remembered.isEmpty()) request.initialFolder = remembered;
    }
    request.confirmOverwrite = true;
    request.acceptPrettyFolders = editIsPretty();
    // Walking the library must not redraw the edit pane at every module; the flag also keeps
    // the final move to the first module from redrawing, so the preview stays as it was.
    const RedrawSuppression::Guard suppressed(m_redrawSuppression);
    const std::optional<QString> path = m_prompts->askSavePath(request);
    if (path) {
      saveEditLibraryTo(*path);
      rememberFolder(FileDialogKind::Save, *path);
    }
    RxMD_comp.MoveFirst();
  });
}

void TfTrevak::Salvar1Click() {
  runReported([this] {
    m_history->commitEdits();
    if (editIsPretty()) {
      saveEditFolderTo(m_editFile);
      return;
    }
    if (m_editFile.isEmpty() || RxMD_comp.IsEmpty()) {
      SB_salvarClick();
      return;
    }
    const RedrawSuppression::Guard suppressed(m_redrawSuppression);
    saveEditLibraryTo(m_editFile);
    RxMD_comp.MoveFirst();
  });
}

void TfTrevak::RxSB_limparClick() {
  runReported([this] {
    if (!mayDiscardEditLibrary()) return;
    // An empty new library is nothing to lose.
    m_history->pushNewStart(new CmdNewLibrary(
        RxMD_comp,
        [this](const QString& caption, const QString& file) { setEditName(caption, file); },
        Panel5->text(), m_editFile));
    tell(tr("Nova biblioteca"));
  });
}

void TfTrevak::RxSB_apagarClick() {
  runReported([this] {
    m_history->commitEdits();
    if (RxMD_comp.IsEmpty()) return;
    std::vector<int> rows = selectedRows(*DBGrid1);
    if (rows.empty()) return;
    const std::size_t n = rows.size();
    m_history->push(new CmdDeleteModules(RxMD_comp, std::move(rows)));
    tell(counted(n, tr("módulo apagado"), tr("módulos apagados")));
  });
}

void TfTrevak::RxSB_copiarClick() {
  runReported([this] {
    m_history->commitEdits();
    if (RxMD_comp2.IsEmpty()) return;
    const std::vector<int> rows = selectedRows(*DBGrid2);
    const bool single = rows.size() <= 1;
    if (editIsPretty()) {
      copyIntoEditFolder(single ? std::vector<int>{RxMD_comp2.currentIndex()} : rows);
      return;
    }
    if (single && RxMD_comp2.recordAt(RxMD_comp2.currentIndex()).format == ModuleFormat::Legacy) {
      // One module: the name is looked up as ever, and a present one is shown.
      if (RxMD_comp.LocateName(RxMD_comp2.GetField("nome_Componente"))) {
        m_prompts->showError(libraryText(kDuplicateModuleMessage));
        tell(tr("1 já existe"));
        return;
      }
    }
    CopyPlan plan = planCopy(RxMD_comp2, single ? std::vector<int>{RxMD_comp2.currentIndex()} : rows,
                             RxMD_comp);
    const std::size_t copied = plan.modules.size();
    const std::size_t present = plan.duplicates.size();
    if (!plan.otherFormat.empty()) {
      QStringList names;
      for (const std::string& name : plan.otherFormat) names << QString::fromUtf8(name);
      m_prompts->showError(tr("Pegadas .kicad_mod não cabem numa biblioteca .mod; use a "
                              "exportação para uma pasta .pretty.\n\nNão copiados:\n") +
                           names.join(QLatin1Char('\n')));
    }
    if (copied > 0) {
      m_history->push(new CmdCopyModules(RxMD_comp, std::move(plan.modules), plan.unit));
    }
    if (present > 0) {
      QStringList names;
      for (const std::string& name : plan.duplicates) names << QString::fromLatin1(name);
      m_prompts->showError(libraryText(kDuplicateModuleMessage) + QStringLiteral("\n\n") +
                           tr("Não copiados:\n") + names.join(QLatin1Char('\n')));
    }
    QStringList parts;
    if (copied > 0 || present == 0)
      parts << counted(copied, tr("módulo copiado"), tr("módulos copiados"));
    if (present > 0) parts << counted(present, tr("já existe"), tr("já existem"));
    tell(parts.join(QStringLiteral(", ")));
  });
}

void TfTrevak::RxSpeedButton2Click() {
  runReported([this] {
    m_history->commitEdits();
    if (RxMD_comp.IsEmpty()) return;
    if (editIsPretty()) {
      stripEditFolderPrefix();
      return;
    }
    auto* command = new CmdStripPrefix(RxMD_comp, pathBytes(Panel5->text()));
    const QString prefix = QString::fromLatin1(command->prefix());
    const int before = m_history->stack().index();
    const std::vector<std::string> kept = command->kept();
    m_history->push(command);
    QString text = m_history->stack().index() == before
                       ? tr("Nenhum nome com o prefixo %1").arg(prefix)
                       : tr("Prefixo %1 tirado dos nomes").arg(prefix);
    // Names that would come out empty or taken keep their prefix; the user is told which.
    tell(text + keptNamesText(kept));
  });
}

QString TfTrevak::keptNamesText(const std::vector<std::string>& kept) {
  if (kept.empty()) return {};
  QStringList names;
  for (const std::string& name : kept) names << QString::fromLatin1(name);
  return tr("; mantidos (ficariam vazios ou repetidos): %1").arg(names.join(QStringLiteral(", ")));
}

void TfTrevak::RxSpeedButton4Click() {
  runReported([this] {
    m_history->commitEdits();
    if (RxMD_comp.IsEmpty()) return;
    if (editIsPretty()) {
      fillEditFolderNames();
      return;
    }
    const int before = m_history->stack().index();
    m_history->push(new CmdFillNames(RxMD_comp));
    tell(m_history->stack().index() == before ? tr("Nenhum >NAME para preencher")
                                              : tr("Nomes escritos no lugar de >NAME"));
  });
}

void TfTrevak::Desfazer1Click() {
  runReported([this] {
    const QString text = m_history->stack().undoText();
    m_history->undo();
    if (!text.isEmpty()) tell(tr("Desfeito: %1").arg(text));
  });
}

void TfTrevak::Refazer1Click() {
  runReported([this] {
    const QString text = m_history->stack().redoText();
    m_history->redo();
    if (!text.isEmpty()) tell(tr("Refeito: %1").arg(text));
  });
}

void TfTrevak::BitBtn7Click() {
  runReported([this] {
    m_history->commitEdits();
    moveBoth(RxMD_comp, RxMD_comp2, Move::First);
  });
}

void TfTrevak::BitBtn8Click() {
  runReported([this] {
    m_history->commitEdits();
    moveBoth(RxMD_comp, RxMD_comp2, Move::Next);
  });
}

void TfTrevak::BitBtn9Click() {
  runReported([this] {
    m_history->commitEdits();
    moveBoth(RxMD_comp, RxMD_comp2, Move::Prior);
  });
}

void TfTrevak::BitBtn10Click() {
  runReported([this] {
    m_history->commitEdits();
    moveBoth(RxMD_comp, RxMD_comp2, Move::Last);
  });
}

void TfTrevak::RxMD_compAfterEdit() { m_history->recordOpened(); }

// --- preview ------------------------------------------------------------------------------

void TfTrevak::DS_compDataChange() {
  if (m_redrawSuppression.raised()) return;
  redrawEditPane();
  Label1->setNum(RxMD_comp.RecordCount());
}

void TfTrevak::DS_comp2DataChange() {
  redrawSearchPane();
  Label2->setText(searchCountText(RxMD_comp2));
}

void TfTrevak::converter() {
  if (RxMD_comp.IsEmpty()) return;
  const std::string body = textlistbox1->body();
  const int row = RxMD_comp.currentIndex();
  const ModuleFormat format =
      row >= 0 && row < RxMD_comp.RecordCount() ? RxMD_comp.recordAt(row).format : ModuleFormat::Legacy;
  if (m_exact->isOn() || ExactPanes::drawsAlways(format)) {
    m_exact->draw(Image2, body, RxMD_comp.unit(), m_drawing.escala, RxSwitch1->isChecked(), format);
    return;
  }
  m_exact->sketched(Image2);
  redesenhar(m_drawing, splitBodyLines(body), RxSwitch1->isChecked(), RxMD_comp.unit());
  showPicture(Image2, m_editPicture);
}

void TfTrevak::converter2() {
  if (RxMD_comp2.IsEmpty()) return;
  const std::string body = DBRE_comp2->body();
  const int row = RxMD_comp2.currentIndex();
  const ModuleFormat format =
      row >= 0 && row < RxMD_comp2.RecordCount() ? RxMD_comp2.recordAt(row).format : ModuleFormat::Legacy;
  if (m_exact->isOn() || ExactPanes::drawsAlways(format)) {
    m_exact->draw(Image3, body, RxMD_comp2.currentUnit(), m_drawing.escala, RxSwitch1->isChecked(),
                  format);
    if (!m_exact->isOn()) {
      tell(tr("Módulo .kicad_mod: mostrado no desenho exato (o esboço lê apenas linhas de "
              "bibliotecas .mod)"));
    }
    return;
  }
  m_exact->sketched(Image3);
  redesenhar(m_drawing, splitBodyLines(body), RxSwitch1->isChecked(), RxMD_comp2.currentUnit());
  showPicture(Image3, m_searchPicture);
}

void TfTrevak::showPicture(PreviewWidget* image, const PanePicture& picture) {
  const int w = std::clamp(picture.width, 0, kMaxPictureSide);
  const int h = std::clamp(picture.height, 0, kMaxPictureSide);
  image->setImage(paneImage(picture));
  image->resize(w, h);
  image->parentWidget()->resize(image->x() + w, h);
}

void TfTrevak::Button1Click() {
  runReported([this] {
    limparEdicao(m_drawing, m_editPicture);
    showPicture(Image2, m_editPicture);
  });
}

void TfTrevak::Button2Click() {
  runReported([this] { redrawEditPane(); });
}

void TfTrevak::redrawEditPane() {
  m_drawing.imagem_destino = &m_editPicture;
  if (m_editNavigator != nullptr && m_editNavigator->fitting()) {
    m_drawing.escala_edicao =
        fitPane(*m_editNavigator, RxMD_comp, m_drawing.escala_edicao, &TfTrevak::converter);
    return;
  }
  m_drawing.escala = m_drawing.escala_edicao;
  converter();
}

void TfTrevak::redrawSearchPane() {
  // The pane shows the grid's current row or nothing: a filter that shows no module, or a
  // library loaded while it holds words, leaves no module of before in the picture.
  if (RxMD_comp2.IsEmpty()) {
    m_exact->forget(Image3);
    Image3->setImage(QImage());
    return;
  }
  m_drawing.imagem_destino = &m_searchPicture;
  if (m_searchNavigator != nullptr && m_searchNavigator->fitting()) {
    m_drawing.escala_pesquisa =
        fitPane(*m_searchNavigator, RxMD_comp2, m_drawing.escala_pesquisa, &TfTrevak::converter2);
    return;
  }
  m_drawing.escala = m_drawing.escala_pesquisa;
  converter2();
}

void TfTrevak::BitBtn1Click() {
  if (m_drawing.escala_edicao < 50) return;
  m_editNavigator->setFitting(false);
  m_drawing.escala_edicao -= 10;
  runReported([this] { redrawEditPane(); });
}

void TfTrevak::BitBtn2Click() {
  if (m_drawing.escala_edicao > 200) return;
  m_editNavigator->setFitting(false);
  // From a fitted scale past the buttons' largest drawing, back to that drawing.
  m_drawing.escala_edicao =
      m_drawing.escala_edicao < kMinPaneScale ? kMinPaneScale : m_drawing.escala_edicao + 10;
  runReported([this] { redrawEditPane(); });
}

void TfTrevak::BitBtn3Click() {
  m_editNavigator->setFitting(false);
  m_drawing.escala_edicao = 100;
  runReported([this] { redrawEditPane(); });
}

void TfTrevak::BitBtn4Click() {
  if (m_drawing.escala_pesquisa < 50) return;
  m_searchNavigator->setFitting(false);
  m_drawing.escala_pesquisa -= 10;
  runReported([this] { redrawSearchPane(); });
}

void TfTrevak::BitBtn5Click() {
  if (m_drawing.escala_pesquisa > 200) return;
  m_searchNavigator->setFitting(false);
  // From a fitted scale past the buttons' largest drawing, back to that drawing.
  m_drawing.escala_pesquisa =
      m_drawing.escala_pesquisa < kMinPaneScale ? kMinPaneScale : m_drawing.escala_pesquisa + 10;
  runReported([this] { redrawSearchPane(); });
}

void TfTrevak::BitBtn6Click() {
  m_searchNavigator->setFitting(false);
  m_drawing.escala_pesquisa = 100;
  runReported([this] { redrawSearchPane(); });
}

void TfTrevak::RxSwitch1Click() {
  runReported([this] { DS_compDataChange(); });
}

void TfTrevak::Desenhoexato1Click() {
  runReported([this] {
    if (!m_redrawSuppression.raised()) redrawEditPane();
    redrawSearchPane();
  });
}

// --- menu and shut-down -------------------------------------------------------------------

void TfTrevak::Carregarbibliotecadepesquisa1Click() { RxSB_carregar2Click(); }

void TfTrevak::CarregarbibliotecasdoKicad1Click() { loadKicadLibraries(); }

void TfTrevak::loadKicadLibraries(const QString& projectFolder) {
  runReported([this, projectFolder] {
    const KicadTableSet set = kicadTableSet(projectFolder);
    if (set.globalTable.isEmpty()) {
      m_prompts->showError(tr("O KiCad ainda não tem tabela global de bibliotecas de footprints "
                              "(o KiCad nunca foi iniciado)."));
      return;
    }
    if (set.libraries.empty()) {
      m_prompts->showError(tr("Nenhuma biblioteca habilitada em %1").arg(set.globalTable) +
                           QLatin1Char('\n') + set.problems.join(QLatin1Char('\n')));
      return;
    }
    m_searchPane->loadNamed(set.libraries, tr("Bibliotecas do KiCad"));
    if (!set.problems.isEmpty()) {
      m_prompts->showSummary(tr("Algumas linhas da tabela de bibliotecas do KiCad não foram carregadas."),
                             set.problems.join(QLatin1Char('\n')));
    }
  });
}

void TfTrevak::Carregarpastadeorigem1Click() {
  runReported([this] {
    FileDialogRequest request;
    request.title = tr("Carregar pasta de pesquisa");
    // The dialog opens on a folder with an empty name field: the folder loaded last, or the
    // folder of the file loaded last, or where the open dialog starts.
    QFileInfo last(m_searchDialogFileName);
    if (!m_searchDialogFileName.isEmpty() && last.isDir()) {
      request.initialFolder = last.absoluteFilePath();
    } else if (!m_searchDialogFileName.isEmpty() && last.isFile()) {
      request.initialFolder = last.absolutePath();
    } else {
      request.initialFolder = initialFolderFor(QString(), FileDialogKind::SearchOpen);
    }
    const std::optional<QString> folder = m_prompts->askFolder(request);
    if (!folder) return;
    rememberFolder(FileDialogKind::SearchOpen, *folder + QStringLiteral("/"));
    m_searchDialogFileName = *folder;
    loadSearchSources({*folder});
  });
}

void TfTrevak::Carregarbibliotecaparaedio1Click() { SB_carregarClick(); }

void TfTrevak::Salvarbibliotecaemedio1Click() { SB_salvarClick(); }

void TfTrevak::Criarnovabibliotecaparaedio1Click() { RxSB_limparClick(); }

void TfTrevak::Sair1Click() { close(); }

void TfTrevak::Exportarbibliotecaparakicad1Click() {
  runReported([this] {
    // The walk reads the records only; the panes need no redraw meanwhile.
    const RedrawSuppression::Guard suppressed(m_redrawSuppression);
    const QString folder =
        exportEditLibraryToKicad(RxMD_comp, Panel5->text(), *m_prompts, m_options.saveFiles);
    if (!folder.isEmpty()) m_tableAddition->exported(folder);
  });
}

void TfTrevak::closeEvent(QCloseEvent* event) {
  // The load's own event loop runs inside a handler of this window: stop it first.
  if (m_searchPane->loading()) {
    m_searchPane->cancelLoad();
    event->ignore();
    return;
  }
  // Leaving would drop unsaved modules without a word; it asks as loading and "nova" do.
  if (!mayDiscardEditLibrary()) {
    event->ignore();
    return;
  }
  storeSettings();
  event->accept();
}

}  // namespace trevak
