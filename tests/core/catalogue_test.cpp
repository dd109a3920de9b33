// The table catalogue: columns as the grids show them, every table of the
// data module open and empty at start, the named indexes, empty totals and
// the text widths that cut product codes.
#include "data/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace fiscora {
namespace {

const TableDef* DefOf(std::string_view table) {
  for (const auto& d : CatalogueDefs())
    if (d.name == table) return &d;
  return nullptr;
}

const FieldDef* FieldOf(const TableDef& def, std::string_view field) {
  for (const auto& f : def.fields)
    if (f.name == field) return &f;
  return nullptr;
}

struct ColumnCase {
  const char* table;
  const char* field;
  FieldType type;
  int size;
  const char* title;
  int width;
  bool centered;
  bool visible;
  bool money;
  const char* format;
};

TEST(Catalogue, ColumnsAsTheGridsShowThem) {
  using enum FieldType;
  // clang-format off
  const ColumnCase cases[] = {
      {"cds_50", "cnpj", kText, 20, "           CNPJ", 16, true, true, false, ""},
      {"cds_50", "data_emiss", kText, 20, "  Data Emissão  ", 10, true, true, false, ""},
      {"cds_50", "numero", kInteger, 0, "   Numero", 0, false, true, false, ""},
      {"cds_50", "valor_total", kCurrency, 0, "   Valor Total", 12, true, true, false, ""},
      {"cds_50", "ntf", kInteger, 0, "", 0, false, false, false, ""},
      {"cds_50", "ipi", kCurrency, 0, "", 0, false, true, true, ""},
      {"cds_50_inv_ini", "situacao", kText, 20, "  Situação  ", 4, true, true, false, ""},
      {"cds_inventario", "codigo", kText, 14, "          Código", 17, true, true, false, ""},
      {"cds_inventario", "quantidade", kFloat, 0, "      Quantidade", 15, true, true, false, ""},
      {"cds_inventario", "unitario", kCurrency, 0, "       Valor Unitario", 0, true, true, true, ""},
      {"cds_inv_fim", "codigo", kText, 14, "          Código", 17, true, true, false, ""},
      {"cds_inv_ini", "codigo", kText, 14, "          Código", 17, true, true, false, ""},
      {"cds_inv_ini", "descricao", kText, 43,
       "                                         Descrição", 50, false, true, false, ""},
      {"cdsmaxmin", "porcentagem", kFloat, 0, "   Porcentagem  ", 6, true, true, false, "#'%'"},
      {"cdsmaxmin", "min", kFloat, 0, "   Valor Mínimo   ", 10, true, true, true, ""},
      {"cdsaliq", "al_cad", kText, 4, "   Aliq. Cadastrada   ", 0, true, true, false, ""},
      {"cds_totaliq", "serie_ecf", kText, 6, "     ECF    ", 9, true, true, false, ""},
      {"cds_totaliq", "dif_60d", kFloat, 0, "  Diferença 60a/60d  ", 15, true, true, true, ""},
      {"cds_res_cfop", "valor", kCurrency, 0, "             Valor", 20, false, true, true, ""},
      {"cds_res_cfop", "emitente", kText, 20, "", 0, false, false, false, ""},
      {"cds_dif_nota", "difere", kCurrency, 0, "Diferença", 15, false, true, true, ""},
      {"cds_ident", "periodo", kText, 30, "", 30, false, true, false, ""},
      {"cds_audit", "QTD_FINAL", kFloat, 0, "", 0, false, true, false, ""},
      {"cds_audit", "S5926_VAL", kCurrency, 0, "", 0, false, true, true, ""},
      {"cds_nf_sped", "tipo", kText, 2, "", 2, false, true, false, ""},
      {"cds_nf_sped", "1101", kCurrency, 0, "", 0, false, true, true, ""},
      {"cds_60i_item", "codigo", kText, 14, "", 0, false, true, false, ""},
      {"cds_60i_item", "quantidade", kFloat, 0, "", 0, false, true, false, ""},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.table) + "." + c.field);
    const TableDef* def = DefOf(c.table);
    ASSERT_NE(def, nullptr);
    const FieldDef* f = FieldOf(*def, c.field);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->type, c.type);
    if (c.type == kText) {
      EXPECT_EQ(f->size, c.size);
    }
    EXPECT_EQ(f->title, c.title);
    EXPECT_EQ(f->display_width, c.width);
    EXPECT_EQ(f->centered, c.centered);
    EXPECT_EQ(f->visible, c.visible);
    EXPECT_EQ(f->money, c.money);
    EXPECT_EQ(f->format, c.format);
  }
}

TEST(Catalogue, FieldOrderAndSharedShapes) {
  const auto names = [](std::string_view table) {
    std::vector<std::string> out;
    for (const auto& f : DefOf(table)->fields) out.push_back(f.name);
    return out;
  };
  EXPECT_EQ(names("cds_60i_item"),
            (std::vector<std::string>{"codigo", "data", "serie", "aliquota", "valor", "quantidade",
                                      "valor_total"}));
  EXPECT_EQ(names("cds_60i"), (std::vector<std::string>{"codigo", "aliquota", "valor", "serie",
                                                        "data", "quantidade"}));
  // Tables that share a shape agree field by field, apart from the code width.
  // clang-format off
  const std::pair<const char*, const char*> same_shape[] = {
      {"cds_50", "cds_50_inv_ini"},
      {"cds_inventario", "cds_inv_ini"},
      {"cds_inventario", "cds_inv_fim"},
      {"cds_produt", "cds_produt_inv_ini"},
      {"cds_produt", "cds_produt_inv_fim"},
  };
  // clang-format on
  for (const auto& [a, b] : same_shape) {
    SCOPED_TRACE(std::string(a) + " / " + b);
    const TableDef& da = *DefOf(a);
    const TableDef& db = *DefOf(b);
    ASSERT_EQ(da.fields.size(), db.fields.size());
    for (size_t i = 0; i < da.fields.size(); ++i) {
      const FieldDef& x = da.fields[i];
      const FieldDef& y = db.fields[i];
      EXPECT_EQ(x.name, y.name);
      EXPECT_EQ(x.type, y.type);
      if (x.name != "codigo") {
        EXPECT_EQ(x.size, y.size);
      }
      EXPECT_EQ(x.title, y.title);
      EXPECT_EQ(x.display_width, y.display_width);
      EXPECT_EQ(x.centered, y.centered);
      EXPECT_EQ(x.visible, y.visible);
      EXPECT_EQ(x.money, y.money);
    }
    ASSERT_EQ(da.aggregates.size(), db.aggregates.size());
    for (size_t i = 0; i < da.aggregates.size(); ++i) {
      EXPECT_EQ(da.aggregates[i].name, db.aggregates[i].name);
      EXPECT_EQ(da.aggregates[i].expression, db.aggregates[i].expression);
      EXPECT_EQ(da.aggregates[i].format, db.aggregates[i].format);
    }
    EXPECT_EQ(da.stored_index_names, db.stored_index_names);
  }
}

// The field ids follow each definition: the same names in the same order,
// no more and no fewer, for every table of the catalogue in catalogue order.
TEST(Catalogue, FieldIdsFollowTheDefinitions) {
  const auto& defs = CatalogueDefs();
  ASSERT_EQ(std::size(kTableFieldNames), defs.size());
  for (size_t t = 0; t < defs.size(); ++t) {
    const TableFieldNames& ids = kTableFieldNames[t];
    SCOPED_TRACE(std::string(ids.table));
    EXPECT_EQ(defs[t].name, ids.table);
    std::vector<std::string> defined, named;
    for (const auto& f : defs[t].fields) defined.push_back(f.name);
    for (std::string_view n : ids.names) named.emplace_back(n);
    EXPECT_EQ(named, defined);
  }
  // The spelling of ids that are not their names.
  EXPECT_EQ(fnf_sped::kNames[fnf_sped::c1101], "1101");
  EXPECT_EQ(fnf_sped::kNames[fnf_sped::c6927], "6927");
  TdtmCENTRAL dm;
  EXPECT_EQ(dm.cds_nf_sped.FieldIndex("5405"), fnf_sped::c5405);
}

TEST(Catalogue, EveryTableOpenEmptyAndBound) {
  TdtmCENTRAL dm;
  EXPECT_EQ(dm.tables().size(), CatalogueDefs().size());
  struct Member {
    ClientTable* table;
    const char* name;
    const char* binding;  // "" when none
    bool binding_enabled;
  };
  const Member members[] = {
      {&dm.cds_50, "cds_50", "ds_50", true},
      {&dm.cds_54, "cds_54", "", true},
      {&dm.cds_60a, "cds_60a", "ds_60a", true},
      {&dm.cds_60d, "cds_60d", "ds_60d", true},
      {&dm.cds_60i, "cds_60i", "ds_60i", true},
      {&dm.cds_60i_item, "cds_60i_item", "", true},
      {&dm.cds_60r, "cds_60r", "ds_60r", true},
      {&dm.cds_produt, "cds_produt", "ds_produt", true},
      {&dm.cds_inventario, "cds_inventario", "ds_inventario", true},
      {&dm.cds_ident, "cds_ident", "ds_ident", true},
      {&dm.cdsmaxmin, "cdsmaxmin", "dsmaxmin", true},
      {&dm.cdsaliq, "cdsaliq", "dsaliq", true},
      {&dm.cds_totaliq, "cds_totaliq", "ds_totaliq", true},
      {&dm.cds_res_aliq, "cds_res_aliq", "ds_res_aliq", true},
      {&dm.cds_res_cfop, "cds_res_cfop", "ds_res_cfop", true},
      {&dm.cds_totalizador_icms, "cds_totalizador_icms", "ds_totalizador_icms", true},
      {&dm.cds_50_inv_ini, "cds_50_inv_ini", "", true},
      {&dm.cds_dif_nota, "cds_dif_nota", "ds_dif_nota", true},
      {&dm.cds_resumo_50, "cds_resumo_50", "ds_resumo_50", true},
      {&dm.cds_audit, "cds_audit", "DS1", false},
      {&dm.cds_inv_ini, "cds_inv_ini", "DS_inv_ini", true},
      {&dm.cds_inv_fim, "cds_inv_fim", "DS_inv_fim", true},
      {&dm.cds_produt_inv_ini, "cds_produt_inv_ini", "", true},
      {&dm.cds_produt_inv_fim, "cds_produt_inv_fim", "", true},
      {&dm.cds_0150M, "cds_0150M", "ds_0150M", true},
      {&dm.cds_nf_sped, "cds_nf_sped", "DS_nf_sped", false},
      {&dm.cds_mov_ecf_sped, "cds_mov_ecf_sped", "DS_mov_ecf_sped", true},
      {&dm.cds_difal, "cds_difal", "ds_difal", true},
  };
  EXPECT_EQ(std::size(members), dm.tables().size());
  for (const auto& m : members) {
    SCOPED_TRACE(m.name);
    EXPECT_EQ(m.table->name(), m.name);
    EXPECT_EQ(dm.Find(m.name), m.table);
    EXPECT_EQ(m.table->state(), ClientTable::State::kBrowse);
    EXPECT_TRUE(m.table->IsEmpty());
    EXPECT_EQ(m.table->RecordCount(), 0);
    m.table->First();
    EXPECT_TRUE(m.table->Eof());
    if (*m.binding == '\0') {
      EXPECT_EQ(m.table->binding(), nullptr);
    } else {
      ASSERT_NE(m.table->binding(), nullptr);
      EXPECT_EQ(m.table->binding()->name(), m.binding);
      EXPECT_EQ(m.table->binding()->enabled(), m.binding_enabled);
      EXPECT_EQ(dm.FindByBinding(m.binding), m.table);
    }
  }
}

TEST(Catalogue, NamedIndexes) {
  TdtmCENTRAL dm;
  const auto find = [](const std::vector<IndexDef>& defs, std::string_view name) {
    return std::find_if(defs.begin(), defs.end(),
                        [&](const IndexDef& d) { return d.name == name; });
  };

  const auto maxmin = dm.cdsmaxmin.IndexDefs();
  auto it = find(maxmin, "idx_porcentagem");
  ASSERT_NE(it, maxmin.end());
  EXPECT_EQ(it->fields, "porcentagem");
  EXPECT_TRUE(it->descending);

  for (ClientTable* t : {&dm.cds_50, &dm.cds_50_inv_ini}) {
    SCOPED_TRACE(t->name());
    const auto defs = t->IndexDefs();
    EXPECT_NE(find(defs, "DEFAULT_ORDER"), defs.end());
    EXPECT_NE(find(defs, "CHANGEINDEX"), defs.end());
  }

  // The descending index puts the widest spread first.
  for (double p : {40.0, 250.0, 120.0}) {
    dm.cdsmaxmin.Append();
    dm.cdsmaxmin.SetAsFloat(fmaxmin::porcentagem, p);
    dm.cdsmaxmin.Post();
  }
  dm.cdsmaxmin.SetIndexName("idx_porcentagem");
  dm.cdsmaxmin.First();
  EXPECT_DOUBLE_EQ(dm.cdsmaxmin.AsFloat(fmaxmin::porcentagem), 250.0);
}

TEST(Catalogue, AggregatesOfEmptyTablesAreNull) {
  TdtmCENTRAL dm;
  struct Case {
    ClientTable* table;
    const char* aggregate;
    bool active;
  };
  // clang-format off
  const Case cases[] = {
      {&dm.cds_50, "sum_ntf", true},          {&dm.cds_50, "sum_ntp", true},
      {&dm.cds_60a, "soma", true},            {&dm.cds_60d, "soma", true},
      {&dm.cds_60i, "soma", true},            {&dm.cds_60r, "soma", true},
      {&dm.cds_inventario, "soma", true},     {&dm.cds_inv_ini, "soma", true},
      {&dm.cds_inv_fim, "soma", true},        {&dm.cds_totaliq, "tot_dif_60i", true},
      {&dm.cds_totaliq, "tot_dif_60d", true},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table->name() + "." + c.aggregate);
    EXPECT_EQ(c.table->AggregatesActive(), c.active);
    EXPECT_TRUE(c.table->Aggregate(c.aggregate).is_null);
  }
  EXPECT_FALSE(dm.cds_60i_item.AggregatesActive());

  // Filled, the total of an inventory is a float; emptied, null again.
  ClientTable& inv = dm.cds_inventario;
  inv.Append();
  inv.SetAsCurrency(f74::valor, Money::FromUnits(12));
  inv.Post();
  AggregateValue soma = inv.Aggregate("soma");
  EXPECT_FALSE(soma.is_null);
  EXPECT_TRUE(soma.is_float);
  EXPECT_DOUBLE_EQ(soma.floating, 12.0);
  inv.EmptyDataSet();
  EXPECT_TRUE(inv.Aggregate("soma").is_null);
}

TEST(Catalogue, CodesCutToTheFieldWidth) {
  TdtmCENTRAL dm;
  struct Case {
    ClientTable* table;
    const char* field;
    const char* expected;
  };
  const std::string value = "12345678901234567890";
  const Case cases[] = {
      {&dm.cds_inventario, "codigo", "12345678901234"},
      {&dm.cds_inv_ini, "codigo", "12345678901234"},
      {&dm.cds_inv_fim, "codigo", "12345678901234"},
      {&dm.cds_totaliq, "serie_ecf", "123456"},
      {&dm.cds_60i_item, "codigo", "12345678901234"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table->name() + "." + c.field);
    ClientTable& t = *c.table;
    t.Append();
    t.FieldByName(c.field).SetAsString(value);
    t.Post();
    t.First();
    EXPECT_EQ(t.FieldByName(c.field).AsString(), c.expected);
  }
}

}  // namespace
}  // namespace fiscora
