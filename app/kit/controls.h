// Small controls of the windows: grids bound to tables, text displays of a
// table's aggregate, clickable link labels and the save dialog's settings.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QTableView>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/model/table_model.h"
#include "data/client_table.h"

namespace fiscora::qt {

class TableModel;
class TableWatch;

enum class GridSelection { kCell, kRow };

// A grid as the windows use it: column titles, no row numbers, read-only.
QTableView* NewGrid(QWidget* parent, const char* name,
                    GridSelection selection = GridSelection::kCell);
// Shows the table in the grid through a TableModel owned by the grid; the
// columns get the widths of the table's display attributes. A grid with its
// own column list shows those fields in that order with those titles.
TableModel* BindGrid(QTableView* grid, ClientTable& table,
                     const std::vector<TableModel::Column>& columns = {});

// The columns of the grid fit their content (and their titles' words) once the
// grid is filled: after a reset or new rows, when the rows stop coming for a
// moment, each column takes the width of its widest text among the rows in
// view and the first thousand, at most `max_chars` digits wide.
inline constexpr int kFitColumnMaxChars = 40;
void FitColumnsToContents(QTableView* grid, int max_chars = kFitColumnMaxChars);
// Fits the columns now, as FitColumnsToContents does when the grid is filled.
void FitColumnsNow(QTableView* grid, int max_chars = kFitColumnMaxChars);

// A window that may be resized and maximised: its border buttons gain
// maximise (and minimise), a size grip shows, and it opens at `size`, its
// minimum the smaller of `size` and `minimum`.
void AllowResizing(QDialog* window, QSize size, QSize minimum);

// The style of a grid's column titles once a title click has ordered it: bold
// in the main window and the note analysis, regular in the CFOP summary.
enum class TitleStyle { kBold, kNormal };

// A click on a column title of the grid orders the grid's table by that
// column (OrderByColumn; the grid shows a TableModel or a proxy over one),
// moves it to its first row and gives every title of the grid the style. `may_order`, when given,
// can refuse a click (while a routine is walking the tables).
void OrderOnTitleClick(QTableView* grid, TitleStyle style, std::function<bool()> may_order = {});

// Paints the cells of one grid column: background, text colour, bold.
void PaintColumn(QTableView* grid, int column, const QColor& background, const QColor& text,
                 bool bold = false);

// The widest amount a label shows, "R$ 999.999.999,99" (or its negative):
// the label is given room for it whole.
inline const char kWidestAmount[] = "R$-999.999.999,99";
void FitAmount(QLabel* label);

// A text display of one aggregate of a table ("soma" of cds_inventario):
// empty while the aggregate is null, else its display text.
class DbText : public QLabel {
  Q_OBJECT

 public:
  DbText(QWidget* parent, const char* name);
  // Unknown aggregate names bind nothing.
  void Bind(ClientTable& table, const std::string& aggregate);

 private:
  void Show();

  TableWatch* watch_ = nullptr;
  int aggregate_ = -1;
};

// A label that reports clicks (the links of the "Sobre" sheet).
class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  ClickLabel(QWidget* parent, const char* name, const QString& text);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A save dialog's settings (initial folder, filter), shown on demand.
class SaveDialog : public QObject {
  Q_OBJECT

 public:
  SaveDialog(QObject* parent, const char* name, QString initial_folder, QString filter = {});
  const QString& initial_folder() const { return initial_folder_; }
  const QString& filter() const { return filter_; }
  // The chosen path, nullopt when cancelled. Empty arguments keep the settings.
  std::optional<QString> Execute(QWidget* parent, const QString& filter = {},
                                 const QString& folder = {}) const;

 private:
  QString initial_folder_;
  QString filter_;
};

// "%HomePath%/Desktop" and the like: the user's folders named as the
// program's dialogs name them, turned into real paths.
QString ExpandFolder(const QString& folder);
// "texto|*.txt" (caption|pattern pairs) as a Qt file-dialog filter.
QString DialogFilter(const QString& filter);

}  // namespace fiscora::qt
