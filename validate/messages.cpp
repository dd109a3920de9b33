// The messages of the rules, built from a finding's values.
#include <string>
#include <string_view>

#include "data/format.h"
#include "data/money.h"
#include "validate/finding.h"

namespace fiscora {

namespace {

// 1234.5 as "1.234,50": money and rates with two decimals.
std::string Amount(int64_t raw) { return FormatPattern(Money::FromRaw(raw), "###,##0.00"); }

std::string Padded(int64_t n, size_t width) {
  std::string s = std::to_string(n);
  return s.size() < width ? std::string(width - s.size(), '0') + s : s;
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
    case Check::kC100VsC170:
    case Check::kC190VsC170:
      return "C170";
    case Check::kC500VsC590:
      return "C590";
    case Check::kD100VsD190:
      return "D190";
    case Check::kH005VsH010:
      return "H010";
    default:
      return "";
  }
}

// "CST 000, CFOP 5102 e alíquota 18,00" of values[2] and values[3].
std::string Group(const Finding& f) {
  return "CST " + Padded(f.values[2] / 10000, 3) + ", CFOP " + Padded(f.values[2] % 10000, 4) +
         " e alíquota " + Amount(f.values[3]);
}

// The parts of a text joined by "|".
std::string_view Part(std::string_view text, int index) {
  for (; index > 0; --index) {
    size_t bar = text.find('|');
    if (bar == std::string_view::npos) return {};
    text.remove_prefix(bar + 1);
  }
  return text.substr(0, text.find('|'));
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
             " e o estabelecimento de " + std::string(own) + ".";
    case 2:
    case 6:
      return cfop + " é de operação com outro estado, mas o participante é " + Uf(party) +
             (party == own ? ", o estado do estabelecimento." : ".");
    default:
      return cfop + " é de operação com o exterior, mas o participante é " + Uf(party) +
             " (o do exterior tem UF EX).";
  }
}

}  // namespace

std::string CheckMessage(const Finding& f) {
  const std::string head = f.record + " " + f.field + " " + Amount(f.values[0]);
  switch (f.check) {
    case Check::kText:
      return f.message;
    case Check::kC100VsC190:
    case Check::kC100VsC170:
    case Check::kC500VsC590:
    case Check::kD100VsD190:
    case Check::kH005VsH010:
      return head + " difere da soma dos " + ChildOf(f.check) + " " +
             std::string(ChildField(f.field)) + " " + Amount(f.values[1]) + " (diferença " +
             Amount(f.values[0] - f.values[1]) + ").";
    case Check::kC190VsC170:
      return head + " difere da soma dos C170 " + f.field + " " + Amount(f.values[1]) + " de " +
             Group(f) + " (diferença " + Amount(f.values[0] - f.values[1]) + ").";
    case Check::kC170WithoutC190:
      return "Os C170 de " + Group(f) + " não têm o C190 que os totaliza (VL_ITEM somado " +
             Amount(f.values[0]) + ").";
    case Check::kH010Product:
      return head + " difere de QTD × VL_UNIT (" + std::string(Part(f.text, 0)) + " × " +
             std::string(Part(f.text, 1)) + " = " + Amount(f.values[1]) +
             ") em mais de um centavo.";
    case Check::kE110Formula: {
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
    case Check::kE110Totals:
      return head + " difere da soma do VL_ICMS " +
             (std::string_view(f.field) == "VL_TOT_DEBITOS"
                  ? "das saídas nos registros analíticos (C190, C320, C390, C490, C590, C690, "
                    "C790, C850, C890, D190, D300, D390, D410, D590, D690, D696): "
                  : "das entradas nos registros analíticos (C190, C590, D190, D590): ") +
             Amount(f.values[1]) + " (diferença " + Amount(f.values[0] - f.values[1]) + ").";
    case Check::kKeyMalformed:
      return "Chave de acesso mal formada (44 algarismos; o CNPJ nela pode ser alfanumérico): '" +
             f.text + "'.";
    case Check::kKeyCheckDigit:
      return "Chave de acesso com dígito verificador inválido: " + f.text + ".";
    case Check::kKeyDisagrees: {
      const std::string_view key = Part(f.text, 0);
      return "A chave de acesso traz modelo " + std::string(key.substr(20, 2)) + ", série " +
             std::string(key.substr(22, 3)) + " e número " + std::string(key.substr(25, 9)) +
             "; o C100 traz modelo " + std::string(Part(f.text, 1)) + ", série " +
             std::string(Part(f.text, 2)) + " e número " + std::string(Part(f.text, 3)) + ".";
    }
    case Check::kKeyCnpj:
      return "Nota própria (IND_EMIT 0) com chave de acesso do CNPJ " +
             std::string(Part(f.text, 0)) + "; o do estabelecimento é " +
             std::string(Part(f.text, 1)) + ".";
    case Check::kKeyUf:
      return "Nota própria (IND_EMIT 0) com chave de acesso da UF de código " +
             Padded(f.values[0], 2) + "; o estabelecimento é de " + f.text + " (código " +
             Padded(f.values[1], 2) + ").";
    case Check::kKeyRepeated:
      return "Chave de acesso repetida: já está no C100 da linha " + std::to_string(f.values[0]) +
             ".";
    case Check::kCfopUf:
      return CfopUf(f);
    case Check::kCfopDirection:
      return "Nota de terceiros (emitente T) com CFOP de saída " + Padded(f.values[0], 4) +
             ": a nota recebida de terceiros é uma entrada (CFOP iniciado por 1, 2 ou 3).";
    case Check::kCancelledWithAmounts:
      return "Nota cancelada (situação " + std::string(Part(f.text, 0)) + ") com " +
             std::string(Part(f.text, 1)) + " " + Amount(f.values[0]) +
             ": a nota cancelada vai com os valores zerados.";
    case Check::kItemWithoutCode:
      return "Item " + Padded(f.values[0], 3) +
             " sem código do produto: só os itens 991 a 999 (frete, seguro e outras despesas) vão "
             "sem ele.";
    case Check::kItemWithoutCst:
      return "Item " + Padded(f.values[0], 3) +
             " sem CST: só os itens 991 a 999 (frete, seguro e outras despesas) vão sem ele.";
  }
  return f.message;
}

}  // namespace fiscora
