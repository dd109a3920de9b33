// The spreadsheet layer: a workbook built cell by cell in memory and written
// as an .xlsx file (through libxlsxwriter) only when the user has chosen
// where, plus the save step every export shares.
//
//   Workbook book;                       // one worksheet, "Planilha1"
//   book.NameSheet("Planilha");          // where the export names it
//   book.SetText(1, 1, "Codigo");        // rows and columns count from 1
//   book.SetTextFormat(2, 1);            // numberFormat "@": shown as text
//   book.SetText(2, 1, "0001");
//   book.SetMoney(2, 2, Money::FromUnits(10));
//   SaveWorkbook(book, ui);              // sdExcel, confirmation, message
//
// Value kinds: text (UTF-8), integer, float (general number format) and
// money (the money format "R$ #.##0,00", negatives "R$ -#.##0,00"). Setting a
// cell again replaces its value and keeps its text format.
//
// Nothing is written until SaveAs; a workbook that is not saved is simply
// destroyed (no file, nothing left open). SaveAs writes a temporary file in
// the target's folder and renames it over the target, so a failure never
// leaves a half-written file and never destroys the old one.
//
// Not thread-safe; one export at a time per workbook.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/client_table.h"
#include "data/money.h"
#include "session/user_interface.h"

namespace fiscora {

class Workbook {
 public:
  struct Cell {
    enum class Kind : uint8_t { kEmpty, kText, kInteger, kFloat, kMoney };
    Kind kind = Kind::kEmpty;
    bool text_format = false;  // numberFormat "@"
    int64_t integer = 0;       // integer, or money raw (four decimals)
    double number = 0;         // float
    std::string text;
  };

  Workbook() = default;

  // Name of the (only) worksheet; "Planilha1" until named.
  void NameSheet(std::string name) { sheet_name_ = std::move(name); }
  const std::string& sheet_name() const { return sheet_name_; }

  // Cells by row and column, both from 1 (values below 1 are an error:
  // std::out_of_range).
  void SetText(int row, int column, std::string_view text);
  void SetInteger(int row, int column, int64_t value);
  void SetFloat(int row, int column, double value);
  void SetMoney(int row, int column, Money value);
  void SetTextFormat(int row, int column);
  // The value of a table's field on a live row, by the field's type: text,
  // integer, float, or money for currency fields.
  void SetField(int row, int column, const ClientTable& table, ClientTable::RowId table_row,
                int field);

  // Reading back: the number of rows (the last row holding a cell), the
  // number of columns of a row, and a cell (an empty cell when unset).
  int RowCount() const { return static_cast<int>(rows_.size()); }
  int ColumnCount(int row) const;
  const Cell& At(int row, int column) const;

  // Writes the workbook as an .xlsx file under `path`, replacing an existing
  // file only once the new one is complete. Throws FileWriteError (its text
  // names the file and the reason) when the file cannot be written.
  void SaveAs(const std::filesystem::path& path) const;
  // The same for a file of several worksheets: each workbook is one sheet,
  // under its sheet name, in the order given.
  static void SaveSheetsAs(const std::vector<const Workbook*>& sheets,
                           const std::filesystem::path& path);

 private:
  Cell& Put(int row, int column);
  std::string sheet_name_ = "Planilha1";
  std::vector<std::vector<Cell>> rows_;
};

// Decimals a float field is written with: money to the cent, quantities to
// the thousandth (the SINTEGRA quantities have three decimals).
inline constexpr int kMoneyDecimals = 2;
inline constexpr int kQuantityDecimals = 3;
// `value` rounded half away from zero to `decimals` places; values too large
// to round exactly (and infinities, NaN) are returned unchanged.
double RoundTo(double value, int decimals);

enum class SaveOutcome {
  kSaved,      // written under the chosen name, "Arquivo Salvo !!!" shown
  kCancelled,  // the save dialog was left: nothing written, no message
  kDeclined,   // the file existed and the answer was No or Cancel
};

// The save step of every export: the save dialog sdExcel (the folder last
// used for spreadsheets, at first "%HomePath%/Desktop"; the filter
// "Planilha do Excel (*.xlsx)"; `proposed_name`, "<file> - <kind>.xlsx", as
// the name); ".xlsx" added to a name without an extension; for a name that
// exists, the confirmation "Você deseja salvar esse arquivo?" (Yes, No,
// Cancel) where only Yes goes on; then SaveAs and the message "Arquivo
// Salvo !!!". A failure to write propagates as FileWriteError, with the old
// file intact. A chosen file that is one of `inputs` (links followed) is
// refused the same way, before the question: a result never replaces a file
// the program reads.
SaveOutcome SaveWorkbook(const Workbook& book, UserInterface& ui,
                         std::string_view proposed_name = {},
                         const std::vector<std::filesystem::path>& inputs = {});
// The same step for a file of several worksheets, one per workbook.
SaveOutcome SaveWorkbooks(const std::vector<const Workbook*>& sheets, UserInterface& ui,
                          std::string_view proposed_name = {},
                          const std::vector<std::filesystem::path>& inputs = {});

// The filter of the spreadsheet save dialog (caption|pattern).
inline constexpr std::string_view kSpreadsheetFilter = "Planilha do Excel|*.xlsx";

// The path the save step passes to the dialog as its initial folder.
inline constexpr std::string_view kSdExcelFolder = "%HomePath%/Desktop";

}  // namespace fiscora
