// The main window as a desktop program: long messages that fit the screen,
// the chosen file on the title bar, dropped files, recent files, the folder
// of each kind of dialog, the keys and the tab order.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QUrl>
#include <functional>

#include "app/kit/dialog_folders.h"
#include "app/kit/long_message_dialog.h"
#include "app/kit/recent_files.h"
#include "app/kit/ui_text.h"
#include "app/ui/main_window_desktop.h"
#include "app/ui/translations.h"
#include "main_window_fixture.h"

namespace fiscora::qt {
namespace {

// The problem list of a verification as the window receives it: heading,
// rule, blank line, one product a line.
QString ProblemList(int entries) {
  QString text = QStringLiteral("PRODUTOS COM PROBLEMAS.\n") + QString(44, QLatin1Char('*')) +
                 QStringLiteral("\n\n");
  for (int i = 1; i <= entries; ++i)
    text += QStringLiteral("Produto %1 - ARROZ TIPO 1 PACOTE 5 KG - preço fora da média\n").arg(i);
  return text;
}

// Runs `act`, which opens a modal window, and hands that window to
// `inspect` before closing it.
void WithNextModal(const std::function<void()>& act, const std::function<void(QWidget*)>& inspect) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || seen) return;
    seen = true;
    inspect(modal);
    modal->close();
  });
  poll.start();
  act();
  poll.stop();
  EXPECT_TRUE(seen) << "no modal window opened";
}

// A SINTEGRA file of one record 10 in `folder`.
std::string WriteSintegraFile(const fs::path& folder, const char* name) {
  fs::create_directories(folder);
  const fs::path file = folder / name;
  std::ofstream(file, std::ios::binary) << std::string("10").append(124, ' ') << "\r\n";
  return file.string();
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
// A list of texts, one a line, for comparisons that print well.
std::string Lines(const QStringList& list) { return list.join(QLatin1Char('\n')).toStdString(); }

TEST(LongMessage, AProblemListOfFiveThousandFitsTheScreenWithOkInside) {
  const QString text = ProblemList(5000);
  const QSize screen(1280, 800);
  EXPECT_FALSE(FitsAMessageBox(text, QApplication::font(), screen));
  EXPECT_TRUE(
      FitsAMessageBox(QStringLiteral("Arquivo gerado com sucesso!"), QApplication::font(), screen));

  LongMessageDialog dialog(nullptr, QStringLiteral("ATENÇÃO!!!"), text, screen, {});
  const QSize hint = dialog.sizeHint();
  EXPECT_LE(hint.width(), screen.width());
  EXPECT_LE(hint.height(), screen.height());
  dialog.resize(hint);
  dialog.layout()->activate();
  auto* ok = dialog.findChild<QAbstractButton*>(QStringLiteral("btnOK"));
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->text(), QStringLiteral("OK"));
  const QRect ok_rect(ok->mapTo(&dialog, QPoint(0, 0)), ok->size());
  EXPECT_TRUE(dialog.rect().contains(ok_rect)) << ok_rect.y() << " in " << dialog.height();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ATENÇÃO!!!"));
  // The heading as the box shows it, the list in the scrolling area.
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("lblMensagem"))->text(),
            QStringLiteral("PRODUTOS COM PROBLEMAS.\n") + QString(44, QLatin1Char('*')));
  const QString rest =
      dialog.findChild<QPlainTextEdit*>(QStringLiteral("memMensagem"))->toPlainText();
  EXPECT_TRUE(rest.startsWith(QStringLiteral("Produto 1 ")));
  EXPECT_TRUE(rest.contains(QStringLiteral("Produto 5000 ")));
}

TEST(LongMessage, FirstLinesAreTheHeadingUpToTheFirstBlankLine) {
  const struct Case {
    const char* text;
    const char* head;
    const char* rest;
  } cases[] = {
      {"TITULO.\n****\n\nlinha 1\nlinha 2", "TITULO.\n****", "linha 1\nlinha 2"},
      {"Erros:\na\nb\nc\nd\ne\nf\ng\nh\ni\nj\n\nk", "Erros:", "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\n\nk"},
      {"\n\nlinha", "", "linha"},
      {"uma linha só", "uma linha só", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto [head, rest] = SplitLongMessage(QString::fromUtf8(c.text));
    EXPECT_EQ(head, QString::fromUtf8(c.head));
    EXPECT_EQ(rest, QString::fromUtf8(c.rest));
  }
}

TEST(LongMessage, CopiarPutsTheWholeTextOnTheClipboard) {
  const QString text = ProblemList(5000);
  LongMessageDialog dialog(nullptr, QStringLiteral("ATENÇÃO!!!"), text, QSize(1280, 800), {});
  QApplication::clipboard()->clear();
  auto* copy = dialog.findChild<QAbstractButton*>(QStringLiteral("btnCopiar"));
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->text(), QStringLiteral("Copiar"));
  copy->click();
  EXPECT_EQ(QApplication::clipboard()->text(), text);
}

TEST(LongMessage, SalvarWritesTheWholeTextInPlaceOfTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("problemas.txt"));
  std::ofstream(path.toStdString()) << "antigo";
  const QString text = ProblemList(3);
  LongMessageDialog dialog(nullptr, QString(), text, QSize(1280, 800),
                           [&](QWidget*) { return std::optional<QString>(path); });
  auto* save = dialog.findChild<QAbstractButton*>(QStringLiteral("btnSalvar"));
  ASSERT_TRUE(save);
  EXPECT_EQ(save->text(), QStringLiteral("Salvar..."));
  save->click();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QString expected = text;
  expected.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  EXPECT_EQ(QString::fromUtf8(file.readAll()), expected);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("problemas.txt")});  // no temporary file left
}

TEST(LongMessage, SalvarIntoAMissingFolderSaysWhyAndWritesNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("nao_existe/problemas.txt"));
  LongMessageDialog dialog(nullptr, QString(), ProblemList(3), QSize(1280, 800),
                           [&](QWidget*) { return std::optional<QString>(path); });
  QString shown;
  WithNextModal([&] { dialog.Save(); },
                [&](QWidget* w) {
                  if (auto* box = qobject_cast<QMessageBox*>(w)) shown = box->text();
                });
  EXPECT_TRUE(shown.startsWith(QStringLiteral("Não foi possível gravar o arquivo")))
      << shown.toStdString();
  EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(MainWindowTest, ALongMessageOpensTheDialogAShortOneTheMessageBox) {
  frm_->RouteDialogsTo(nullptr);
  QString long_class, short_class, short_text;
  WithNextModal(
      [&] { frm_->user_interface().Message("", CoreText(ProblemList(5000))); },
      [&](QWidget* w) { long_class = QString::fromLatin1(w->metaObject()->className()); });
  WithNextModal([&] { frm_->user_interface().Message("Atenção", "Arquivo gerado!"); },
                [&](QWidget* w) {
                  short_class = QString::fromLatin1(w->metaObject()->className());
                  if (auto* box = qobject_cast<QMessageBox*>(w)) short_text = box->text();
                });
  EXPECT_EQ(long_class, QStringLiteral("fiscora::qt::LongMessageDialog"));
  EXPECT_EQ(short_class, QStringLiteral("QMessageBox"));
  EXPECT_EQ(short_text, QStringLiteral("Arquivo gerado!"));
}

TEST_F(MainWindowTest, TitleShowsTheChosenFile) {
  EXPECT_EQ(frm_->windowTitle(), QStringLiteral("Fiscora"));
  recorder_.open_file = WriteSintegraFile(folder_ / "in", "loja_03-2025.txt");
  Find<QAbstractButton>("sbtnarq")->click();
  EXPECT_EQ(frm_->windowTitle(), QStringLiteral("Fiscora — loja_03-2025.txt"));
  recorder_.open_file.reset();  // cancelled: no file any more
  Find<QAbstractButton>("sbtnarq")->click();
  EXPECT_EQ(frm_->windowTitle(), QStringLiteral("Fiscora"));
}

// Records the window's title at each message, as the user sees it then.
class TitleAtMessages : public RecordingUserInterface {
 public:
  explicit TitleAtMessages(const QWidget* window) : window_(window) {}
  void Message(std::string_view title, std::string_view text) override {
    titles.push_back(window_->windowTitle());
    RecordingUserInterface::Message(title, text);
  }
  QStringList titles;

 private:
  const QWidget* window_;
};

TEST_F(MainWindowTest, TitleNamesTheFileWhileTheVerificationsMessagesShow) {
  // Chosen with "Arquivo", then verified; and given on the command line.
  for (const bool command_line : {false, true}) {
    SCOPED_TRACE(command_line ? "command line" : "Arquivo");
    TitleAtMessages ui(frm_.get());
    frm_->RouteDialogsTo(&ui);
    const fs::path file = folder_ / "in" / (command_line ? "linha.txt" : "sem60.txt");
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "10" << std::string(124, '0') << "\r\n"
                        << "50" << std::string(124, '0') << "\r\n";
    if (command_line) {
      frm_->ChooseAndVerify(file.string());
    } else {
      ui.open_file = file.string();
      Find<QAbstractButton>("sbtnarq")->click();
      Find<QAbstractButton>("sbtnverificar")->click();
    }
    ASSERT_FALSE(ui.titles.isEmpty());
    const QString expected = QStringLiteral("Fiscora — ") + Q(file.filename().string());
    for (const QString& t : ui.titles) EXPECT_EQ(t, expected);
    frm_->RouteDialogsTo(&recorder_);
  }
}

TEST_F(MainWindowTest, RecentFilesKeepOnlyFilesTheSintegraCheckAccepts) {
  RecentFiles& recent = frm_->desktop().recent_sintegra();
  recent.Clear();
  const fs::path in = folder_ / "in";
  fs::create_directories(in);
  const std::string good = WriteSintegraFile(in, "loja.txt");
  const std::string efd = (in / "efd.txt").string();
  std::ofstream(efd, std::ios::binary) << "|0000|017|0|01012025|31012025|LOJA|\r\n|9999|2|\r\n";
  // Starts as a SINTEGRA file, refused by the verification (a NUL byte).
  const std::string binary = (in / "binario.txt").string();
  std::ofstream(binary, std::ios::binary) << std::string("10").append(124, ' ') << "\r\n"
                                          << std::string("50\0\0", 4) << "\r\n";
  for (const std::string& f : {good, efd, binary}) {
    recorder_.open_file = f;
    Find<QAbstractButton>("sbtnarq")->click();
    Find<QAbstractButton>("sbtnverificar")->click();
  }
  EXPECT_EQ(Lines(recent.paths()), Lines({Q(good)}));
}

TEST_F(MainWindowTest, EnterInTheFileBoxVerifiesOnlyWhileVerificarIsEnabled) {
  recorder_.open_file = WriteSintegraFile(folder_ / "in", "loja.txt");
  Find<QAbstractButton>("sbtnarq")->click();
  ASSERT_TRUE(Find("sbtnverificar")->isEnabled());
  QTest::keyClick(Find("edtarq"), Qt::Key_Return);
  ASSERT_FALSE(state().lbllinhas.text().empty());  // Enter ran "Verificar"
  ASSERT_FALSE(Find("sbtnverificar")->isEnabled());
  const size_t messages = recorder_.messages.size();
  state().lbllinhas.SetText("");
  for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_F5})
    QTest::keyClick(Find("edtarq"), key);
  EXPECT_EQ(recorder_.messages.size(), messages);
  EXPECT_TRUE(state().lbllinhas.text().empty());
}

TEST_F(MainWindowTest, ADroppedFileIsChosenAsArquivoWould) {
  const std::string file = WriteSintegraFile(folder_ / "in", "loja_03-2025.txt");
  dtm_->cds_50.Append();
  dtm_->cds_50.Post();
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(Q(file))});

  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(frm_.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(frm_.get(), &drop);

  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(state().edtarq.text(), file);
  EXPECT_EQ(Find<QLineEdit>("edtarq")->text(), Q(file));
  EXPECT_EQ(dtm_->cds_50.RecordCount(), 0);  // the reset of "Arquivo"
  EXPECT_TRUE(Find("btn_reg90")->isEnabled());
  EXPECT_EQ(frm_->windowTitle(), QStringLiteral("Fiscora — loja_03-2025.txt"));
  EXPECT_TRUE(recorder_.file_dialogs.empty());  // no dialog

  // On the file box too (it would otherwise paste the address).
  const std::string other = WriteSintegraFile(folder_ / "in", "outra.txt");
  mime.setUrls({QUrl::fromLocalFile(Q(other))});
  QDragEnterEvent over_box(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(Find("edtarq"), &over_box);
  EXPECT_TRUE(over_box.isAccepted());
  QDropEvent on_box(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(Find("edtarq"), &on_box);
  EXPECT_EQ(state().edtarq.text(), other);

  // Two files at once are not taken.
  mime.setUrls({QUrl::fromLocalFile(Q(file)), QUrl::fromLocalFile(Q(other))});
  QDragEnterEvent two(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(frm_.get(), &two);
  EXPECT_FALSE(two.isAccepted());
}

TEST(QtTranslations, QtsOwnDialogsSpeakPortuguese) {
  QTranslator* translator = InstallQtTranslations(*QCoreApplication::instance());
  ASSERT_NE(translator, nullptr) << "qtbase_pt_BR.qm not found (qt6-translations-l10n)";
  QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::Cancel);
  EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text().remove(QLatin1Char('&')),
            QStringLiteral("Sim"));
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')),
            QStringLiteral("Cancelar"));
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
  QCoreApplication::removeTranslator(translator);  // the other tests read Qt's English texts
  delete translator;
}

TEST(RecentFiles, KeepTenNewestFirstWithoutDuplicatesAcrossARestart) {
  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("fiscora.ini"));
  const auto file = [&](int i) { return dir.filePath(QStringLiteral("loja_%1.txt").arg(i)); };
  QStringList expected;
  {
    QSettings settings(ini, QSettings::IniFormat);
    RecentFiles recent(settings, RecentFiles::SintegraKey());
    for (int i = 0; i < 12; ++i) recent.Add(file(i));
    // The same file named otherwise moves to the front, once.
    recent.Add(dir.path() + QStringLiteral("/./loja_5.txt"));
    expected << file(5);
    for (int i = 11; i >= 2; --i)
      if (i != 5) expected << file(i);
    EXPECT_EQ(Lines(recent.paths()), Lines(expected));
    // The SPED list is another one.
    RecentFiles sped(settings, RecentFiles::SpedKey());
    EXPECT_TRUE(sped.paths().isEmpty());
  }
  QSettings settings(ini, QSettings::IniFormat);
  RecentFiles recent(settings, RecentFiles::SintegraKey());
  EXPECT_EQ(Lines(recent.paths()), Lines(expected));
  EXPECT_EQ(recent.paths().size(), RecentFiles::kCapacity);
}

TEST_F(MainWindowTest, RecentFilesReopenAndAMissingOneIsShownDisabledAndRemovedOnAClick) {
  RecentFiles& recent = frm_->desktop().recent_sintegra();
  recent.Clear();
  const std::string a = WriteSintegraFile(folder_ / "in", "a.txt");
  const std::string b = WriteSintegraFile(folder_ / "in", "b.txt");
  for (const std::string& f : {a, b}) {
    recorder_.open_file = f;
    Find<QAbstractButton>("sbtnarq")->click();
  }
  EXPECT_EQ(Lines(recent.paths()), Lines({Q(b), Q(a)}));
  fs::remove(a);

  RecentFilesMenu& menu = frm_->desktop().recent_menu();
  menu.popup(frm_->mapToGlobal(QPoint(20, 20)));
  const QList<QAction*> entries = menu.actions();
  ASSERT_EQ(entries.size(), 2);
  EXPECT_TRUE(entries[0]->text().contains(QStringLiteral("b.txt")));
  EXPECT_TRUE(entries[0]->isEnabled());
  EXPECT_TRUE(entries[1]->text().contains(QStringLiteral("a.txt")));
  EXPECT_FALSE(entries[1]->isEnabled());

  QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(entries[1]).center());
  EXPECT_EQ(Lines(recent.paths()), Lines({Q(b)}));
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].title, "Atenção");
  EXPECT_NE(recorder_.messages[0].text.find("a.txt"), std::string::npos);

  // The other entry chooses its file as "Arquivo" would, without a dialog.
  recorder_.open_file.reset();
  Find<QAbstractButton>("sbtnarq")->click();  // cancelled: the box is empty
  ASSERT_EQ(state().edtarq.text(), "");
  const size_t dialogs = recorder_.file_dialogs.size();
  menu.Refill();
  menu.actions().at(0)->trigger();
  EXPECT_EQ(state().edtarq.text(), b);
  EXPECT_EQ(recorder_.file_dialogs.size(), dialogs);
  EXPECT_EQ(frm_->windowTitle(), QStringLiteral("Fiscora — b.txt"));
  // The button beside "Arquivo" opens this menu.
  auto* button = Find<QToolButton>("sbtnarq_recentes");
  ASSERT_TRUE(button);
  EXPECT_EQ(button->menu(), &menu);
}

TEST(DialogFolders, EachKindOpensWhereItWasLastUsed) {
  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("fiscora.ini"));
  QDir(dir.path()).mkpath(QStringLiteral("sintegra"));
  QDir(dir.path()).mkpath(QStringLiteral("saida"));
  QDir(dir.path()).mkpath(QStringLiteral("sumiu"));
  const QString documents = DialogFolders::DocumentsFolder();
  const FileKind kinds[] = {FileKind::kSintegra,     FileKind::kInventory,   FileKind::kSped,
                            FileKind::kOutputFolder, FileKind::kSpreadsheet, FileKind::kText};
  {
    QSettings settings(ini, QSettings::IniFormat);
    DialogFolders folders(settings);
    for (FileKind k : kinds) EXPECT_EQ(folders.FolderFor(k), documents);  // first run
    folders.Remember(FileKind::kSintegra, dir.filePath(QStringLiteral("sintegra/loja.txt")));
    folders.Remember(FileKind::kOutputFolder, dir.filePath(QStringLiteral("saida")), true);
    folders.Remember(FileKind::kSped, dir.filePath(QStringLiteral("sumiu/efd.txt")));
    folders.Remember(FileKind::kSpreadsheet, QString());  // cancelled: nothing
    // A kind the caller did not name keeps the caller's folder.
    folders.Remember(FileKind::kAny, dir.filePath(QStringLiteral("saida/x.txt")));
    EXPECT_EQ(folders.FolderFor(FileKind::kAny, dir.path()), dir.path());
  }
  QDir(dir.filePath(QStringLiteral("sumiu"))).removeRecursively();
  QSettings settings(ini, QSettings::IniFormat);  // the next run
  DialogFolders folders(settings);
  EXPECT_EQ(folders.FolderFor(FileKind::kSintegra), dir.filePath(QStringLiteral("sintegra")));
  EXPECT_EQ(folders.FolderFor(FileKind::kOutputFolder), dir.filePath(QStringLiteral("saida")));
  EXPECT_EQ(folders.FolderFor(FileKind::kSped), documents);  // gone: documents again
  EXPECT_EQ(folders.FolderFor(FileKind::kInventory), documents);
  EXPECT_EQ(folders.FolderFor(FileKind::kSpreadsheet), documents);
}

TEST_F(MainWindowTest, DialogsOpenInTheFolderOfTheirKindAndSaveDialogsProposeAName) {
  frm_->RouteDialogsTo(nullptr);
  const fs::path sintegra = folder_ / "sintegra";
  const fs::path planilhas = folder_ / "planilhas";
  fs::create_directories(sintegra);
  fs::create_directories(planilhas);
  DialogFolders& folders = frm_->desktop().folders();
  folders.Remember(FileKind::kSintegra, Q((sintegra / "loja.txt").string()));
  folders.Remember(FileKind::kSpreadsheet, Q((planilhas / "antiga.xlsx").string()));

  QString opened_in;
  WithNextModal([&] { Find<QAbstractButton>("sbtnarq")->click(); },
                [&](QWidget* w) {
                  if (auto* d = qobject_cast<QFileDialog*>(w))
                    opened_in = d->directory().absolutePath();
                });
  EXPECT_EQ(opened_in, Q(sintegra.string()));

  QString saved_in, proposed;
  WithNextModal(
      [&] {
        frm_->user_interface().ChooseSaveFile("planilha|*.xlsx", "", FileKind::kSpreadsheet,
                                              "loja_03-2025 - inventario.xlsx");
      },
      [&](QWidget* w) {
        if (auto* d = qobject_cast<QFileDialog*>(w)) {
          saved_in = d->directory().absolutePath();
          proposed = d->selectedFiles().value(0);
        }
      });
  EXPECT_EQ(saved_in, Q(planilhas.string()));
  EXPECT_EQ(QFileInfo(proposed).fileName(), QStringLiteral("loja_03-2025 - inventario.xlsx"));
}

TEST_F(MainWindowTest, CtrlOChoosesAFileAndF5Verifies) {
  const std::string file = WriteSintegraFile(folder_ / "in", "loja.txt");
  recorder_.open_file = file;
  QTest::keyClick(Find("dbg_50"), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(state().edtarq.text(), file);
  ASSERT_FALSE(recorder_.file_dialogs.empty());
  EXPECT_EQ(recorder_.file_dialogs.back().kind, FileKind::kSintegra);
  ASSERT_TRUE(Find("sbtnverificar")->isEnabled());
  QTest::keyClick(Find("edtarq"), Qt::Key_F5);
  EXPECT_EQ(state().lbllinhas.text().empty(), false);  // the run counted the lines
  EXPECT_FALSE(Find("sbtnverificar")->isEnabled());    // as after every run
}

TEST_F(MainWindowTest, EscClosesTheSecondaryWindows) {
  for (SecondaryWindow* w :
       frm_->findChildren<SecondaryWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
    SCOPED_TRACE(w->objectName().toStdString());
    w->show();
    ASSERT_TRUE(w->isVisible());
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
  }
}

// The widgets Tab goes through from `first`, once round, restricted to `keep`.
QList<QWidget*> TabChain(QWidget* first, const std::function<bool(QWidget*)>& keep) {
  QList<QWidget*> chain;
  QWidget* w = first;
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && keep(w)) chain << w;
    w = w->nextInFocusChain();
  } while (w && w != first);
  return chain;
}

TEST_F(MainWindowTest, TabGoesThroughTheWindowInReadingOrder) {
  QWidget* title = Find("gpbtitulo");
  QStringList names;
  for (QWidget* w : TabChain(Find("edtarq"), [&](QWidget* w) { return title->isAncestorOf(w); }))
    names << w->objectName();
  EXPECT_EQ(Lines(names), Lines({"edtarq", "sbtnarq", "sbtnarq_recentes", "sbtnverificar",
                                 "sbtnvalidar", "btn_audit", "sbtn_sped", "sbtnlote"}));

  // The shown sheet's controls: each below the one before, or beside it to
  // the right; "Fechar" after them.
  QWidget* sheet = frm_->pgcdados().currentWidget();
  const QList<QWidget*> chain = TabChain(Find("edtarq"), [&](QWidget* w) {
    return w->isVisibleTo(frm_.get()) &&
           (sheet->isAncestorOf(w) || w->objectName() == "sbtnfechar");
  });
  ASSERT_GE(chain.size(), 3);
  EXPECT_EQ(chain.back()->objectName(), QStringLiteral("sbtnfechar"));
  for (int i = 1; i + 1 < chain.size(); ++i) {
    const QRect a(chain[i - 1]->mapTo(frm_.get(), QPoint()), chain[i - 1]->size());
    const QRect b(chain[i]->mapTo(frm_.get(), QPoint()), chain[i]->size());
    SCOPED_TRACE((chain[i - 1]->objectName() + " then " + chain[i]->objectName()).toStdString());
    EXPECT_TRUE(b.top() >= a.center().y() || b.left() > a.left());
  }
}

}  // namespace
}  // namespace fiscora::qt
