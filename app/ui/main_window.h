// The main window frmprincipal: the title group with the file box and its
// buttons, the page control with its eight sheets, the bottom line with the
// gauge. It mirrors the main window's state (session/main_window_state.h),
// hands its clicks and keys to the core's routines, and shows the tables
// through grids and total displays.
#pragma once

#include <QHash>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/kit/routine_runner.h"
#include "app/ui/secondary_windows.h"
#include "session/main_window_state.h"
#include "session/session.h"
#include "session/window_folder.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace fiscora::qt {

struct ControlSnapshot;
class DesktopFeatures;
class GuiUserInterface;
class PageTabs;
class SaveDialog;
class ValidationSheet;

class Tfrmprincipal : public QWidget {
  Q_OBJECT

 public:
  // The creation of the window: its controls, its own working folder inside
  // `base_folder` (created when missing) and the reset of labels and
  // controls. No table exists yet.
  explicit Tfrmprincipal(std::filesystem::path base_folder, QWidget* parent = nullptr);
  ~Tfrmprincipal() override;

  // Joins the data module, which must outlive the window: builds the session
  // and binds the grids and total displays to their tables.
  void AttachData(TdtmCENTRAL& dtm);
  void SetSecondaryWindows(const SecondaryWindows& windows);
  // Messages and file choices go to `dialogs` instead of Qt's dialogs; null
  // restores them.
  void RouteDialogsTo(UserInterface* dialogs);

  MainWindowState& state() { return state_; }
  Session* session() { return session_.get(); }
  UserInterface& user_interface();
  const std::filesystem::path& working_folder() const { return working_folder_; }
  const SaveDialog& sdExcel() const { return *sdExcel_; }
  PageTabs& pgcdados() const { return *pgcdados_; }

  // Shows one control as the state has it (GUI thread only).
  void Apply(const ControlSnapshot& control);
  // The gauge's range and position from the state.
  void SyncGauge();
  // The file given on the command line: chosen as with "Arquivo", then
  // verified.
  void ChooseAndVerify(const std::string& path);

  // Opens a web or "mailto:" address with the desktop's default handler.
  static void JumpTo(const QString& address);

  // Title bar, drops, recent files, dialog folders, keys (main_window_desktop.h).
  DesktopFeatures& desktop() { return *desktop_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Building (main_window_sheets.cpp).
  void BuildTitle();
  void BuildSheets();
  void BuildDadosSheet(QWidget* sheet);
  void BuildComprasVendasSheet(QWidget* sheet);
  void BuildMaxMinSheet(QWidget* sheet);
  void BuildAliqDifSheet(QWidget* sheet);
  void BuildTotalAliquotasSheet(QWidget* sheet);
  void BuildNotasSheet(QWidget* sheet);
  void BuildSobreSheet(QWidget* sheet);
  void BuildInventarioSheet(QWidget* sheet);
  void BuildBottomLine();

  void ConnectHandlers();
  // The notes sheet, the two summaries and the grids' title clicks
  // (main_window_notes.cpp): handlers, the windows joined to the session, and
  // the keys Enter in edt_pesq50 and in dbg_50 (true when handled).
  void ConnectNoteHandlers();
  void AttachSheetTools();
  bool NoteKey(QWidget* watched, int key);
  void MapControls();
  void SyncAll();
  // Runs a core routine for a user action through the window's runner
  // (app/kit/routine_runner.h): not while an audit loader runs; a
  // std::exception ends the action with its text as a message. A file that
  // a verification run refuses leaves the recent files.
  void RunAction(const std::function<void(Session&)>& action, bool verification = false);
  // No routine breathes and no audit loader runs: the tables and the working
  // files are free for another routine.
  bool Idle() const { return !runner_.Busy() && !audit_running_; }
  void ShowModal(QWidget* window);
  // An audit loader started or ended: the controls that start routines on
  // its tables are disabled meanwhile, the grids and totals wait, and a
  // close asked for meanwhile happens at its end.
  void SetAuditRunning(bool running);

  WindowFolder folder_;
  std::filesystem::path working_folder_;  // the folder's path, kept after it closes
  MainWindowState state_;
  std::unique_ptr<GuiUserInterface> ui_;
  std::unique_ptr<Session> session_;
  SecondaryWindows windows_;
  QHash<QString, QWidget*> controls_;  // state control name -> widget
  bool applying_ = false;              // mirroring the state: no feedback
  RoutineRunner runner_;               // the core routines of the clicks
  bool close_pending_ = false;         // closing asked for during a routine
  bool audit_running_ = false;         // an audit loader runs on its worker

  PageTabs* pgcdados_ = nullptr;
  QLineEdit* edtarq_ = nullptr;
  QMenu* popm_sped_ = nullptr;
  SaveDialog* sdExcel_ = nullptr;

  friend class DesktopFeatures;  // runs the file choice through RunAction
  DesktopFeatures* desktop_ = nullptr;
  ValidationSheet* validation_sheet_ = nullptr;
  // "Validar": the file of edtarq validated, its findings on "Validação".
  void sbtnvalidarClick();
};

}  // namespace fiscora::qt
