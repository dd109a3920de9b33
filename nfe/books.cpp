#include "nfe/books.h"

#include <filesystem>
#include <map>
#include <tuple>
#include <unordered_map>

#include "data/text.h"
#include "sintegra/input_check.h"
#include "sintegra/layout.h"
#include "sintegra/record_layout.h"
#include "sped/fields.h"
#include "sped/input_check.h"

namespace fiscora {

namespace {

// "ddmmyyyy" as yyyymmdd (the text already checked).
int32_t DayMonthYear(std::string_view s) {
  return static_cast<int32_t>(DigitsValue(s.substr(4, 4)) * 10000 +
                              DigitsValue(s.substr(2, 2)) * 100 + DigitsValue(s.substr(0, 2)));
}

// A series as a number; a text that is not one never equals a note's series.
uint16_t SeriesNumber(std::string_view s) {
  s = SpedTrim(s);
  if (s.empty()) return 0;
  if (!OnlyDigits(s) || s.size() > 3) return UINT16_MAX;
  return static_cast<uint16_t>(DigitsValue(s));
}

void CheckCancel(const BookReadOptions& o) {
  if (o.cancel && o.cancel->load(std::memory_order_relaxed)) throw NfeCancelled();
}

int64_t TotalSize(const std::vector<std::string>& files) {
  int64_t total = 0;
  for (const std::string& f : files) {
    std::error_code ec;
    auto size = std::filesystem::file_size(PathFromUtf8(f), ec);
    if (!ec) total += static_cast<int64_t>(size);
  }
  return total;
}

// Reports the bytes read about every 64 KiB lines' worth.
class ByteProgress {
 public:
  ByteProgress(const BookReadOptions& o, int64_t total) : o_(o), total_(total) {}
  void Add(size_t bytes) {
    done_ += static_cast<int64_t>(bytes);
    if (done_ - reported_ < (int64_t{1} << 20)) return;
    reported_ = done_;
    CheckCancel(o_);
    if (o_.progress) o_.progress(done_, total_);
  }
  void End() {
    if (o_.progress) o_.progress(total_, total_);
  }

 private:
  const BookReadOptions& o_;
  int64_t total_, done_ = 0, reported_ = 0;
};

void SameEstablishment(Books& books, const std::string& file, int64_t line,
                       const Establishment& found) {
  if (books.files.size() == 1) {
    books.establishment = found;
    return;
  }
  if (found.cnpj != books.establishment.cnpj)
    throw InputRefusal(file, line,
                       "o arquivo é de outro estabelecimento (" + found.cnpj + "); o primeiro é " +
                           books.establishment.cnpj);
}

}  // namespace

Books ReadEfdBooks(const std::vector<std::string>& files, const BookReadOptions& options) {
  Books books;
  books.source = BookSource::kEfd;
  for (const std::string& f : files) CheckEfdInput(PathFromUtf8(f));
  ByteProgress progress(options, TotalSize(files));
  std::vector<std::string_view> f;
  for (size_t file_index = 0; file_index < files.size(); ++file_index) {
    const std::string& file = files[file_index];
    books.files.push_back({file, 0, 0});
    SpedLineReader reader(PathFromUtf8(file));
    std::unordered_map<std::string, std::string> parts;  // COD_PART -> CNPJ or CPF
    int64_t current = -1;                                // the booking of the last C100
    std::string_view line;
    while (reader.Next(line)) {
      progress.Add(line.size() + 2);
      SpedCutFields(line, f);
      if (f.size() < 3) continue;
      const std::string_view reg = f[1];
      const SpedWhere where{file, reader.line_number(), reg};
      auto field = [&](size_t n) { return n < f.size() ? f[n] : std::string_view(); };
      auto money = [&](size_t n, std::string_view name) {
        std::string_view v = SpedTrim(field(n));
        return v.empty() ? Money() : SpedMoney(v, where, static_cast<int>(n) - 1, name);
      };
      auto date = [&](size_t n, std::string_view name) {
        std::string_view v = SpedTrim(field(n));
        if (v.empty()) return int32_t{0};
        SpedDateField(v, where, static_cast<int>(n) - 1, name);
        return DayMonthYear(v);
      };
      if (reg.size() < 2 || reg[0] != 'C' || reg[1] != '1') current = -1;
      if (reg == "0000") {
        // EFD-Contribuições has its dates two fields later.
        auto is_date = [](std::string_view v) { return v.size() == 8 && OnlyDigits(v); };
        if (!is_date(SpedTrim(field(4))) && is_date(SpedTrim(field(6))) &&
            is_date(SpedTrim(field(7))))
          throw InputRefusal(file, reader.line_number(),
                             "é um arquivo da EFD-Contribuições; a conciliação lê os livros da "
                             "EFD ICMS/IPI ou do SINTEGRA");
        BookFile& bf = books.files.back();
        bf.start = date(4, "DT_INI");
        bf.end = date(5, "DT_FIN");
        Establishment e;
        e.name = reader.Decode(SpedTrim(field(6)));
        e.cnpj = std::string(SpedTrim(field(7)));
        if (e.cnpj.empty()) e.cnpj = std::string(SpedTrim(field(8)));
        e.uf = std::string(SpedTrim(field(9)));
        SameEstablishment(books, file, reader.line_number(), e);
      } else if (reg == "0150") {
        std::string_view doc = SpedTrim(field(5));
        if (doc.empty()) doc = SpedTrim(field(6));
        parts[std::string(SpedTrim(field(2)))] = std::string(doc);
      } else if (reg == "C100") {
        const std::string_view model = SpedTrim(field(5));
        if (model != "55" && model != "65") continue;
        Booking b;
        b.file = static_cast<uint16_t>(file_index);
        b.line = reader.line_number();
        b.ind_oper = field(2).empty() ? '1' : field(2)[0];
        b.ind_emit = field(3).empty() ? '0' : field(3)[0];
        auto it = parts.find(std::string(SpedTrim(field(4))));
        if (it != parts.end()) b.participant = it->second;
        b.model = model == "55" ? 55 : 65;
        const std::string_view sit = SpedTrim(field(6));
        b.cod_sit =
            sit.size() == 2 && OnlyDigits(sit) ? static_cast<uint8_t>(DigitsValue(sit)) : 99;
        if (b.cod_sit == 99)
          throw SpedConversionError(file, reader.line_number(), "C100", 5, "COD_SIT",
                                    std::string(sit));
        b.series = SeriesNumber(field(7));
        std::string_view num = SpedTrim(field(8));
        if (!num.empty()) b.number = static_cast<uint32_t>(SpedInteger(num, where, 7, "NUM_DOC"));
        b.key = std::string(SpedTrim(field(9)));
        b.date = date(10, "DT_DOC");
        b.vl_doc = money(12, "VL_DOC");
        b.vl_bc_icms = money(21, "VL_BC_ICMS");
        b.vl_icms = money(22, "VL_ICMS");
        b.vl_bc_icms_st = money(23, "VL_BC_ICMS_ST");
        b.vl_icms_st = money(24, "VL_ICMS_ST");
        b.vl_ipi = money(25, "VL_IPI");
        current = static_cast<int64_t>(books.bookings.size());
        books.bookings.push_back(std::move(b));
      } else if (reg == "C190" && current >= 0) {
        std::string_view cfop = SpedTrim(field(3));
        if (cfop.size() != 4 || !OnlyDigits(cfop))
          throw SpedConversionError(file, reader.line_number(), "C190", 2, "CFOP",
                                    std::string(cfop));
        books.bookings[static_cast<size_t>(current)].cfops.Add(
            static_cast<uint16_t>(DigitsValue(cfop)));
      }
    }
    books.lines += reader.line_number();
  }
  progress.End();
  return books;
}

Books ReadSintegraBooks(const std::vector<std::string>& files, const BookReadOptions& options) {
  Books books;
  books.source = BookSource::kSintegra;
  for (const std::string& f : files) CheckSintegraInput(f);
  ByteProgress progress(options, TotalSize(files));
  for (size_t file_index = 0; file_index < files.size(); ++file_index) {
    const std::string& file = files[file_index];
    books.files.push_back({file, 0, 0});
    LineReader reader(PathFromUtf8(file));
    EncodingSniffer sniffer;
    if (reader.had_bom()) sniffer.SetUtf8();
    // The note of each (CNPJ, model, series, number, date, issuer).
    std::map<std::tuple<std::string, std::string, std::string, int32_t, std::string, char>, size_t>
        notes;
    std::string_view bytes;
    while (reader.Next(bytes)) {
      progress.Add(bytes.size() + 2);
      if (bytes.size() < 2) continue;
      const std::string_view type = bytes.substr(0, 2);
      if (type != "10" && type != "50") continue;
      RecordLine l(bytes, sniffer.LineIsUtf8(bytes), &file, reader.line_number());
      if (type == "10") {
        auto day = [&](const FieldSpec& spec) {
          l.Date(spec);
          std::string_view raw = l.Raw(spec);
          return static_cast<int32_t>(DigitsValue(raw));
        };
        BookFile& bf = books.files.back();
        bf.start = day(rec10::kDataInicial);
        bf.end = day(rec10::kDataFinal);
        Establishment e{l.Trimmed(rec10::kCnpj), l.Trimmed(rec10::kUf),
                        l.Trimmed(rec10::kRazaoSocial)};
        SameEstablishment(books, file, reader.line_number(), e);
        continue;
      }
      const std::string model(l.Raw(rec50::kModelo));
      if (model != "55") continue;
      l.Date(rec50::kData);
      const int32_t date = static_cast<int32_t>(DigitsValue(l.Raw(rec50::kData)));
      const std::string cnpj = l.Trimmed(rec50::kCnpj);
      const std::string series = l.Trimmed(rec50::kSerie);
      const int32_t number = l.Integer(rec50::kNumero);
      const std::string cfop(l.Raw(rec50::kCfop));
      const std::string_view issuer = l.Raw(rec50::kEmitente);
      const char emit = issuer == "T" ? '1' : '0';
      auto [it, added] = notes.try_emplace(
          std::make_tuple(cnpj, model, series, date, std::string(l.Raw(rec50::kNumero)), emit),
          books.bookings.size());
      if (added) {
        Booking b;
        b.file = static_cast<uint16_t>(file_index);
        b.line = reader.line_number();
        b.ind_emit = emit;
        b.ind_oper = !cfop.empty() && cfop[0] >= '5' ? '1' : '0';
        const std::string_view sit = l.Raw(rec50::kSituacao);
        b.cod_sit = sit == "S"   ? 2
                    : sit == "X" ? 3
                    : sit == "2" ? 4
                    : sit == "4" ? 5
                    : sit == "E" ? 1
                                 : 0;
        b.model = 55;
        b.series = SeriesNumber(series);
        b.number = static_cast<uint32_t>(number);
        b.participant = cnpj;
        b.date = date;
        b.st_and_ipi = false;
        books.bookings.push_back(std::move(b));
      }
      Booking& b = books.bookings[it->second];
      b.vl_doc += l.Amount(rec50::kValorTotal);
      b.vl_bc_icms += l.Amount(rec50::kBaseCalculo);
      b.vl_icms += l.Amount(rec50::kValorIcms);
      if (cfop.size() == 4 && OnlyDigits(cfop))
        b.cfops.Add(static_cast<uint16_t>(DigitsValue(cfop)));
    }
    books.lines += reader.line_number();
  }
  progress.End();
  return books;
}

std::string BookingLineText(const Books& books, const Booking& booking) {
  if (booking.file >= books.files.size()) return "";
  const std::filesystem::path path = PathFromUtf8(books.files[booking.file].path);
  if (books.source == BookSource::kEfd) {
    SpedLineReader reader(path);
    std::string_view line;
    while (reader.Next(line))
      if (reader.line_number() == booking.line) return reader.Decode(line);
    return "";
  }
  LineReader reader(path);
  std::string_view line;
  while (reader.Next(line))
    if (reader.line_number() == booking.line)
      return IsValidUtf8(line) ? std::string(line) : Cp1252ToUtf8(line);
  return "";
}

}  // namespace fiscora
