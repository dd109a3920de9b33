#include "app/ui/gui_user_interface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

#include "app/kit/controls.h"
#include "app/kit/long_message_dialog.h"
#include "app/kit/ui_text.h"
#include "app/ui/control_snapshot.h"
#include "app/ui/main_window.h"
#include "app/ui/main_window_desktop.h"
#include "sped/input_check.h"

namespace fiscora::qt {

namespace {

QString Title(std::string_view title) {
  return title.empty() ? QStringLiteral("Fiscora") : UiText(title);
}

std::optional<std::string> PathOf(const QString& chosen) {
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();  // the core takes paths as UTF-8
}

}  // namespace

void GuiUserInterface::OnGuiThread(const std::function<void()>& f) {
  if (QThread::currentThread() == window_.thread())
    f();
  else
    QMetaObject::invokeMethod(&window_, f, Qt::BlockingQueuedConnection);
}

void GuiUserInterface::Message(std::string_view title, std::string_view text) {
  if (dialogs_) return dialogs_->Message(title, text);
  OnGuiThread([&] {
    ShowMessage(&window_, Title(title), UiText(text),
                [this](QWidget* parent) { return window_.desktop().ChooseMessageFile(parent); });
  });
}

Answer GuiUserInterface::Confirm(std::string_view title, std::string_view text, Buttons buttons) {
  if (dialogs_) return dialogs_->Confirm(title, text, buttons);
  Answer answer = Answer::kCancel;
  OnGuiThread([&] {
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    if (buttons == Buttons::kYesCancel) b = QMessageBox::Yes | QMessageBox::Cancel;
    if (buttons == Buttons::kYesNoCancel)
      b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, Title(title), UiText(text), b, &window_);
    switch (box.exec()) {
      case QMessageBox::Ok:
        answer = Answer::kOk;
        break;
      case QMessageBox::Yes:
        answer = Answer::kYes;
        break;
      case QMessageBox::No:
        answer = Answer::kNo;
        break;
      default:
        answer = Answer::kCancel;
        break;
    }
  });
  return answer;
}

std::optional<std::string> GuiUserInterface::ChooseOpenFile(std::string_view filter,
                                                            std::string_view folder,
                                                            FileKind kind) {
  if (dialogs_) return dialogs_->ChooseOpenFile(filter, folder, kind);
  std::optional<std::string> path;
  OnGuiThread([&] {
    DesktopFeatures& desktop = window_.desktop();
    const QString chosen = QFileDialog::getOpenFileName(
        &window_, QString(), desktop.folders().FolderFor(kind, UiText(folder)),
        DialogFilter(UiText(filter)));
    desktop.folders().Remember(kind, chosen);
    if (kind == FileKind::kSped && !chosen.isEmpty() && LooksLikeEfdFile(CoreText(chosen)))
      desktop.recent_sped().Add(chosen);
    path = PathOf(chosen);
  });
  return path;
}

std::optional<std::string> GuiUserInterface::ChooseSaveFile(std::string_view filter,
                                                            std::string_view folder, FileKind kind,
                                                            std::string_view proposed_name) {
  if (dialogs_) return dialogs_->ChooseSaveFile(filter, folder, kind, proposed_name);
  std::optional<std::string> path;
  OnGuiThread([&] {
    DialogFolders& folders = window_.desktop().folders();
    QString start = folders.FolderFor(kind, UiText(folder));
    if (start.isEmpty()) start = ExpandFolder(window_.sdExcel().initial_folder());
    if (!proposed_name.empty()) start = QDir(start).filePath(UiText(proposed_name));
    if (auto chosen = window_.sdExcel().Execute(&window_, UiText(filter), start)) {
      folders.Remember(kind, *chosen);
      path = PathOf(*chosen);
    }
  });
  return path;
}

std::optional<std::string> GuiUserInterface::ChooseFolder(std::string_view folder, FileKind kind) {
  if (dialogs_) return dialogs_->ChooseFolder(folder, kind);
  std::optional<std::string> path;
  OnGuiThread([&] {
    DialogFolders& folders = window_.desktop().folders();
    const QString chosen = QFileDialog::getExistingDirectory(
        &window_, QString(), folders.FolderFor(kind, UiText(folder)));
    folders.Remember(kind, chosen, true);
    path = PathOf(chosen);
  });
  return path;
}

void GuiUserInterface::ControlChanged(const Control& control) {
  ControlSnapshot snapshot = TakeSnapshot(control, window_.state().pgcdados);
  if (QThread::currentThread() == window_.thread()) {
    window_.Apply(snapshot);
    return;
  }
  Tfrmprincipal* w = &window_;
  QMetaObject::invokeMethod(
      w, [w, snapshot = std::move(snapshot)] { w->Apply(snapshot); }, Qt::QueuedConnection);
}

void GuiUserInterface::Breathe() {
  Tfrmprincipal* w = &window_;
  if (QThread::currentThread() != w->thread()) {
    QMetaObject::invokeMethod(
        w, [w] { w->SyncGauge(); }, Qt::QueuedConnection);
    return;
  }
  w->SyncGauge();
  QCoreApplication::processEvents();
}

}  // namespace fiscora::qt
