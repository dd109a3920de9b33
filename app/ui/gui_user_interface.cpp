#include "app/ui/gui_user_interface.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

#include "app/ui/control_snapshot.h"
#include "app/ui/controls.h"
#include "app/ui/main_window.h"
#include "app/ui/ui_text.h"

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
    QMessageBox box(QMessageBox::NoIcon, Title(title), UiText(text), QMessageBox::Ok, &window_);
    box.exec();
  });
}

Answer GuiUserInterface::Confirm(std::string_view title, std::string_view text, Buttons buttons) {
  if (dialogs_) return dialogs_->Confirm(title, text, buttons);
  Answer answer = Answer::kCancel;
  OnGuiThread([&] {
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    if (buttons == Buttons::kYesCancel) b = QMessageBox::Yes | QMessageBox::Cancel;
    if (buttons == Buttons::kYesNoCancel) b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, Title(title), UiText(text), b, &window_);
    switch (box.exec()) {
      case QMessageBox::Ok: answer = Answer::kOk; break;
      case QMessageBox::Yes: answer = Answer::kYes; break;
      case QMessageBox::No: answer = Answer::kNo; break;
      default: answer = Answer::kCancel; break;
    }
  });
  return answer;
}

std::optional<std::string> GuiUserInterface::ChooseOpenFile(std::string_view filter,
                                                            std::string_view folder) {
  if (dialogs_) return dialogs_->ChooseOpenFile(filter, folder);
  std::optional<std::string> path;
  OnGuiThread([&] {
    path = PathOf(QFileDialog::getOpenFileName(&window_, QString(), ExpandFolder(UiText(folder)),
                                               DialogFilter(UiText(filter))));
  });
  return path;
}

std::optional<std::string> GuiUserInterface::ChooseSaveFile(std::string_view filter,
                                                            std::string_view folder) {
  if (dialogs_) return dialogs_->ChooseSaveFile(filter, folder);
  std::optional<std::string> path;
  OnGuiThread([&] {
    if (auto chosen = window_.sdExcel().Execute(&window_, UiText(filter), UiText(folder)))
      path = PathOf(*chosen);
  });
  return path;
}

std::optional<std::string> GuiUserInterface::ChooseFolder(std::string_view folder) {
  if (dialogs_) return dialogs_->ChooseFolder(folder);
  std::optional<std::string> path;
  OnGuiThread([&] {
    path = PathOf(QFileDialog::getExistingDirectory(&window_, QString(), ExpandFolder(UiText(folder))));
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
    QMetaObject::invokeMethod(w, [w] { w->SyncGauge(); }, Qt::QueuedConnection);
    return;
  }
  w->SyncGauge();
  QCoreApplication::processEvents();
}

}  // namespace fiscora::qt
