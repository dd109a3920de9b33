// The table catalogue: every table of the data module with its fields,
// column titles (blanks kept, the grids show them as they are), display
// widths, aggregates and index definitions, in the order the data module
// creates them. Each table's field ids (catalogue_fields.h) follow its field
// list here: a field added, removed or moved is changed in both.
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "data/catalogue.h"

namespace fiscora {
namespace {

constexpr bool kCentre = true;
constexpr bool kTypeAlign = false;  // text left, numbers right

// A grid column: title, width in characters (0: the type's default), centring.
FieldDef Col(FieldDef f, std::string title, int width, bool centre) {
  f.title = std::move(title);
  f.display_width = width;
  f.centered = centre;
  return f;
}
// A currency field shown as a plain number instead of money.
FieldDef AsNumber(FieldDef f) {
  f.money = false;
  return f;
}
// A float field holding money, shown in the money format.
FieldDef AsMoney(FieldDef f) {
  f.money = true;
  return f;
}
FieldDef Hidden(FieldDef f) {
  f.visible = false;
  return f;
}
FieldDef Formatted(FieldDef f, std::string format) {
  f.format = std::move(format);
  return f;
}
FieldDef Width(FieldDef f, int width) {
  f.display_width = width;
  return f;
}

// The running total of a value column, shown beside the grids.
AggregateDef Soma() { return {"soma", "sum(valor)*1", "###,##0.00", false}; }

TableDef Table(std::string name, std::string binding, std::vector<FieldDef> fields) {
  TableDef t;
  t.name = std::move(name);
  t.binding = std::move(binding);
  t.fields = std::move(fields);
  return t;
}
TableDef WithSoma(TableDef t) {
  t.aggregates_active = true;
  t.aggregates.push_back(Soma());
  return t;
}

// The tables are written as aligned lists, one column a line.
// clang-format off
std::vector<TableDef> Build() {
  // Record 50 (notes). The note analysis sums notes into a table of the same
  // shape, so the shape is written once. ntf/ntp are 0/1 counters: notes of
  // others and the company's own notes.
  const auto notes_table = [](std::string name, std::string binding, bool maintained) {
    TableDef t = Table(std::move(name), std::move(binding), {
        Col(Text("cnpj", 20), "           CNPJ", 16, kCentre),
        Col(Text("ie", 20), "    Insc. Estadual", 16, kCentre),
        Col(Text("data_emiss", 20), "  Data Emissão  ", 10, kCentre),
        Col(Text("uf", 20), "  UF", 4, kCentre),
        Col(Text("modelo", 20), " Modelo  ", 4, kCentre),
        Col(Text("serie", 20), "  Série  ", 4, kCentre),
        Col(Int("numero"), "   Numero", 0, kTypeAlign),
        Col(Text("cfop", 20), "  CFOP ", 6, kCentre),
        Col(Text("emitente", 20), " Emitente  ", 4, kCentre),
        AsNumber(Col(Curr("valor_total"), "   Valor Total", 12, kCentre)),
        AsNumber(Col(Curr("base_calc"), "  Base Calculo", 12, kCentre)),
        AsNumber(Col(Curr("valor_icms"), "    Valor Icms", 12, kCentre)),
        AsNumber(Col(Curr("isento"), "       Isento", 12, kCentre)),
        AsNumber(Col(Curr("outras"), "       Outras", 12, kCentre)),
        Col(Text("aliquota", 20), "  Aliquota  ", 6, kCentre),
        Col(Text("situacao", 20), "  Situação  ", 4, kCentre),
        Hidden(Int("ntf")),
        Hidden(Int("ntp")),
        Curr("ipi"),
    });
    t.aggregates_active = maintained;
    t.aggregates = {{"sum_ntf", "sum(ntf)", "", false}, {"sum_ntp", "sum(ntp)", "", false}};
    t.stored_index_names = {"CHANGEINDEX"};
    return t;
  };

  // Record 74 (inventory items), for the verified file and for the audit's
  // two inventories. Every one keeps the 14 characters of the item code, so
  // the audit joins an item of an inventory to the same product of a period.
  const auto inventory_table = [](std::string name, std::string binding) {
    return WithSoma(Table(std::move(name), std::move(binding), {
        Col(Text("codigo", 14), "          Código", 17, kCentre),
        Col(Text("descricao", 43), "                                         Descrição", 50, kTypeAlign),
        AsNumber(Col(Float("quantidade"), "      Quantidade", 15, kCentre)),
        Col(Curr("valor"), "      Valor total", 16, kCentre),
        Col(Curr("unitario"), "       Valor Unitario", 0, kCentre),
        Text("unidade", 2),
    }));
  };

  // Record 75 (products), for the verified file and for the audit's inventories.
  const auto products_table = [](std::string name, std::string binding) {
    return Table(std::move(name), std::move(binding), {
        Text("codigo", 20),
        Text("descricao", 53),
        Text("unidade", 2),
    });
  };

  // Currency fields shown as money, one per name.
  const auto money_fields = [](std::vector<FieldDef>& fields, std::initializer_list<const char*> names) {
    for (const char* n : names) fields.push_back(Curr(n));
  };

  std::vector<TableDef> v;

  // ---------------------------------------------------- SINTEGRA records
  v.push_back(notes_table("cds_50", "ds_50", true));

  v.push_back(Table("cds_54", "", {
      Text("cnpj", 14), Text("modelo", 2), Text("serie", 3), Text("nota", 6),
      Text("cfop", 4), Text("cst", 3), Text("n_item", 3), Text("cod_produto", 14),
      Text("quantidade", 20), Curr("valor"), Curr("ipi"), Curr("desc"),
      Curr("base_calc"), Text("aliq", 4),
  }));

  v.push_back(WithSoma(Table("cds_60a", "ds_60a", {
      Text("aliquota", 10), Curr("valor"), Text("data", 20), Text("num_serie", 30),
  })));

  // Summed per day, printer and rate; codigo is left empty by the loader.
  v.push_back(WithSoma(Table("cds_60d", "ds_60d", {
      Text("data", 20), Text("num_serie", 20), Text("codigo", 20), Curr("valor"),
      Text("aliquota", 20),
  })));

  // Summed per day, printer and rate; codigo and quantidade stay empty.
  v.push_back(WithSoma(Table("cds_60i", "ds_60i", {
      Text("codigo", 20), Text("aliquota", 20), Curr("valor"), Text("serie", 20),
      Text("data", 20), Text("quantidade", 100),
  })));

  // Record 60I per product, day, printer, rate and unit value: cds_60i drops
  // the product code, this one keeps it for the price and rate checks and
  // for the ECF exits of the stock audit.
  v.push_back(Table("cds_60i_item", "", {
      Text("codigo", 14), Text("data", 10), Text("serie", 20), Text("aliquota", 4),
      Curr("valor"), Float("quantidade"), Curr("valor_total"),
  }));

  v.push_back(WithSoma(Table("cds_60r", "ds_60r", {
      Text("codigo", 20), Text("aliquota", 20), Curr("valor"),
  })));

  v.push_back(products_table("cds_produt", "ds_produt"));

  v.push_back(inventory_table("cds_inventario", "ds_inventario"));

  v.push_back(Table("cds_ident", "ds_ident", {
      // Wide enough for record 10's whole company name and town.
      Text("empresa", 35), Text("endereco", 30), Text("uf", 20), Text("cnpj", 20),
      Text("ie", 20), Width(Text("periodo", 30), 30),
  }));

  // ---------------------------------------------------- SINTEGRA analyses
  {
    TableDef t = Table("cdsmaxmin", "dsmaxmin", {
        Col(Text("codigo", 14), "         Código", 14, kCentre),
        Col(Text("descricao", 50), "                                  Descrição", 46, kTypeAlign),
        Formatted(Col(Float("porcentagem"), "   Porcentagem  ", 6, kCentre), "#'%'"),
        AsMoney(Col(Float("min"), "   Valor Mínimo   ", 10, kCentre)),
        AsMoney(Col(Float("max"), "   Valor Máximo   ", 15, kCentre)),
    });
    t.indexes = {{"idx_porcentagem", "porcentagem", true}};
    v.push_back(std::move(t));
  }

  v.push_back(Table("cdsaliq", "dsaliq", {
      Col(Text("codigo", 14), "        Código", 17, kCentre),
      Col(Text("descricao", 53), "                                Descrição", 40, kTypeAlign),
      Col(Text("al_cad", 4), "   Aliq. Cadastrada   ", 0, kCentre),
      Col(Text("al_vend", 4), "   Aliq. Vendida   ", 0, kCentre),
      Col(Text("data", 10), "          Data", 14, kCentre),
  }));

  {
    TableDef t = Table("cds_totaliq", "ds_totaliq", {
        Col(Text("aliquotas", 4), " Aliquotas ", 6, kCentre),
        Col(Text("data", 10), "        Data", 12, kCentre),
        Col(Text("serie_ecf", 6), "     ECF    ", 9, kCentre),
        AsMoney(Col(Float("aliq_60a"), "        Valor 60a", 15, kCentre)),
        AsMoney(Col(Float("aliq_60i"), "       Valor 60i", 15, kCentre)),
        AsMoney(Col(Float("diferenca"), "  Diferença 60a/60i   ", 15, kCentre)),
        AsMoney(Col(Float("aliq_60d"), "      Valor 60d", 15, kCentre)),
        AsMoney(Col(Float("dif_60d"), "  Diferença 60a/60d  ", 15, kCentre)),
    });
    t.aggregates_active = true;
    t.aggregates = {{"tot_dif_60i", "sum(diferenca)*1", "", true},
                    {"tot_dif_60d", "sum(dif_60d)*1", "", true}};
    v.push_back(std::move(t));
  }

  v.push_back(Table("cds_res_aliq", "ds_res_aliq", {
      Col(Text("aliquotas", 4), "    Aliquotas", 12, kCentre),
      AsMoney(Col(Float("reg60a"), "  Valor Aliquota 60a  ", 18, kCentre)),
      AsMoney(Col(Float("reg60d"), "  Valor Aliquota 60d  ", 18, kCentre)),
      AsMoney(Col(Float("reg60i"), "  Valor Aliquota 60i  ", 18, kCentre)),
      AsMoney(Col(Float("reg60r"), "  Valor Aliquota 60r  ", 18, kCentre)),
  }));

  v.push_back(Table("cds_res_cfop", "ds_res_cfop", {
      Col(Text("cfop", 20), "    CFOP", 14, kCentre),
      Col(Text("tipo", 20), "   Tipo", 8, kCentre),
      Col(Curr("valor"), "             Valor", 20, kTypeAlign),
      Hidden(Text("emitente", 20)),
  }));

  v.push_back(Table("cds_totalizador_icms", "ds_totalizador_icms", {
      Text("registro", 20), Text("tipo", 20), Curr("base_calc"), Curr("valor_icms"),
  }));

  // The note analysis' working table: one row per note number.
  v.push_back(notes_table("cds_50_inv_ini", "", false));

  v.push_back(Table("cds_dif_nota", "ds_dif_nota", {
      Col(Int("numero"), "Numero", 15, kCentre),
      Col(Curr("vCont"), "Valor Contábil", 15, kTypeAlign),
      Col(Curr("vBase"), "Base de Cálculo", 15, kTypeAlign),
      Col(Curr("vOutros"), "Outros", 15, kTypeAlign),
      Col(Curr("vIsentos"), "Isentos", 15, kTypeAlign),
      Col(Curr("vIpi"), "Ipi", 15, kTypeAlign),
      Col(Curr("difere"), "Diferença", 15, kTypeAlign),
  }));

  v.push_back(Table("cds_resumo_50", "ds_resumo_50", {
      Text("cod_produto", 15), Text("descricao", 100), Text("quantidade", 15),
      Text("cst", 4), Text("aliq", 4), Curr("valor_un"), Curr("desc"),
      Curr("valor_tot"), Curr("ipi"), Curr("base_calc"),
  }));

  // ---------------------------------------------------- stock audit
  {
    // Quantities are floats shown as numbers, values currency shown as money.
    std::vector<FieldDef> f = {Text("codigo", 15), Text("descricao", 100)};
    for (const char* n : {"EREVENDA", "SREVENDA", "EINSUMO", "SINSUMO", "SSERVINSUMO",
                          "EDEVOLUCAO", "ESERVINSUMO", "SDEVOLUCAO", "EOUTROS", "SOUTROS",
                          "TOTALENTRADAS", "TOTALSAIDAS", "SECF", "QTD_INICIAL", "QTD_FINAL"})
      f.push_back(Float(n));
    money_fields(f, {"INV_INI_UNITARIO", "INV_FIM_UNITARIO", "EREVENDA_VAL", "SREVENDA_VAL",
                     "EINSUMO_VAL", "SINSUMO_VAL", "ESERVINSUMO_VAL", "SSERVINSUMO_VAL",
                     "EDEVOLUCAO_VAL", "SDEVOLUCAO_VAL", "EOUTROS_VAL", "SOUTROS_VAL",
                     "TOTALENTRADAS_VAL", "TOTALSAIDAS_VAL", "SECF_VAL"});
    f.push_back(Float("OM_ENTRADA"));
    f.push_back(Float("OM_SAIDA"));
    f.push_back(Float("E1926"));
    f.push_back(Curr("E1926_VAL"));
    f.push_back(Float("S5926"));
    f.push_back(Curr("S5926_VAL"));
    // The EFD audit's own: exits taken from the NF-e XML items and from the
    // fiscal printers, the entries without physical movement (IND_MOV 1),
    // the quantities in a unit without conversion (not counted).
    for (const char* n : {"SAIDAS_XML", "SAIDAS_ECF", "QTD_IND_MOV1", "SEM_CONVERSAO"})
      f.push_back(Float(n));
    TableDef t = Table("cds_audit", "DS1", std::move(f));
    t.binding_enabled = false;  // DS1 feeds no display
    v.push_back(std::move(t));
  }

  v.push_back(inventory_table("cds_inv_ini", "DS_inv_ini"));
  v.push_back(inventory_table("cds_inv_fim", "DS_inv_fim"));
  v.push_back(products_table("cds_produt_inv_ini", ""));
  v.push_back(products_table("cds_produt_inv_fim", ""));

  // ---------------------------------------------------- SPED analysis
  v.push_back(Table("cds_0150M", "ds_0150M", {
      Text("cod_part", 60), Text("nome", 100), Text("cnpj", 20), Text("cpf", 11),
      Text("ie", 14),
  }));

  {
    // One column per CFOP (the field names are the CFOP codes), entries then exits.
    std::vector<FieldDef> f = {Int("codigo_nota"), Text("data_nota", 10), Width(Text("tipo", 2), 2)};
    money_fields(f, {"vl_nota", "vl_pis", "vl_cofins", "tot_prod", "bc_pis", "bc_cofins",
                     "1101", "2101", "1102", "2102", "1202", "2202", "1405", "2405",
                     "1404", "2404", "1403", "2403", "1411", "2411", "1922", "2922",
                     "1927", "2927", "E1_Outros", "E2_Outros",
                     "5101", "6101", "5102", "6102", "5202", "6202", "5405", "6405",
                     "5404", "6404", "5403", "6403", "5411", "6411", "5922", "6922",
                     "5927", "6927", "S5_OUTROS", "S6_OUTROS", "frete", "icms_st"});
    TableDef t = Table("cds_nf_sped", "DS_nf_sped", std::move(f));
    t.binding_enabled = false;  // enabled by the analysis once the notes are in
    v.push_back(std::move(t));
  }

  {
    std::vector<FieldDef> f = {Text("ecf", 20), Text("num_caixa", 4), Text("data", 10)};
    money_fields(f, {"venda_bruta", "venda_liquida", "cst_01", "cst_02", "cst_03", "cst_04",
                     "cst_05", "cst_06", "cst_07", "cst_08", "cst_09", "cst_49", "cst_99"});
    v.push_back(Table("cds_mov_ecf_sped", "DS_mov_ecf_sped", std::move(f)));
  }

  v.push_back(Table("cds_difal", "ds_difal", {
      Text("numero", 10), Text("documento", 20), Text("nome", 100), Text("data", 20),
  }));

  return v;
}

// clang-format on

}  // namespace

const std::vector<TableDef>& CatalogueDefs() {
  static const std::vector<TableDef> defs = Build();
  return defs;
}

}  // namespace fiscora
