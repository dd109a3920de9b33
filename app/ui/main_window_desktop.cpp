#include "app/ui/main_window_desktop.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QToolButton>

#include "app/kit/file_drop.h"
#include "app/kit/tab_order.h"
#include "app/kit/ui_text.h"
#include "app/kit/user_settings.h"
#include "app/ui/main_window.h"
#include "session/file_names.h"
#include "sintegra/input_check.h"
#include "workflow/file_choice.h"

namespace fiscora::qt {

namespace {

// The box layout that holds `w`, searched from its parent's layout down.
QBoxLayout* BoxHolding(QLayout* layout, QWidget* w) {
  if (!layout) return nullptr;
  if (auto* box = qobject_cast<QBoxLayout*>(layout); box && box->indexOf(w) >= 0) return box;
  for (int i = 0; i < layout->count(); ++i)
    if (QBoxLayout* found = BoxHolding(layout->itemAt(i)->layout(), w)) return found;
  return nullptr;
}

}  // namespace

DesktopFeatures::DesktopFeatures(Tfrmprincipal& window)
    : QObject(&window),
      window_(window),
      settings_(OpenUserSettings()),
      folders_(*settings_),
      recent_sintegra_(*settings_, RecentFiles::SintegraKey()),
      recent_sped_(*settings_, RecentFiles::SpedKey()) {
  setObjectName(QStringLiteral("desktop"));

  // The recent files: a small menu button right after "Arquivo".
  auto* arquivo = window_.findChild<QAbstractButton*>(QStringLiteral("sbtnarq"));
  menu_ = new RecentFilesMenu(recent_sintegra_, &window_, "popm_recentes");
  recent_button_ = new QToolButton(arquivo ? arquivo->parentWidget() : &window_);
  recent_button_->setObjectName(QStringLiteral("sbtnarq_recentes"));
  recent_button_->setArrowType(Qt::DownArrow);
  recent_button_->setToolTip(QStringLiteral("Arquivos recentes"));
  recent_button_->setPopupMode(QToolButton::InstantPopup);
  recent_button_->setMenu(menu_);
  if (arquivo) {
    if (QBoxLayout* box = BoxHolding(arquivo->parentWidget()->layout(), arquivo))
      box->insertWidget(box->indexOf(arquivo) + 1, recent_button_);
    recent_button_->setFixedHeight(arquivo->sizeHint().height());
  }
  connect(menu_, &RecentFilesMenu::chosen, this, &DesktopFeatures::ChooseFile);
  connect(menu_, &RecentFilesMenu::missing, this, &DesktopFeatures::MissingRecentFile);

  AcceptFileDrops(&window_, [this](const QString& path) { ChooseFile(path); });
  KeepReadingTabOrder(&window_);
}

DesktopFeatures::~DesktopFeatures() = default;

QString DesktopFeatures::TitleFor(const QString& path) {
  if (path.isEmpty()) return QStringLiteral("Fiscora");
  return QStringLiteral("Fiscora — ") + QFileInfo(path).fileName();
}

void DesktopFeatures::ChooseFile(const QString& path) {
  const std::string chosen = CoreText(path);
  window_.RunAction([&chosen](Session& s) { fiscora::ChooseFile(s, chosen); });
  FileChoiceEnded();
}

void DesktopFeatures::ShowFileInTitle() {
  const QString path = UiText(window_.state().edtarq.text());
  window_.setWindowTitle(TitleFor(path.isEmpty() || !QFileInfo(path).isFile() ? QString() : path));
}

void DesktopFeatures::FileChoiceEnded() {
  ShowFileInTitle();
  const QString path = UiText(window_.state().edtarq.text());
  if (path.isEmpty() || !QFileInfo(path).isFile()) return;
  folders_.Remember(FileKind::kSintegra, path);
  // Only a file that starts as a SINTEGRA file is offered again.
  if (LooksLikeSintegraFile(CoreText(path))) recent_sintegra_.Add(path);
}

void DesktopFeatures::FileRefused(const QString& path) { recent_sintegra_.Remove(path); }

void DesktopFeatures::MissingRecentFile(const QString& path) {
  recent_sintegra_.Remove(path);
  window_.user_interface().Message(
      "Atenção", CoreText(QStringLiteral("O arquivo %1 não existe mais e foi retirado da lista de "
                                         "arquivos recentes.")
                              .arg(QDir::toNativeSeparators(path))));
}

bool DesktopFeatures::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
  const char* button = nullptr;
  if (key == Qt::Key_O && modifiers == Qt::ControlModifier) button = "sbtnarq";
  if (key == Qt::Key_F5 && modifiers == Qt::NoModifier) button = "sbtnverificar";
  if (!button) return false;
  auto* b = window_.findChild<QAbstractButton*>(QString::fromLatin1(button));
  if (b && b->isVisible() && b->isEnabled()) b->click();
  return true;
}

std::optional<QString> DesktopFeatures::ChooseMessageFile(QWidget* parent) {
  const QString proposed =
      UiText(ProposedFileName(window_.state().edtarq.text(), "mensagem", "txt"));
  const QString start = QDir(folders_.FolderFor(FileKind::kText)).filePath(proposed);
  const QString chosen =
      QFileDialog::getSaveFileName(parent, QString(), start, QStringLiteral("texto (*.txt)"));
  if (chosen.isEmpty()) return std::nullopt;
  folders_.Remember(FileKind::kText, chosen);
  return chosen;
}

}  // namespace fiscora::qt
