#include "export/spreadsheet.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <system_error>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "data/atomic_file.h"

namespace fiscora {

namespace fs = std::filesystem;

namespace {

// The money format of the cells that receive a currency value.
constexpr const char kMoneyFormat[] = "\"R$ \"#,##0.00;\"R$ -\"#,##0.00";

const Workbook::Cell kEmptyCell{};

// XML 1.0 has no place for most control characters; a text that holds one
// (a stray byte of a fiscal file) gets a blank there, so the file opens.
std::string XmlSafe(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') c = ' ';
  }
  return out;
}

// libxlsxwriter prints its own "[ERROR]" lines on the error output when a
// write fails; the user gets our message instead (the file, the reason).
// The error output goes nowhere while the library writes.
class QuietErrorOutput {
 public:
  QuietErrorOutput() {
#ifndef _WIN32
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
#endif
  }
  ~QuietErrorOutput() {
#ifndef _WIN32
    std::fflush(stderr);
    if (saved_ >= 0) {
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
    }
#endif
  }
  QuietErrorOutput(const QuietErrorOutput&) = delete;
  QuietErrorOutput& operator=(const QuietErrorOutput&) = delete;

 private:
  int saved_ = -1;
};

[[noreturn]] void Fail(const fs::path& target, const std::string& reason) {
  throw FileWriteError("Não foi possível gravar o arquivo " + PathText(target) + ": " + reason);
}

// Writes the sheets, in order, through libxlsxwriter into `file`.
void WriteXlsx(const std::vector<const Workbook*>& sheets, const fs::path& file,
               const fs::path& target) {
  std::string name = PathText(file);
  std::string tmpdir;
  {
    std::error_code ec;
    fs::path t = fs::temp_directory_path(ec);
    if (!ec) tmpdir = PathText(t);
  }
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;  // rows are written in order
  options.tmpdir = tmpdir.empty() ? nullptr : tmpdir.data();
  lxw_workbook* wb = workbook_new_opt(name.c_str(), &options);
  if (!wb) Fail(target, "memória insuficiente");
  struct Closer {
    lxw_workbook* wb;
    bool closed = false;
    ~Closer() {
      if (!closed) workbook_close(wb);  // frees it; the caller removes the file
    }
  } closer{wb};

  lxw_format* text_fmt = workbook_add_format(wb);
  format_set_num_format(text_fmt, "@");
  lxw_format* money_fmt = workbook_add_format(wb);
  format_set_num_format(money_fmt, kMoneyFormat);

  for (const Workbook* sheet : sheets) {
    const std::string& sheet_name = sheet->sheet_name();
    lxw_worksheet* ws = workbook_add_worksheet(wb, XmlSafe(sheet_name).c_str());
    if (!ws) Fail(target, "nome de planilha inválido: " + sheet_name);
    for (int r = 0; r < sheet->RowCount(); ++r) {
      const int columns = sheet->ColumnCount(r + 1);
      for (int c = 0; c < columns; ++c) {
        const Workbook::Cell& cell = sheet->At(r + 1, c + 1);
        auto rr = static_cast<lxw_row_t>(r);
        auto cc = static_cast<lxw_col_t>(c);
        lxw_format* fmt = cell.text_format ? text_fmt : nullptr;
        lxw_error err = LXW_NO_ERROR;
        switch (cell.kind) {
          case Workbook::Cell::Kind::kEmpty:
            if (fmt) err = worksheet_write_blank(ws, rr, cc, fmt);
            break;
          case Workbook::Cell::Kind::kText:
            err = cell.text.empty()
                      ? (fmt ? worksheet_write_blank(ws, rr, cc, fmt) : LXW_NO_ERROR)
                      : worksheet_write_string(ws, rr, cc, XmlSafe(cell.text).c_str(), fmt);
            break;
          case Workbook::Cell::Kind::kInteger:
            err = worksheet_write_number(ws, rr, cc, static_cast<double>(cell.integer), fmt);
            break;
          case Workbook::Cell::Kind::kFloat:
            err = worksheet_write_number(ws, rr, cc, cell.number, fmt);
            break;
          case Workbook::Cell::Kind::kMoney:
            err = worksheet_write_number(ws, rr, cc, Money::FromRaw(cell.integer).ToDouble(),
                                         fmt ? fmt : money_fmt);
            break;
        }
        if (err != LXW_NO_ERROR) Fail(target, lxw_strerror(err));
      }
    }
  }
  closer.closed = true;
  errno = 0;
  lxw_error err = workbook_close(wb);
  const int close_errno = errno;
  if (err == LXW_ERROR_CREATING_XLSX_FILE || err == LXW_ERROR_CREATING_TMPFILE)
    Fail(target, "o arquivo não pôde ser criado (permissão negada ou disco cheio)");
  // A full disk or a size limit is told as such, not as the zip library's
  // "ZIP_ERRNO" text.
  if (err != LXW_NO_ERROR && close_errno != 0)
    Fail(target, WriteFailureReason(std::error_code(close_errno, std::generic_category())));
  if (err != LXW_NO_ERROR) Fail(target, lxw_strerror(err));
}

}  // namespace

double RoundTo(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  const double scale = std::pow(10.0, decimals);
  const double scaled = value * scale;
  if (std::fabs(scaled) >= 9e15) return value;  // beyond the exact integers of a double
  return std::round(scaled) / scale;
}

Workbook::Cell& Workbook::Put(int row, int column) {
  if (row < 1 || column < 1) throw std::out_of_range("célula fora da planilha");
  auto r = static_cast<size_t>(row - 1), c = static_cast<size_t>(column - 1);
  if (rows_.size() <= r) rows_.resize(r + 1);
  auto& cells = rows_[r];
  if (cells.size() <= c) cells.resize(c + 1);
  return cells[c];
}

void Workbook::SetText(int row, int column, std::string_view text) {
  Cell& cell = Put(row, column);
  cell.kind = Cell::Kind::kText;
  cell.text.assign(text);
}

void Workbook::SetInteger(int row, int column, int64_t value) {
  Cell& cell = Put(row, column);
  cell.kind = Cell::Kind::kInteger;
  cell.integer = value;
  cell.text.clear();
}

void Workbook::SetFloat(int row, int column, double value) {
  Cell& cell = Put(row, column);
  cell.kind = Cell::Kind::kFloat;
  cell.number = value;
  cell.text.clear();
}

void Workbook::SetMoney(int row, int column, Money value) {
  Cell& cell = Put(row, column);
  cell.kind = Cell::Kind::kMoney;
  cell.integer = value.raw();
  cell.text.clear();
}

void Workbook::SetTextFormat(int row, int column) { Put(row, column).text_format = true; }

void Workbook::SetField(int row, int column, const ClientTable& table, ClientTable::RowId table_row,
                        int field) {
  switch (table.FieldAt(field).type) {
    case FieldType::kText:
      SetText(row, column, table.RowText(table_row, field));
      break;
    case FieldType::kInteger:
      SetInteger(row, column, table.RowRaw(table_row, field));
      break;
    case FieldType::kFloat:
      // Sums of floats carry binary noise (64.40000000000001): a money
      // field is written to the cent, a quantity to the thousandth.
      SetFloat(row, column,
               RoundTo(table.RowFloat(table_row, field),
                       table.FieldAt(field).money ? kMoneyDecimals : kQuantityDecimals));
      break;
    case FieldType::kCurrency:
      SetMoney(row, column, Money::FromRaw(table.RowRaw(table_row, field)));
      break;
  }
}

int Workbook::ColumnCount(int row) const {
  if (row < 1 || static_cast<size_t>(row) > rows_.size()) return 0;
  return static_cast<int>(rows_[static_cast<size_t>(row - 1)].size());
}

const Workbook::Cell& Workbook::At(int row, int column) const {
  if (row < 1 || column < 1 || static_cast<size_t>(row) > rows_.size()) return kEmptyCell;
  const auto& cells = rows_[static_cast<size_t>(row - 1)];
  if (static_cast<size_t>(column) > cells.size()) return kEmptyCell;
  return cells[static_cast<size_t>(column - 1)];
}

void Workbook::SaveAs(const fs::path& path) const { SaveSheetsAs({this}, path); }

void Workbook::SaveSheetsAs(const std::vector<const Workbook*>& sheets, const fs::path& path) {
  WriteFileAtomically(path, [&](const fs::path& temp) {
    QuietErrorOutput quiet;
    WriteXlsx(sheets, temp, path);
  });
}

SaveOutcome SaveWorkbook(const Workbook& book, UserInterface& ui, std::string_view proposed_name,
                         const std::vector<fs::path>& inputs) {
  return SaveWorkbooks({&book}, ui, proposed_name, inputs);
}

SaveOutcome SaveWorkbooks(const std::vector<const Workbook*>& sheets, UserInterface& ui,
                          std::string_view proposed_name, const std::vector<fs::path>& inputs) {
  std::optional<std::string> name =
      ui.ChooseSaveFile(kSpreadsheetFilter, kSdExcelFolder, FileKind::kSpreadsheet, proposed_name);
  if (!name) return SaveOutcome::kCancelled;
  fs::path path(std::u8string(name->begin(), name->end()));
  // A name typed without an extension is a spreadsheet all the same.
  if (!path.has_extension()) path += ".xlsx";
  RefuseOutputOverInputs(path, inputs);
  std::error_code ec;
  if (fs::exists(path, ec)) {
    if (ui.Confirm("", "Você deseja salvar esse arquivo?", Buttons::kYesNoCancel) != Answer::kYes)
      return SaveOutcome::kDeclined;
  }
  Workbook::SaveSheetsAs(sheets, path);
  ui.Message("", "Arquivo Salvo !!!");
  return SaveOutcome::kSaved;
}

}  // namespace fiscora
