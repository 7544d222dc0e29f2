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
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <string>
#include <utility>

#include "app/body_view.h"
#include "app/data_source.h"
#include "app/dock_panel.h"
#include "app/error_report.h"
#include "app/header_strip.h"
#include "app/module_list_model.h"
#include "app/name_grid.h"
#include "app/preview_widget.h"
#include "app/preview_zoom.h"
#include "app/recent_libraries.h"
#include "app/settings.h"
#include "app/text_switch.h"
#include "app/version.h"
#include "app/window_layout.h"
#include "drawing/preview.h"
#include "library/body_lines.h"
#include "library/library_commands.h"
#include "library/library_reader.h"
#include "library/library_writer.h"

// The icons live in this static library; their resource must be registered by name.
static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace trevak {

namespace {

const QString kTitle = QStringLiteral("Trevak %1 - Criação/cópia de módulos p/KiCad")
                          .arg(QLatin1String(versionText()));
const QStringList kEditFilters = {QStringLiteral("Modulos (*.mod)"), QStringLiteral("PCBs (*.brd)"),
                                  QStringLiteral("Todos arquivos (*)")};
const QStringList kSearchFilters = {QStringLiteral("Módulos (*.mod)"),
                                    QStringLiteral("PCBs (*.brd)"),
                                    QStringLiteral("Todos arquivos (*)")};

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
  tabs->addTab(*contents, QStringLiteral("Conteúdo"));
  tabs->addTab(*commands, QStringLiteral("Comandos"));
  tabs->addTab(tests, QStringLiteral("testes"));
  tabs->setTabVisible(2, false);
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
  buildMenu();

  m_editNames = new ModuleListModel(RxMD_comp, true, this);
  m_searchNames = new ModuleListModel(RxMD_comp2, false, this);
  DBGrid1->setModel(m_editNames);
  DBGrid2->setModel(m_searchNames);
  DS_comp = std::make_unique<DataSource>(RxMD_comp, *m_editNames, *DBGrid1, *textlistbox1);
  DS_comp2 = std::make_unique<DataSource>(RxMD_comp2, *m_searchNames, *DBGrid2, *DBRE_comp2);
  connectHandlers();

  // The tables are open and empty: their data sources show that once (the labels read 0).
  DS_comp->refresh();
  DS_comp2->refresh();

  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
  m_panes->setSizes({kEditPaneWidth, kStripWidth, kSearchPaneWidth});
  move(195, 107);
  FormCreate();

  buildViewTools();
  installGrowingPanes(this, {kEditPaneWidth, kClientHeight}, {kSearchPaneWidth, kClientHeight});
  restoreSettings();
}

TfTrevak::~TfTrevak() {
  // The views go before the tables they show; no notification may reach them on the way.
  DS_comp.reset();
  DS_comp2.reset();
  RxMD_comp.setAfterEdit({});
  delete takeCentralWidget();
}

void TfTrevak::buildEditPane(DockPanel* panel) {
  Panel5 = new HeaderStrip(QStringLiteral("Edição"), "Label3", {7, 3}, panel);
  Panel5->setObjectName(QStringLiteral("Panel5"));
  panel->setHeaderStrip(Panel5, kHeaderHeight);
  SB_carregar = iconButton(panel, "SB_carregar", "open_library",
                           QStringLiteral("Carregar biblioteca"), 18, 54);
  RxSB_limpar =
      iconButton(panel, "RxSB_limpar", "new_library", QStringLiteral("Nova biblioteca"), 19, 105);
  SB_salvar = iconButton(panel, "SB_salvar", "save_library", QStringLiteral("Salvar ..."), 18, 152);
  RxSB_apagar =
      iconButton(panel, "RxSB_apagar", "delete_module", QStringLiteral("Apagar..."), 18, 209);
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
  RxSpeedButton2->setToolTip(QStringLiteral("Tirar prefixo.."));
  // Six characters in 30 pixels: the condensed face of the window's font fits them.
  QFont condensed = RxSpeedButton2->font();
  condensed.setFamily(QStringLiteral("DejaVu Sans Condensed"));
  RxSpeedButton2->setFont(condensed);
  RxSpeedButton4 = place(new QToolButton(panel), "RxSpeedButton4", 332, 356, 30, 24);
  RxSpeedButton4->setText(QStringLiteral("Nome"));
  RxSpeedButton4->setToolTip(QStringLiteral("copiar nome"));
  QFont small = RxSpeedButton4->font();
  small.setPointSize(7);
  RxSpeedButton4->setFont(small);
  RxSwitch1 = place(new TextSwitch(panel), "RxSwitch1", 329, 387, 36, 44);
  RxSwitch1->setToolTip(QStringLiteral("Apresentar textos"));

  Button1 = pushButton(panel, "Button1", QStringLiteral("Apagar"), 7, 553, 60, 25);
  Button2 = pushButton(panel, "Button2", QStringLiteral("Converter"), 74, 553, 62, 25);
  BitBtn1 = pushButton(panel, "BitBtn1", QStringLiteral("+ Zoom"), 171, 553, 52, 25);
  BitBtn2 = pushButton(panel, "BitBtn2", QStringLiteral("- Zoom"), 233, 553, 48, 25);
  BitBtn3 = pushButton(panel, "BitBtn3", QStringLiteral("Normal"), 294, 553, 57, 25);

  panel->setFileDropped([this](const QString& path) { openEditLibrary(path); });
}

void TfTrevak::buildNavigationStrip(DockPanel* panel) {
  BitBtn7 = pushButton(panel, "BitBtn7", QStringLiteral("Primeiro"), 6, 109, 52, 25);
  BitBtn8 = pushButton(panel, "BitBtn8", QStringLiteral("Proximo"), 6, 138, 52, 25);
  BitBtn9 = pushButton(panel, "BitBtn9", QStringLiteral("Anterior"), 6, 167, 52, 25);
  BitBtn10 = pushButton(panel, "BitBtn10", QStringLiteral("Último"), 6, 197, 52, 25);
}

void TfTrevak::buildSearchPane(DockPanel* panel) {
  panel6 = new HeaderStrip(QStringLiteral("Pesquisa"), "Label4", {10, 4}, panel);
  panel6->setObjectName(QStringLiteral("panel6"));
  panel->setHeaderStrip(panel6, kHeaderHeight);
  RxSB_carregar2 = iconButton(panel, "RxSB_carregar2", "open_library",
                              QStringLiteral("Carregar origem"), 17, 54);
  RxSB_copiar =
      iconButton(panel, "RxSB_copiar", "copy_module", QStringLiteral("Copiar..."), 17, 157);
  Label2 = place(new QLabel(QStringLiteral("0"), panel), "Label2", 20, 221, 42, 13);

  QWidget* contents = nullptr;
  QWidget* commands = nullptr;
  PageControl1 = pageControl(panel, "PageControl1", 63, 42, &contents, &commands);
  DBGrid2 = place(new NameGrid(false, contents), "DBGrid2", 3, 8, 279, 185);
  DBRE_comp2 = place(new BodyView(commands), "DBRE_comp2", 6, 5, 279, 191);

  ScrollBox2 = scrollBox(panel, "ScrollBox2", "Image3", 41, 274, 1, &Image3);
  showPicture(Image3, m_searchPicture);

  BitBtn4 = pushButton(panel, "BitBtn4", QStringLiteral("+ Zoom"), 171, 553, 52, 25);
  BitBtn5 = pushButton(panel, "BitBtn5", QStringLiteral("- Zoom"), 233, 553, 48, 25);
  BitBtn6 = pushButton(panel, "BitBtn6", QStringLiteral("Normal"), 295, 553, 57, 25);

  panel->setFileDropped([this](const QString& path) { openSearchLibrary(path); });
}

void TfTrevak::buildMenu() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("Arquivo"));
  menu->setObjectName(QStringLiteral("Arquivo1"));
  auto item = [menu](const char* name, const QString& caption, const QKeySequence& keys) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    return action;
  };
  Carregarbibliotecadepesquisa1 =
      item("Carregarbibliotecadepesquisa1", QStringLiteral("Carregar biblioteca de pesquisa..."),
           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
  Carregarbibliotecaparaedio1 =
      item("Carregarbibliotecaparaedio1", QStringLiteral("Carregar biblioteca para edição..."),
           QKeySequence(Qt::CTRL | Qt::Key_O));
  Salvarbibliotecaemedio1 = item("Salvarbibliotecaemedio1",
                                 QStringLiteral("Salvar biblioteca em edição"),
                                 QKeySequence(Qt::CTRL | Qt::Key_S));
  Criarnovabibliotecaparaedio1 =
      item("Criarnovabibliotecaparaedio1", QStringLiteral("Criar nova biblioteca para edição"),
           QKeySequence(Qt::CTRL | Qt::Key_N));
  menu->addSeparator();
  Sair1 = item("Sair1", QStringLiteral("Sair"), QKeySequence(Qt::CTRL | Qt::Key_Q));
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
  connect(Carregarbibliotecaparaedio1, &QAction::triggered, this,
          &TfTrevak::Carregarbibliotecaparaedio1Click);
  connect(Salvarbibliotecaemedio1, &QAction::triggered, this,
          &TfTrevak::Salvarbibliotecaemedio1Click);
  connect(Criarnovabibliotecaparaedio1, &QAction::triggered, this,
          &TfTrevak::Criarnovabibliotecaparaedio1Click);
  connect(Sair1, &QAction::triggered, this, &TfTrevak::Sair1Click);

  RxMD_comp.setAfterEdit([this] { RxMD_compAfterEdit(); });
  DS_comp->setDataChangeHandler([this] { DS_compDataChange(); });
  DS_comp2->setDataChangeHandler([this] { DS_comp2DataChange(); });
  DS_comp->setErrorHandler([this](const std::exception& e) { reportFailure(e); });
  DS_comp2->setErrorHandler([this](const std::exception& e) { reportFailure(e); });
}

void TfTrevak::FormCreate() {
  setWindowTitle(kTitle);
  m_drawing.escala = 100;
  m_drawing.escala_edicao = 100;
  m_drawing.escala_pesquisa = 100;
  m_drawing.imagem_trabalho = &Image1;
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
  m_prompts->showError(withFullStop(QString::fromUtf8(failure.what())));
}

// --- loading --------------------------------------------------------------------------------

bool TfTrevak::mayDiscardEditLibrary() { return !m_modified || m_prompts->confirmDiscard(); }

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
  // The reader fills the table only once the whole file was read, so a failure leaves the
  // library, the flag and the caption as they were.
  loadLibraryFile(pathBytes(path), RxMD_comp);
  m_modified = false;
  Panel5->setText(path);
  m_editRecent->add(path);
}

void TfTrevak::loadSearchLibraryFile(const QString& path) {
  loadLibraryFile(pathBytes(path), RxMD_comp2);
  panel6->setText(path);
  m_searchRecent->add(path);
}

void TfTrevak::openEditLibrary(const QString& path) {
  runReported([&] {
    if (!mayDiscardEditLibrary()) return;
    loadEditLibraryFile(path);
  });
}

void TfTrevak::openSearchLibrary(const QString& path) {
  runReported([&] { loadSearchLibraryFile(path); });
}

void TfTrevak::SB_carregarClick() {
  runReported([this] {
    if (!mayDiscardEditLibrary()) return;
    FileDialogRequest request;
    request.filters = kEditFilters;
    request.defaultSuffix = QStringLiteral("mod");
    request.fileName = Panel5->text();
    request.initialFolder = initialFolderFor(request.fileName, FileDialogKind::EditOpen);
    const std::optional<QString> path = m_prompts->askOpenPath(request);
    if (!path) return;
    rememberFolder(FileDialogKind::EditOpen, *path);
    loadEditLibraryFile(*path);
  });
}

void TfTrevak::RxSB_carregar2Click() {
  runReported([this] {
    FileDialogRequest request;
    request.filters = kSearchFilters;
    request.defaultSuffix = QStringLiteral("mod");
    request.fileName = m_searchDialogFileName;
    request.initialFolder = initialFolderFor(request.fileName, FileDialogKind::SearchOpen);
    const std::optional<QString> path = m_prompts->askOpenPath(request);
    if (!path) return;
    rememberFolder(FileDialogKind::SearchOpen, *path);
    m_searchDialogFileName = *path;
    loadSearchLibraryFile(*path);
  });
}

// --- saving and the editing commands --------------------------------------------------------

void TfTrevak::SB_salvarClick() {
  runReported([this] {
    if (RxMD_comp.IsEmpty()) {
      m_prompts->showError(QString::fromUtf8(kEmptyLibraryMessage.data(),
                                             static_cast<qsizetype>(kEmptyLibraryMessage.size())));
      return;
    }
    FileDialogRequest request;
    request.title = QStringLiteral("Salvar Biblioteca");
    request.defaultSuffix = QStringLiteral("mod");
    request.fileName = Panel5->text();
    request.initialFolder = QStringLiteral(".");
    if (!QFileInfo(request.fileName).isAbsolute()) {
      const QString remembered = rememberedFolder(FileDialogKind::Save);
      if (!remembered.isEmpty()) request.initialFolder = remembered;
    }
    request.confirmOverwrite = true;
    // Walking the library must not redraw the edit pane at every module; the flag also keeps
    // the final move to the first module from redrawing, so the preview stays as it was.
    const RedrawSuppression::Guard suppressed(m_redrawSuppression);
    const std::optional<QString> path = m_prompts->askSavePath(request);
    if (path) {
      SaveOptions options;
      options.time = headerTimeNow();
      options.files = m_options.saveFiles;
      saveLibrary(RxMD_comp, pathBytes(*path), options);
      m_modified = false;
      Panel5->setText(*path);
      rememberFolder(FileDialogKind::Save, *path);
      m_editRecent->add(*path);
    }
    RxMD_comp.MoveFirst();
  });
}

void TfTrevak::RxSB_limparClick() {
  runReported([this] {
    if (!mayDiscardEditLibrary()) return;
    newLibrary(RxMD_comp);
    m_modified = false;
    Panel5->setText(QString::fromUtf8(kNewLibraryCaption.data(),
                                      static_cast<qsizetype>(kNewLibraryCaption.size())));
  });
}

void TfTrevak::RxSB_apagarClick() {
  runReported([this] {
    if (RxMD_comp.IsEmpty()) return;
    m_modified = true;
    deleteCurrentModule(RxMD_comp);
  });
}

void TfTrevak::RxSB_copiarClick() {
  runReported([this] {
    switch (copyCurrentModule(RxMD_comp2, RxMD_comp)) {
      case CopyResult::NothingToCopy:
        break;
      case CopyResult::Duplicate:
        m_prompts->showError(
            QString::fromUtf8(kDuplicateModuleMessage.data(),
                              static_cast<qsizetype>(kDuplicateModuleMessage.size())));
        break;
      case CopyResult::Copied:
        // A copied module is unsaved work: loading another library or starting a new one must
        // ask before dropping it.
        m_modified = true;
        break;
    }
  });
}

void TfTrevak::RxSpeedButton2Click() {
  runReported([this] { stripLibraryPrefix(RxMD_comp, pathBytes(Panel5->text())); });
}

void TfTrevak::RxSpeedButton4Click() {
  runReported([this] { fillNamePlaceholders(RxMD_comp); });
}

void TfTrevak::BitBtn7Click() {
  runReported([this] { moveBoth(RxMD_comp, RxMD_comp2, Move::First); });
}

void TfTrevak::BitBtn8Click() {
  runReported([this] { moveBoth(RxMD_comp, RxMD_comp2, Move::Next); });
}

void TfTrevak::BitBtn9Click() {
  runReported([this] { moveBoth(RxMD_comp, RxMD_comp2, Move::Prior); });
}

void TfTrevak::BitBtn10Click() {
  runReported([this] { moveBoth(RxMD_comp, RxMD_comp2, Move::Last); });
}

void TfTrevak::RxMD_compAfterEdit() { m_modified = true; }

// --- preview ------------------------------------------------------------------------------

void TfTrevak::DS_compDataChange() {
  if (m_redrawSuppression.raised()) return;
  redrawEditPane();
  Label1->setNum(RxMD_comp.RecordCount());
}

void TfTrevak::DS_comp2DataChange() {
  redrawSearchPane();
  Label2->setNum(RxMD_comp2.RecordCount());
}

void TfTrevak::converter() {
  if (RxMD_comp.IsEmpty()) return;
  const std::string body = textlistbox1->body();
  redesenhar(m_drawing, splitBodyLines(body), RxSwitch1->isChecked(), RxMD_comp.unit());
  showPicture(Image2, m_editPicture);
}

void TfTrevak::converter2() {
  if (RxMD_comp2.IsEmpty()) return;
  const std::string body = DBRE_comp2->body();
  redesenhar(m_drawing, splitBodyLines(body), RxSwitch1->isChecked(), RxMD_comp2.unit());
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
  m_drawing.escala_edicao += 10;
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
  m_drawing.escala_pesquisa += 10;
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

// --- menu and shut-down -------------------------------------------------------------------

void TfTrevak::Carregarbibliotecadepesquisa1Click() { RxSB_carregar2Click(); }

void TfTrevak::Carregarbibliotecaparaedio1Click() { SB_carregarClick(); }

void TfTrevak::Salvarbibliotecaemedio1Click() { SB_salvarClick(); }

void TfTrevak::Criarnovabibliotecaparaedio1Click() { RxSB_limparClick(); }

void TfTrevak::Sair1Click() { close(); }

void TfTrevak::closeEvent(QCloseEvent* event) {
  // Leaving would drop unsaved modules without a word; it asks as loading and "nova" do.
  if (!mayDiscardEditLibrary()) {
    event->ignore();
    return;
  }
  storeSettings();
  event->accept();
}

}  // namespace trevak
