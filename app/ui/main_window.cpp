#include "app/ui/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>
#include <system_error>

#include "app/kit/controls.h"
#include "app/kit/ui_text.h"
#include "app/model/table_watch.h"
#include "app/ui/control_snapshot.h"
#include "app/ui/gui_user_interface.h"
#include "app/ui/main_window_desktop.h"
#include "app/ui/page_tabs.h"
#include "export/ui/inventory_report_qt.h"
#include "sintegra/aliquots.h"
#include "sintegra/header.h"
#include "sintegra/input_check.h"
#include "sintegra/inventory.h"
#include "sintegra/layout.h"
#include "sintegra/record90.h"
#include "sped/ui/frm_sped.h"
#include "validate/ui/validation_sheet.h"
#include "validate/validate.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"

namespace fiscora::qt {

namespace {

// Controls that start routines on the tables an audit loader fills: disabled
// while one runs.
const char* const kAuditLocked[] = {
    "sbtnarq",           "sbtnverificar",  "edtarq",    "sbtn_sped",        "bbtn_analisar",
    "bbtn_verif_invent", "btn_opcao_aliq", "btn_reg90", "sbtnAlterar_tipo", "btnExcel",
    "Button1",           "btn_cfop",       "Button2"};

bool AuditLocked(const QString& name) {
  for (const char* locked : kAuditLocked)
    if (name == QLatin1String(locked)) return true;
  return false;
}

// The maker's addresses behind the links of the "Sobre" sheet.
const char kWebAddress[] = "https://www.fiscora.example/";
const char kMailAddress[] = "contato@fiscora.example";

}  // namespace

Tfrmprincipal::Tfrmprincipal(std::filesystem::path base_folder, QWidget* parent)
    : QWidget(parent),
      folder_(base_folder),
      // A refused base folder leaves no folder of its own: the working files
      // then fail at the first load, never land elsewhere.
      working_folder_(folder_.path().empty() ? base_folder / "janela-indisponivel"
                                             : folder_.path()),
      runner_({}, [this] {
        // Closing asked for during the routine happens now that it has ended.
        if (!close_pending_) return;
        close_pending_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
      }) {
  setObjectName(QStringLiteral("frmprincipal"));
  setWindowTitle(QStringLiteral("Fiscora"));
  // Opens at its usual size; it may grow (or be maximised) to show more of
  // the grids and the path, never shrink below it.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  setMinimumSize(814, 583);
  resize(814, 583);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 4, 6, 6);
  root->setSpacing(4);
  BuildTitle();
  BuildSheets();
  BuildBottomLine();

  popm_sped_ = new QMenu(this);
  popm_sped_->setObjectName(QStringLiteral("popm_sped"));
  popm_sped_->addAction(QStringLiteral("Analisar notas"))
      ->setObjectName(QStringLiteral("Analisarnotas2"));
  popm_sped_->addAction(QStringLiteral("Mesclar SPED - Contribuições"))
      ->setObjectName(QStringLiteral("MesclarSPED2"));
  popm_sped_->addAction(QStringLiteral("Conciliação XML"))
      ->setObjectName(QStringLiteral("ConciliacaoXML2"));
  sdExcel_ = new SaveDialog(this, "sdExcel", QStringLiteral("%HomePath%/Desktop"));

  MapControls();
  ui_ = std::make_unique<GuiUserInterface>(*this);
  state_.SetUserInterface(ui_.get());

  // The creation handler: the working folder, then the reset of labels and
  // controls. A folder that cannot be made or written is told to the user
  // once the window is up, instead of failures at each load later.
  if (!folder_.problem().empty())
    QTimer::singleShot(0, this, [this] { ui_->Message("ATENÇÃO!!!", folder_.problem()); });
  InitMainWindow(state_);
  SyncAll();
  ConnectHandlers();
  desktop_ = new DesktopFeatures(*this);

  qApp->installEventFilter(this);
  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

Tfrmprincipal::~Tfrmprincipal() {
  qApp->removeEventFilter(this);
  // Children go while the state and the session they call into still exist.
  state_.SetUserInterface(nullptr);
  for (QObject* child : children())
    if (child->isWidgetType()) child->blockSignals(true);
  qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void Tfrmprincipal::AttachData(TdtmCENTRAL& dtm) {
  session_ = std::make_unique<Session>(dtm, state_, *ui_, working_folder_);
  runner_.Attach(*session_);
  if (windows_.frm_sped) windows_.frm_sped->Attach(*session_);
  // "Lote": a double click on a file of its grid chooses it here, as a drop.
  if (windows_.frmLote)
    windows_.frmLote->Attach(session_->ui, [this](const std::string& file) {
      desktop_->ChooseFile(QString::fromStdString(file));
    });
  if (windows_.frmConciliacaoXml) windows_.frmConciliacaoXml->Attach(session_->ui);
  if (Tfrm_auditar* audit = windows_.frm_auditar) {
    audit->Attach(*session_);
    connect(audit, &Tfrm_auditar::loaderRunningChanged, this, &Tfrmprincipal::SetAuditRunning);
  }
  // clang-format off
  const struct {
    const char* grid;
    ClientTable& table;
  } grids[] = {
      {"dbgmaxmin", dtm.cdsmaxmin},       {"dbgaliq", dtm.cdsaliq},
      {"dbg_totaliq", dtm.cds_totaliq},   {"dbgrd1", dtm.cds_res_aliq},
      {"dbg_50", dtm.cds_50},             {"dbg_inventario", dtm.cds_inventario},
  };
  // clang-format on
  for (const auto& g : grids)
    if (auto* view = findChild<QTableView*>(QString::fromLatin1(g.grid))) {
      BindGrid(view, g.table);
      FitColumnsToContents(view);
    }
  const struct {
    const char* display;
    ClientTable& table;
    const char* aggregate;
  } totals[] = {
      {"dbt_soma_inv_princ", dtm.cds_inventario, "soma"},
      {"dbt_soma_inv", dtm.cds_inventario, "soma"},
      {"dbtxtsoma1", dtm.cds_totaliq, "tot_dif_60i"},
      {"dbtxtsoma2", dtm.cds_totaliq, "tot_dif_60d"},
      {"dbtxt_soma_60a", dtm.cds_60a, "soma"},
      {"dbtxtsoma", dtm.cds_60d, "soma"},
      {"dbtxt_soma60i", dtm.cds_60i, "soma"},
      {"dbtxt_soma60r", dtm.cds_60r, "soma"},
      {"soma_ntp", dtm.cds_50, "sum_ntp"},
      {"soma_ntf", dtm.cds_50, "sum_ntf"},
  };
  for (const auto& t : totals)
    if (auto* display = findChild<DbText*>(QString::fromLatin1(t.display)))
      display->Bind(t.table, t.aggregate);
  AttachSheetTools();
  if (windows_.frm_notas_sped)
    windows_.frm_notas_sped->Attach(*session_, windows_.frmDifal, windows_.frmResumoFiscal);
  if (windows_.frm_notas_sped && desktop_)
    windows_.frm_notas_sped->AttachRecentFiles(desktop_->recent_sped());
}

void Tfrmprincipal::SetSecondaryWindows(const SecondaryWindows& windows) {
  windows_ = windows;
  if (windows_.frmTipo_arq)
    windows_.frmTipo_arq->SetConfirmHandler([this](char code) {
      bool done = false;
      RunAction([code, &done](Session& s) {
        ConfirmFileType(s, code);
        done = true;
      });
      return done;
    });
}

void Tfrmprincipal::RouteDialogsTo(UserInterface* dialogs) { ui_->RouteDialogsTo(dialogs); }

UserInterface& Tfrmprincipal::user_interface() { return *ui_; }

void Tfrmprincipal::MapControls() {
  for (const Control* c : state_.controls()) {
    if (c->kind() == Control::Kind::kSheet || c->kind() == Control::Kind::kPageControl) continue;
    const QString name = QString::fromLatin1(c->name());
    QWidget* w = findChild<QWidget*>(name);
    if (!w) {
      qWarning("frmprincipal: no control named %s", c->name());
      continue;
    }
    controls_.insert(name, w);
  }
}

void Tfrmprincipal::SyncAll() {
  for (const Control* c : state_.controls()) {
    if (c->kind() == Control::Kind::kSheet) continue;  // taken with the page control
    Apply(TakeSnapshot(*c, state_.pgcdados));
  }
}

void Tfrmprincipal::Apply(const ControlSnapshot& c) {
  const bool was_applying = applying_;
  applying_ = true;
  if (c.kind == Control::Kind::kPageControl) {
    pgcdados_->Mirror(c.pages, c.active);
    applying_ = was_applying;
    return;
  }
  QWidget* w = controls_.value(QString::fromStdString(c.name));
  if (w) {
    const QString text = UiText(c.text);
    switch (c.kind) {
      case Control::Kind::kLabel:
      case Control::Kind::kDisplay:
        if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
        break;
      case Control::Kind::kButton:
        if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(text);
        break;
      case Control::Kind::kEdit:
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->text() != text)
          edit->setText(text);
        if (w == edtarq_ && desktop_) desktop_->ShowFileInTitle();
        break;
      case Control::Kind::kGauge:
        if (auto* gauge = qobject_cast<QProgressBar*>(w)) {
          // A gauge with no maximum stands at 0 %, not busy.
          gauge->setRange(0, c.max > 0 ? c.max : 1);
          gauge->setValue(c.position);
        }
        break;
      case Control::Kind::kPanel:
      case Control::Kind::kSheet:
      case Control::Kind::kPageControl:
        break;
    }
    if (w->isHidden() == c.visible) w->setVisible(c.visible);
    w->setEnabled(c.enabled && !(audit_running_ && AuditLocked(w->objectName())));
  }
  applying_ = was_applying;
}

void Tfrmprincipal::SyncGauge() {
  if (auto* gauge = qobject_cast<QProgressBar*>(controls_.value(QStringLiteral("progresso")))) {
    const Gauge& g = state_.progresso;
    gauge->setRange(0, g.max() > 0 ? g.max() : 1);
    gauge->setValue(g.position());
  }
}

void Tfrmprincipal::RunAction(const std::function<void(Session&)>& action, bool verification) {
  // An audit loader's tables and working files are not free either.
  if (audit_running_) return;
  RoutineRunner::FailureStep refused;
  if (verification)
    refused = [this](const std::exception& e) {
      if (const auto* refusal = dynamic_cast<const InputRefusal*>(&e))
        desktop_->FileRefused(UiText(refusal->file()));
    };
  runner_.Run(action, refused);
}

void Tfrmprincipal::SetAuditRunning(bool running) {
  audit_running_ = running;
  TableWatch::SetFrozen(running);
  pgcdados_->setUpdatesEnabled(!running);
  for (const char* name : kAuditLocked) {
    QWidget* w = findChild<QWidget*>(QString::fromLatin1(name));
    if (!w) continue;
    const Control* c = state_.Find(name);
    w->setEnabled(!running && (!c || c->enabled()));
  }
  if (!running && close_pending_) {
    close_pending_ = false;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  }
}

void Tfrmprincipal::ShowModal(QWidget* window) {
  if (auto* dialog = qobject_cast<QDialog*>(window)) dialog->exec();
}

void Tfrmprincipal::ChooseAndVerify(const std::string& path) {
  RunAction(
      [&path](Session& s) {
        FileChosen(s, path);
        if (s.sintegra.file.empty()) return;
        s.frm.lblaguarde.Show();
        sbtnverificarClick(s);
      },
      true);
  desktop_->FileChoiceEnded();
}

void Tfrmprincipal::sbtnvalidarClick() {
  RunAction([this](Session& s) {
    const std::string path = s.sintegra.file;
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(PathFromUtf8(path), ec)) {
      s.ui.Message("", "Arquivo não existe ou campo vazio.");
      return;
    }
    const std::filesystem::path file = PathFromUtf8(path);
    ValidationReport report = ValidateFile(file, s.ui);
    validation_sheet_->Show(report, QString::fromStdString(ValidationSummary(report)));
    validation_sheet_->SetDetailSource([this, file, kind = report.kind](const Finding& f) {
      std::optional<FindingDetailParts> detail;
      RunAction([&](Session&) { detail = DescribeFinding(file, kind, f); });
      return detail;
    });
    validation_sheet_->SetExportHandler([this, file](const FindingList& findings) {
      RunAction([&](Session& session) { ExportFindings(findings, session.ui, file); });
    });
    const int tab = pgcdados_->TabOf("tbs_validacao");
    pgcdados_->setTabVisible(tab, true);
    pgcdados_->setCurrentIndex(tab);
  });
}

void Tfrmprincipal::JumpTo(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

void Tfrmprincipal::ConnectHandlers() {
  const auto button = [this](const char* name) {
    auto* b = findChild<QAbstractButton*>(QString::fromLatin1(name));
    Q_ASSERT(b);
    return b;
  };
  const auto action = [this](const char* name) {
    return popm_sped_->findChild<QAction*>(QString::fromLatin1(name));
  };

  connect(button("sbtnarq"), &QAbstractButton::clicked, this, [this] {
    // The findings of the previous file go with it.
    if (!runner_.Busy()) pgcdados_->setTabVisible(pgcdados_->TabOf("tbs_validacao"), false);
    RunAction([](Session& s) { sbtnarqClick(s); });
    desktop_->FileChoiceEnded();
  });
  connect(button("sbtnverificar"), &QAbstractButton::pressed, this,
          [this] { state_.lblaguarde.Show(); });
  connect(button("sbtnverificar"), &QAbstractButton::clicked, this,
          [this] { RunAction([](Session& s) { sbtnverificarClick(s); }, true); });
  connect(button("sbtnvalidar"), &QAbstractButton::clicked, this, [this] { sbtnvalidarClick(); });
  connect(button("btn_reg90"), &QAbstractButton::clicked, this,
          [this] { RunAction([](Session& s) { btn_reg90Click(s); }); });
  // The SPED windows fill cds_totalizador_icms and the gauge too: not while a
  // routine that breathes or an audit loader has them.
  connect(button("sbtn_sped"), &QAbstractButton::clicked, this, [this] {
    if (Idle()) popm_sped_->popup(QCursor::pos());
  });
  connect(button("sbtnfechar"), &QAbstractButton::clicked, this, &QWidget::close);
  connect(edtarq_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (applying_) return;
    RunAction([&text](Session& s) { SetEdtarqText(s, CoreText(text)); });
  });
  // The search box mirrored into the state, so that a reset clears what was
  // typed; the search itself takes the box's text as its parameter.
  if (auto* search = findChild<QLineEdit*>(QStringLiteral("edt_pesq50")))
    connect(search, &QLineEdit::textChanged, this, [this](const QString& text) {
      if (!applying_) state_.edt_pesq50.SetText(CoreText(text));
    });
  connect(pgcdados_, &QTabWidget::currentChanged, this, [this](int index) {
    if (applying_ || index < 0) return;
    const std::string name = CoreText(pgcdados_->widget(index)->objectName());
    for (Control* sheet : state_.pgcdados.pages())
      if (name == sheet->name()) state_.pgcdados.SetActive(*sheet);
  });

  // Buttons and menu items that show the secondary windows.
  connect(button("btn_audit"), &QAbstractButton::clicked, this,
          [this] { ShowModal(windows_.frm_auditar); });
  connect(button("sbtnAlterar_tipo"), &QAbstractButton::clicked, this,
          [this] { ShowModal(windows_.frmTipo_arq); });
  connect(button("sbtnlote"), &QAbstractButton::clicked, this,
          [this] { ShowModal(windows_.frmLote); });
  ConnectNoteHandlers();
  connect(button("btn_opcao_aliq"), &QAbstractButton::clicked, this, [this] {
    if (!windows_.frmOpcaoAliq) return;
    windows_.frmOpcaoAliq->SetAction([this](const AliquotTableChoice* choice) {
      RunAction([choice](Session& s) { btn1Click(s, choice); });
    });
    ShowModal(windows_.frmOpcaoAliq);
  });
  // The inventory and the aliquot totals.
  connect(button("bbtn_verif_invent"), &QAbstractButton::clicked, this,
          [this] { RunAction([](Session& s) { bbtn_verif_inventClick(s); }); });
  connect(button("btnExcel"), &QAbstractButton::clicked, this,
          [this] { RunAction([](Session& s) { btnExcelClick(s); }); });
  connect(button("Button1"), &QAbstractButton::clicked, this, [this] {
    RunAction([this](Session& s) {
      DialogReportPrinter printer(this);
      Button1Click(s, printer);
    });
  });
  connect(button("bbtn_analisar"), &QAbstractButton::clicked, this,
          [this] { RunAction([](Session& s) { bbtn_analisarClick(s); }); });
  if (QAction* a = action("Analisarnotas2"))
    connect(a, &QAction::triggered, this, [this] {
      if (Idle()) ShowModal(windows_.frm_notas_sped);
    });
  if (QAction* a = action("MesclarSPED2"))
    connect(a, &QAction::triggered, this, [this] {
      if (Idle()) ShowModal(windows_.frm_sped);
    });
  if (QAction* a = action("ConciliacaoXML2"))
    connect(a, &QAction::triggered, this, [this] {
      if (Idle()) ShowModal(windows_.frmConciliacaoXml);
    });

  if (auto* web = findChild<ClickLabel*>(QStringLiteral("Label29")))
    connect(web, &ClickLabel::clicked, this, [] { JumpTo(QString::fromLatin1(kWebAddress)); });
  if (auto* mail = findChild<ClickLabel*>(QStringLiteral("Label27")))
    connect(mail, &ClickLabel::clicked, this,
            [] { JumpTo(QStringLiteral("mailto:") + QString::fromLatin1(kMailAddress)); });
}

bool Tfrmprincipal::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  auto* w = static_cast<QWidget*>(watched);
  if (w->window() != this) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
  if (key->key() == Qt::Key_F7 && mods == Qt::ShiftModifier) {
    state_.btn_audit.SetVisible(!state_.btn_audit.visible());
    return true;
  }
  if (NoteKey(w, key->key())) return true;
  if (w == edtarq_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
    const bool usable = state_.sbtnverificar.visible() && state_.sbtnverificar.enabled();
    RunAction([usable](Session& s) { EdtarqEnter(s, usable); }, true);
    desktop_->FileChoiceEnded();
    return true;
  }
  return desktop_->HandleKey(key->key(), mods);
}

void Tfrmprincipal::closeEvent(QCloseEvent* event) {
  if (!Idle()) {
    // The working files are still being written and read: close at the end.
    close_pending_ = true;
    event->ignore();
    return;
  }
  folder_.Close(ui_.get());
  event->accept();
}

}  // namespace fiscora::qt
