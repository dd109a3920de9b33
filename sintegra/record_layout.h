// The SINTEGRA record layouts: every field of each record type the system
// reads or writes, as one table per record, columns 1 to 126.
//
// A FieldSpec is {first column, width, decimals, name}:
//   - columns are 1-based character positions in the line;
//   - width counts every character of the field. For a number N i.d (i
//     whole digits, d decimals, no separator) the width is i + d: N 11.2 is
//     {.., 13, 2, ..}, and the whole digits are width - decimals. A whole
//     number N i has width i and no decimals; texts and dates have none;
//   - name is the field as conversion errors name it.
// Readers take fields through RecordLine's accessors that take a FieldSpec,
// writers (the test-file generator, the test fixtures) write through the same
// specs, so no column number is written at a call site.
//
// Each record's kFields lists its fields in column order; together they cover
// columns 1 to 126 once each (a test checks it). Record 90 has a variable
// part: its first total group sits at kTipoTotalizado/kTotalRegistros and
// the next ones kGroupWidth columns further each (see FieldSpec::Shifted).
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace fiscora {

struct FieldSpec {
  int first;     // first column, 1-based
  int width;     // characters, decimals included
  int decimals;  // of an N i.d number; 0 otherwise
  std::string_view name;

  constexpr int last() const { return first + width - 1; }
  constexpr int whole() const { return width - decimals; }
  // Part of the field: width characters from offset (0-based) within it.
  constexpr FieldSpec Part(int offset, int part_width) const {
    return {first + offset, part_width, 0, name};
  }
  // The first n characters of the field.
  constexpr FieldSpec Head(int n) const { return Part(0, n); }
  // The same field `columns` further along the line (repeated groups).
  constexpr FieldSpec Shifted(int columns) const {
    return {first + columns, width, decimals, name};
  }
};

// Record 10: master record of the file.
namespace rec10 {
inline constexpr FieldSpec kTipo{1, 2, 0, "tipo"};
inline constexpr FieldSpec kCnpj{3, 14, 0, "CNPJ"};
inline constexpr FieldSpec kIe{17, 14, 0, "inscrição estadual"};
inline constexpr FieldSpec kRazaoSocial{31, 35, 0, "razão social"};
inline constexpr FieldSpec kMunicipio{66, 30, 0, "município"};
inline constexpr FieldSpec kUf{96, 2, 0, "UF"};
inline constexpr FieldSpec kFax{98, 10, 0, "fax"};
inline constexpr FieldSpec kDataInicial{108, 8, 0, "data inicial"};
inline constexpr FieldSpec kDataFinal{116, 8, 0, "data final"};
inline constexpr FieldSpec kConvenio{124, 1, 0, "código do convênio"};
inline constexpr FieldSpec kNatureza{125, 1, 0, "natureza das operações"};
inline constexpr FieldSpec kFinalidade{126, 1, 0, "finalidade do arquivo"};
inline constexpr FieldSpec kFields[] = {kTipo,      kCnpj,     kIe,       kRazaoSocial,
                                        kMunicipio, kUf,       kFax,      kDataInicial,
                                        kDataFinal, kConvenio, kNatureza, kFinalidade};
}  // namespace rec10

// Record 11: the taxpayer's address and contact.
namespace rec11 {
inline constexpr FieldSpec kTipo{1, 2, 0, "tipo"};
inline constexpr FieldSpec kLogradouro{3, 34, 0, "logradouro"};
inline constexpr FieldSpec kNumero{37, 5, 0, "número"};
inline constexpr FieldSpec kComplemento{42, 22, 0, "complemento"};
inline constexpr FieldSpec kBairro{64, 15, 0, "bairro"};
inline constexpr FieldSpec kCep{79, 8, 0, "CEP"};
inline constexpr FieldSpec kContato{87, 28, 0, "contato"};
inline constexpr FieldSpec kTelefone{115, 12, 0, "telefone"};
inline constexpr FieldSpec kFields[] = {kTipo,   kLogradouro, kNumero,  kComplemento,
                                        kBairro, kCep,        kContato, kTelefone};
}  // namespace rec11

// The first fields of the note records (50, 70): the other party, the date
// of issue and the document model.
namespace note_head {
inline constexpr FieldSpec kTipo{1, 2, 0, "tipo"};
inline constexpr FieldSpec kCnpj{3, 14, 0, "CNPJ"};
inline constexpr FieldSpec kIe{17, 14, 0, "inscrição estadual"};
inline constexpr FieldSpec kData{31, 8, 0, "data de emissão"};
inline constexpr FieldSpec kUf{39, 2, 0, "UF"};
inline constexpr FieldSpec kModelo{41, 2, 0, "modelo"};
}  // namespace note_head

// Record 50: one line per note and tax rate.
namespace rec50 {
using namespace note_head;
inline constexpr FieldSpec kSerie{43, 3, 0, "série"};
inline constexpr FieldSpec kNumero{46, 6, 0, "número da nota"};
inline constexpr FieldSpec kCfop{52, 4, 0, "CFOP"};
inline constexpr FieldSpec kEmitente{56, 1, 0, "emitente"};
inline constexpr FieldSpec kValorTotal{57, 13, 2, "valor total"};
inline constexpr FieldSpec kBaseCalculo{70, 13, 2, "base de cálculo"};
inline constexpr FieldSpec kValorIcms{83, 13, 2, "valor do ICMS"};
inline constexpr FieldSpec kIsenta{96, 13, 2, "isenta ou não tributada"};
inline constexpr FieldSpec kOutras{109, 13, 2, "outras"};
inline constexpr FieldSpec kAliquota{122, 4, 0, "alíquota"};
inline constexpr FieldSpec kSituacao{126, 1, 0, "situação"};
inline constexpr FieldSpec kFields[] = {
    kTipo,     kCnpj,       kIe,          kData,      kUf,     kModelo, kSerie,    kNumero,  kCfop,
    kEmitente, kValorTotal, kBaseCalculo, kValorIcms, kIsenta, kOutras, kAliquota, kSituacao};
}  // namespace rec50

// Record 54: one line per note item.
namespace rec54 {
inline constexpr FieldSpec kTipo{1, 2, 0, "tipo"};
inline constexpr FieldSpec kCnpj{3, 14, 0, "CNPJ"};
inline constexpr FieldSpec kModelo{17, 2, 0, "modelo"};
inline constexpr FieldSpec kSerie{19, 3, 0, "série"};
inline constexpr FieldSpec kNumero{22, 6, 0, "número da nota"};
inline constexpr FieldSpec kCfop{28, 4, 0, "CFOP"};
inline constexpr FieldSpec kCst{32, 3, 0, "CST"};
inline constexpr FieldSpec kItem{35, 3, 0, "número do item"};
inline constexpr FieldSpec kCodigo{38, 14, 0, "código do produto"};
inline constexpr FieldSpec kQuantidade{52, 11, 3, "quantidade"};
inline constexpr FieldSpec kValor{63, 12, 2, "valor do item"};
inline constexpr FieldSpec kDesconto{75, 12, 2, "desconto"};
inline constexpr FieldSpec kBaseCalculo{87, 12, 2, "base de cálculo"};
inline constexpr FieldSpec kBaseSt{99, 12, 2, "base de cálculo do ICMS ST"};
inline constexpr FieldSpec kValorIpi{111, 12, 2, "valor do IPI"};
inline constexpr FieldSpec kAliquota{123, 4, 0, "alíquota"};
inline constexpr FieldSpec kFields[] = {
    kTipo,   kCnpj,       kModelo, kSerie,    kNumero,      kCfop,   kCst,      kItem,
    kCodigo, kQuantidade, kValor,  kDesconto, kBaseCalculo, kBaseSt, kValorIpi, kAliquota};
}  // namespace rec54

// The first fields of the fiscal-printer records (60M, 60A, 60D, 60I): the
// type with its sub-type, the day and the printer.
namespace printer_head {
inline constexpr FieldSpec kTipo{1, 3, 0, "tipo"};
inline constexpr FieldSpec kData{4, 8, 0, "data"};
inline constexpr FieldSpec kNumeroSerie{12, 20, 0, "número de série"};
}  // namespace printer_head

// Record 60M: a fiscal printer's day.
namespace rec60m {
using namespace printer_head;
inline constexpr FieldSpec kNumeroOrdem{32, 3, 0, "número de ordem"};
inline constexpr FieldSpec kModelo{35, 2, 0, "modelo"};
inline constexpr FieldSpec kCooInicial{37, 6, 0, "contador de ordem inicial"};
inline constexpr FieldSpec kCooFinal{43, 6, 0, "contador de ordem final"};
inline constexpr FieldSpec kCrz{49, 6, 0, "contador de reduções Z"};
inline constexpr FieldSpec kCro{55, 3, 0, "contador de reinícios"};
inline constexpr FieldSpec kVendaBruta{58, 16, 2, "venda bruta"};
inline constexpr FieldSpec kTotalGeral{74, 16, 2, "totalizador geral"};
inline constexpr FieldSpec kBrancos{90, 37, 0, "brancos"};
inline constexpr FieldSpec kFields[] = {kTipo,   kData,       kNumeroSerie, kNumeroOrdem,
                                        kModelo, kCooInicial, kCooFinal,    kCrz,
                                        kCro,    kVendaBruta, kTotalGeral,  kBrancos};
}  // namespace rec60m

// Record 60A: a printer's day total by rate or situation.
namespace rec60a {
using namespace printer_head;
inline constexpr FieldSpec kAliquota{32, 4, 0, "alíquota"};
inline constexpr FieldSpec kValor{36, 12, 2, "valor"};
inline constexpr FieldSpec kBrancos{48, 79, 0, "brancos"};
inline constexpr FieldSpec kFields[] = {kTipo, kData, kNumeroSerie, kAliquota, kValor, kBrancos};
}  // namespace rec60a

// Record 60D: a printer's day total by product.
namespace rec60d {
using namespace printer_head;
inline constexpr FieldSpec kCodigo{32, 14, 0, "código do produto"};
inline constexpr FieldSpec kQuantidade{46, 13, 3, "quantidade"};
inline constexpr FieldSpec kValor{59, 16, 2, "valor"};
inline constexpr FieldSpec kBaseCalculo{75, 16, 2, "base de cálculo"};
inline constexpr FieldSpec kAliquota{91, 4, 0, "alíquota"};
inline constexpr FieldSpec kValorIcms{95, 13, 2, "valor do ICMS"};
inline constexpr FieldSpec kBrancos{108, 19, 0, "brancos"};
inline constexpr FieldSpec kFields[] = {kTipo,  kData,        kNumeroSerie, kCodigo,    kQuantidade,
                                        kValor, kBaseCalculo, kAliquota,    kValorIcms, kBrancos};
}  // namespace rec60d

// Record 60I: an item of a fiscal coupon.
namespace rec60i {
using namespace printer_head;
inline constexpr FieldSpec kModelo{32, 2, 0, "modelo"};
inline constexpr FieldSpec kCoo{34, 6, 0, "número do cupom"};
inline constexpr FieldSpec kItem{40, 3, 0, "número do item"};
inline constexpr FieldSpec kCodigo{43, 14, 0, "código do produto"};
inline constexpr FieldSpec kQuantidade{57, 13, 3, "quantidade"};
inline constexpr FieldSpec kValorUnitario{70, 13, 2, "valor unitário"};
inline constexpr FieldSpec kBaseCalculo{83, 12, 2, "base de cálculo"};
inline constexpr FieldSpec kAliquota{95, 4, 0, "alíquota"};
inline constexpr FieldSpec kValorIcms{99, 12, 2, "valor do ICMS"};
inline constexpr FieldSpec kBrancos{111, 16, 0, "brancos"};
inline constexpr FieldSpec kFields[] = {
    kTipo,       kData,          kNumeroSerie, kModelo,   kCoo,       kItem,   kCodigo,
    kQuantidade, kValorUnitario, kBaseCalculo, kAliquota, kValorIcms, kBrancos};
}  // namespace rec60i

// Record 60R: a product's month total by rate.
namespace rec60r {
inline constexpr FieldSpec kTipo{1, 3, 0, "tipo"};
inline constexpr FieldSpec kMesAno{4, 6, 0, "mês e ano"};
inline constexpr FieldSpec kCodigo{10, 14, 0, "código do produto"};
inline constexpr FieldSpec kQuantidade{24, 13, 3, "quantidade"};
inline constexpr FieldSpec kValor{37, 16, 2, "valor"};
inline constexpr FieldSpec kBaseCalculo{53, 16, 2, "base de cálculo"};
inline constexpr FieldSpec kAliquota{69, 4, 0, "alíquota"};
inline constexpr FieldSpec kBrancos{73, 54, 0, "brancos"};
inline constexpr FieldSpec kFields[] = {kTipo,  kMesAno,      kCodigo,   kQuantidade,
                                        kValor, kBaseCalculo, kAliquota, kBrancos};
}  // namespace rec60r

// Record 61R: a product's month total sold on series D notes, in the same
// fields as record 60R.
namespace rec61r {
using namespace rec60r;
}  // namespace rec61r

// Record 70: a transport document.
namespace rec70 {
using namespace note_head;
inline constexpr FieldSpec kSerie{43, 1, 0, "série"};
inline constexpr FieldSpec kSubserie{44, 2, 0, "subsérie"};
inline constexpr FieldSpec kNumero{46, 6, 0, "número do conhecimento"};
inline constexpr FieldSpec kCfop{52, 4, 0, "CFOP"};
inline constexpr FieldSpec kValorTotal{56, 13, 2, "valor total"};
inline constexpr FieldSpec kBaseCalculo{69, 14, 2, "base de cálculo"};
inline constexpr FieldSpec kValorIcms{83, 14, 2, "valor do ICMS"};
inline constexpr FieldSpec kIsenta{97, 14, 2, "isenta ou não tributada"};
inline constexpr FieldSpec kOutras{111, 14, 2, "outras"};
inline constexpr FieldSpec kModalidade{125, 1, 0, "modalidade do frete"};
inline constexpr FieldSpec kSituacao{126, 1, 0, "situação"};
inline constexpr FieldSpec kFields[] = {
    kTipo, kCnpj,       kIe,          kData,      kUf,     kModelo, kSerie,      kSubserie, kNumero,
    kCfop, kValorTotal, kBaseCalculo, kValorIcms, kIsenta, kOutras, kModalidade, kSituacao};
}  // namespace rec70

// Record 74: an inventory item.
namespace rec74 {
inline constexpr FieldSpec kTipo{1, 2, 0, "tipo"};
inline constexpr FieldSpec kData{3, 8, 0, "data do inventário"};
inline constexpr FieldSpec kCodigo{11, 14, 0, "código do produto"};
inline constexpr FieldSpec kQuantidade{25, 13, 3, "quantidade"};
inline constexpr FieldSpec kValorTotal{38, 13, 2, "valor total"};
inline constexpr FieldSpec kPosse{51, 1, 0, "código de posse"};
inline constexpr FieldSpec kCnpjPossuidor{52, 14, 0, "CNPJ do possuidor"};
inline constexpr FieldSpec kIePossuidor{66, 14, 0, "inscrição estadual do possuidor"};
inline constexpr FieldSpec kUfPossuidor{80, 2, 0, "UF do possuidor"};
inline constexpr FieldSpec kBrancos{82, 45, 0, "brancos"};
inline constexpr FieldSpec kFields[] = {kTipo,        kData,   kCodigo,        kQuantidade,
                                        kValorTotal,  kPosse,  kCnpjPossuidor, kIePossuidor,
                                        kUfPossuidor, kBrancos};
}  // namespace rec74

// Record 75: a product.
namespace rec75 {
inline constexpr FieldSpec kTipo{1, 2, 0, "tipo"};
inline constexpr FieldSpec kDataInicial{3, 8, 0, "data inicial"};
inline constexpr FieldSpec kDataFinal{11, 8, 0, "data final"};
inline constexpr FieldSpec kCodigo{19, 14, 0, "código do produto"};
inline constexpr FieldSpec kNcm{33, 8, 0, "NCM"};
inline constexpr FieldSpec kDescricao{41, 53, 0, "descrição"};
inline constexpr FieldSpec kUnidade{94, 6, 0, "unidade"};
inline constexpr FieldSpec kAliquotaIpi{100, 5, 2, "alíquota do IPI"};
inline constexpr FieldSpec kAliquotaIcms{105, 4, 2, "alíquota do ICMS"};
inline constexpr FieldSpec kReducaoBase{109, 5, 2, "redução da base de cálculo"};
inline constexpr FieldSpec kBaseSt{114, 13, 2, "base de cálculo do ICMS ST"};
inline constexpr FieldSpec kFields[] = {kTipo,         kDataInicial, kDataFinal, kCodigo,
                                        kNcm,          kDescricao,   kUnidade,   kAliquotaIpi,
                                        kAliquotaIcms, kReducaoBase, kBaseSt};
}  // namespace rec75

// Record 90: the totals of the file. One group (type, lines) per record
// type present, from kTipoTotalizado on, kGroupWidth columns each; filling
// to column 125 and the number of record 90 lines in column 126.
namespace rec90 {
inline constexpr FieldSpec kTipo{1, 2, 0, "tipo"};
inline constexpr FieldSpec kCnpj{3, 14, 0, "CNPJ"};
inline constexpr FieldSpec kIe{17, 14, 0, "inscrição estadual"};
inline constexpr FieldSpec kTipoTotalizado{31, 2, 0, "tipo totalizado"};
inline constexpr FieldSpec kTotalRegistros{33, 8, 0, "total de registros"};
inline constexpr FieldSpec kOutrosTotais{41, 85, 0, "outros totais"};
inline constexpr FieldSpec kNumeroRegistros90{126, 1, 0, "número de registros 90"};
inline constexpr int kGroupWidth = kTipoTotalizado.width + kTotalRegistros.width;
inline constexpr FieldSpec kFields[] = {
    kTipo, kCnpj, kIe, kTipoTotalizado, kTotalRegistros, kOutrosTotais, kNumeroRegistros90};
}  // namespace rec90

// Every layout by its record type, for checks over all of them.
struct RecordLayout {
  std::string_view type;
  std::span<const FieldSpec> fields;
};
inline constexpr RecordLayout kRecordLayouts[] = {
    {"10", rec10::kFields},   {"11", rec11::kFields},   {"50", rec50::kFields},
    {"54", rec54::kFields},   {"60M", rec60m::kFields}, {"60A", rec60a::kFields},
    {"60D", rec60d::kFields}, {"60I", rec60i::kFields}, {"60R", rec60r::kFields},
    {"61R", rec61r::kFields}, {"70", rec70::kFields},   {"74", rec74::kFields},
    {"75", rec75::kFields},   {"90", rec90::kFields},
};

// A standard line's length.
inline constexpr int kRecordWidth = 126;

}  // namespace fiscora
