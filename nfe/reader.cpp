#include "nfe/reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <pugixml.hpp>
#include <thread>

#include "data/block_lines.h"
#include "data/nfe_key.h"
#include "data/text.h"
#include "sintegra/input_check.h"

namespace fiscora {

namespace fs = std::filesystem;

// ------------------------------------------------------------ small types

std::string_view NfeStatusText(NfeStatus status) {
  switch (status) {
    case NfeStatus::kAuthorised:
      return "autorizada";
    case NfeStatus::kCancelled:
      return "cancelada";
    case NfeStatus::kDenied:
      return "denegada";
    case NfeStatus::kUnprotocolled:
      return "sem protocolo";
    case NfeStatus::kOther:
      break;
  }
  return "não autorizada";
}

NfeStatus NfeStatusOfCStat(int cstat) {
  switch (cstat) {
    case 100:
    case 150:
      return NfeStatus::kAuthorised;
    case 101:
    case 151:
    case 155:
      return NfeStatus::kCancelled;
    case 110:
    case 301:
    case 302:
    case 303:
      return NfeStatus::kDenied;
    default:
      return NfeStatus::kOther;
  }
}

CfopSet& CfopSet::operator=(const CfopSet& o) {
  if (this == &o) return *this;
  inline_ = o.inline_;
  count_ = o.count_;
  more_ = o.more_ ? std::make_unique<std::vector<uint16_t>>(*o.more_) : nullptr;
  return *this;
}

void CfopSet::Add(uint16_t cfop) {
  if (more_) {
    auto it = std::lower_bound(more_->begin(), more_->end(), cfop);
    if (it == more_->end() || *it != cfop) more_->insert(it, cfop);
    return;
  }
  auto end = inline_.begin() + count_;
  auto it = std::lower_bound(inline_.begin(), end, cfop);
  if (it != end && *it == cfop) return;
  if (count_ < kInline) {
    std::copy_backward(it, end, end + 1);
    *it = cfop;
    ++count_;
    return;
  }
  more_ = std::make_unique<std::vector<uint16_t>>(inline_.begin(), end);
  more_->insert(more_->begin() + (it - inline_.begin()), cfop);
}

bool CfopSet::Contains(uint16_t cfop) const {
  for (size_t i = 0; i < size(); ++i)
    if ((*this)[i] == cfop) return true;
  return false;
}

bool CfopSet::operator==(const CfopSet& o) const {
  if (size() != o.size()) return false;
  for (size_t i = 0; i < size(); ++i)
    if ((*this)[i] != o[i]) return false;
  return true;
}

std::string CfopSet::Text() const {
  std::string out;
  for (size_t i = 0; i < size(); ++i) {
    if (i) out += ", ";
    out += std::to_string((*this)[i]);
  }
  return out;
}

// ------------------------------------------------------------ the document

namespace {

// A name without its namespace prefix.
std::string_view LocalName(const char* name) {
  std::string_view n(name);
  size_t colon = n.find(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_node Child(pugi::xml_node node, std::string_view name) {
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && LocalName(c.name()) == name) return c;
  return {};
}

// The trimmed text of a child element, empty when absent.
std::string_view ChildText(pugi::xml_node node, std::string_view name) {
  pugi::xml_node c = Child(node, name);
  return c ? Trim(c.child_value()) : std::string_view();
}

template <class T>
bool WholeNumber(std::string_view s, T& out) {
  if (!OnlyDigits(s)) return false;
  auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// A decimal of the XML layouts: digits with an optional "." and decimals,
// no sign.
std::optional<Money> XmlMoney(std::string_view s) {
  char buf[48];
  if (s.empty() || s.size() >= sizeof buf || s.front() == '.' || s.back() == '.')
    return std::nullopt;
  bool dot = false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '.' && !dot) {
      dot = true;
      c = ',';
    } else if (c < '0' || c > '9') {
      return std::nullopt;
    }
    buf[i] = c;
  }
  return ParseMoney(std::string_view(buf, s.size()));
}

// "2018-08-01T10:00:00-03:00" or "2018-08-01" as 20180801.
std::optional<int32_t> XmlDate(std::string_view s) {
  if (s.size() < 10 || s[4] != '-' || s[7] != '-' || (s.size() > 10 && s[10] != 'T'))
    return std::nullopt;
  char digits[8];
  std::copy(s.begin(), s.begin() + 4, digits);
  std::copy(s.begin() + 5, s.begin() + 7, digits + 4);
  std::copy(s.begin() + 8, s.begin() + 10, digits + 6);
  std::string_view d(digits, 8);
  if (!IsRealDigitDate(d, DigitDateOrder::kYearMonthDay)) return std::nullopt;
  int32_t v = 0;
  WholeNumber(d, v);
  return v;
}

void SetId(NfeParty& p, NfeParty::Kind kind, std::string_view id) {
  p.kind = kind;
  p.size = static_cast<uint8_t>(std::min(id.size(), p.id.size()));
  std::copy_n(id.begin(), p.size, p.id.begin());
}

// A failure to read a field the summary needs.
struct FieldProblem {
  std::string reason;
};

[[noreturn]] void BadField(std::string_view path, std::string_view text, bool absent) {
  std::string reason = "campo " + std::string(path);
  if (absent)
    reason += " ausente";
  else
    reason += " inválido: '" + std::string(CutToChars(text, 60)) + "'";
  throw FieldProblem{std::move(reason)};
}

// The party of emit or dest, as written (at most 20 characters).
NfeParty ReadParty(pugi::xml_node node, std::string_view where, bool required) {
  NfeParty p;
  if (!node) {
    if (required) BadField(std::string(where), "", true);
    return p;
  }
  const struct {
    const char* name;
    NfeParty::Kind kind;
  } kinds[] = {{"CNPJ", NfeParty::Kind::kCnpj},
               {"CPF", NfeParty::Kind::kCpf},
               {"idEstrangeiro", NfeParty::Kind::kForeign}};
  for (const auto& k : kinds) {
    pugi::xml_node c = Child(node, k.name);
    if (!c) continue;
    std::string_view v = Trim(c.child_value());
    if (v.size() > p.id.size()) BadField(std::string(where) + "/" + k.name, v, false);
    SetId(p, k.kind, v);
    return p;
  }
  if (required) BadField(std::string(where) + "/CNPJ", "", true);
  return p;
}

template <class T>
T RequiredNumber(pugi::xml_node node, std::string_view name, std::string_view path, T lo, T hi) {
  pugi::xml_node c = Child(node, name);
  if (!c) BadField(path, "", true);
  std::string_view v = Trim(c.child_value());
  T out{};
  if (!WholeNumber(v, out) || out < lo || out > hi) BadField(path, v, false);
  return out;
}

Money OptionalMoney(pugi::xml_node node, std::string_view name, std::string_view path) {
  pugi::xml_node c = Child(node, name);
  if (!c) return Money();
  std::string_view v = Trim(c.child_value());
  std::optional<Money> m = XmlMoney(v);
  if (!m) BadField(path, v, false);
  return *m;
}

// The key of an infNFe/@Id: 44 characters after an optional "NFe".
std::string_view KeyOfId(std::string_view id) {
  id = Trim(id);
  if (id.size() == kAccessKeyLength + 3 && id.substr(0, 3) == "NFe") id.remove_prefix(3);
  return id;
}

void SetKey(std::array<char, 44>& key, std::string_view text) {
  std::copy_n(text.begin(), std::min(text.size(), key.size()), key.begin());
}

// Reads one note (an NFe element) with its protocol (infProt, may be empty).
// Throws FieldProblem.
void ReadNote(pugi::xml_node nfe, pugi::xml_node prot, std::vector<NfeItem>* items, NfeNote& note) {
  pugi::xml_node inf = Child(nfe, "infNFe");
  if (!inf) BadField("infNFe", "", true);
  std::string_view id_key = KeyOfId(inf.attribute("Id").value());
  std::string_view key = id_key;
  if (prot) {
    std::string_view prot_key = ChildText(prot, "chNFe");
    if (!prot_key.empty()) {
      note.key_differs_from_id = prot_key != id_key;
      key = prot_key;
    }
    std::string_view cstat = ChildText(prot, "cStat");
    uint16_t code = 0;
    if (!WholeNumber(cstat, code)) BadField("protNFe/infProt/cStat", cstat, cstat.empty());
    note.cstat = code;
    note.status = NfeStatusOfCStat(code);
  }
  if (!SplitAccessKey(key)) {
    throw FieldProblem{"chave de acesso inválida: '" + std::string(CutToChars(key, 60)) + "'"};
  }
  SetKey(note.key, key);

  pugi::xml_node ide = Child(inf, "ide");
  if (!ide) BadField("ide", "", true);
  note.model = RequiredNumber<uint8_t>(ide, "mod", "ide/mod", 0, 99);
  note.series = RequiredNumber<uint16_t>(ide, "serie", "ide/serie", 0, 999);
  note.number = RequiredNumber<uint32_t>(ide, "nNF", "ide/nNF", 1, 999999999);
  note.tp_nf = RequiredNumber<uint8_t>(ide, "tpNF", "ide/tpNF", 0, 1);
  note.tp_amb = RequiredNumber<uint8_t>(ide, "tpAmb", "ide/tpAmb", 1, 2);
  if (Child(ide, "finNFe"))
    note.fin_nfe = RequiredNumber<uint8_t>(ide, "finNFe", "ide/finNFe", 1, 9);
  pugi::xml_node date = Child(ide, "dhEmi");
  std::string_view date_path = "ide/dhEmi";
  if (!date) {
    date = Child(ide, "dEmi");
    date_path = "ide/dEmi";
  }
  if (!date) BadField("ide/dhEmi", "", true);
  std::string_view date_text = Trim(date.child_value());
  std::optional<int32_t> emission = XmlDate(date_text);
  if (!emission) BadField(date_path, date_text, false);
  note.emission = *emission;

  note.issuer = ReadParty(Child(inf, "emit"), "emit", true);
  note.recipient = ReadParty(Child(inf, "dest"), "dest", false);

  for (pugi::xml_node det = inf.first_child(); det; det = det.next_sibling()) {
    if (det.type() != pugi::node_element || LocalName(det.name()) != "det") continue;
    pugi::xml_node prod = Child(det, "prod");
    if (!prod) BadField("det/prod", "", true);
    uint16_t cfop = RequiredNumber<uint16_t>(prod, "CFOP", "det/prod/CFOP", 1000, 7999);
    note.cfops.Add(cfop);
    Money value = OptionalMoney(prod, "vProd", "det/prod/vProd");
    note.items_total += value;
    if (!items) continue;
    NfeItem item;
    WholeNumber(Trim(det.attribute("nItem").value()), item.number);
    item.cfop = cfop;
    item.value = value;
    item.code = ChildText(prod, "cProd");
    item.description = ChildText(prod, "xProd");
    item.unit = ChildText(prod, "uCom");
    std::string_view q = ChildText(prod, "qCom");
    auto r = std::from_chars(q.data(), q.data() + q.size(), item.quantity);
    if (r.ec != std::errc() || r.ptr != q.data() + q.size()) BadField("det/prod/qCom", q, false);
    items->push_back(std::move(item));
  }

  pugi::xml_node total = Child(inf, "total");
  pugi::xml_node tot = Child(total, "ICMSTot");
  if (!tot) BadField("total/ICMSTot", "", true);
  NfeTotals& t = note.totals;
  const struct {
    const char* name;
    Money* value;
  } fields[] = {{"vBC", &t.vBC},       {"vICMS", &t.vICMS},   {"vICMSDeson", &t.vICMSDeson},
                {"vBCST", &t.vBCST},   {"vST", &t.vST},       {"vProd", &t.vProd},
                {"vFrete", &t.vFrete}, {"vSeg", &t.vSeg},     {"vDesc", &t.vDesc},
                {"vIPI", &t.vIPI},     {"vOutro", &t.vOutro}, {"vNF", &t.vNF}};
  for (const auto& f : fields)
    *f.value = OptionalMoney(tot, f.name, std::string("total/ICMSTot/") + f.name);
  if (!Child(tot, "vNF")) BadField("total/ICMSTot/vNF", "", true);
  for (const char* extra : {"vFCPST", "vIPIDevol", "vII"})
    t.other_additions += OptionalMoney(tot, extra, std::string("total/ICMSTot/") + extra);
  if (pugi::xml_node iss = Child(total, "ISSQNtot"))
    t.other_additions += OptionalMoney(iss, "vServ", "total/ISSQNtot/vServ");
}

// An event response (retEvento/infEvento), with its request when the file
// holds it.
void ReadEvent(pugi::xml_node ret, pugi::xml_node request, std::string_view file,
               NfeDocument& doc) {
  pugi::xml_node inf = Child(ret, "infEvento");
  pugi::xml_node req = Child(request, "infEvento");
  auto text = [&](std::string_view name) {
    std::string_view v = ChildText(inf, name);
    return v.empty() ? ChildText(req, name) : v;
  };
  NfeEvent e;
  e.file = file;
  std::string_view key = text("chNFe");
  std::string_view type = text("tpEvento");
  std::string_view cstat = ChildText(inf, "cStat");
  std::string_view amb = text("tpAmb");
  if (!SplitAccessKey(key) || !WholeNumber(type, e.type) || !WholeNumber(cstat, e.cstat)) {
    doc.ignored.push_back(
        {std::string(file),
         "evento ilegível: chave, tipo (tpEvento) ou situação (cStat) inválidos"});
    return;
  }
  WholeNumber(amb, e.tp_amb);
  SetKey(e.key, key);
  doc.events.push_back(std::move(e));
}

std::string ParseErrorText(pugi::xml_parse_status status) {
  switch (status) {
    case pugi::status_out_of_memory:
      return "memória insuficiente";
    case pugi::status_bad_pi:
      return "instrução de processamento ou declaração mal formada";
    case pugi::status_bad_comment:
      return "comentário mal formado";
    case pugi::status_bad_cdata:
      return "seção CDATA mal formada";
    case pugi::status_bad_doctype:
      return "declaração de tipo de documento mal formada";
    case pugi::status_bad_pcdata:
      return "texto mal formado";
    case pugi::status_bad_start_element:
      return "marca de abertura mal formada";
    case pugi::status_bad_attribute:
      return "atributo mal formado";
    case pugi::status_bad_end_element:
      return "marca de fechamento mal formada";
    case pugi::status_end_element_mismatch:
      return "a marca de fechamento não corresponde à de abertura";
    case pugi::status_no_document_element:
      return "nenhum elemento (arquivo vazio?)";
    default:
      return "erro de leitura";
  }
}

// Line and column (1-based) of a byte offset.
std::pair<int64_t, int64_t> LineColumn(std::string_view bytes, size_t offset) {
  offset = std::min(offset, bytes.size());
  int64_t line = 1;
  size_t line_start = 0;
  for (size_t i = 0; i < offset; ++i)
    if (bytes[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  return {line, static_cast<int64_t>(offset - line_start) + 1};
}

bool InNfeNamespace(pugi::xml_node root) {
  std::string_view name = root.name();
  size_t colon = name.find(':');
  std::string attr =
      colon == std::string_view::npos ? "xmlns" : "xmlns:" + std::string(name.substr(0, colon));
  return std::string_view(root.attribute(attr.c_str()).value()) == kNfeNamespace;
}

// One note of the document, or its reason to be listed.
void TakeNote(pugi::xml_node nfe, pugi::xml_node prot, std::string_view file, bool items,
              NfeDocument& doc) {
  NfeNote note;
  std::vector<NfeItem> note_items;
  try {
    ReadNote(nfe, prot, items ? &note_items : nullptr, note);
  } catch (const FieldProblem& p) {
    doc.ignored.push_back({std::string(file), "NF-e ilegível: " + p.reason});
    return;
  }
  if (note.model != 55 && note.model != 65) {
    doc.ignored.push_back({std::string(file), "modelo " + std::to_string(note.model) +
                                                  " não é NF-e (55) nem NFC-e (65)"});
    return;
  }
  if (note.tp_amb == 2) {
    ++doc.test_environment;
    doc.ignored.push_back({std::string(file), "ambiente de homologação (tpAmb 2): nota " +
                                                  std::string(note.Key()) + " não considerada"});
    return;
  }
  doc.notes.push_back(std::move(note));
  if (items) doc.items.push_back(std::move(note_items));
}

}  // namespace

NfeDocument ReadNfeDocument(std::string_view bytes, std::string_view file, bool items) {
  NfeDocument doc;
  pugi::xml_document xml;
  pugi::xml_parse_result parsed =
      xml.load_buffer(bytes.data(), bytes.size(),
                      pugi::parse_escapes | pugi::parse_embed_pcdata | pugi::parse_wconv_attribute,
                      pugi::encoding_auto);
  if (!parsed) {
    auto [line, column] =
        LineColumn(bytes, static_cast<size_t>(std::max<ptrdiff_t>(0, parsed.offset)));
    doc.ignored.push_back({std::string(file), "XML mal formado: " + ParseErrorText(parsed.status) +
                                                  " (linha " + std::to_string(line) + ", coluna " +
                                                  std::to_string(column) + ")"});
    return doc;
  }
  pugi::xml_node root = xml.document_element();
  std::string_view root_name = LocalName(root.name());
  const bool known = root_name == "nfeProc" || root_name == "NFe" || root_name == "enviNFe" ||
                     root_name == "procEventoNFe";
  if (!known) {
    doc.ignored.push_back(
        {std::string(file), "não é uma NF-e: elemento raiz <" + std::string(root.name()) + ">"});
    return doc;
  }
  if (!InNfeNamespace(root)) {
    doc.ignored.push_back(
        {std::string(file), "não é uma NF-e: elemento raiz <" + std::string(root.name()) +
                                "> fora do namespace " + std::string(kNfeNamespace)});
    return doc;
  }
  if (root_name == "nfeProc") {
    pugi::xml_node nfe = Child(root, "NFe");
    if (!nfe) {
      doc.ignored.push_back({std::string(file), "NF-e ilegível: campo NFe ausente"});
      return doc;
    }
    TakeNote(nfe, Child(Child(root, "protNFe"), "infProt"), file, items, doc);
    for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element && LocalName(c.name()) == "retEvento")
        ReadEvent(c, {}, file, doc);
  } else if (root_name == "NFe") {
    TakeNote(root, {}, file, items, doc);
  } else if (root_name == "enviNFe") {
    bool any = false;
    for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element && LocalName(c.name()) == "NFe") {
        any = true;
        TakeNote(c, {}, file, items, doc);
      }
    if (!any) doc.ignored.push_back({std::string(file), "lote (enviNFe) sem NF-e"});
  } else {
    pugi::xml_node ret = Child(root, "retEvento");
    if (!ret)
      doc.ignored.push_back({std::string(file), "evento sem a resposta da SEFAZ (retEvento)"});
    else
      ReadEvent(ret, Child(root, "evento"), file, doc);
  }
  return doc;
}

// ------------------------------------------------------------ the inputs

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = s[s.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

std::string Utf8(const fs::path& p) {
  std::u8string s = p.generic_u8string();
  return std::string(s.begin(), s.end());
}

// Stands for the note's key in a stored file name.
constexpr char kKeyMark = '\x01';

// A file or a zip to read: one unit of work for a thread.
struct Unit {
  uint16_t input = 0;
  // Empty when it is the input's path joined with `relative` (a folder's
  // files are many: each keeps only its relative name).
  fs::path path;
  std::string relative;  // UTF-8, "/" separated, relative to the input ("" for the input itself)
  bool zip = false;
  int64_t size = 0;
};

// What one thread read: the notes of its units with their names in an
// arena of its own, and each note's place in the order of the files.
struct ThreadResult {
  std::vector<NfeNote> notes;
  std::vector<std::vector<NfeItem>> items;  // parallel to notes when asked for
  std::vector<uint64_t> order;              // unit index << 32 | note within the unit
  std::string names;
  std::vector<std::pair<uint64_t, NfeEvent>> events;
  std::vector<std::pair<uint64_t, NfeIgnored>> ignored;
  int64_t files = 0, test_environment = 0;
};

void ReadWholeFile(const fs::path& path, std::string& out) {
  std::FILE* f = nullptr;
#if defined(_WIN32)
  f = _wfopen(path.c_str(), L"rb");
#else
  f = std::fopen(path.c_str(), "rb");
#endif
  if (!f) throw FileError("Não foi possível abrir o arquivo " + Utf8(path));
  out.clear();
  char buf[1 << 16];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) throw FileError("Erro de leitura no arquivo " + Utf8(path));
}

// Takes a document's results into the thread's; `relative` names its file
// within the input.
void Absorb(ThreadResult& r, size_t unit, uint32_t& seq, uint16_t input, NfeDocument&& doc,
            const std::string& relative) {
  // The name of the file of a single note is kept without the note's key.
  std::string name = relative;
  if (doc.notes.size() == 1) {
    const std::string_view key = doc.notes.front().Key();
    size_t at = name.rfind(key);
    if (at != std::string::npos) name.replace(at, key.size(), 1, kKeyMark);
  }
  NfeFileRef ref{static_cast<uint32_t>(r.names.size()),
                 static_cast<uint16_t>(std::min<size_t>(name.size(), UINT16_MAX)), input};
  if (!doc.notes.empty()) r.names.append(name, 0, ref.size);
  for (size_t k = 0; k < doc.notes.size(); ++k) {
    NfeNote& n = doc.notes[k];
    n.file = ref;
    r.notes.push_back(std::move(n));
    if (k < doc.items.size()) r.items.push_back(std::move(doc.items[k]));
    r.order.push_back(uint64_t{unit} << 32 | seq++);
  }
  const uint64_t here = uint64_t{unit} << 32 | seq;
  for (NfeEvent& e : doc.events) r.events.emplace_back(here, std::move(e));
  for (NfeIgnored& i : doc.ignored) r.ignored.emplace_back(here, std::move(i));
  r.test_environment += doc.test_environment;
  ++r.files;
}

// A zip read entry by entry through libarchive.
class ZipReader {
 public:
  explicit ZipReader(const fs::path& path) : path_(path), a_(archive_read_new()) {
    if (!a_) throw FileError("Memória insuficiente para ler " + Utf8(path));
    archive_read_support_format_zip(a_);
#if defined(_WIN32)
    int r = archive_read_open_filename_w(a_, path.c_str(), 1 << 16);
#else
    int r = archive_read_open_filename(a_, path.c_str(), 1 << 16);
#endif
    if (r != ARCHIVE_OK) Fail();
  }
  ~ZipReader() { archive_read_free(a_); }
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // The next entry, false at the end.
  bool Next(archive_entry*& entry) {
    int r = archive_read_next_header(a_, &entry);
    if (r == ARCHIVE_EOF) return false;
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) Fail();
    return true;
  }
  static std::string Name(archive_entry* entry) {
    const char* utf8 = archive_entry_pathname_utf8(entry);
    const char* name = utf8 ? utf8 : archive_entry_pathname(entry);
    return name ? name : "";
  }
  void Read(std::string& out) {
    out.clear();
    char buf[1 << 16];
    la_ssize_t n = 0;
    while ((n = archive_read_data(a_, buf, sizeof buf)) > 0)
      out.append(buf, static_cast<size_t>(n));
    if (n < 0) Fail();
  }

 private:
  [[noreturn]] void Fail() {
    const char* why = archive_error_string(a_);
    throw FileError("Não foi possível ler o arquivo compactado " + Utf8(path_) +
                    (why ? std::string(": ") + why : std::string()));
  }
  fs::path path_;
  archive* a_;
};

void ReadUnit(const Unit& unit, const fs::path& path, size_t index, const std::string& display,
              bool items, const std::atomic<bool>* cancel, const std::atomic<bool>& stop,
              std::string& buffer, ThreadResult& out) {
  uint32_t seq = 0;
  if (!unit.zip) {
    ReadWholeFile(path, buffer);
    Absorb(out, index, seq, unit.input, ReadNfeDocument(buffer, display, items), unit.relative);
    return;
  }
  ZipReader zip(path);
  archive_entry* entry = nullptr;
  while (zip.Next(entry)) {
    if (stop.load(std::memory_order_relaxed) || (cancel && cancel->load(std::memory_order_relaxed)))
      return;
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    std::string name = ZipReader::Name(entry);
    const std::string shown = display + ":" + name;
    const uint64_t here = uint64_t{index} << 32 | seq;
    if (EndsWithNoCase(name, ".zip")) {
      out.ignored.emplace_back(here,
                               NfeIgnored{shown, "arquivo compactado dentro de outro: não lido"});
      continue;
    }
    if (!EndsWithNoCase(name, ".xml")) continue;
    if (archive_entry_is_encrypted(entry)) {
      out.ignored.emplace_back(here, NfeIgnored{shown, "protegido por senha: não lido"});
      continue;
    }
    zip.Read(buffer);
    Absorb(out, index, seq, unit.input, ReadNfeDocument(buffer, shown, items),
           unit.relative + ":" + name);
  }
}

// The units of the inputs, in input order and, within a folder, in the
// order of the paths.
std::vector<Unit> ListUnits(const std::vector<std::string>& inputs) {
  std::vector<Unit> units;
  for (size_t i = 0; i < inputs.size(); ++i) {
    const fs::path path = PathFromUtf8(inputs[i]);
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::exists(status))
      throw InputRefusal(inputs[i], 0, "arquivo ou pasta não encontrado");
    const auto input = static_cast<uint16_t>(i);
    if (fs::is_directory(status)) {
      std::vector<Unit> found;
      fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec);
      if (ec) throw InputRefusal(inputs[i], 0, "a pasta não pode ser lida: " + ec.message());
      for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) throw InputRefusal(inputs[i], 0, "a pasta não pode ser lida: " + ec.message());
        std::error_code fec;
        if (!it->is_regular_file(fec)) continue;
        std::string rel = Utf8(fs::relative(it->path(), path, fec));
        const bool derived = !fec;
        if (fec) rel = Utf8(it->path().filename());
        const bool zip = EndsWithNoCase(rel, ".zip");
        if (!zip && !EndsWithNoCase(rel, ".xml")) continue;
        Unit u{input, derived ? fs::path() : it->path(), rel, zip,
               static_cast<int64_t>(it->file_size(fec))};
        found.push_back(std::move(u));
      }
      std::sort(found.begin(), found.end(),
                [](const Unit& a, const Unit& b) { return a.relative < b.relative; });
      for (Unit& u : found) units.push_back(std::move(u));
    } else {
      CheckReadableFile(inputs[i]);
      Unit u{input, path, "", EndsWithNoCase(inputs[i], ".zip"),
             static_cast<int64_t>(fs::file_size(path, ec))};
      units.push_back(std::move(u));
    }
  }
  return units;
}

std::string JoinDisplay(const std::string& input, const std::string& relative) {
  if (relative.empty() || relative.front() == ':') return input + relative;
  if (!input.empty() && (input.back() == '/' || input.back() == '\\')) return input + relative;
  return input + "/" + relative;
}

// Preference among copies of one key: authorised and protocolled first,
// then any other protocolled copy, then copies without protocol.
int CopyRank(const NfeNote& n) {
  if (n.status == NfeStatus::kAuthorised) return 0;
  return n.status == NfeStatus::kUnprotocolled ? 2 : 1;
}

bool SameContent(const NfeNote& a, const NfeNote& b) {
  return a.model == b.model && a.tp_nf == b.tp_nf && a.fin_nfe == b.fin_nfe &&
         a.series == b.series && a.number == b.number && a.emission == b.emission &&
         a.issuer == b.issuer && a.recipient == b.recipient && a.totals == b.totals &&
         a.items_total == b.items_total && a.cfops == b.cfops;
}

bool IsCancellation(const NfeEvent& e) { return e.type == 110111 || e.type == 110112; }

}  // namespace

int64_t NfeReadResult::Find(std::string_view key) const {
  auto it = std::lower_bound(notes.begin(), notes.end(), key,
                             [](const NfeNote& n, std::string_view k) { return n.Key() < k; });
  return it != notes.end() && it->Key() == key ? it - notes.begin() : -1;
}

namespace {

// A note's file name within its input, its key put back.
std::string RelativeName(const NfeReadResult& r, const NfeNote& note) {
  std::string rel(r.names.data() + note.file.offset, note.file.size);
  size_t mark = rel.find(kKeyMark);
  if (mark != std::string::npos) rel.replace(mark, 1, note.Key());
  return rel;
}

}  // namespace

std::string NfeReadResult::FileName(const NfeNote& note) const {
  std::string rel = RelativeName(*this, note);
  return note.file.input < inputs.size() ? JoinDisplay(inputs[note.file.input], rel) : rel;
}

NfeReadResult ReadNfeInputs(const std::vector<std::string>& inputs, const NfeReadOptions& options) {
  NfeReadResult result;
  result.inputs = inputs;
  const std::vector<Unit> units = ListUnits(inputs);
  int64_t total_bytes = 0;
  for (const Unit& u : units) total_bytes += u.size;

  unsigned threads = options.threads ? options.threads : std::thread::hardware_concurrency();
  threads =
      static_cast<unsigned>(std::clamp<size_t>(threads, 1, std::max<size_t>(1, units.size())));
  std::vector<ThreadResult> parts(threads);
  // Each thread's vectors are sized for every XML file, so that they never
  // double while read (a zip's notes are not known before it is read). The
  // pages a vector does not use are never touched: they cost address space,
  // not memory.
  size_t xml_files = 0;
  for (const Unit& u : units) xml_files += !u.zip;
  for (ThreadResult& p : parts) {
    p.notes.reserve(xml_files);
    p.order.reserve(xml_files);
  }
  std::atomic<size_t> next{0};
  std::atomic<int64_t> done_bytes{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable finished;
  size_t running = threads;
  size_t failed_unit = units.size();
  std::exception_ptr failure;

  auto work = [&](ThreadResult& out) {
    std::string buffer;
    while (!stop.load(std::memory_order_relaxed)) {
      if (options.cancel && options.cancel->load(std::memory_order_relaxed)) break;
      const size_t i = next.fetch_add(1);
      if (i >= units.size()) break;
      const Unit& u = units[i];
      try {
        const fs::path path = !u.path.empty() ? u.path
                              : u.relative.empty()
                                  ? PathFromUtf8(inputs[u.input])
                                  : PathFromUtf8(inputs[u.input]) / PathFromUtf8(u.relative);
        ReadUnit(u, path, i, JoinDisplay(inputs[u.input], u.relative), options.items,
                 options.cancel, stop, buffer, out);
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        if (i < failed_unit) {
          failed_unit = i;
          failure = std::current_exception();
        }
        stop = true;
      }
      done_bytes += u.size;
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    finished.notify_all();
  };
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work, std::ref(parts[t]));
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (running > 0) {
      finished.wait_for(lock, std::chrono::milliseconds(30));
      if (options.progress && running > 0) {
        lock.unlock();
        options.progress(done_bytes.load(), total_bytes);
        lock.lock();
      }
    }
  }
  for (std::thread& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
  if (options.cancel && options.cancel->load()) throw NfeCancelled();
  if (options.progress) options.progress(total_bytes, total_bytes);

  // Every copy in one vector, the names in one buffer. The part with the
  // most notes lends its vectors, so that the notes are not held twice while
  // they are joined.
  size_t total = 0, largest = 0;
  for (size_t t = 0; t < parts.size(); ++t) {
    total += parts[t].notes.size();
    if (parts[t].notes.size() > parts[largest].notes.size()) largest = t;
  }
  std::swap(parts[0], parts[largest]);
  std::vector<NfeNote>& copies = result.notes;
  std::vector<uint64_t> order;
  copies = std::move(parts[0].notes);
  order = std::move(parts[0].order);
  if (options.items) result.items = std::move(parts[0].items);
  parts[0].notes.clear();
  parts[0].order.clear();
  parts[0].items.clear();
  copies.reserve(total);
  order.reserve(total);
  if (options.items) result.items.reserve(total);
  std::vector<std::pair<uint64_t, NfeEvent>> events;
  std::vector<std::pair<uint64_t, NfeIgnored>> ignored;
  for (ThreadResult& p : parts) {
    const auto base = static_cast<uint32_t>(result.names.size());
    result.names += p.names;
    for (NfeNote& n : p.notes) {
      n.file.offset += base;
      copies.push_back(std::move(n));
    }
    order.insert(order.end(), p.order.begin(), p.order.end());
    for (auto& it : p.items) result.items.push_back(std::move(it));
    for (auto& e : p.events) events.push_back(std::move(e));
    for (auto& i : p.ignored) ignored.push_back(std::move(i));
    result.files += p.files;
    result.test_environment += p.test_environment;
    p = ThreadResult();
  }
  result.documents = static_cast<int64_t>(copies.size());
  result.events = static_cast<int64_t>(events.size());
  auto by_order = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::stable_sort(ignored.begin(), ignored.end(), by_order);
  std::stable_sort(events.begin(), events.end(), by_order);
  for (auto& i : ignored) result.ignored.push_back(std::move(i.second));

  // The copies ordered by key, the preferred copy first, then in file order.
  std::vector<uint32_t> perm(copies.size());
  for (size_t i = 0; i < perm.size(); ++i) perm[i] = static_cast<uint32_t>(i);
  std::sort(perm.begin(), perm.end(), [&](uint32_t a, uint32_t b) {
    const NfeNote &x = copies[a], &y = copies[b];
    if (int c = x.Key().compare(y.Key())) return c < 0;
    if (CopyRank(x) != CopyRank(y)) return CopyRank(x) < CopyRank(y);
    return order[a] < order[b];
  });
  order = {};
  // Put in that order in place (following each cycle of the permutation),
  // so that no second vector of notes is needed.
  for (size_t i = 0; i < perm.size(); ++i) {
    if (perm[i] == i) continue;
    NfeNote note = std::move(copies[i]);
    std::vector<NfeItem> note_items;
    if (options.items) note_items = std::move(result.items[i]);
    size_t j = i;
    while (true) {
      const size_t k = perm[j];
      perm[j] = static_cast<uint32_t>(j);
      if (k == i) {
        copies[j] = std::move(note);
        if (options.items) result.items[j] = std::move(note_items);
        break;
      }
      copies[j] = std::move(copies[k]);
      if (options.items) result.items[j] = std::move(result.items[k]);
      j = k;
    }
  }
  perm = {};
  // One note per key, kept in place: the preferred copy, cancelled when any
  // copy's protocol cancels it; copies that disagree are told.
  size_t kept = 0;
  for (size_t i = 0; i < copies.size();) {
    size_t j = i + 1;
    bool cancelled = false;
    for (; j < copies.size() && copies[j].Key() == copies[i].Key(); ++j) {
      const NfeNote& other = copies[j];
      if (other.status == NfeStatus::kCancelled) cancelled = true;
      if (!SameContent(copies[i], other))
        result.warnings.push_back(
            {std::string(copies[i].Key()),
             "cópias divergentes da mesma chave: " + result.FileName(copies[i]) + " e " +
                 result.FileName(other)});
    }
    if (cancelled) copies[i].status = NfeStatus::kCancelled;
    if (kept != i) {
      copies[kept] = std::move(copies[i]);
      if (options.items) result.items[kept] = std::move(result.items[i]);
    }
    ++kept;
    i = j;
  }
  copies.resize(kept);
  if (options.items) result.items.resize(kept);

  // The events, each on its own key.
  for (const auto& [where, e] : events) {
    if (!IsCancellation(e)) continue;
    const std::string what =
        "evento de cancelamento (" + std::to_string(e.type) + ") da chave " + std::string(e.Key());
    if (e.tp_amb == 2) {
      result.ignored.push_back({e.file, what + ": ambiente de homologação (tpAmb 2)"});
      continue;
    }
    if (e.cstat != 135 && e.cstat != 155) {
      result.ignored.push_back(
          {e.file, what + ": não registrado (cStat " + std::to_string(e.cstat) + ")"});
      continue;
    }
    int64_t k = result.Find(e.Key());
    if (k < 0) {
      result.ignored.push_back({e.file, what + ": a NF-e não está entre os arquivos lidos"});
      continue;
    }
    NfeNote& n = result.notes[static_cast<size_t>(k)];
    n.status = NfeStatus::kCancelled;
    n.cancelled_by_event = true;
  }
  return result;
}

std::string ReadNfeSource(const NfeReadResult& result, const NfeNote& note) {
  const NfeFileRef& ref = note.file;
  if (ref.input >= result.inputs.size()) throw FileError("Arquivo desconhecido");
  const std::string rel = RelativeName(result, note);
  const fs::path input = PathFromUtf8(result.inputs[ref.input]);
  std::string out;
  // A zip entry: "zip:entry", the zip relative to the input (or the input).
  size_t colon = std::string::npos;
  for (size_t i = 0; i < rel.size(); ++i)
    if (rel[i] == ':' && (EndsWithNoCase(std::string_view(rel).substr(0, i), ".zip") ||
                          (i == 0 && EndsWithNoCase(result.inputs[ref.input], ".zip")))) {
      colon = i;
      break;
    }
  if (colon == std::string::npos) {
    ReadWholeFile(rel.empty() ? input : input / PathFromUtf8(rel), out);
    return out;
  }
  const fs::path zip_path = colon == 0 ? input : input / PathFromUtf8(rel.substr(0, colon));
  const std::string entry_name = rel.substr(colon + 1);
  ZipReader zip(zip_path);
  archive_entry* entry = nullptr;
  while (zip.Next(entry))
    if (ZipReader::Name(entry) == entry_name) {
      zip.Read(out);
      return out;
    }
  throw FileError("Não foi possível encontrar " + entry_name + " em " + Utf8(zip_path));
}

}  // namespace fiscora
