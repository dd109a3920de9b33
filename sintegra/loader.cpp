#include "sintegra/loader.h"

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sintegra/totalizer.h"

namespace fiscora {

namespace {

// The seven working files of a load, in the order they are created.
enum WorkKind { k60m, k60r, k60d, k60i, k50, k60a, k61R, kWorkKinds };
constexpr const char* kKindNames[kWorkKinds] = {"60m", "60r", "60d", "60i", "50", "60a", "61R"};

// cds_60i and cds_60d: sums per day, printer and rate, in fields of their own.
struct DaySumFields {
  int aliquota, valor, serie, data;
};
constexpr DaySumFields k60iSums{f60i::aliquota, f60i::valor, f60i::serie, f60i::data};
constexpr DaySumFields k60dSums{f60d::aliquota, f60d::valor, f60d::num_serie, f60d::data};

// The rows of a table summed by a key while a file is read: cds_60i and
// cds_60d by day, printer and rate, cds_60i_item by product, day, printer,
// rate and unit value. A line whose key has a row adds to that row's sums;
// any other appends a row. While the table was empty when the load started,
// the rows are found through a map of their keys kept here (the key fields
// are wide enough that no key text is cut when stored, so a row's stored
// texts are its key), and the sums are written into the rows once, when the
// load ends (Finish): each row is edited once instead of at every line, with
// the same values added in the same order, and the table is left on the row
// the last line touched, as locating each line's row would leave it. A table
// that already held rows has every line's row located in it.
class SummedRows {
 public:
  // key_texts: the text fields of the key; key_money: a currency field of the
  // key, or -1; money: the summed currency field; quantity: the summed float
  // field, or -1.
  SummedRows(ClientTable& t, std::vector<int> key_texts, int key_money, int money, int quantity)
      : t_(t),
        key_texts_(std::move(key_texts)),
        key_money_(key_money),
        money_(money),
        quantity_(quantity) {}

  void Start() {
    active_ = t_.IsEmpty();
    rows_.clear();
    slots_.assign(active_ ? 1024 : 0, 0);
    touched_ = false;
  }
  bool active() const { return active_; }

  // The row of the key, if any; remembers the key's hash for Added.
  std::optional<ClientTable::RowId> Find(std::span<const std::string_view> texts,
                                         int64_t money_key) {
    uint64_t h = static_cast<uint64_t>(money_key) * 0x9e3779b97f4a7c15ULL;
    for (std::string_view text : texts) h = (h ^ HashText(text)) * 0xbf58476d1ce4e5b9ULL;
    hash_ = h ^ (h >> 31);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash_ & mask; slots_[i] != 0; i = (i + 1) & mask) {
      const ClientTable::RowId row = slots_[i] - 1;
      if (rows_[row].hash == hash_ && Matches(row, texts, money_key)) return row;
    }
    return std::nullopt;
  }
  // The row just appended and posted (the current row), with the key last
  // looked for and its first sums.
  void Added(Money money, double quantity) {
    const ClientTable::RowId row = t_.CurrentRow();
    if (row != rows_.size()) throw TableError("Tabela " + t_.name() + ": linha fora de ordem");
    rows_.push_back({hash_, money, quantity, false});
    if (rows_.size() * 2 > slots_.size()) {
      slots_.assign(slots_.size() * 2, 0);
      for (ClientTable::RowId r = 0; r < rows_.size(); ++r) Place(r);
    } else {
      Place(row);
    }
    last_ = row;
    touched_ = true;
  }
  void AddTo(ClientTable::RowId row, Money money, double quantity) {
    Row& r = rows_[row];
    r.money = r.money + money;
    r.quantity = r.quantity + quantity;
    r.changed = true;
    last_ = row;
  }
  // Writes the sums into the rows whose sums grew and leaves the table on
  // the row last touched. Also when a load stops at a faulty line: the
  // rows stored before it carry the sums of the lines before it.
  void Finish() {
    if (!active_) return;
    active_ = false;
    for (ClientTable::RowId row = 0; row < rows_.size(); ++row) {
      const Row& r = rows_[row];
      if (!r.changed) continue;
      t_.GotoBookmark(row);
      t_.Edit();
      if (quantity_ >= 0) t_.SetFloat(quantity_, r.quantity);
      t_.SetMoney(money_, r.money);
      t_.Post();
    }
    if (touched_) t_.GotoBookmark(last_);
    rows_.clear();
    rows_.shrink_to_fit();
    slots_.clear();
    slots_.shrink_to_fit();
  }

 private:
  struct Row {
    uint64_t hash;
    Money money;
    double quantity;
    bool changed;
  };
  bool Matches(ClientTable::RowId row, std::span<const std::string_view> texts,
               int64_t money_key) const {
    if (key_money_ >= 0 && t_.RowRaw(row, key_money_) != money_key) return false;
    for (size_t i = 0; i < texts.size(); ++i)
      if (t_.RowText(row, key_texts_[i]) != texts[i]) return false;
    return true;
  }
  void Place(ClientTable::RowId row) {
    const size_t mask = slots_.size() - 1;
    size_t i = rows_[row].hash & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = row + 1;
  }

  ClientTable& t_;
  std::vector<int> key_texts_;
  int key_money_, money_, quantity_;
  bool active_ = false;
  bool touched_ = false;
  ClientTable::RowId last_ = 0;
  uint64_t hash_ = 0;
  LargeVector<Row> rows_;                  // by row id
  LargeVector<ClientTable::RowId> slots_;  // row + 1, 0 when free
};

// Adds `amount` to the row of that day, printer and rate, or appends the row.
// The key is exact: a line of the rate "I" is not summed into a row of "ISS".
void AddToDaySum(ClientTable& t, SummedRows& sums, std::string_view index, const DaySumFields& f,
                 std::string_view data, std::string_view serie, std::string_view rate,
                 Money amount) {
  const std::string_view key[] = {data, serie, rate};
  if (sums.active()) {
    if (auto row = sums.Find(key, 0)) {
      sums.AddTo(*row, amount, 0);
      return;
    }
  } else if (t.Locate(index, {data, serie, rate})) {
    t.Edit();
    t.SetMoney(f.valor, t.GetMoney(f.valor) + amount);
    t.Post();
    return;
  }
  t.Append();
  t.SetText(f.aliquota, rate);
  t.SetMoney(f.valor, amount);
  t.SetText(f.serie, serie);
  t.SetText(f.data, data);
  t.Post();
  if (sums.active()) sums.Added(amount, 0);
}

// A text field of a record and the table field it goes to, as bound data.
struct TextBinding {
  int field;
  FieldSpec spec;
  bool trimmed;
};

template <size_t N>
void SetTexts(ClientTable& t, const RecordLine& line, const TextBinding (&bindings)[N]) {
  for (const auto& b : bindings)
    t.SetText(b.field, b.trimmed ? line.Trimmed(b.spec) : line.Text(b.spec));
}

// clang-format off
constexpr TextBinding k50Texts[] = {
    {f50::cnpj, rec50::kCnpj, true},        {f50::ie, rec50::kIe, true},
    {f50::uf, rec50::kUf, false},           {f50::modelo, rec50::kModelo, false},
    {f50::serie, rec50::kSerie, false},     {f50::aliquota, rec50::kAliquota, false},
    {f50::situacao, rec50::kSituacao, false},
};
// clang-format on

// Every text of record 54 but the quantity is trimmed.
constexpr TextBinding k54Texts[] = {
    {f54::cnpj, rec54::kCnpj, true},     {f54::modelo, rec54::kModelo, true},
    {f54::serie, rec54::kSerie, true},   {f54::nota, rec54::kNumero, true},
    {f54::cfop, rec54::kCfop, true},     {f54::cst, rec54::kCst, true},
    {f54::n_item, rec54::kItem, true},   {f54::cod_produto, rec54::kCodigo, true},
    {f54::aliq, rec54::kAliquota, true},
};

class Loader {
 public:
  Loader(Session& s, std::string path, LoadMode mode)
      : s_(s),
        path_(std::move(path)),
        mode_(mode),
        d_(s.dtm),
        sums60i_(d_.cds_60i, {f60i::data, f60i::serie, f60i::aliquota}, -1, f60i::valor, -1),
        sums60d_(d_.cds_60d, {f60d::data, f60d::num_serie, f60d::aliquota}, -1, f60d::valor, -1),
        sums_item_(d_.cds_60i_item,
                   {f60i_item::codigo, f60i_item::data, f60i_item::serie, f60i_item::aliquota},
                   f60i_item::valor, f60i_item::valor_total, f60i_item::quantidade) {}

  void Run();
  // The sums of the summed tables written into their rows.
  void FinishSums() {
    for (SummedRows* sums : {&sums60i_, &sums60d_, &sums_item_}) sums->Finish();
  }

 private:
  // A line of a normal load, by its record type.
  void Normal(const RecordLine& line, std::string_view bytes);
  void Record60R(const RecordLine& line, std::string_view bytes);
  void Record60A(const RecordLine& line, std::string_view bytes);
  void Record60I(const RecordLine& line, std::string_view bytes);
  void Record60D(const RecordLine& line, std::string_view bytes);
  void Record50(const RecordLine& line, std::string_view bytes);
  void Record54(const RecordLine& line);
  void Record70(const RecordLine& line);
  void Product(const RecordLine& line, ClientTable& t);
  void Inventory(const RecordLine& line, ClientTable& t);
  void Write(WorkKind k, std::string_view bytes) { files_[k]->Write(bytes); }

  Session& s_;
  std::string path_;
  LoadMode mode_;
  TdtmCENTRAL& d_;
  std::array<std::optional<LineWriter>, kWorkKinds> files_;
  SummedRows sums60i_, sums60d_, sums_item_;
};

void Loader::Run() {
  s_.sintegra.current_line.clear();
  s_.sintegra.counters = RecordCounters{};
  s_.sintegra.inventory_date.clear();
  Gauge& gauge = s_.frm.progresso;
  gauge.SetPosition(0);
  gauge.SetMax(s_.sintegra.expected_lines);

  LineReader reader(PathFromUtf8(path_));
  for (int k = 0; k < kWorkKinds; ++k) files_[k].emplace(WorkingFile(s_, kKindNames[k], mode_));
  d_.cds_totalizador_icms.EmptyDataSet();

  const bool normal = mode_ == LoadMode::Normal;
  if (normal)
    for (SummedRows* sums : {&sums60i_, &sums60d_, &sums_item_}) sums->Start();
  const bool inv_ini = mode_ == LoadMode::INV_INI;
  const bool inv_fim = mode_ == LoadMode::INV_FIM;
  EncodingSniffer sniffer;
  if (reader.had_bom()) sniffer.SetUtf8();
  Pacer pacer(s_.ui);
  std::string_view bytes;
  while (reader.Next(bytes)) {
    if (reader.line_number() == 1 && reader.had_bom()) sniffer.SetUtf8();
    RecordLine line(bytes, sniffer.LineIsUtf8(bytes), &path_, reader.line_number());
    if (normal) {
      gauge.Step();
      Normal(line, bytes);
    } else if (inv_ini || inv_fim) {
      std::string_view type = bytes.substr(0, 2);
      if (type == "75")
        Product(line, inv_ini ? d_.cds_produt_inv_ini : d_.cds_produt_inv_fim);
      else if (type == "74")
        Inventory(line, inv_ini ? d_.cds_inv_ini : d_.cds_inv_fim);
    }
    pacer.Tick();
  }
  FinishSums();

  gauge.SetPosition(0);
  for (auto& f : files_) f->Close();
  MainWindowState& frm = s_.frm;
  const RecordCounters& c = s_.sintegra.counters;
  if (c.r74 > 0) {
    frm.lbl74.SetText(std::to_string(c.r74));
  } else {
    frm.lbl74.SetText("0");
    frm.lbldatainv.SetText("  /  /    ");
  }
  frm.lbl60a.SetText(std::to_string(c.r60a));
  frm.lbl60r.SetText(std::to_string(c.r60r));
  frm.lbl60i.SetText(std::to_string(c.r60i));
  frm.lbl50.SetText(std::to_string(c.r50));
}

void Loader::Normal(const RecordLine& line, std::string_view bytes) {
  std::string_view t3 = bytes.substr(0, 3);
  std::string_view t2 = bytes.substr(0, 2);
  if (t3 == "60R") {
    Record60R(line, bytes);
  } else if (t3 == "60A") {
    Record60A(line, bytes);
  } else if (t3 == "60I") {
    Record60I(line, bytes);
  } else if (t3 == "60D") {
    Record60D(line, bytes);
  } else if (t2 == "50") {
    Record50(line, bytes);
  } else if (t2 == "54") {
    Record54(line);
  } else if (t2 == "75") {
    Product(line, d_.cds_produt);
  } else if (t2 == "74") {
    Inventory(line, d_.cds_inventario);
    if (s_.sintegra.inventory_date.empty()) s_.sintegra.inventory_date = line.Date(rec74::kData);
  } else if (t2 == "70") {
    Record70(line);
  } else if (t3 == "60M") {
    Write(k60m, bytes);
  } else if (t3 == "61R") {
    Write(k61R, bytes);
  }
}

// Record 60R: a month's total per product and rate.
void Loader::Record60R(const RecordLine& line, std::string_view bytes) {
  Write(k60r, bytes);
  Money valor = line.Amount(rec60r::kValor);
  ClientTable& t = d_.cds_60r;
  t.Append();
  t.SetText(f60r::codigo, line.Trimmed(rec60r::kCodigo));
  t.SetText(f60r::aliquota, line.Trimmed(rec60r::kAliquota));
  t.SetMoney(f60r::valor, valor);
  t.Post();
  ++s_.sintegra.counters.r60r;
}

// Record 60A: a fiscal printer's day total per rate or situation.
void Loader::Record60A(const RecordLine& line, std::string_view bytes) {
  Write(k60a, bytes);
  ++s_.sintegra.counters.r60a;
  std::string situation = line.Trimmed(rec60a::kAliquota);
  Money valor = line.Amount(rec60a::kValor);
  ClientTable& t = d_.cds_60a;
  t.Append();
  t.SetText(f60a::aliquota, situation);
  t.SetMoney(f60a::valor, valor);
  t.SetText(f60a::data, line.Date(rec60a::kData));
  t.SetText(f60a::num_serie, line.Trimmed(rec60a::kNumeroSerie));
  if (situation != "N" && situation != "I" && situation != "DESC" && situation != "CANC")
    TotalizeIcmsByRate(d_, situation, "60a", valor);
  t.Post();
}

// Record 60I: an item of a fiscal printer's coupon, summed per day, printer
// and rate, and per product and unit value.
void Loader::Record60I(const RecordLine& line, std::string_view bytes) {
  Write(k60i, bytes);
  // Quantity (3 decimals) times unit value (2 decimals), held to four
  // decimals with ties to even.
  int64_t qty_milli = line.Scaled(rec60i::kQuantidade);
  int64_t unit_cents = line.Scaled(rec60i::kValorUnitario);
  Money item = Money::FromRaw(MulDivRoundEven(qty_milli, unit_cents, 10));
  Money unit = Money::FromRaw(unit_cents * 100);
  char date_buf[10];
  std::string scratch[3];
  const std::string_view data = line.DateView(rec60i::kData, date_buf),
                         serie = line.TrimmedView(rec60i::kNumeroSerie, scratch[0]),
                         rate = line.TrimmedView(rec60i::kAliquota, scratch[1]);
  AddToDaySum(d_.cds_60i, sums60i_, "data; serie; aliquota", k60iSums, data, serie, rate, item);
  // The same line per product and unit value, for the price and rate
  // checks and the stock audit.
  const std::string_view codigo = line.TrimmedView(rec60i::kCodigo, scratch[2]);
  ClientTable& it = d_.cds_60i_item;
  double qty = static_cast<double>(qty_milli) / 1000.0;
  const std::string_view key[] = {codigo, data, serie, rate};
  std::optional<ClientTable::RowId> summed;
  if (sums_item_.active() && (summed = sums_item_.Find(key, unit.raw()))) {
    sums_item_.AddTo(*summed, item, qty);
  } else if (!sums_item_.active() &&
             it.Locate("codigo; data; serie; aliquota; valor", {codigo, data, serie, rate, unit})) {
    it.Edit();
    it.SetFloat(f60i_item::quantidade, it.GetFloat(f60i_item::quantidade) + qty);
    it.SetMoney(f60i_item::valor_total, it.GetMoney(f60i_item::valor_total) + item);
    it.Post();
  } else {
    it.Append();
    it.SetText(f60i_item::codigo, codigo);
    it.SetText(f60i_item::data, data);
    it.SetText(f60i_item::serie, serie);
    it.SetText(f60i_item::aliquota, rate);
    it.SetMoney(f60i_item::valor, unit);
    it.SetFloat(f60i_item::quantidade, qty);
    it.SetMoney(f60i_item::valor_total, item);
    it.Post();
    if (sums_item_.active()) sums_item_.Added(item, qty);
  }
  ++s_.sintegra.counters.r60i;
}

// Record 60D: a fiscal printer's day total per product, summed per day,
// printer and rate.
void Loader::Record60D(const RecordLine& line, std::string_view bytes) {
  Write(k60d, bytes);
  Money valor = line.Amount(rec60d::kValor);
  char date_buf[10];
  std::string scratch[2];
  const std::string_view data = line.DateView(rec60d::kData, date_buf),
                         serie = line.TrimmedView(rec60d::kNumeroSerie, scratch[0]),
                         rate = line.TrimmedView(rec60d::kAliquota, scratch[1]);
  AddToDaySum(d_.cds_60d, sums60d_, "data; num_serie; aliquota", k60dSums, data, serie, rate,
              valor);
}

// Record 50: a note, totalled by CFOP for the ICMS totalizer.
void Loader::Record50(const RecordLine& line, std::string_view bytes) {
  int32_t numero = line.Integer(rec50::kNumero);
  Money total = line.Amount(rec50::kValorTotal);
  Money base = line.Amount(rec50::kBaseCalculo);
  Money icms = line.Amount(rec50::kValorIcms);
  Money isento = line.Amount(rec50::kIsenta);
  Money outras = line.Amount(rec50::kOutras);
  std::string cfop = line.Text(rec50::kCfop), emitente = line.Text(rec50::kEmitente);
  ClientTable& t = d_.cds_50;
  t.Append();
  SetTexts(t, line, k50Texts);
  t.SetText(f50::data_emiss, line.Date(rec50::kData));
  t.SetInteger(f50::numero, numero);
  t.SetText(f50::cfop, cfop);
  t.SetText(f50::emitente, emitente);
  t.SetMoney(f50::valor_total, total);
  t.SetMoney(f50::base_calc, base);
  t.SetMoney(f50::valor_icms, icms);
  TotalizeIcmsByCfop(d_, cfop, "50", base, icms);
  t.SetMoney(f50::isento, isento);
  t.SetMoney(f50::outras, outras);
  t.SetInteger(emitente == "P" ? f50::ntp : f50::ntf, 1);
  t.Post();
  Write(k50, bytes);
  ++s_.sintegra.counters.r50;
}

// Record 54: an item of a note.
void Loader::Record54(const RecordLine& line) {
  Money valor = line.Amount(rec54::kValor);
  Money desc = line.Amount(rec54::kDesconto);
  Money base = line.Amount(rec54::kBaseCalculo);
  Money ipi = line.Amount(rec54::kValorIpi);
  std::string quantity = line.Joined(rec54::kQuantidade);
  // The note number is kept as its text but taken as a number by the
  // analyses: a number that is not one is told here, with its line.
  line.Integer(rec54::kNumero);
  ClientTable& t = d_.cds_54;
  t.Append();
  SetTexts(t, line, k54Texts);
  t.SetText(f54::quantidade, Trim(quantity));
  t.SetMoney(f54::valor, valor);
  t.SetMoney(f54::ipi, ipi);
  t.SetMoney(f54::desc, desc);
  t.SetMoney(f54::base_calc, base);
  t.Post();
}

// Record 70: a transport document, totalled as CFOP 1102.
void Loader::Record70(const RecordLine& line) {
  Money base = line.Amount(rec70::kBaseCalculo);
  Money icms = line.Amount(rec70::kValorIcms);
  TotalizeIcmsByCfop(d_, "1102", "70", base, icms);
}

void Loader::Product(const RecordLine& line, ClientTable& t) {
  std::string code = line.Trimmed(rec75::kCodigo);
  // A product whose description is blank is listed by its code, so the user
  // can find it.
  if (Trim(line.Raw(rec75::kDescricao)).empty()) s_.sintegra.problems.blank_descriptions.Add(code);
  t.Append();
  t.SetText(f75::codigo, code);
  t.SetText(f75::descricao, line.Text(rec75::kDescricao));
  t.SetText(f75::unidade, line.Text(rec75::kUnidade.Head(2)));
  t.Post();
  ++s_.sintegra.counters.r75;
}

void Loader::Inventory(const RecordLine& line, ClientTable& t) {
  Money valor = line.Amount(rec74::kValorTotal);
  int64_t qty_milli = line.Scaled(rec74::kQuantidade);
  if (!valor.IsZero()) {
    // valor / quantidade to four decimals, ties to even; 0 without quantity.
    Money unit =
        qty_milli == 0 ? Money() : Money::FromRaw(MulDivRoundEven(valor.raw(), 1000, qty_milli));
    t.Append();
    t.SetText(f74::codigo, line.Text(rec74::kCodigo));
    t.SetFloat(f74::quantidade, static_cast<double>(qty_milli) / 1000.0);
    t.SetMoney(f74::valor, valor);
    t.SetMoney(f74::unitario, unit);
    t.Post();
  }
  ++s_.sintegra.counters.r74;
}

}  // namespace

std::filesystem::path WorkingFile(const Session& s, std::string_view kind, LoadMode mode) {
  std::string name = "temp_";
  name += kind;
  name += ModeName(mode);
  name += ".txt";
  return s.working_folder / PathFromUtf8(name);
}

void LoadSintegraFile(Session& s, const std::string& path, LoadMode mode) {
  Loader loader(s, path, mode);
  try {
    loader.Run();
  } catch (...) {
    // Rows stored before the failing line stay, with the sums of the lines
    // before it; a row being filled is dropped.
    for (const auto& t : s.dtm.tables()) t->Cancel();
    try {
      loader.FinishSums();
    } catch (...) {
    }
    s.frm.progresso.SetPosition(0);
    throw;
  }
}

int CountLines(Session& /*s*/, const std::string& path) {
  LineReader reader(PathFromUtf8(path));
  std::string_view line;
  int n = 0;
  while (reader.Next(line)) ++n;
  return n;
}

std::string ProductDescription(Session& s, std::string_view code) {
  ClientTable& t = s.dtm.cds_produt;
  t.SetIndexFieldNames("CODIGO");
  if (t.Locate("CODIGO", {code})) return t.AsString(f75::descricao);
  s.sintegra.problems.without_75.Add(code);
  return {};
}

ProductDescriptions::ProductDescriptions(Session& s)
    : s_(s), t_(s.dtm.cds_produt), descricao_(f75::descricao) {
  t_.SetIndexFieldNames("CODIGO");
  const ClientTable::RowList& order = t_.OrderedRows();
  rows_.reserve(order.size());
  for (ClientTable::RowId row : order) rows_.emplace(t_.RowText(row, f75::codigo), row);
}

std::string_view ProductDescriptions::Of(std::string_view code) {
  auto it = rows_.find(code);
  if (it == rows_.end()) {
    s_.sintegra.problems.without_75.Add(code);
    return {};
  }
  last_found_ = code;
  found_any_ = true;
  return t_.RowText(it->second, descricao_);
}

void ProductDescriptions::Finish() {
  if (found_any_) t_.Locate("CODIGO", {last_found_});
}

}  // namespace fiscora
