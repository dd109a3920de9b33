// Messages whose text grows with the file (the problem list of the
// verification, missing records, error lists): a message box taller than
// the screen would hide its OK button, so such a text opens a dialog that
// never exceeds the available screen: the title, the first lines as the
// message box shows them, the rest in a scrollable read-only area, and the
// buttons "Copiar" (the whole text to the clipboard), "Salvar..." (the whole
// text to a text file, written to a temporary file and renamed into place)
// and OK, always visible.
#pragma once

#include <QDialog>
#include <QFont>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

namespace fiscora::qt {

// Whether the text fits a plain message box on a screen of `available`
// size (texts in Qt form: lines broken by "\n").
bool FitsAMessageBox(const QString& text, const QFont& font, QSize available);

// The first lines a long message shows above its scrolling area: up to the
// first blank line when it comes within the first ten lines (the heading of
// a list), else the first line; and the rest, blank lines at its start
// dropped.
std::pair<QString, QString> SplitLongMessage(const QString& text);

class LongMessageDialog : public QDialog {
  Q_OBJECT

 public:
  // Asks where to save the text (dialogs parented to the given window);
  // nullopt when cancelled.
  using SaveChooser = std::function<std::optional<QString>(QWidget* parent)>;

  LongMessageDialog(QWidget* parent, const QString& title, const QString& text, QSize available,
                    SaveChooser choose_save_path);

  QSize sizeHint() const override;
  const QString& text() const { return text_; }

  // "Copiar": the whole text to the clipboard.
  void Copy() const;
  // "Salvar...": asks for a file and writes the whole text there (UTF-8,
  // CR LF line breaks). A failure is shown in a message box; the file that
  // was there stays as it was.
  void Save();

 private:
  QString text_;
  QSize available_;
  SaveChooser choose_save_path_;
};

// A message as the program shows it: a plain message box when the text
// fits the screen the parent is on, else the long message dialog.
void ShowMessage(QWidget* parent, const QString& title, const QString& text,
                 const LongMessageDialog::SaveChooser& choose_save_path);

}  // namespace fiscora::qt
