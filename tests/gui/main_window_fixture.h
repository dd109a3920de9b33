// The main window as the program builds it, over a private working folder,
// with its dialogs answered by a recording user interface.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/model/table_model.h"
#include "app/ui/main_window.h"
#include "app/ui/page_tabs.h"
#include "app/ui/secondary_windows.h"
#include "data/catalogue.h"
#include "session/session.h"
#include "tests/core/sintegra_fixture.h"
#include "workflow/envelope.h"

namespace fiscora::qt {

namespace fs = std::filesystem;
using fiscora::testing::Slurp;  // the bytes of a file, whole

// The text a control shows: a label's or button's text, a group's title, an
// edit's contents, a window's caption, a menu item's text.
inline std::optional<QString> CaptionOf(const QObject* o) {
  if (auto* l = qobject_cast<const QLabel*>(o)) return l->text();
  if (auto* b = qobject_cast<const QAbstractButton*>(o)) return b->text();
  if (auto* g = qobject_cast<const QGroupBox*>(o)) return g->title();
  if (auto* e = qobject_cast<const QLineEdit*>(o)) return e->text();
  if (auto* a = qobject_cast<const QAction*>(o)) return a->text();
  if (auto* w = qobject_cast<const QWidget*>(o); w && w->isWindow()) return w->windowTitle();
  return std::nullopt;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / (std::string("fiscora-gui-") + info->name() + "-" +
                                           std::to_string(QCoreApplication::applicationPid()));
    fs::remove_all(folder_);
    // As the program starts: the window, the data module, the other windows.
    frm_ = std::make_unique<Tfrmprincipal>(folder_);
    dtm_ = std::make_unique<TdtmCENTRAL>();
    frm_->SetSecondaryWindows(CreateSecondaryWindows(frm_.get()));
    frm_->AttachData(*dtm_);
    frm_->RouteDialogsTo(&recorder_);
    frm_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frm_.get()));
  }
  void TearDown() override {
    frm_.reset();
    dtm_.reset();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  template <class T = QWidget>
  T* Find(const char* name) const {
    return frm_->findChild<T*>(QString::fromLatin1(name));
  }
  MainWindowState& state() { return frm_->state(); }
  Session& session() { return *frm_->session(); }
  static void Pump() { QCoreApplication::sendPostedEvents(); }
  // Writes a file whose run ends with a message (no 60R: a warning comes),
  // routes the dialogs to `ui`, chooses the file with "Arquivo" and clicks
  // "Verificar"; the file's path.
  fs::path ChooseAndVerifyAFileWithAWarning(RecordingUserInterface& ui) {
    frm_->RouteDialogsTo(&ui);
    const fs::path file = folder_ / "in" / "sem60.txt";
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "10" << std::string(124, '0') << "\r\n"
                        << "50" << std::string(124, '0') << "\r\n";
    ui.open_file = file.string();
    Find<QAbstractButton>("sbtnarq")->click();
    Find<QAbstractButton>("sbtnverificar")->click();
    return file;
  }

  fs::path folder_;
  RecordingUserInterface recorder_;
  std::unique_ptr<TdtmCENTRAL> dtm_;  // destroyed after the window
  std::unique_ptr<Tfrmprincipal> frm_;
};

}  // namespace fiscora::qt
