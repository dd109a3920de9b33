// The fields of every catalogue table as ids: `f50::valor_total` is the
// index of cds_50's field "valor_total", so a misspelt field does not
// compile. Each list follows its table's definition in catalogue_defs.cpp
// field by field; the catalogue test checks names, order and count.
//
// The ids are plain ints (ClientTable takes a field index) and carry no
// table: use a table's own ids. Tables of the same shape share one list
// (f50: cds_50 and cds_50_inv_ini; f74: cds_inventario, cds_inv_ini and
// cds_inv_fim; f75: cds_produt, cds_produt_inv_ini and cds_produt_inv_fim).
#pragma once

#include <iterator>
#include <span>
#include <string_view>

namespace fiscora {

// Each list is written once and gives both the ids and their names.
#define FISCORA_FIELD_ID(name) name,
#define FISCORA_FIELD_NAME(name) #name,
#define FISCORA_FIELD_IDS(ns, LIST)                                        \
  namespace ns {                                                           \
  enum Id : int { LIST(FISCORA_FIELD_ID) kCount };                         \
  inline constexpr std::string_view kNames[] = {LIST(FISCORA_FIELD_NAME)}; \
  static_assert(std::size(kNames) == kCount);                              \
  }

// clang-format off

// ---------------------------------------------------- SINTEGRA records
#define FISCORA_FIELDS_50(X)                                                     \
  X(cnpj) X(ie) X(data_emiss) X(uf) X(modelo) X(serie) X(numero) X(cfop)        \
  X(emitente) X(valor_total) X(base_calc) X(valor_icms) X(isento) X(outras)     \
  X(aliquota) X(situacao) X(ntf) X(ntp) X(ipi)
FISCORA_FIELD_IDS(f50, FISCORA_FIELDS_50)

#define FISCORA_FIELDS_54(X)                                                     \
  X(cnpj) X(modelo) X(serie) X(nota) X(cfop) X(cst) X(n_item) X(cod_produto)    \
  X(quantidade) X(valor) X(ipi) X(desc) X(base_calc) X(aliq)
FISCORA_FIELD_IDS(f54, FISCORA_FIELDS_54)

#define FISCORA_FIELDS_60A(X) X(aliquota) X(valor) X(data) X(num_serie)
FISCORA_FIELD_IDS(f60a, FISCORA_FIELDS_60A)

#define FISCORA_FIELDS_60D(X) X(data) X(num_serie) X(codigo) X(valor) X(aliquota)
FISCORA_FIELD_IDS(f60d, FISCORA_FIELDS_60D)

#define FISCORA_FIELDS_60I(X) X(codigo) X(aliquota) X(valor) X(serie) X(data) X(quantidade)
FISCORA_FIELD_IDS(f60i, FISCORA_FIELDS_60I)

#define FISCORA_FIELDS_60I_ITEM(X)                                               \
  X(codigo) X(data) X(serie) X(aliquota) X(valor) X(quantidade) X(valor_total)
FISCORA_FIELD_IDS(f60i_item, FISCORA_FIELDS_60I_ITEM)

#define FISCORA_FIELDS_60R(X) X(codigo) X(aliquota) X(valor)
FISCORA_FIELD_IDS(f60r, FISCORA_FIELDS_60R)

#define FISCORA_FIELDS_75(X) X(codigo) X(descricao) X(unidade)
FISCORA_FIELD_IDS(f75, FISCORA_FIELDS_75)

#define FISCORA_FIELDS_74(X)                                                     \
  X(codigo) X(descricao) X(quantidade) X(valor) X(unitario) X(unidade)
FISCORA_FIELD_IDS(f74, FISCORA_FIELDS_74)

#define FISCORA_FIELDS_IDENT(X) X(empresa) X(endereco) X(uf) X(cnpj) X(ie) X(periodo)
FISCORA_FIELD_IDS(fident, FISCORA_FIELDS_IDENT)

// ---------------------------------------------------- SINTEGRA analyses
#define FISCORA_FIELDS_MAXMIN(X) X(codigo) X(descricao) X(porcentagem) X(min) X(max)
FISCORA_FIELD_IDS(fmaxmin, FISCORA_FIELDS_MAXMIN)

#define FISCORA_FIELDS_ALIQ(X) X(codigo) X(descricao) X(al_cad) X(al_vend) X(data)
FISCORA_FIELD_IDS(faliq, FISCORA_FIELDS_ALIQ)

#define FISCORA_FIELDS_TOTALIQ(X)                                                \
  X(aliquotas) X(data) X(serie_ecf) X(aliq_60a) X(aliq_60i) X(diferenca)        \
  X(aliq_60d) X(dif_60d)
FISCORA_FIELD_IDS(ftotaliq, FISCORA_FIELDS_TOTALIQ)

#define FISCORA_FIELDS_RES_ALIQ(X) X(aliquotas) X(reg60a) X(reg60d) X(reg60i) X(reg60r)
FISCORA_FIELD_IDS(fres_aliq, FISCORA_FIELDS_RES_ALIQ)

#define FISCORA_FIELDS_RES_CFOP(X) X(cfop) X(tipo) X(valor) X(emitente)
FISCORA_FIELD_IDS(fres_cfop, FISCORA_FIELDS_RES_CFOP)

#define FISCORA_FIELDS_TOTALIZADOR_ICMS(X) X(registro) X(tipo) X(base_calc) X(valor_icms)
FISCORA_FIELD_IDS(ftotalizador_icms, FISCORA_FIELDS_TOTALIZADOR_ICMS)

#define FISCORA_FIELDS_DIF_NOTA(X)                                               \
  X(numero) X(vCont) X(vBase) X(vOutros) X(vIsentos) X(vIpi) X(difere)
FISCORA_FIELD_IDS(fdif_nota, FISCORA_FIELDS_DIF_NOTA)

#define FISCORA_FIELDS_RESUMO_50(X)                                              \
  X(cod_produto) X(descricao) X(quantidade) X(cst) X(aliq) X(valor_un) X(desc)  \
  X(valor_tot) X(ipi) X(base_calc)
FISCORA_FIELD_IDS(fresumo_50, FISCORA_FIELDS_RESUMO_50)

// ---------------------------------------------------- stock audit
#define FISCORA_FIELDS_AUDIT(X)                                                  \
  X(codigo) X(descricao)                                                        \
  X(EREVENDA) X(SREVENDA) X(EINSUMO) X(SINSUMO) X(SSERVINSUMO) X(EDEVOLUCAO)    \
  X(ESERVINSUMO) X(SDEVOLUCAO) X(EOUTROS) X(SOUTROS) X(TOTALENTRADAS)           \
  X(TOTALSAIDAS) X(SECF) X(QTD_INICIAL) X(QTD_FINAL)                            \
  X(INV_INI_UNITARIO) X(INV_FIM_UNITARIO) X(EREVENDA_VAL) X(SREVENDA_VAL)       \
  X(EINSUMO_VAL) X(SINSUMO_VAL) X(ESERVINSUMO_VAL) X(SSERVINSUMO_VAL)           \
  X(EDEVOLUCAO_VAL) X(SDEVOLUCAO_VAL) X(EOUTROS_VAL) X(SOUTROS_VAL)             \
  X(TOTALENTRADAS_VAL) X(TOTALSAIDAS_VAL) X(SECF_VAL)                           \
  X(OM_ENTRADA) X(OM_SAIDA) X(E1926) X(E1926_VAL) X(S5926) X(S5926_VAL)         \
  X(SAIDAS_XML) X(SAIDAS_ECF) X(QTD_IND_MOV1) X(SEM_CONVERSAO)
FISCORA_FIELD_IDS(faudit, FISCORA_FIELDS_AUDIT)

// ---------------------------------------------------- SPED analysis
#define FISCORA_FIELDS_0150M(X) X(cod_part) X(nome) X(cnpj) X(cpf) X(ie)
FISCORA_FIELD_IDS(f0150m, FISCORA_FIELDS_0150M)

// The CFOP columns are named by their codes; their ids are c + the code.
#define FISCORA_FIELD_CFOP_ID(code) c##code,
#define FISCORA_FIELD_CFOP_NAME(code) #code,
#define FISCORA_FIELDS_NF_SPED(X, C)                                             \
  X(codigo_nota) X(data_nota) X(tipo) X(vl_nota) X(vl_pis) X(vl_cofins)         \
  X(tot_prod) X(bc_pis) X(bc_cofins)                                            \
  C(1101) C(2101) C(1102) C(2102) C(1202) C(2202) C(1405) C(2405) C(1404)       \
  C(2404) C(1403) C(2403) C(1411) C(2411) C(1922) C(2922) C(1927) C(2927)       \
  X(E1_Outros) X(E2_Outros)                                                     \
  C(5101) C(6101) C(5102) C(6102) C(5202) C(6202) C(5405) C(6405) C(5404)       \
  C(6404) C(5403) C(6403) C(5411) C(6411) C(5922) C(6922) C(5927) C(6927)       \
  X(S5_OUTROS) X(S6_OUTROS) X(frete) X(icms_st)
namespace fnf_sped {
enum Id : int { FISCORA_FIELDS_NF_SPED(FISCORA_FIELD_ID, FISCORA_FIELD_CFOP_ID) kCount };
inline constexpr std::string_view kNames[] = {
    FISCORA_FIELDS_NF_SPED(FISCORA_FIELD_NAME, FISCORA_FIELD_CFOP_NAME)};
static_assert(std::size(kNames) == kCount);
}  // namespace fnf_sped

#define FISCORA_FIELDS_MOV_ECF_SPED(X)                                           \
  X(ecf) X(num_caixa) X(data) X(venda_bruta) X(venda_liquida) X(cst_01)         \
  X(cst_02) X(cst_03) X(cst_04) X(cst_05) X(cst_06) X(cst_07) X(cst_08)         \
  X(cst_09) X(cst_49) X(cst_99)
FISCORA_FIELD_IDS(fmov_ecf_sped, FISCORA_FIELDS_MOV_ECF_SPED)

#define FISCORA_FIELDS_DIFAL(X) X(numero) X(documento) X(nome) X(data)
FISCORA_FIELD_IDS(fdifal, FISCORA_FIELDS_DIFAL)

// clang-format on

// Every table with the names of its ids, in catalogue order (for the test
// that holds each list to its definition).
struct TableFieldNames {
  std::string_view table;
  std::span<const std::string_view> names;
};
inline constexpr TableFieldNames kTableFieldNames[] = {
    {"cds_50", f50::kNames},
    {"cds_54", f54::kNames},
    {"cds_60a", f60a::kNames},
    {"cds_60d", f60d::kNames},
    {"cds_60i", f60i::kNames},
    {"cds_60i_item", f60i_item::kNames},
    {"cds_60r", f60r::kNames},
    {"cds_produt", f75::kNames},
    {"cds_inventario", f74::kNames},
    {"cds_ident", fident::kNames},
    {"cdsmaxmin", fmaxmin::kNames},
    {"cdsaliq", faliq::kNames},
    {"cds_totaliq", ftotaliq::kNames},
    {"cds_res_aliq", fres_aliq::kNames},
    {"cds_res_cfop", fres_cfop::kNames},
    {"cds_totalizador_icms", ftotalizador_icms::kNames},
    {"cds_50_inv_ini", f50::kNames},
    {"cds_dif_nota", fdif_nota::kNames},
    {"cds_resumo_50", fresumo_50::kNames},
    {"cds_audit", faudit::kNames},
    {"cds_inv_ini", f74::kNames},
    {"cds_inv_fim", f74::kNames},
    {"cds_produt_inv_ini", f75::kNames},
    {"cds_produt_inv_fim", f75::kNames},
    {"cds_0150M", f0150m::kNames},
    {"cds_nf_sped", fnf_sped::kNames},
    {"cds_mov_ecf_sped", fmov_ecf_sped::kNames},
    {"cds_difal", fdifal::kNames},
};

}  // namespace fiscora

#undef FISCORA_FIELD_ID
#undef FISCORA_FIELD_NAME
#undef FISCORA_FIELD_IDS
#undef FISCORA_FIELDS_50
#undef FISCORA_FIELDS_54
#undef FISCORA_FIELDS_60A
#undef FISCORA_FIELDS_60D
#undef FISCORA_FIELDS_60I
#undef FISCORA_FIELDS_60I_ITEM
#undef FISCORA_FIELDS_60R
#undef FISCORA_FIELDS_75
#undef FISCORA_FIELDS_74
#undef FISCORA_FIELDS_IDENT
#undef FISCORA_FIELDS_MAXMIN
#undef FISCORA_FIELDS_ALIQ
#undef FISCORA_FIELDS_TOTALIQ
#undef FISCORA_FIELDS_RES_ALIQ
#undef FISCORA_FIELDS_RES_CFOP
#undef FISCORA_FIELDS_TOTALIZADOR_ICMS
#undef FISCORA_FIELDS_DIF_NOTA
#undef FISCORA_FIELDS_RESUMO_50
#undef FISCORA_FIELDS_AUDIT
#undef FISCORA_FIELDS_0150M
#undef FISCORA_FIELD_CFOP_ID
#undef FISCORA_FIELD_CFOP_NAME
#undef FISCORA_FIELDS_NF_SPED
#undef FISCORA_FIELDS_MOV_ECF_SPED
#undef FISCORA_FIELDS_DIFAL
