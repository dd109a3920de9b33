#include "sped/ui/frm_sped.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <exception>

#include "app/kit/ui_text.h"
#include "session/session.h"
#include "sped/merge.h"

namespace fiscora::qt {

namespace {

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

Tfrm_sped::Tfrm_sped(QWidget* parent)
    : SecondaryWindow(parent, "frm_sped", QStringLiteral("Mesclagem de SPED")),
      runner_(
          [this] {
            for (QPushButton* b : {btn_m_, btn_mesclar_, btn_f_}) b->setEnabled(false);
          },
          [this] {
            btn_m_->setEnabled(true);
            btn_mesclar_->setEnabled(true);
            Sync();
          }) {
  // Only the system menu among the border buttons, a fixed size.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(520, 420);

  lbl1_ = Named(new QLabel(QStringLiteral("Mesclar SPED matriz e filial"), this), "lbl1");
  QFont big = lbl1_->font();
  big.setPointSize(16);
  big.setBold(true);
  lbl1_->setFont(big);
  lbl1_->setGeometry(16, 12, 488, 34);

  btn_m_ = Named(new QPushButton(QStringLiteral("Adicionar"), this), "btn_m");
  btn_m_->setGeometry(16, 60, 110, 30);
  btn_mesclar_ = Named(new QPushButton(QStringLiteral("Mesclar"), this), "btn_mesclar");
  btn_mesclar_->setGeometry(136, 60, 110, 30);

  Label1_ =
      Named(new QLabel(QStringLiteral("Adicione primeiro o arquivo da matriz"), this), "Label1");
  QFont italic = Label1_->font();
  italic.setItalic(true);
  Label1_->setFont(italic);
  Label1_->setStyleSheet(QStringLiteral("color: red;"));
  Label1_->setGeometry(260, 66, 250, 20);

  Label2_ = Named(new QLabel(QStringLiteral("Empresas já presentes no arquivo da matriz"), this),
                  "Label2");
  Label2_->setGeometry(16, 102, 488, 20);
  lstAdicionados_ = Named(new QListWidget(this), "lstAdicionados");
  lstAdicionados_->setGeometry(16, 124, 488, 240);

  lblStatus_ = Named(new QLabel(this), "lblStatus");
  lblStatus_->setGeometry(16, 376, 488, 24);

  edt_save_ = Named(new QLineEdit(this), "edt_save");
  edt_save_->setReadOnly(true);
  edt_save_->hide();

  // "Filial" does what "Adicionar" does; it lies below the visible area.
  btn_f_ = Named(new QPushButton(QStringLiteral("Filial"), this), "btn_f");
  btn_f_->setGeometry(16, 440, 110, 30);
  btn_f_->setEnabled(false);

  auto add = [](Session& s) {
    btn_mClick(s);
    return false;
  };
  connect(btn_m_, &QPushButton::clicked, this, [this, add] { Run(add); });
  connect(btn_f_, &QPushButton::clicked, this, [this, add] { Run(add); });
  connect(btn_mesclar_, &QPushButton::clicked, this, [this] { Run(&btn_mesclarClick); });

  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

// The session belongs to the main window, which outlives none of its
// children's destructors: nothing of it is touched here.
Tfrm_sped::~Tfrm_sped() = default;

void Tfrm_sped::Attach(Session& session) {
  session_ = &session;
  runner_.Attach(session);
  SpedMergeState& m = session.sped_merge;
  m.program_folder = CoreText(QCoreApplication::applicationDirPath());
  m.changed = [this] { Sync(); };
  frm_spedFormCreate(session);
  Sync();
}

void Tfrm_sped::Sync() {
  if (!session_) return;
  const SpedMergeState& m = session_->sped_merge;
  // The list only grows between creations: add what is new, or rebuild.
  if (static_cast<size_t>(lstAdicionados_->count()) > m.lstAdicionados.size())
    lstAdicionados_->clear();
  for (size_t i = static_cast<size_t>(lstAdicionados_->count()); i < m.lstAdicionados.size(); ++i)
    lstAdicionados_->addItem(UiText(m.lstAdicionados[i]));
  lblStatus_->setText(UiText(m.lblStatus));
  edt_save_->setText(UiText(m.edt_save));
  btn_f_->setEnabled(m.btn_f_enabled && !runner_.Busy());
}

void Tfrm_sped::reject() {
  if (!runner_.Busy()) SecondaryWindow::reject();
}

void Tfrm_sped::Run(bool (*routine)(Session&)) {
  bool close = false;
  runner_.Run([&close, routine](Session& s) { close = routine(s); });
  if (close) accept();
}

}  // namespace fiscora::qt
