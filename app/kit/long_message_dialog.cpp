#include "app/kit/long_message_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>
#include <exception>
#include <filesystem>

#include "data/atomic_file.h"

namespace fiscora::qt {

namespace {

// A message box breaks its lines at about this width and adds its title
// bar, margins and button row around the text.
constexpr int kBoxTextWidth = 500;
constexpr int kBoxChrome = 160;
// Room kept for the window frame and title bar of the dialog itself.
constexpr int kFrameAllowance = 48;
constexpr int kHeadLinesAtMost = 10;

}  // namespace

bool FitsAMessageBox(const QString& text, const QFont& font, QSize available) {
  const QFontMetrics fm(font);
  // The lines alone may already be too many: no need to lay the text out.
  if ((text.count(QLatin1Char('\n')) + 1) * fm.lineSpacing() + kBoxChrome > available.height())
    return false;
  const QRect needed = fm.boundingRect(QRect(0, 0, kBoxTextWidth, 1 << 29),
                                       Qt::TextWordWrap | Qt::TextExpandTabs, text);
  return needed.height() + kBoxChrome <= available.height();
}

std::pair<QString, QString> SplitLongMessage(const QString& text) {
  const QStringList lines = text.split(QLatin1Char('\n'));
  qsizetype head = 1;
  for (qsizetype i = 0; i < lines.size() && i < kHeadLinesAtMost; ++i) {
    if (lines[i].trimmed().isEmpty()) {
      head = i;
      break;
    }
  }
  if (head == 0) head = 1;  // a text that starts blank still shows its first line
  qsizetype rest = head;
  while (rest < lines.size() && lines[rest].trimmed().isEmpty()) ++rest;
  return {lines.mid(0, head).join(QLatin1Char('\n')), lines.mid(rest).join(QLatin1Char('\n'))};
}

LongMessageDialog::LongMessageDialog(QWidget* parent, const QString& title, const QString& text,
                                     QSize available, SaveChooser choose_save_path)
    : QDialog(parent),
      text_(text),
      available_(available),
      choose_save_path_(std::move(choose_save_path)) {
  setObjectName(QStringLiteral("dlgMensagemLonga"));
  setWindowTitle(title);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(true);

  const auto [head_text, rest_text] = SplitLongMessage(text);
  auto* layout = new QVBoxLayout(this);
  auto* head = new QLabel(head_text, this);
  head->setObjectName(QStringLiteral("lblMensagem"));
  head->setTextFormat(Qt::PlainText);
  head->setWordWrap(true);
  head->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(head);

  auto* rest = new QPlainTextEdit(this);
  rest->setObjectName(QStringLiteral("memMensagem"));
  rest->setReadOnly(true);
  rest->setPlainText(rest_text);
  rest->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  layout->addWidget(rest, 1);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* copy = buttons->addButton(QStringLiteral("Copiar"), QDialogButtonBox::ActionRole);
  copy->setObjectName(QStringLiteral("btnCopiar"));
  copy->setAutoDefault(false);
  QPushButton* save = buttons->addButton(QStringLiteral("Salvar..."), QDialogButtonBox::ActionRole);
  save->setObjectName(QStringLiteral("btnSalvar"));
  save->setAutoDefault(false);
  QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setText(QStringLiteral("OK"));
  ok->setDefault(true);
  layout->addWidget(buttons);
  connect(copy, &QPushButton::clicked, this, &LongMessageDialog::Copy);
  connect(save, &QPushButton::clicked, this, &LongMessageDialog::Save);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  // However long the text, the dialog stays inside the screen: the text
  // area scrolls, the buttons stay in view.
  setMaximumSize(QSize(available_.width(), available_.height() - kFrameAllowance));
  resize(sizeHint());
  ok->setFocus();
}

QSize LongMessageDialog::sizeHint() const {
  const QSize natural = QDialog::sizeHint();
  const QFontMetrics fm(font());
  const int width =
      qBound(natural.width(), 100 * fm.averageCharWidth(), available_.width() * 9 / 10);
  const int height = qMax(natural.height(), (available_.height() - kFrameAllowance) * 3 / 4);
  return QSize(qMin(width, available_.width()),
               qMin(height, available_.height() - kFrameAllowance));
}

void LongMessageDialog::Copy() const { QApplication::clipboard()->setText(text_); }

void LongMessageDialog::Save() {
  if (!choose_save_path_) return;
  const std::optional<QString> path = choose_save_path_(this);
  if (!path || path->isEmpty()) return;
  QString contents = text_;
  contents.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  const QByteArray bytes = contents.toUtf8();
  try {
    AtomicFile file(std::filesystem::path(path->toStdU16String()));
    file.stream().write(bytes.constData(), bytes.size());
    file.Commit();
  } catch (const std::exception& e) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Atenção"), QString::fromUtf8(e.what()),
                    QMessageBox::Ok, this);
    box.exec();
  }
}

void ShowMessage(QWidget* parent, const QString& title, const QString& text,
                 const LongMessageDialog::SaveChooser& choose_save_path) {
  QScreen* screen =
      parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
  const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
  if (FitsAMessageBox(text, parent ? parent->font() : QApplication::font(), available)) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
    return;
  }
  LongMessageDialog dialog(parent, title, text, available, choose_save_path);
  dialog.exec();
}

}  // namespace fiscora::qt
