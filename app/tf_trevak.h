// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QString>
#include <exception>
#include <memory>
#include <vector>

#include "app/language.h"
#include "app/redraw_suppression.h"
#include "app/user_prompts.h"
#include "app/window_menus.h"
#include "drawing/drawing_state.h"
#include "drawing/surface.h"
#include "library/file_lock.h"
#include "library/module_table.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QToolButton;

namespace trevak {

class KicadTableAddition;
class BodyView;
class CommandStatus;
class DataSource;
class DockPanel;
class ExactPanes;
class EditHistory;
class LoadWarningsPanel;
class HeaderStrip;
class ModuleListModel;
class NameGrid;
class PreviewNavigator;
class PreviewWidget;
class PrettyEditFolder;
class RecentLibraries;
class SaveFileLayer;
class SearchPane;
class Settings;
class TextSwitch;
enum class FileDialogKind;

/// Fixed choices of the editor window, replaceable by tests.
struct WindowOptions {
  /// The open dialogs start here while they have no file name, when the folder exists.
  QString moduleFolder = QStringLiteral("/usr/share/kicad/modules");
  /// The files a save goes through; nullptr: the system's.
  SaveFileLayer* saveFiles = nullptr;
  /// What the window remembers between runs (it must outlive the window); nullptr: the window
  /// starts as designed and writes nothing.
  Settings* settings = nullptr;
  /// The language the window speaks (its translation installed before it is built); checked
  /// in "Exibir > Idioma".
  Language language = Language::Portuguese;
};

/// The editor window: the edit pane on the left, the navigation strip, the search pane on the
/// right, and the menu "Arquivo". It owns the two module tables, their data sources, the
/// modified flag, the redraw-suppression flag and the drawing state; every user action is one
/// of its handlers.
class TfTrevak final : public QMainWindow {
  Q_OBJECT

 public:
  /// `prompts` answers every dialog; nullptr gives Qt's dialogs.
  explicit TfTrevak(std::unique_ptr<UserPrompts> prompts = nullptr, WindowOptions options = {},
                    QWidget* parent = nullptr);
  ~TfTrevak() override;

  /// Loads a library file into the edit pane as "Carregar biblioteca" does once its dialog gave
  /// `path`, asking first when the edit library holds unsaved changes. Failures are reported.
  void openEditLibrary(const QString& path);
  /// Loads a library file into the search pane as "Carregar origem" does after its dialog.
  void openSearchLibrary(const QString& path);
  /// Loads several files and folders as one set into the search pane, as "Carregar origem"
  /// with several files or "Carregar pasta de origem..." do.
  void openSearchSources(const QStringList& sources);
  /// Loads the libraries of the user's KiCad table (and of the project table in
  /// `projectFolder`, when given, on top) as the search set, as "Carregar bibliotecas do KiCad"
  /// does. Failures are reported.
  void loadKicadLibraries(const QString& projectFolder = QString());
  /// The search pane's set loading and filter.
  SearchPane& searchPane() { return *m_searchPane; }

  /// The edit library (`RxMD_comp`) and the search library (`RxMD_comp2`).
  ModuleTable& editLibrary() { return RxMD_comp; }
  ModuleTable& searchLibrary() { return RxMD_comp2; }
  /// True while the edit library holds changes that were not saved.
  bool isModified() const;
  /// The history of the edit library (undo and redo).
  EditHistory& history() { return *m_history; }
  /// True while a save keeps the edit pane from redrawing.
  bool redrawSuppressed() const { return m_redrawSuppression.raised(); }
  /// The drawing state shared by both panes (scales, target, bounding box).
  const estado_desenho& drawingState() const { return m_drawing; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void FormCreate();
  void SB_carregarClick();
  void RxSB_carregar2Click();
  void SB_salvarClick();
  void RxSB_limparClick();
  void RxSB_apagarClick();
  void RxSB_copiarClick();
  void RxSpeedButton2Click();
  void RxSpeedButton4Click();
  void BitBtn7Click();
  void BitBtn8Click();
  void BitBtn9Click();
  void BitBtn10Click();
  void RxMD_compAfterEdit();
  void DS_compDataChange();
  void DS_comp2DataChange();
  void Button1Click();
  void Button2Click();
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn6Click();
  void RxSwitch1Click();
  void Desenhoexato1Click();
  void Carregarbibliotecadepesquisa1Click();
  void Carregarpastadeorigem1Click();
  void CarregarbibliotecasdoKicad1Click();
  void Carregarbibliotecaparaedio1Click();
  void Salvarbibliotecaemedio1Click();
  void Criarnovabibliotecaparaedio1Click();
  void Sair1Click();
  void Exportarbibliotecaparakicad1Click();
  void Salvar1Click();
  void Desfazer1Click();
  void Refazer1Click();

 private:
  void buildEditPane(DockPanel* panel);
  void buildNavigationStrip(DockPanel* panel);
  void buildSearchPane(DockPanel* panel);
  void buildMenu();
  void connectHandlers();
  /// The Tab order, the filter's way into its results and the window-wide shortcuts.
  void setUpKeyboard();

  /// Runs a handler's body; a failure it does not catch ends it and is shown in an error box.
  template <typename Body>
  void runReported(Body&& body);
  void reportFailure(const std::exception& failure);

  /// Asks the discard question while the edit library holds unsaved changes; true to go on.
  bool mayDiscardEditLibrary();
  /// The open dialogs' starting folder for a dialog showing `fileName`.
  QString initialFolderFor(const QString& fileName, FileDialogKind dialog) const;
  void loadEditLibraryFile(const QString& path);
  void loadSearchLibraryFile(const QString& path);
  /// Loads a set into the search pane; a folder that loaded joins the recent list.
  void loadSearchSources(const QStringList& sources);
  /// Writes the edit library to `path` and makes that its file.
  void saveEditLibraryTo(const QString& path);
  // The edit library as a `.pretty` folder (the room is app/pretty_edit_library.h).
  bool editIsPretty() const;
  void loadEditFolder(const QString& path);
  void saveEditFolderTo(const QString& path);
  void copyIntoEditFolder(const std::vector<int>& rows);
  void stripEditFolderPrefix();
  void fillEditFolderNames();
  /// "; mantidos (...): A, B" for the names a strip left as they were; empty when none.
  static QString keptNamesText(const std::vector<std::string>& kept);
  /// Shows the edit library's format and dialects in the status bar.
  void showEditFormat();
  /// Shows what the last command did in the status bar.
  void tell(const QString& message);
  /// Sets the edit pane's caption and the file a plain save writes to.
  void setEditName(const QString& caption, const QString& file);

  // Growing panes, preview navigation, settings and recent libraries (tf_trevak_view.cpp).
  void buildViewTools();
  void restoreSettings();
  void storeSettings();
  void showMissingRecent(const QString& path);
  /// Notes the folder of a file a dialog gave, for that dialog's next first use.
  void rememberFolder(FileDialogKind dialog, const QString& path);
  /// The folder a dialog remembers, when it still exists; empty otherwise.
  QString rememberedFolder(FileDialogKind dialog) const;
  /// Redraws a pane at the scale that fits its module to the preview; returns that scale.
  int fitPane(PreviewNavigator& navigator, const ModuleTable& table, int scale,
              void (TfTrevak::*redraw)());

  /// Each pane's redraw: its picture as the target, its scale as the current one, then
  /// converter or converter2.
  void redrawEditPane();
  void redrawSearchPane();
  /// The redraws of the edit and the search pane (target and scale set by the caller).
  void converter();
  void converter2();
  /// Shows a pane picture's current size in its widget.
  void showPicture(PreviewWidget* image, const PanePicture& picture);

  std::unique_ptr<UserPrompts> m_prompts;
  WindowOptions m_options;

  ModuleTable RxMD_comp;
  ModuleTable RxMD_comp2;
  EditHistory* m_history = nullptr;
  /// The file the edit library came from or was last saved to; empty for none (or "nova").
  QString m_editFile;
  /// The edit library's file as it was loaded or last saved, to notice another program's
  /// change before a save writes over it.
  QString m_editIdentityFile;
  std::optional<FileIdentity> m_editIdentity;
  std::unique_ptr<PrettyEditFolder> m_prettyEdit;
  QLabel* m_editFormat = nullptr;
  LoadWarningsPanel* m_loadWarnings = nullptr;
  /// The last command's result in the status bar.
  CommandStatus* m_status = nullptr;
  RedrawSuppression m_redrawSuppression;
  Surface Image1;
  PanePicture m_editPicture;
  PanePicture m_searchPicture;
  estado_desenho m_drawing;
  /// The file name the search library's open dialog showed last.
  QString m_searchDialogFileName;

  // Edit pane.
  DockPanel* Panel4 = nullptr;
  HeaderStrip* Panel5 = nullptr;
  QToolButton* SB_carregar = nullptr;
  QToolButton* RxSB_limpar = nullptr;
  QToolButton* SB_salvar = nullptr;
  QToolButton* RxSB_apagar = nullptr;
  QLabel* Label1 = nullptr;
  QTabWidget* TabControl1 = nullptr;
  NameGrid* DBGrid1 = nullptr;
  BodyView* textlistbox1 = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  PreviewWidget* Image2 = nullptr;
  QToolButton* RxSpeedButton2 = nullptr;
  QToolButton* RxSpeedButton4 = nullptr;
  TextSwitch* RxSwitch1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  // Navigation strip.
  DockPanel* Panel3 = nullptr;
  QPushButton* BitBtn7 = nullptr;
  QPushButton* BitBtn8 = nullptr;
  QPushButton* BitBtn9 = nullptr;
  QPushButton* BitBtn10 = nullptr;
  // Search pane.
  DockPanel* Panel2 = nullptr;
  HeaderStrip* panel6 = nullptr;
  QToolButton* RxSB_carregar2 = nullptr;
  QToolButton* RxSB_copiar = nullptr;
  QLabel* Label2 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  NameGrid* DBGrid2 = nullptr;
  BodyView* DBRE_comp2 = nullptr;
  QScrollArea* ScrollBox2 = nullptr;
  PreviewWidget* Image3 = nullptr;
  QPushButton* BitBtn4 = nullptr;
  QPushButton* BitBtn5 = nullptr;
  QPushButton* BitBtn6 = nullptr;
  // Menu.
  QAction* Carregarbibliotecadepesquisa1 = nullptr;
  QAction* Carregarpastadeorigem1 = nullptr;
  QAction* CarregarbibliotecasdoKicad1 = nullptr;
  QAction* Carregarbibliotecaparaedio1 = nullptr;
  QAction* Salvarbibliotecaemedio1 = nullptr;
  QAction* Criarnovabibliotecaparaedio1 = nullptr;
  QAction* Sair1 = nullptr;
  QAction* Exportarbibliotecaparakicad1 = nullptr;
  QAction* Salvar1 = nullptr;
  QAction* Desfazer1 = nullptr;
  QAction* Refazer1 = nullptr;
  EditCommands m_editCommands;
  QAction* m_about = nullptr;

  ModuleListModel* m_editNames = nullptr;
  ModuleListModel* m_searchNames = nullptr;
  std::unique_ptr<DataSource> DS_comp;
  std::unique_ptr<DataSource> DS_comp2;
  /// The exact drawing of both panes and its toggle.
  ExactPanes* m_exact = nullptr;
  SearchPane* m_searchPane = nullptr;
  KicadTableAddition* m_tableAddition = nullptr;

  // The room to grow and what is remembered.
  QSplitter* m_panes = nullptr;
  QToolButton* SB_ajustar1 = nullptr;
  QToolButton* SB_ajustar2 = nullptr;
  PreviewNavigator* m_editNavigator = nullptr;
  PreviewNavigator* m_searchNavigator = nullptr;
  QMenu* m_editRecentMenu = nullptr;
  QMenu* m_searchRecentMenu = nullptr;
  RecentLibraries* m_editRecent = nullptr;
  RecentLibraries* m_searchRecent = nullptr;
  /// The folder each file dialog was last left in (FileDialogKind order).
  QString m_lastFolders[3];
};

}  // namespace trevak
