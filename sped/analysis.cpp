#include "sped/analysis.h"

#include <array>
#include <optional>

#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sintegra/totalizer.h"

namespace fiscora {

namespace {

using Fill = SpedFields::Fill;

constexpr std::string_view kNoDate = "  /  /  ";

// ------------------------------------------------------------ notes table

// The currency columns of cds_nf_sped that the reader fills, in one array.
enum NoteMoney {
  kVlNota,
  kVlPis,
  kVlCofins,
  kTotProd,
  kBcPis,
  kBcCofins,
  kIcmsSt,
  kFrete,
  kE1Outros,
  kE2Outros,
  kS5Outros,
  kS6Outros,
  kFirstCfop,  // then one slot per CFOP column: kCfopDigits x kCfopEndings
};

// The CFOP columns: a first digit and one of nine endings ("5" + "405").
constexpr std::array<char, 4> kCfopDigits = {'1', '2', '5', '6'};
constexpr std::array<std::string_view, 9> kCfopEndings = {"101", "102", "202", "403", "404",
                                                          "405", "411", "922", "927"};
constexpr int kNoteMoneyCount = kFirstCfop + 4 * 9;

int DigitSlot(char d) {
  switch (d) {
    case '1':
      return 0;
    case '2':
      return 1;
    case '5':
      return 2;
    case '6':
      return 3;
    default:
      return -1;
  }
}

struct NoteRow {
  int32_t codigo = 0;
  std::string data;
  std::string_view tipo;
  std::array<Money, kNoteMoneyCount> money{};
};

// Field indexes of cds_nf_sped, looked up once.
struct NoteColumns {
  int codigo, data, tipo;
  std::array<int, kNoteMoneyCount> money;
  explicit NoteColumns(const ClientTable& t) {
    codigo = fnf_sped::codigo_nota;
    data = fnf_sped::data_nota;
    tipo = fnf_sped::tipo;
    using namespace fnf_sped;
    const int fields[kFirstCfop] = {vl_nota, vl_pis, vl_cofins, tot_prod,  bc_pis,    bc_cofins,
                                    icms_st, frete,  E1_Outros, E2_Outros, S5_OUTROS, S6_OUTROS};
    for (int i = 0; i < kFirstCfop; ++i) money[static_cast<size_t>(i)] = fields[i];
    for (size_t d = 0; d < kCfopDigits.size(); ++d)
      for (size_t e = 0; e < kCfopEndings.size(); ++e)
        money[kFirstCfop + d * 9 + e] =
            t.FieldIndex(std::string(1, kCfopDigits[d]) + std::string(kCfopEndings[e]));
  }
};

void StoreNote(ClientTable& t, const NoteColumns& c, const NoteRow& row) {
  t.Append();
  t.SetInteger(c.codigo, row.codigo);
  t.SetText(c.data, row.data);
  t.SetText(c.tipo, row.tipo);
  for (size_t i = 0; i < row.money.size(); ++i)
    if (!row.money[i].IsZero()) t.SetMoney(c.money[i], row.money[i]);
  t.Post();
}

// ------------------------------------------------------------ movement table

constexpr std::array<std::string_view, 11> kPisSituations = {"01", "02", "03", "04", "05", "06",
                                                             "07", "08", "09", "49", "99"};

struct MovementRow {
  std::string ecf, caixa, data;
  Money venda_bruta, venda_liquida;
  std::array<Money, 11> cst{};
};

struct MovementColumns {
  int ecf, caixa, data, bruta, liquida;
  std::array<int, 11> cst;
  explicit MovementColumns(const ClientTable& /*t*/) {
    ecf = fmov_ecf_sped::ecf;
    caixa = fmov_ecf_sped::num_caixa;
    data = fmov_ecf_sped::data;
    bruta = fmov_ecf_sped::venda_bruta;
    liquida = fmov_ecf_sped::venda_liquida;
    using namespace fmov_ecf_sped;
    cst = {cst_01, cst_02, cst_03, cst_04, cst_05, cst_06, cst_07, cst_08, cst_09, cst_49, cst_99};
  }
};

void StoreMovement(ClientTable& t, const MovementColumns& c, const MovementRow& row) {
  t.Append();
  t.SetText(c.ecf, row.ecf);
  t.SetText(c.caixa, row.caixa);
  t.SetText(c.data, row.data);
  t.SetMoney(c.bruta, row.venda_bruta);
  if (!row.venda_liquida.IsZero()) t.SetMoney(c.liquida, row.venda_liquida);
  for (size_t i = 0; i < row.cst.size(); ++i)
    if (!row.cst[i].IsZero()) t.SetMoney(c.cst[i], row.cst[i]);
  t.Post();
}

bool IsCode(std::string_view code, std::string_view upper, std::string_view lower) {
  return code == upper || code == lower;
}

// Keeps the tables' displays quiet while a reader fills them.
class QuietTables {
 public:
  explicit QuietTables(std::initializer_list<ClientTable*> tables) : tables_(tables) {
    for (ClientTable* t : tables_) t->DisableControls();
  }
  ~QuietTables() {
    for (ClientTable* t : tables_) t->EnableControls();
  }

 private:
  std::vector<ClientTable*> tables_;
};

// The reader's state from one line to the next.
class NotesReader {
 public:
  // file: the input as the user named it, for messages; encoding: the
  // input's, for the texts kept (SetEncoding when it is decided later).
  NotesReader(Session& s, std::string file, SpedEncoding encoding)
      : s_(s),
        file_(std::move(file)),
        encoding_(encoding),
        dtm_(s.dtm),
        note_cols_(dtm_.cds_nf_sped),
        mov_cols_(dtm_.cds_mov_ecf_sped),
        difal_numero_(fdifal::numero),
        difal_documento_(fdifal::documento),
        difal_nome_(fdifal::nome),
        difal_data_(fdifal::data),
        part_cnpj_(f0150m::cnpj),
        part_cpf_(f0150m::cpf),
        part_nome_(f0150m::nome),
        pacer_(s.ui) {}

  // Empties the tables the reader refills and keeps the displays quiet
  // until the reader is destroyed.
  void Begin() {
    dtm_.cds_totalizador_icms.EmptyDataSet();
    dtm_.cds_mov_ecf_sped.EmptyDataSet();
    dtm_.cds_difal.EmptyDataSet();
    quiet_.emplace(std::initializer_list<ClientTable*>{
        &dtm_.cds_nf_sped, &dtm_.cds_mov_ecf_sped, &dtm_.cds_difal, &dtm_.cds_totalizador_icms});
  }
  void SetEncoding(SpedEncoding encoding) { encoding_ = encoding; }

  // A line of block C and of block D, with the input line it came from.
  void BlockC(std::string_view line, int64_t input_line) {
    where_.line = input_line;
    BlockCLine(line);
    pacer_.Tick();
  }
  void EndBlockC() {
    EndNote();
    EndMovement();
  }
  void BlockD(std::string_view line, int64_t input_line) {
    where_.line = input_line;
    BlockDLine(line);
    pacer_.Tick();
  }
  // Stores the last note; whether any C481 line was read.
  bool End() {
    EndNote();
    return c481_;
  }

 private:
  Money M(int n, std::string_view name) { return SpedMoney(f_[n], where_, n, name); }

  void BlockCLine(std::string_view line) {
    std::string code = SpedRegister(line);
    std::string_view reg = SpedTrim(code);
    if (reg.size() != 4) return;
    where_.record = reg;
    if (reg == "C100") {
      C100(line);
    } else if (reg == "C170") {
      C170(line);
    } else if (reg == "C190") {
      C190(line);
    } else if (reg == "C400") {
      f_.Parse(line, Fill::kOnce, 4);
      equipment_ = Text(SpedTrim(f_[3]));
      till_ = Text(SpedTrim(f_[4]));
    } else if (reg == "C405") {
      C405(line);
    } else if (reg == "C481") {
      C481(line);
    } else if (reg == "C490") {
      C490(line);
    } else if (IsCode(reg, "C420", "c420")) {
      C420(line);
    }
  }

  void BlockDLine(std::string_view line) {
    f_.Parse(line, Fill::kTwice, 14);
    std::string_view reg = SpedTrim(f_[0]);
    where_.record = reg;
    if (reg == "D100") {
      EndNote();
      BeginNote();
      note_.codigo = SpedInteger(f_[8], where_, 8, "NUM_DOC");
      note_.data = NoteDate(11, "DT_A_P");
      note_.tipo = "CT";
      Money value = M(14, "VL_DOC");
      note_.money[kVlNota] = value;
      note_.money[kFrete] = value;
    } else if (reg == "D101") {
      if (!has_note_) return;
      note_.money[kBcPis] = M(5, "VL_BC_PIS");
      note_.money[kVlPis] = M(7, "VL_PIS");
    } else if (reg == "D105") {
      if (!has_note_) return;
      note_.money[kBcCofins] = M(5, "VL_BC_COFINS");
      note_.money[kVlCofins] = M(7, "VL_COFINS");
    } else if (IsCode(reg, "D190", "d190")) {
      TotalizeIcmsByCfop(dtm_, "1102", "D190", M(5, "VL_BC_ICMS"), M(6, "VL_ICMS"));
    }
  }

  void C100(std::string_view line) {
    difal_mark_ = false;
    f_.Parse(line, Fill::kTwice, 26);
    EndNote();
    BeginNote();
    note_.codigo = SpedInteger(f_[7], where_, 7, "NUM_DOC");
    note_.data = NoteDate(9, "DT_DOC");
    bool entry = f_[1] == "0";
    note_.tipo = entry ? "E" : "S";
    note_.money[kVlNota] = M(11, "VL_DOC");
    note_.money[kVlPis] = M(25, "VL_PIS");
    note_.money[kVlCofins] = M(26, "VL_COFINS");
    note_.money[kIcmsSt] = M(23, "VL_ICMS_ST");
    TotalizeIcmsByCfop(dtm_, entry ? "1102" : "5102", "C100", M(20, "VL_BC_ICMS"),
                       M(21, "VL_ICMS"));
    if (f_[1] == "1") Difal();
  }

  // An exit to a participant without state registration: a DIFAL candidate
  // until one of the note's C190 lines shows an operation that is not
  // interstate.
  void Difal() {
    ClientTable& parts = dtm_.cds_0150M;
    std::string code = Text(f_[3]);
    if (!parts.Locate("cod_part", {Value(code)})) return;
    std::string cnpj(parts.GetText(part_cnpj_));
    ClientTable& difal = dtm_.cds_difal;
    difal.Append();
    difal.SetText(difal_numero_, f_[7]);
    difal.SetText(difal_documento_, cnpj == "0" ? std::string(parts.GetText(part_cpf_)) : cnpj);
    difal.SetText(difal_nome_, parts.GetText(part_nome_));
    difal.SetText(difal_data_, note_.data);
    difal.Post();
    difal_mark_ = true;
  }

  void C170(std::string_view line) {
    if (!has_note_) return;
    f_.Parse(line, Fill::kTwice, 31);
    Money value = M(6, "VL_ITEM");
    note_.money[kTotProd] += value;
    note_.money[kBcPis] += M(25, "VL_BC_PIS");
    // The item's own COFINS base.
    note_.money[kBcCofins] += M(31, "VL_BC_COFINS");
    std::string_view cfop = f_[10];
    int slot = cfop.empty() ? -1 : DigitSlot(cfop[0]);
    if (slot < 0) return;
    std::string_view ending = cfop.substr(1, 3);
    for (size_t e = 0; e < kCfopEndings.size(); ++e) {
      if (ending == kCfopEndings[e]) {
        note_.money[kFirstCfop + static_cast<size_t>(slot) * 9 + e] += value;
        return;
      }
    }
    note_.money[kE1Outros + slot] += value;
  }

  void C190(std::string_view line) {
    if (!difal_mark_) return;
    f_.Parse(line, Fill::kRaw, 2);
    std::string_view cfop = f_[2];
    if (!cfop.empty() && cfop[0] == '6' && cfop != "6929") return;
    dtm_.cds_difal.Delete();
    difal_mark_ = false;
  }

  void C405(std::string_view line) {
    f_.Parse(line, Fill::kOnce, 6);
    EndMovement();
    has_movement_ = true;
    movement_ = MovementRow{};
    movement_.ecf = equipment_;
    movement_.caixa = till_;
    movement_.data = SpedDateField(f_[1], where_, 1, "DT_DOC");
    movement_.venda_bruta = M(6, "VL_BRT");
  }

  void C481(std::string_view line) {
    c481_ = true;
    if (!has_movement_) return;
    f_.Parse(line, Fill::kOnce, 2);
    Money value = M(2, "VL_ITEM");
    movement_.venda_liquida += value;
    std::string_view cst = SpedTrim(f_[1]);
    for (size_t i = 0; i < kPisSituations.size(); ++i) {
      if (cst == kPisSituations[i]) {
        movement_.cst[i] += value;
        break;
      }
    }
  }

  void C490(std::string_view line) {
    if (c481_ || !has_movement_) return;
    f_.Parse(line, Fill::kOnce, 4);
    Money value = M(4, "VL_OPR");
    std::string_view cfop = SpedTrim(f_[2]);
    char c = cfop.size() >= 2 ? cfop[1] : '\0';
    if (c == '1')
      movement_.venda_liquida += value;
    else if (c == '4')
      movement_.cst[0] += value;
  }

  void C420(std::string_view line) {
    f_.Parse(line, Fill::kRaw, 2);
    std::string_view code = f_[1];
    if (code.empty() || (code[0] != 'T' && code[0] != 'F')) return;
    Money value = M(2, "VLR_ACUM_TOT");
    std::string rate = code[0] == 'T' ? std::string(code.substr(1, 4)) : std::string("F");
    TotalizeIcmsByRate(dtm_, rate, "C420", value);
  }

  // A note date: dd/mm/yyyy, or "  /  /  " when the (filled) field is "0".
  std::string NoteDate(int n, std::string_view name) {
    if (f_[n] == "0") return std::string(kNoDate);
    return SpedDateField(f_[n], where_, n, name);
  }

  std::string Text(std::string_view bytes) const { return DecodeSpedText(bytes, encoding_); }

  void BeginNote() {
    note_ = NoteRow{};
    has_note_ = true;
  }
  void EndNote() {
    if (has_note_) StoreNote(dtm_.cds_nf_sped, note_cols_, note_);
    has_note_ = false;
  }
  void EndMovement() {
    if (has_movement_) StoreMovement(dtm_.cds_mov_ecf_sped, mov_cols_, movement_);
    has_movement_ = false;
  }

  Session& s_;
  std::string file_;
  SpedEncoding encoding_;
  TdtmCENTRAL& dtm_;
  NoteColumns note_cols_;
  MovementColumns mov_cols_;
  int difal_numero_, difal_documento_, difal_nome_, difal_data_;
  int part_cnpj_, part_cpf_, part_nome_;

  Pacer pacer_;
  std::optional<QuietTables> quiet_;
  SpedFields f_;
  SpedWhere where_{file_, 0, {}};
  NoteRow note_;
  bool has_note_ = false;
  MovementRow movement_;
  bool has_movement_ = false;
  std::string equipment_, till_;
  bool difal_mark_ = false;
  bool c481_ = false;
};

}  // namespace

namespace {

int64_t InputLine(const std::vector<uint32_t>& map, int64_t block_line) {
  size_t i = static_cast<size_t>(block_line - 1);
  return i < map.size() ? map[i] : block_line;
}

// The split. With `notes`, every line written to blocoCM.txt is also read
// by the notes reader at once, which spares reading the block file again;
// `late_participants` tells whether a 0150 line came after a line of block C
// (the DIFAL check of those notes did not know it).
SpedSplit Split(Session& s, const std::filesystem::path& path, NotesReader* notes,
                bool* late_participants) {
  ClientTable& parts = s.dtm.cds_0150M;
  SpedSplit split;
  std::u8string name = path.u8string();
  split.file.assign(name.begin(), name.end());

  SpedLineReader reader(path);
  parts.EmptyDataSet();
  std::filesystem::path cm = s.working_folder / kBlocoCM, dm = s.working_folder / kBlocoDM;
  std::error_code ec;
  std::filesystem::remove(cm, ec);
  std::filesystem::remove(dm, ec);
  LineWriter block_c(cm), block_d(dm);
  if (notes) {
    s.sped.file = split.file;
    notes->Begin();
  }

  const int f_cod = f0150m::cod_part, f_nome = f0150m::nome, f_cnpj = f0150m::cnpj,
            f_cpf = f0150m::cpf, f_ie = f0150m::ie;
  SpedFields f;
  Pacer pacer(s.ui);
  std::string_view line;
  while (reader.Next(line)) {
    pacer.Tick();
    std::string code = SpedRegister(line);
    if (code.empty()) continue;
    if (code[0] == 'C') {
      if (code == "C990") continue;
      block_c.Write(line);
      split.c_lines.push_back(static_cast<uint32_t>(reader.line_number()));
      if (notes) {
        notes->SetEncoding(reader.encoding());
        notes->BlockC(line, reader.line_number());
      }
    } else if (code[0] == 'D') {
      if (code == "D990") continue;
      block_d.Write(line);
      split.d_lines.push_back(static_cast<uint32_t>(reader.line_number()));
    } else if (code == "0150") {
      // Participants without state registration: the DIFAL candidates' buyers.
      f.Parse(line, Fill::kTwice, 6);
      if (SpedTrim(f[6]) != "0") continue;
      if (late_participants && !split.c_lines.empty()) *late_participants = true;
      parts.Append();
      parts.SetText(f_cod, reader.Decode(f[1]));
      parts.SetText(f_nome, reader.Decode(f[2]));
      parts.SetText(f_cnpj, reader.Decode(f[4]));
      parts.SetText(f_cpf, reader.Decode(f[5]));
      parts.SetText(f_ie, reader.Decode(f[6]));
      parts.Post();
    }
  }
  block_c.Close();
  block_d.Close();
  split.encoding = reader.encoding();
  return split;
}

// Block D from its block file, after block C.
bool ReadBlockD(Session& s, const SpedSplit& split, NotesReader& notes) {
  notes.EndBlockC();
  SpedLineReader block_d(s.working_folder / kBlocoDM, split.encoding);
  std::string_view line;
  while (block_d.Next(line)) notes.BlockD(line, InputLine(split.d_lines, block_d.line_number()));
  return notes.End();
}

}  // namespace

SpedSplit SplitSpedForAnalysis(Session& s, const std::filesystem::path& path) {
  return Split(s, path, nullptr, nullptr);
}

bool ReadSpedNotes(Session& s, const SpedSplit& split) {
  // Open the first block file before anything is emptied.
  SpedLineReader block_c(s.working_folder / kBlocoCM, split.encoding);
  NotesReader notes(s, split.file, split.encoding);
  notes.Begin();
  std::string_view line;
  while (block_c.Next(line)) notes.BlockC(line, InputLine(split.c_lines, block_c.line_number()));
  return ReadBlockD(s, split, notes);
}

bool AnalyseSpedFile(Session& s, const std::filesystem::path& path) {
  s.dtm.cds_nf_sped.EmptyDataSet();
  // Block C is read while the file is split: the same lines in the same
  // order as from blocoCM.txt, then block D from blocoDM.txt.
  std::u8string name = path.u8string();
  NotesReader notes(s, std::string(name.begin(), name.end()), SpedEncoding::kAscii);
  bool late_participants = false;
  SpedSplit split = Split(s, path, &notes, &late_participants);
  s.sped.file = split.file;
  bool c481;
  if (late_participants) {
    // Participants listed after notes: read the block files again, as the
    // notes reader alone does, so that every note sees every participant.
    s.dtm.cds_nf_sped.EmptyDataSet();
    c481 = ReadSpedNotes(s, split);
  } else {
    c481 = ReadBlockD(s, split, notes);
  }
  s.sped.c481 = c481;
  s.sped.analysed = true;
  if (DataSource* ds = s.dtm.cds_nf_sped.binding()) ds->SetEnabled(true);
  s.dtm.cds_nf_sped.First();
  s.dtm.cds_mov_ecf_sped.First();
  return c481;
}

}  // namespace fiscora
