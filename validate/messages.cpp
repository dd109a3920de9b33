// The records and messages of findings, built from their checks and values
// only when they are read.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "data/format.h"
#include "data/money.h"
#include "validate/finding.h"

namespace fiscora {

void Finding::SetRecord(std::string_view r) {
  if (r.size() <= record.size()) {
    record_size = static_cast<uint8_t>(r.size());
    std::copy(r.begin(), r.end(), record.begin());
  } else {
    record_size = kRecordInText;
    text.insert(0, std::string(r) + kRecordEnd);
  }
}

std::string_view FindingRecord(const Finding& f) {
  if (f.record_size != Finding::kRecordInText) return {f.record.data(), f.record_size};
  std::string_view t = f.text;
  return t.substr(0, t.find(Finding::kRecordEnd));
}

namespace {

// The text of the finding without a long record in front of it.
std::string_view Body(const Finding& f) {
  std::string_view t = f.text;
  if (f.record_size == Finding::kRecordInText) t.remove_prefix(t.find(Finding::kRecordEnd) + 1);
  return t;
}

// Part `index` of a text of parts joined by JoinParts.
std::string_view Part(std::string_view text, int index) {
  for (; index > 0; --index) {
    size_t end = text.find(kPartEnd);
    if (end == std::string_view::npos) return {};
    text.remove_prefix(end + 1);
  }
  return text.substr(0, text.find(kPartEnd));
}

std::string S(std::string_view s) { return std::string(s); }
std::string N(int64_t n) { return std::to_string(n); }

// 1234.5 as "1.234,50": money and rates with two decimals.
std::string Amount(int64_t raw) { return FormatPattern(Money::FromRaw(raw), "###,##0.00"); }

std::string Padded(int64_t n, size_t width) {
  std::string s = std::to_string(n);
  return s.size() < width ? std::string(width - s.size(), '0') + s : s;
}

// AAAAMMDD as dd/mm/aaaa.
std::string ShownDate(int64_t v) {
  return Padded(v % 100, 2) + "/" + Padded(v / 100 % 100, 2) + "/" + Padded(v / 10000, 4);
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string Period(const Finding& f) {
  return " fora do período do arquivo (" + ShownDate(f.values[1]) + " a " + ShownDate(f.values[2]) +
         ").";
}

// The field of the children that a register's field is summed from.
std::string_view ChildField(std::string_view field) {
  if (field == "VL_DOC") return "VL_OPR";
  if (field == "VL_MERC" || field == "VL_INV") return "VL_ITEM";
  return field;
}

const char* ChildOf(Check c) {
  switch (c) {
    case Check::kC100VsC190:
      return "C190";
    case Check::kC500VsC590:
      return "C590";
    case Check::kD100VsD190:
      return "D190";
    case Check::kH005VsH010:
      return "H010";
    default:
      return "C170";
  }
}

// "CST 000, CFOP 5102 e alíquota 18,00" of values[2].
std::string Group(const Finding& f) {
  const int64_t group = f.values[2] >> 32, rate = f.values[2] & 0xFFFFFFFF;
  return "CST " + Padded(group / 10000, 3) + ", CFOP " + Padded(group % 10000, 4) + " e alíquota " +
         Amount(rate);
}

std::string Uf(std::string_view uf) {
  return uf == "EX" ? std::string("do exterior (EX)") : "de " + std::string(uf);
}

std::string CfopUf(const Finding& f) {
  const std::string cfop = "CFOP " + Padded(f.values[0], 4);
  const std::string_view party = Part(f.text, 0), own = Part(f.text, 1);
  switch (f.values[0] / 1000) {
    case 1:
    case 5:
      return cfop + " é de operação dentro do estado, mas o participante é " + Uf(party) +
             " e o estabelecimento de " + S(own) + ".";
    case 2:
    case 6:
      return cfop + " é de operação com outro estado, mas o participante é " + Uf(party) +
             (party == own ? ", o estado do estabelecimento." : ".");
    default:
      return cfop + " é de operação com o exterior, mas o participante é " + Uf(party) +
             " (o do exterior tem UF EX).";
  }
}

// "1, 2 ou 3" of "123".
std::string Allowed(std::string_view codes) {
  std::string out;
  for (char a : codes) {
    if (!out.empty()) out += a == codes.back() ? " ou " : ", ";
    out += a;
  }
  return out;
}

std::string E110Formula(const Finding& f, const std::string& head) {
  const std::string_view field = f.field;
  const char* formula =
      field == "VL_SLD_APURADO"
          ? "do saldo devedor dos campos 02 a 10 (débitos e seus ajustes menos créditos, seus "
            "ajustes e o saldo credor anterior; zero quando negativo)"
      : field == "VL_ICMS_RECOLHER"
          ? "de VL_SLD_APURADO menos VL_TOT_DED (zero quando negativo)"
          : "do saldo credor dos campos 02 a 10 mais o que VL_TOT_DED excede VL_SLD_APURADO";
  return head + " difere " + formula + ": " + Amount(f.values[1]) + ".";
}

const char* kMissingRecord[] = {"Falta o registro 10 (mestre do estabelecimento).",
                                "Falta o registro 11 (dados complementares).",
                                "Falta o registro 90 (totalização do arquivo)."};

}  // namespace

// The messages of the faults of single fields, the most frequent in a file
// full of them, appended with no string of their own; the others are built
// by FindingMessage.
void AppendFindingMessage(std::string& out, const Finding& f) {
  const std::string_view text = Body(f);
  const auto quoted = [&](std::string_view head, std::string_view tail) {
    out += head;
    out += '\'';
    out += text;
    out += '\'';
    out += tail;
  };
  switch (f.check) {
    case Check::kLineLength: {
      char digits[24];
      const auto end = std::to_chars(digits, digits + sizeof digits, f.values[0]).ptr;
      out += "Linha com ";
      out.append(digits, end);
      out += " caracteres; todo registro tem 126.";
      return;
    }
    case Check::kNotDigits:
      return quoted("Campo numérico com caracteres que não são algarismos: ", ".");
    case Check::kDate:
      return quoted("Data inválida: ", " (AAAAMMDD).");
    case Check::kMonth:
      return quoted("Mês e ano inválidos: ", " (MMAAAA).");
    case Check::kCfopInvalid:
      return quoted("CFOP inválido: ", ".");
    case Check::kCnpjNotDigits:
      return quoted("CNPJ com caracteres que não são algarismos: ", ".");
    case Check::kIeNotDigits:
      return quoted("Inscrição estadual com caracteres que não são algarismos: ", ".");
    case Check::kNotANumber:
      out += "Campo ";
      out += f.field;
      return quoted(" não é um número: ", ".");
    default:
      out += FindingMessage(f);
  }
}

namespace {

std::string Appended(const Finding& f) {
  std::string out;
  AppendFindingMessage(out, f);
  return out;
}

}  // namespace

std::string FindingMessage(const Finding& f) {
  const std::string_view text = Body(f), record = FindingRecord(f);
  const int64_t v0 = f.values[0], v1 = f.values[1], v2 = f.values[2];
  const auto block = [](int64_t letter) { return std::string(1, static_cast<char>(letter)); };
  switch (f.check) {
    case Check::kText:
      return S(text);

    // ---- EFD: the structure
    case Check::kEmptyLine:
      return "Linha vazia.";
    case Check::kLineFrame:
      return "Linha fora do formato |REG|campo|...|: deve começar e terminar com \"|\".";
    case Check::kRegisterCode:
      return "Código de registro inválido: " + Quoted(text) + ".";
    case Check::kFirstLineNot0000:
      return "O arquivo deve começar pelo registro 0000.";
    case Check::k0000NotFirst:
      return "Registro 0000 fora da primeira linha.";
    case Check::kEmptyFile:
      return "Arquivo vazio.";
    case Check::kMissing9999:
      return "Falta o registro 9999 (encerramento do arquivo).";
    case Check::kTotal9999:
      return "O registro 9999 declara " + N(v0) + " linhas; o arquivo tem " + N(v1) + ".";
    case Check::kCountNotNumber:
      return "Quantidade de linhas não numérica: " + Quoted(text) + ".";
    case Check::kUnknownBlock:
      return "Registro de bloco desconhecido: " + Quoted(text) + ".";
    case Check::kBlockAgain:
      return "O bloco " + block(v0) + " aparece de novo depois de outro bloco.";
    case Check::kBlockOrder:
      return "Bloco " + block(v0) + " fora de ordem: vem depois do bloco " + block(v1) + ".";
    case Check::kBlockNotOpened:
      return "O bloco " + block(v0) + " não foi aberto: falta o registro " + block(v0) +
             "001 antes deste.";
    case Check::kAfterBlockClosing:
      return "Registro depois do encerramento do bloco " + block(v0) + " (" + block(v0) + "990).";
    case Check::kBlockNotClosed:
      return "O bloco " + S(record.substr(0, 1)) + " não foi encerrado: falta o registro " +
             S(record) + ".";
    case Check::kBlockCount:
      return "O registro " + S(record) + " declara " + N(v0) + " linhas no bloco " +
             S(record.substr(0, 1)) + "; o bloco tem " + N(v1) + ".";
    case Check::k0000Fields:
      return "O registro 0000 tem " + N(v0) + " campos; o leiaute da " +
             (v2 ? "EFD-Contribuições" : "EFD ICMS/IPI") + " tem " + N(v1) + ".";
    case Check::kStartDate:
      return "Data inicial inválida: " + Quoted(text) + " (DDMMAAAA).";
    case Check::kEndDate:
      return "Data final inválida: " + Quoted(text) + " (DDMMAAAA).";
    case Check::kPeriodInverted:
      return "Período invertido: a data inicial é posterior à final.";
    case Check::kPeriodOverMonth:
      return "O período da escrituração passa de um mês: " + Padded(v0, 8) + " a " + Padded(v1, 8) +
             ".";
    case Check::kNoCnpjNorCpf:
      return "O registro 0000 não traz CNPJ nem CPF.";
    case Check::kNoCnpj:
      return "O registro 0000 não traz o CNPJ.";
    case Check::kCnpjCheckDigit:
      return "CNPJ com dígito verificador inválido: " + S(text) + ".";
    case Check::kCnpjMalformed:
      return "CNPJ mal formado (14 caracteres: 12 algarismos ou letras maiúsculas e 2 dígitos "
             "verificadores): " +
             Quoted(text) + ".";
    case Check::kCpfCheckDigit:
      return "CPF com dígito verificador inválido: " + S(text) + ".";
    case Check::kCpfMalformed:
      return "CPF mal formado (11 algarismos): " + Quoted(text) + ".";
    case Check::kRegisterTwiceIn9900:
      return "Registro " + S(text) + " totalizado duas vezes no bloco 9.";
    case Check::k9900Count:
      return "O registro 9900 declara " + N(v0) + " registro(s) " + S(text) + "; o arquivo tem " +
             N(v1) + ".";
    case Check::kWithout9900:
      return "O registro " + S(text) + " aparece " + N(v0) + " vez(es) e não tem registro 9900.";
    case Check::kNotANumber:
      return Appended(f);
    case Check::kFieldCount:
      return "O registro " + S(record) + " tem " + N(v0) + " campos; o leiaute tem ao menos " +
             N(v1) + ".";

    // ---- SINTEGRA: the structure
    case Check::kSignature:
      return "Linha de assinatura digital (EAD) após o registro 90: não é um registro do "
             "SINTEGRA e não foi conferida.";
    case Check::kLineLength:
      return Appended(f);
    case Check::kUnknownType:
      return text.empty() ? "Linha vazia." : "Tipo de registro desconhecido: " + Quoted(text) + ".";
    case Check::kRecordOrder:
      return "Registro " + S(record) + " fora de ordem: vem depois do registro " + S(text) +
             " (a ordem é 10, 11, os demais em ordem crescente e o 90 por último).";
    case Check::kRecordTwice:
      return "Registro " + S(record) + " repetido: o arquivo deve ter um só.";
    case Check::kBlankNumber:
      return "Campo numérico em branco: o leiaute pede zeros quando não há valor.";
    case Check::kNotDigits:
      return Appended(f);
    case Check::kDate:
      return Appended(f);
    case Check::kDateOutsidePeriod:
      return "Data " + ShownDate(v0) + Period(f);
    case Check::kMonth:
      return Appended(f);
    case Check::kMonthOutsidePeriod:
      return "Mês " + S(text.substr(0, 2)) + "/" + S(text.substr(2)) + Period(f);
    case Check::kCfopInvalid:
      return Appended(f);
    case Check::kCnpjNotDigits:
      return Appended(f);
    case Check::kIeBlank:
      return "Inscrição estadual em branco (use ISENTO quando não houver).";
    case Check::kIeNotDigits:
      return Appended(f);
    case Check::kIeInvalid:
      return "Inscrição estadual inválida para " + S(Part(text, 0)) +
             " (tamanho ou dígito verificador): " + S(Part(text, 1)) + ".";
    case Check::kCode:
      return "Código de " + S(f.field) + " inválido: " + Quoted(Part(text, 0)) + " (esperado " +
             Allowed(Part(text, 1)) + ").";
    case Check::kPeriodInverted10:
      return "Período invertido: a data inicial " + ShownDate(v0) + " é posterior à final " +
             ShownDate(v1) + ".";
    case Check::kCrzJump:
      return "Salto no contador de reduções Z do equipamento " + S(text) + ": de " + N(v0) +
             " para " + N(v1) + ".";
    case Check::kRecord90Differs:
      return "CNPJ e inscrição estadual do registro 90 diferem dos do registro 10.";
    case Check::k90Unreadable:
      return "Totalização ilegível no registro 90: " + Quoted(text) + ".";
    case Check::k90Column126:
      return "A coluna 126 do registro 90 diz " + Quoted(text) + "; o arquivo tem " + N(v0) +
             " registro(s) 90.";
    case Check::kNoTotal99:
      return "O registro 90 não traz o total geral (tipo 99).";
    case Check::kTotal99:
      return "Total geral (99) declarado " + N(v0) + "; o arquivo tem " + N(v1) + " linhas.";
    case Check::k90TypeCount:
      return "O registro 90 declara " + N(v0) + " registro(s) do tipo " + Padded(v1, 2) +
             "; o arquivo tem " + N(v2) + ".";
    case Check::kRepeated50:
      return "Registro 50 repetido: mesma nota (emitente, modelo, série e número), CFOP e "
             "alíquota da linha " +
             N(v0) + ".";
    case Check::kNumberingGap: {
      const std::string series(Part(text, 1));
      return "Lacuna na numeração das notas próprias do modelo " + S(Part(text, 0)) + ", série " +
             (series.empty() ? "única" : series) + ": " +
             (v0 == v1 ? "falta o número " + N(v0) : "faltam os números " + N(v0) + " a " + N(v1)) +
             ".";
    }
    case Check::kMissingRecord:
      return kMissingRecord[record == "10" ? 0 : record == "11" ? 1 : 2];

    // ---- EFD: the content
    case Check::kC100VsC190:
    case Check::kC100VsC170:
    case Check::kC500VsC590:
    case Check::kD100VsD190:
    case Check::kH005VsH010:
      return S(record) + " " + f.field + " " + Amount(v0) + " difere da soma dos " +
             ChildOf(f.check) + " " + S(ChildField(f.field)) + " " + Amount(v1) + " (diferença " +
             Amount(v0 - v1) + ").";
    case Check::kC190VsC170:
      return S(record) + " " + f.field + " " + Amount(v0) + " difere da soma dos C170 " + f.field +
             " " + Amount(v1) + " de " + Group(f) + " (diferença " + Amount(v0 - v1) + ").";
    case Check::kC170WithoutC190:
      return "Os C170 de " + Group(f) + " não têm o C190 que os totaliza (VL_ITEM somado " +
             Amount(v0) + ").";
    case Check::kH010Product:
      return S(record) + " " + f.field + " " + Amount(v0) + " difere de QTD × VL_UNIT (" +
             S(Part(text, 0)) + " × " + S(Part(text, 1)) + " = " + Amount(v1) +
             ") em mais de um centavo.";
    case Check::kE110Formula:
      return E110Formula(f, S(record) + " " + f.field + " " + Amount(v0));
    case Check::kE110Totals:
      return S(record) + " " + f.field + " " + Amount(v0) + " difere da soma do VL_ICMS " +
             (std::string_view(f.field) == "VL_TOT_DEBITOS"
                  ? "das saídas nos registros analíticos (C190, C320, C390, C490, C590, C690, "
                    "C790, C850, C890, D190, D300, D390, D410, D590, D690, D696): "
                  : "das entradas nos registros analíticos (C190, C590, D190, D590): ") +
             Amount(v1) + " (diferença " + Amount(v0 - v1) + ").";
    case Check::kKeyMalformed:
      return "Chave de acesso mal formada (44 algarismos; o CNPJ nela pode ser alfanumérico): " +
             Quoted(text) + ".";
    case Check::kKeyCheckDigit:
      return "Chave de acesso com dígito verificador inválido: " + S(text) + ".";
    case Check::kKeyDisagrees: {
      const std::string_view key = Part(text, 0);
      return "A chave de acesso traz modelo " + S(key.substr(20, 2)) + ", série " +
             S(key.substr(22, 3)) + " e número " + S(key.substr(25, 9)) + "; o C100 traz modelo " +
             S(Part(text, 1)) + ", série " + S(Part(text, 2)) + " e número " + S(Part(text, 3)) +
             ".";
    }
    case Check::kKeyCnpj:
      return "Nota própria (IND_EMIT 0) com chave de acesso do CNPJ " + S(Part(text, 0)) +
             "; o do estabelecimento é " + S(Part(text, 1)) + ".";
    case Check::kKeyUf:
      return "Nota própria (IND_EMIT 0) com chave de acesso da UF de código " + Padded(v0, 2) +
             "; o estabelecimento é de " + S(text) + " (código " + Padded(v1, 2) + ").";
    case Check::kKeyRepeated:
      return "Chave de acesso repetida: já está no C100 da linha " + N(v0) + ".";

    // ---- SINTEGRA: the rules of the state validators
    case Check::kCfopUf:
      return CfopUf(f);
    case Check::kCfopDirection:
      return "Nota de terceiros (emitente T) com CFOP de saída " + Padded(v0, 4) +
             ": a nota recebida de terceiros é uma entrada (CFOP iniciado por 1, 2 ou 3).";
    case Check::kCancelledWithAmounts:
      return "Nota cancelada (situação " + S(Part(text, 0)) + ") com " + S(Part(text, 1)) + " " +
             Amount(v0) + ": a nota cancelada vai com os valores zerados.";
    case Check::kItemWithoutCode:
      return "Item " + Padded(v0, 3) +
             " sem código do produto: só os itens 991 a 999 (frete, seguro e outras despesas) vão "
             "sem ele.";
    case Check::kItemWithoutCst:
      return "Item " + Padded(v0, 3) +
             " sem CST: só os itens 991 a 999 (frete, seguro e outras despesas) vão sem ele.";
  }
  return S(text);
}

}  // namespace fiscora
