// The in-memory table: values and their conversions, orderings and named
// indexes, key lookup, row insertion and deletion, totals, display bindings,
// and a long random run checked against a plain vector.
#include "data/client_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/money.h"
#include "data/table_def.h"

namespace fiscora {
namespace {

// A small note-item table: one field of every type, three totals.
TableDef ItemsDef() {
  TableDef d;
  d.name = "cds_itens";
  d.binding = "ds_itens";
  d.aggregates_active = true;
  d.fields = {Text("codigo", 6), Text("descricao", 8), Int("numero"), Float("qtd"), Curr("valor")};
  d.aggregates = {{"total_num", "sum(numero)", "", false},
                  {"total_valor", "sum(valor)*1", "###,##0.00", true},
                  {"total_qtd", "sum(qtd)*1", "", false}};
  d.stored_index_names = {"CHANGEINDEX"};
  return d;
}

struct Item {
  const char* codigo;
  const char* descricao;  // unique in every fixture: names the row
  int numero;
  const char* qtd;
  const char* valor;
};

void Add(ClientTable& t, const Item& r) {
  t.Append();
  t.FieldByName("codigo").SetAsString(r.codigo);
  t.FieldByName("descricao").SetAsString(r.descricao);
  t.FieldByName("numero").SetAsInteger(r.numero);
  t.FieldByName("qtd").SetAsString(r.qtd);
  t.FieldByName("valor").SetAsString(r.valor);
  t.Post();
}

void Fill(ClientTable& t, const std::vector<Item>& rows) {
  for (const auto& r : rows) Add(t, r);
}

// B A B C A: duplicates on every key field.
// clang-format off
const std::vector<Item> kFive = {
    {"B", "b1", 2, "1,5", "10"}, {"A", "a1", 3, "2", "20"},   {"B", "b2", 1, "1,5", "30"},
    {"C", "c1", 2, "3", "10"},   {"A", "a2", 1, "2", "40"},
};
// clang-format on

// The values of a field over a walk First .. Eof, joined by blanks.
std::string Walk(ClientTable& t, std::string_view field = "descricao") {
  std::string out;
  for (t.First(); !t.Eof(); t.Next()) {
    if (!out.empty()) out += ' ';
    out += t.FieldByName(field).AsString();
  }
  return out;
}

std::string Current(ClientTable& t) {
  return t.HasCurrent() ? t.FieldByName("descricao").AsString() : "<none>";
}

// An ordering as a caller chooses it: field names, or a named index (added
// descending on the fields when it is not "DEFAULT_ORDER").
struct Order {
  const char* index_field_names;
  const char* index_name;
  const char* desc_fields;
};

void Choose(ClientTable& t, const Order& o) {
  if (o.index_name[0] == 0) {
    t.SetIndexFieldNames(o.index_field_names);
    return;
  }
  if (o.desc_fields[0] != 0) t.AddIndex(o.index_name, o.desc_fields, true);
  t.SetIndexName(o.index_name);
}

std::string Describe(const Order& o) {
  if (o.index_name[0] == 0) return std::string("fields '") + o.index_field_names + "'";
  return std::string("index ") + o.index_name + " desc '" + o.desc_fields + "'";
}

// Runs `fn` and returns the message of the TableError it throws.
template <typename Fn>
std::optional<std::string> TableErrorOf(Fn fn) {
  try {
    fn();
  } catch (const TableError& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

// ------------------------------------------------------------------ values

TEST(ClientTableValues, TextLongerThanTheWidthIsCutToCharacters) {
  struct Case {
    const char* field;
    const char* value;
    const char* stored;
  };
  const Case cases[] = {
      {"codigo", "ABCDEFGH", "ABCDEF"},
      {"codigo", "ABCDEF", "ABCDEF"},
      {"codigo", "ABC", "ABC"},
      {"codigo", "", ""},
      // two bytes a character: six characters are twelve bytes
      {"codigo", "ÁÉÍÓÚÇÃÕ", "ÁÉÍÓÚÇ"},
      {"codigo", "ação12345", "ação12"},
      // three bytes a character, in the wider field
      {"descricao", "€€€€€€€€€€", "€€€€€€€€"},
      {"descricao", "preço unitário", "preço un"},
      {"descricao", "12345678", "12345678"},
  };
  ClientTable t(ItemsDef());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " = \"" + c.value + "\"");
    t.Append();
    t.FieldByName(c.field).SetAsString(c.value);
    EXPECT_EQ(t.FieldByName(c.field).AsString(), c.stored) << "while inserting";
    t.Post();
    EXPECT_EQ(t.FieldByName(c.field).AsString(), c.stored) << "stored";
    // The same through an edit of a row that held something else.
    t.Edit();
    t.FieldByName(c.field).SetAsString("before");
    t.Post();
    t.Edit();
    t.FieldByName(c.field).SetAsString(c.value);
    t.Post();
    EXPECT_EQ(t.FieldByName(c.field).AsString(), c.stored) << "edited";
  }
}

TEST(ClientTableValues, LongTextsSurviveManyRewritesAndDeletions) {
  // Enough rewrites of long texts to make the table reclaim the space of
  // the old ones several times over.
  TableDef def;
  def.name = "cds_textos";
  def.fields = {Int("id"), Text("texto", 40), Text("curto", 4)};
  ClientTable t(def);
  const int kRows = 2000;
  auto text_of = [](int id, int round) {
    return "linha " + std::to_string(id) + " versão " + std::to_string(round) + " ....";
  };
  for (int id = 0; id < kRows; ++id) {
    t.Append();
    t.FieldByName("id").SetAsInteger(id);
    t.FieldByName("texto").SetAsString(text_of(id, 0));
    t.FieldByName("curto").SetAsString(std::to_string(id % 97));
    t.Post();
  }
  ASSERT_TRUE(t.Locate("texto", {text_of(7, 0)}));  // a lookup index that must follow
  const int kRounds = 45;
  for (int round = 1; round <= kRounds; ++round) {
    for (t.First(); !t.Eof(); t.Next()) {
      int id = t.FieldByName("id").AsInteger();
      t.Edit();
      t.FieldByName("texto").SetAsString(text_of(id, round));
      t.Post();
    }
    // Every hundredth row goes.
    if (round % 5 == 0) {
      for (int id = round; id < kRows; id += 100)
        if (t.Locate("id", {id})) t.Delete();
    }
  }
  int rows = 0;
  for (t.First(); !t.Eof(); t.Next(), ++rows) {
    int id = t.FieldByName("id").AsInteger();
    ASSERT_EQ(t.FieldByName("texto").AsString(), text_of(id, kRounds)) << "row " << id;
    ASSERT_EQ(t.FieldByName("curto").AsString(), std::to_string(id % 97)) << "row " << id;
  }
  EXPECT_EQ(rows, kRows - 9 * 20);
  EXPECT_EQ(rows, t.RecordCount());
  EXPECT_TRUE(t.Locate("texto", {text_of(7, kRounds)}));
  EXPECT_FALSE(t.Locate("texto", {text_of(7, kRounds - 1)}));
  EXPECT_FALSE(t.Locate("id", {105}));
  // Ordered by the rewritten texts, and looked up through that ordering.
  t.SetIndexFieldNames("texto");
  std::string previous;
  for (t.First(); !t.Eof(); t.Next()) {
    std::string text = t.FieldByName("texto").AsString();
    ASSERT_LT(previous, text);
    previous = text;
  }
  EXPECT_TRUE(t.Locate("texto", {text_of(1999, kRounds)}));
  EXPECT_EQ(t.FieldByName("id").AsInteger(), 1999);
}

TEST(ClientTableValues, ABigTableKeepsEveryRowAcrossItsBlocks) {
  // Enough rows of two fields to fill the small first block of cells, one
  // whole block after it and part of a third, and texts over several of the
  // text blocks: every row reads back, is found, and orders.
  TableDef def;
  def.name = "cds_grande";
  def.fields = {Int("id"), Text("texto", 40)};
  ClientTable t(def);
  const int kRows = 600'000;
  auto text_of = [](int id) { return "produto de número " + std::to_string(id); };
  for (int id = 0; id < kRows; ++id) {
    t.Append();
    t.SetInteger(0, id);
    t.SetText(1, text_of(id));
    t.Post();
  }
  ASSERT_EQ(t.RecordCount(), kRows);
  const ClientTable::RowList& rows = t.OrderedRows();
  for (int id = 0; id < kRows; ++id) {
    const ClientTable::RowId row = rows[static_cast<size_t>(id)];
    ASSERT_EQ(t.RowRaw(row, 0), id);
    ASSERT_EQ(t.RowText(row, 1), text_of(id));
  }
  for (int id : {0, 511, 512, 513, 524'799, 524'800, 524'801, kRows - 1}) {
    ASSERT_TRUE(t.Locate("texto", {text_of(id)})) << id;
    EXPECT_EQ(t.FieldByName("id").AsInteger(), id);
  }
  t.SetIndexFieldNames("texto");
  t.Last();
  EXPECT_EQ(t.FieldByName("texto").AsString(), text_of(99'999));
  t.EmptyDataSet();
  EXPECT_TRUE(t.IsEmpty());
  t.Append();
  t.SetText(1, text_of(1));
  t.Post();
  EXPECT_EQ(t.FieldByName("texto").AsString(), text_of(1));
}

TEST(ClientTableValues, UnsetFieldsReadAsEmptyTextOrZero) {
  ClientTable t(ItemsDef());
  t.Append();
  t.FieldByName("codigo").SetAsString("X");
  t.Post();
  struct Case {
    const char* field;
    const char* text;
  };
  const Case cases[] = {
      {"descricao", ""}, {"numero", "0"}, {"qtd", "0"}, {"valor", "0"}, {"codigo", "X"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    Field f = t.FieldByName(c.field);
    EXPECT_EQ(f.AsString(), c.text);
    if (f.DataType() != FieldType::kText) {
      EXPECT_EQ(f.AsInteger(), 0);
      EXPECT_EQ(f.AsFloat(), 0.0);
      EXPECT_EQ(f.AsCurrency(), Money());
    }
  }
}

TEST(ClientTableFields, FieldByNameIgnoresLetterCaseAndUnknownNamesThrow) {
  ClientTable t(ItemsDef());
  struct Case {
    const char* asked;
    const char* name;
    int index;
  };
  // clang-format off
  const Case found[] = {
      {"codigo", "codigo", 0}, {"CODIGO", "codigo", 0}, {"Codigo", "codigo", 0},
      {" codigo ", "codigo", 0}, {"VALOR", "valor", 4}, {"qTd", "qtd", 3},
  };
  // clang-format on
  for (const auto& c : found) {
    SCOPED_TRACE(c.asked);
    Field f = t.FieldByName(c.asked);
    EXPECT_EQ(f.FieldName(), c.name);
    EXPECT_EQ(f.Index(), c.index);
  }
  EXPECT_EQ(t.FindField("nada"), -1);

  const char* missing[] = {"nada", "codig", "codigo_", ""};
  for (const char* name : missing) {
    SCOPED_TRACE(std::string("'") + name + "'");
    auto msg = TableErrorOf([&] { t.FieldByName(name); });
    ASSERT_TRUE(msg.has_value());
    EXPECT_NE(msg->find("cds_itens"), std::string::npos) << *msg;
    EXPECT_NE(msg->find(std::string("'") + name + "'"), std::string::npos) << *msg;
  }
}

TEST(ClientTableFields, ConversionsBetweenTypes) {
  struct Case {
    const char* field;
    const char* text;
    const char* as_string;
    double as_float;
    int64_t currency_raw;
  };
  const Case cases[] = {
      {"numero", "42", "42", 42.0, 420000},
      {"numero", " -7 ", "-7", -7.0, -70000},
      {"qtd", "2,5", "2,5", 2.5, 25000},
      {"qtd", "0,00015", "0,00015", 0.00015, 2},
      {"qtd", "", "0", 0.0, 0},
      {"valor", "1234,5678", "1234,5678", 1234.5678, 12345678},
      {"valor", "0,00005", "0", 0.0, 0},
      {"valor", "0,00015", "0,0002", 0.0002, 2},
      {"valor", "-10", "-10", -10.0, -100000},
      {"codigo", "12,5", "12,5", 12.5, 125000},
      {"codigo", "", "", 0.0, 0},
  };
  ClientTable t(ItemsDef());
  t.Append();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " = \"" + c.text + "\"");
    Field f = t.FieldByName(c.field);
    f.SetAsString(c.text);
    EXPECT_EQ(f.AsString(), c.as_string);
    EXPECT_EQ(f.AsFloat(), c.as_float);
    EXPECT_EQ(f.AsCurrency().raw(), c.currency_raw);
  }
}

TEST(ClientTableFields, TextThatIsNoNumberIsAnErrorNamingTheField) {
  struct Case {
    const char* field;
    const char* text;
  };
  // clang-format off
  const Case cases[] = {
      {"numero", "abc"}, {"numero", "1,5"}, {"numero", "99999999999"}, {"qtd", "1.5"},
      {"qtd", "-"},      {"valor", "x"},    {"valor", "1,2,3"},         {"valor", "1e3"},
  };
  // clang-format on
  ClientTable t(ItemsDef());
  t.Append();
  t.FieldByName("numero").SetAsInteger(7);
  t.FieldByName("qtd").SetAsFloat(1.25);
  t.FieldByName("valor").SetAsString("3,5");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " = \"" + c.text + "\"");
    Field f = t.FieldByName(c.field);
    std::string before = f.AsString();
    auto msg = TableErrorOf([&] { f.SetAsString(c.text); });
    ASSERT_TRUE(msg.has_value());
    EXPECT_NE(msg->find(c.field), std::string::npos) << *msg;
    EXPECT_NE(msg->find(std::string("'") + c.text + "'"), std::string::npos) << *msg;
    EXPECT_EQ(f.AsString(), before) << "a failed set changes nothing";
  }
  // Reading a text field as a number fails the same way.
  t.FieldByName("codigo").SetAsString("ABC");
  auto msg = TableErrorOf([&] { t.FieldByName("codigo").AsFloat(); });
  ASSERT_TRUE(msg.has_value());
  EXPECT_NE(msg->find("codigo"), std::string::npos) << *msg;
  EXPECT_NE(msg->find("'ABC'"), std::string::npos) << *msg;
}

// -------------------------------------------------------------- aggregates

TEST(ClientTableAggregates, NullWhenEmptyAndExactOverCurrency) {
  ClientTable t(ItemsDef());
  const char* names[] = {"total_num", "total_valor", "total_qtd"};
  auto expect_all_null = [&](const char* when) {
    for (const char* n : names) EXPECT_TRUE(t.Aggregate(n).is_null) << n << " " << when;
  };
  expect_all_null("at start");

  // Ten tenths: exactly 1 as currency, not quite 1 as float.
  for (int i = 0; i < 10; ++i) Add(t, {"X", "d", i, "0,1", "0,1"});
  AggregateValue num = t.Aggregate("total_num");
  AggregateValue valor = t.Aggregate("total_valor");
  AggregateValue qtd = t.Aggregate("total_qtd");
  EXPECT_FALSE(num.is_null);
  EXPECT_FALSE(num.is_float);
  EXPECT_EQ(num.integer, 45);
  EXPECT_TRUE(valor.is_float);
  EXPECT_EQ(valor.floating, 1.0);
  EXPECT_EQ(qtd.floating, 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1 + 0.1);

  // Kept up to date through edits and deletions.
  t.First();
  t.Edit();
  t.FieldByName("valor").SetAsString("1234567,8901");
  t.Post();
  EXPECT_EQ(t.Aggregate("total_valor").floating, 1234568.7901);
  t.Delete();
  EXPECT_EQ(t.Aggregate("total_valor").floating, 0.9);
  EXPECT_EQ(t.Aggregate("total_num").integer, 45);

  t.EmptyDataSet();
  expect_all_null("after EmptyDataSet");
  Add(t, {"X", "d", 5, "1", "2,5"});
  EXPECT_EQ(t.Aggregate("total_valor").floating, 2.5);
  EXPECT_EQ(t.Aggregate("total_num").integer, 5);

  // Switched off, a total shows nothing even over rows.
  t.SetAggregatesActive(false);
  expect_all_null("while not active");
  t.SetAggregatesActive(true);
  EXPECT_EQ(t.Aggregate("total_num").integer, 5);
}

// ------------------------------------------------------------------ lookup

TEST(ClientTableLocate, OnAnEmptyTableFindsNothingAndNothingIsCurrent) {
  const Order orders[] = {{"", "", ""}, {"codigo", "", ""}, {"", "by_num", "numero"}};
  for (const auto& o : orders) {
    SCOPED_TRACE(Describe(o));
    ClientTable t(ItemsDef());
    Choose(t, o);
    EXPECT_FALSE(t.Locate("codigo", {"A"}));
    EXPECT_FALSE(t.Locate("numero", {1}));
    EXPECT_FALSE(t.Locate("codigo;numero", {"A", 1}));
    EXPECT_FALSE(t.Locate("codigo", {"A"}, {true, true}));
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_FALSE(t.HasCurrent());
    t.First();
    EXPECT_TRUE(t.Eof());
    EXPECT_FALSE(t.HasCurrent());
  }
}

TEST(ClientTableLocate, ExactFindsTheFirstMatchInTheActiveOrdering) {
  using V = std::vector<Value>;
  struct Case {
    Order order;
    const char* keys;
    V values;
    const char* found;  // descricao of the row found, or null
  };
  // kFive in the orderings used below:
  //   default          b1 a1 b2 c1 a2
  //   codigo           a1 a2 b1 b2 c1
  //   codigo; numero   a2 a1 b2 b1 c1
  //   numero           b2 a2 b1 c1 a1
  //   numero desc      a1 b1 c1 b2 a2
  const Order kDefault{"", "", ""}, kCodigo{"codigo", "", ""}, kCodNum{"codigo; numero", "", ""},
      kNumero{"numero", "", ""}, kNumDesc{"", "num_desc", "numero"};
  const Case cases[] = {
      // no ordering: the first in the order of addition
      {kDefault, "codigo", V{"B"}, "b1"},
      {kDefault, "numero", V{1}, "b2"},
      {kDefault, "codigo;numero", V{"C", 2}, "c1"},
      {kDefault, "CODIGO", V{"A"}, "a1"},
      // the key is the ordering, or a prefix of it; ties in default order
      {kCodigo, "codigo", V{"A"}, "a1"},
      {kCodNum, "codigo", V{"A"}, "a2"},
      {kCodNum, "codigo;numero", V{"B", 2}, "b1"},
      {kCodNum, "codigo; numero", V{"A", 3}, "a1"},
      {kNumDesc, "numero", V{2}, "b1"},
      {kNumDesc, "numero", V{1}, "b2"},
      {kNumero, "numero", V{1}, "b2"},
      // the key is on other fields than the ordering
      {kCodNum, "numero", V{2}, "b1"},
      {kNumero, "codigo", V{"A"}, "a2"},
      {kNumDesc, "codigo", V{"B"}, "b1"},
      {kNumDesc, "codigo", V{"A"}, "a1"},
      {kCodigo, "numero;codigo", V{1, "A"}, "a2"},
      // values given in another type are converted to the field's type
      {kDefault, "qtd", V{1.5}, "b1"},
      {kDefault, "qtd", V{"1,5"}, "b1"},
      {kDefault, "qtd", V{3}, "c1"},
      {kDefault, "valor", V{Money::FromUnits(40)}, "a2"},
      {kDefault, "valor", V{"40,00"}, "a2"},
      {kDefault, "numero", V{"3"}, "a1"},
      {kNumero, "numero", V{"2"}, "b1"},
      // no match: exact means letter case and whole value
      {kDefault, "codigo", V{"Z"}, nullptr},
      {kCodigo, "codigo", V{"a"}, nullptr},
      {kCodigo, "codigo", V{"AB"}, nullptr},
      {kCodigo, "codigo", V{""}, nullptr},
      {kCodNum, "codigo;numero", V{"A", 2}, nullptr},
      {kNumDesc, "numero", V{4}, nullptr},
      {kNumero, "codigo", V{"D"}, nullptr},
      {kDefault, "valor", V{"10,0001"}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Describe(c.order) + ", Locate " + c.keys);
    ClientTable t(ItemsDef());
    Fill(t, kFive);
    Choose(t, c.order);
    t.Last();  // the row that must stay current when nothing is found
    std::string before = Current(t);
    bool found = t.Locate(c.keys, c.values);
    EXPECT_EQ(found, c.found != nullptr);
    EXPECT_EQ(Current(t), c.found ? c.found : before);
  }
}

TEST(ClientTableLocate, CaseInsensitivePartialKeys) {
  struct Case {
    const char* ordering;  // IndexFieldNames
    const char* value;
    LocateOptions options;
    const char* found;
  };
  const LocateOptions kBoth{true, true}, kCase{true, false}, kPartial{false, true};
  // descricao in default order: ISS icms IPI ação; byte order: IPI ISS ação icms.
  // clang-format off
  const Case cases[] = {
      {"", "I", kBoth, "ISS"},
      {"descricao", "I", kBoth, "IPI"},
      {"", "ic", kBoth, "icms"},
      {"", "ICM", kBoth, "icms"},
      {"", "is", kBoth, "ISS"},
      {"", "AÇÃ", kBoth, "ação"},
      {"", "x", kBoth, nullptr},
      {"", "ICMSS", kBoth, nullptr},
      {"", "iss", kCase, "ISS"},
      {"", "is", kCase, nullptr},
      {"", "AÇÃO", kCase, "ação"},
      {"", "I", kPartial, "ISS"},
      {"", "i", kPartial, "icms"},
      {"descricao", "IS", kPartial, "ISS"},
      {"", "Iss", kPartial, nullptr},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("'") + c.value + "' ci=" + (c.options.case_insensitive ? "1" : "0") +
                 " partial=" + (c.options.partial_key ? "1" : "0") + " order '" + c.ordering + "'");
    ClientTable t(ItemsDef());
    Fill(t, {{"1", "ISS", 1, "0", "0"},
             {"2", "icms", 2, "0", "0"},
             {"3", "IPI", 3, "0", "0"},
             {"4", "ação", 4, "0", "0"}});
    t.SetIndexFieldNames(c.ordering);
    t.Last();
    std::string before = Current(t);
    EXPECT_EQ(t.Locate("descricao", {c.value}, c.options), c.found != nullptr);
    EXPECT_EQ(Current(t), c.found ? c.found : before);
  }
}

TEST(ClientTableLocate, WrongNumberOfValuesOrUnconvertibleValueIsAnError) {
  ClientTable t(ItemsDef());
  Fill(t, kFive);
  EXPECT_THROW(t.Locate("codigo;numero", {"A"}), TableError);
  EXPECT_THROW(t.Locate("nada", {"A"}), TableError);
  auto msg = TableErrorOf([&] { t.Locate("numero", {"dois"}); });
  ASSERT_TRUE(msg.has_value());
  EXPECT_NE(msg->find("numero"), std::string::npos) << *msg;
  EXPECT_NE(msg->find("'dois'"), std::string::npos) << *msg;
}

// --------------------------------------------------------------- orderings

TEST(ClientTableIndexes, UnknownIndexNameIsAnErrorAndDefaultOrderStillWorks) {
  ClientTable t(ItemsDef());
  Fill(t, kFive);
  t.SetIndexFieldNames("codigo");
  auto msg = TableErrorOf([&] { t.SetIndexName("NAO_EXISTE"); });
  ASSERT_TRUE(msg.has_value());
  EXPECT_NE(msg->find("cds_itens"), std::string::npos) << *msg;
  EXPECT_NE(msg->find("NAO_EXISTE"), std::string::npos) << *msg;
  EXPECT_EQ(Walk(t), "a1 a2 b1 b2 c1") << "the failed choice changed nothing";

  t.SetIndexName("DEFAULT_ORDER");
  EXPECT_EQ(t.IndexName(), "DEFAULT_ORDER");
  EXPECT_EQ(t.IndexFieldNames(), "");
  EXPECT_EQ(Walk(t), "b1 a1 b2 c1 a2");
  // A stored name that orders nothing of its own.
  t.SetIndexName("CHANGEINDEX");
  EXPECT_EQ(Walk(t), "b1 a1 b2 c1 a2");
}

TEST(ClientTableIndexes, OrderingsByFieldsAndNamedIndexes) {
  struct Case {
    Order order;
    const char* walk;
    const char* with_new;  // after adding B, 2, 1,5, 10 as "new"
  };
  const Case cases[] = {
      {{"", "", ""}, "b1 a1 b2 c1 a2", "b1 a1 b2 c1 a2 new"},
      {{"codigo", "", ""}, "a1 a2 b1 b2 c1", "a1 a2 b1 b2 new c1"},
      {{"codigo; numero", "", ""}, "a2 a1 b2 b1 c1", "a2 a1 b2 b1 new c1"},
      {{"numero;codigo", "", ""}, "a2 b2 b1 c1 a1", "a2 b2 b1 new c1 a1"},
      {{"qtd", "", ""}, "b1 b2 a1 a2 c1", "b1 b2 new a1 a2 c1"},
      {{"valor", "", ""}, "b1 c1 a1 b2 a2", "b1 c1 new a1 b2 a2"},
      // descending: every field reversed, ties still in default order
      {{"", "num_desc", "numero"}, "a1 b1 c1 b2 a2", "a1 b1 c1 new b2 a2"},
      {{"", "cod_desc", "codigo"}, "c1 b1 b2 a1 a2", "c1 b1 b2 new a1 a2"},
      {{"", "cod_num_desc", "codigo; numero"}, "c1 b1 b2 a1 a2", "c1 b1 new b2 a1 a2"},
      {{"", "valor_desc", "valor"}, "a2 b2 a1 b1 c1", "a2 b2 a1 b1 c1 new"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Describe(c.order));
    ClientTable t(ItemsDef());
    Fill(t, kFive);
    Choose(t, c.order);
    EXPECT_EQ(Walk(t), c.walk);
    // A row added later takes its place in the ordering and stays current.
    Add(t, {"B", "new", 2, "1,5", "10"});
    EXPECT_EQ(Current(t), "new");
    EXPECT_EQ(Walk(t), c.with_new);
  }
}

// Orderings of many rows whose texts share long beginnings, end inside one
// another, or hold bytes above 0x7f, ascending and descending, against a
// plain sort by (text, number, order of insertion).
TEST(ClientTableIndexes, OrderingsOfTextsThatShareLongBeginnings) {
  TableDef def;
  def.name = "cds_textos";
  def.fields = {Int("id"), Text("texto", 40), Int("numero")};
  ClientTable t(def);
  t.AddIndex("texto_desc", "texto; numero", true);
  std::mt19937 rng(77);
  const std::string stems[] = {"", "7899990001", "78999900010351234567", "\xc7\xc7", "A"};
  struct Row {
    int id;
    std::string texto;
    int numero;
  };
  std::vector<Row> rows;
  for (int id = 0; id < 3000; ++id) {
    std::string text = stems[rng() % std::size(stems)];
    for (int n = static_cast<int>(rng() % 8); n > 0; --n) text += "0 1\xe9"[rng() % 4];
    rows.push_back({id, text, static_cast<int>(rng() % 3)});
    t.Append();
    t.FieldByName("id").SetAsInteger(id);
    t.FieldByName("texto").SetAsString(text);
    t.FieldByName("numero").SetAsInteger(rows.back().numero);
    t.Post();
  }
  auto ids = [&] {
    std::string out;
    for (t.First(); !t.Eof(); t.Next()) out += t.FieldByName("id").AsString() + " ";
    return out;
  };
  auto expected = [&](bool descending) {
    std::vector<Row> sorted = rows;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Row& a, const Row& b) {
      int c = std::string_view(a.texto).compare(b.texto);
      if (c == 0) c = a.numero - b.numero;
      return descending ? c > 0 : c < 0;
    });
    std::string out;
    for (const Row& r : sorted) out += std::to_string(r.id) + " ";
    return out;
  };
  t.SetIndexFieldNames("texto; numero");
  EXPECT_EQ(ids(), expected(false));
  t.SetIndexName("texto_desc");
  EXPECT_EQ(ids(), expected(true));
}

TEST(ClientTableIndexes, TheChosenOrderingSurvivesEmptyDataSet) {
  const Order orders[] = {
      {"codigo", "", ""},
      {"numero; codigo", "", ""},
      {"", "num_desc", "numero"},
      {"", "DEFAULT_ORDER", ""},
  };
  // Refilled in reverse, so ties come the other way round.
  const char* expected[] = {"a2 a1 b2 b1 c1", "a2 b2 b1 c1 a1", "a1 c1 b1 a2 b2", "a2 c1 b2 a1 b1"};
  for (size_t i = 0; i < std::size(orders); ++i) {
    SCOPED_TRACE(Describe(orders[i]));
    ClientTable t(ItemsDef());
    Fill(t, kFive);
    Choose(t, orders[i]);
    std::string name = t.IndexName(), fields = t.IndexFieldNames();
    t.EmptyDataSet();
    EXPECT_EQ(Walk(t), "");
    EXPECT_EQ(t.IndexName(), name);
    EXPECT_EQ(t.IndexFieldNames(), fields);
    std::vector<Item> reversed(kFive.rbegin(), kFive.rend());
    Fill(t, reversed);
    EXPECT_EQ(Walk(t), expected[i]);
    // Lookups are served again as well.
    EXPECT_TRUE(t.Locate("codigo", {"B"}));
    EXPECT_TRUE(t.Locate("numero", {3}));
    EXPECT_EQ(Current(t), "a1");
  }
}

TEST(ClientTableIndexes, AddIndexRejectsNamesAlreadyPresentAndUnknownFields) {
  ClientTable t(ItemsDef());
  t.AddIndex("por_codigo", "codigo");
  struct Case {
    const char* name;
    const char* fields;
    const char* named;  // what the message must name
  };
  const Case cases[] = {
      {"por_codigo", "numero", "por_codigo"},
      {"POR_CODIGO", "numero", "POR_CODIGO"},
      {"DEFAULT_ORDER", "numero", "DEFAULT_ORDER"},
      {"CHANGEINDEX", "numero", "CHANGEINDEX"},
      {"outro", "nada", "nada"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto msg = TableErrorOf([&] { t.AddIndex(c.name, c.fields); });
    ASSERT_TRUE(msg.has_value());
    EXPECT_NE(msg->find(c.named), std::string::npos) << *msg;
  }
  std::vector<std::string> names;
  for (const auto& d : t.IndexDefs()) names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"DEFAULT_ORDER", "CHANGEINDEX", "por_codigo"}));
}

TEST(ClientTableIndexes, DeletingTheActiveIndexFallsBackToDefaultOrder) {
  ClientTable t(ItemsDef());
  Fill(t, kFive);
  t.AddIndex("num_desc", "numero", true);
  t.AddIndex("cod", "codigo");
  t.SetIndexName("num_desc");
  ASSERT_EQ(Walk(t), "a1 b1 c1 b2 a2");

  t.DeleteIndex("cod");  // not the active one: the ordering stays
  EXPECT_EQ(t.IndexName(), "num_desc");
  EXPECT_EQ(Walk(t), "a1 b1 c1 b2 a2");

  t.Locate("codigo", {"C"});
  t.DeleteIndex("num_desc");
  EXPECT_EQ(Current(t), "c1") << "the current row stays";
  EXPECT_NE(t.IndexName(), "num_desc");
  EXPECT_EQ(Walk(t), "b1 a1 b2 c1 a2");
  EXPECT_EQ(t.IndexDefs().size(), 2u);
  EXPECT_THROW(t.SetIndexName("num_desc"), TableError);
  auto msg = TableErrorOf([&] { t.DeleteIndex("num_desc"); });
  ASSERT_TRUE(msg.has_value());
  EXPECT_NE(msg->find("num_desc"), std::string::npos) << *msg;

  // The name is free again, in the other direction.
  t.AddIndex("num_desc", "numero");
  t.SetIndexName("num_desc");
  EXPECT_EQ(Walk(t), "b2 a2 b1 c1 a1");
  auto defs = t.IndexDefs();
  ASSERT_EQ(defs.size(), 3u);
  EXPECT_EQ(defs[2].name, "num_desc");
  EXPECT_FALSE(defs[2].descending);
}

TEST(ClientTableIndexes, IndexesOfTheDefinitionCanBeChosenAndDeleted) {
  TableDef def = ItemsDef();
  def.indexes = {{"idx_valor", "valor", true}};
  ClientTable t(def);
  Fill(t, kFive);
  t.SetIndexName("idx_valor");
  EXPECT_EQ(Walk(t), "a2 b2 a1 b1 c1");
  t.DeleteIndex("idx_valor");
  EXPECT_EQ(Walk(t), "b1 a1 b2 c1 a2");
  EXPECT_THROW(t.SetIndexName("idx_valor"), TableError);
}

// ------------------------------------------------------------ walk and edit

TEST(ClientTableWalk, EditingNonKeyFieldsKeepsTheWalkOnCourse) {
  // clang-format off
  const Order orders[] = {
      {"", "", ""}, {"codigo", "", ""}, {"codigo;numero", "", ""}, {"", "num_desc", "numero"},
  };
  // clang-format on
  for (const auto& o : orders) {
    SCOPED_TRACE(Describe(o));
    ClientTable t(ItemsDef());
    Fill(t, kFive);
    Choose(t, o);
    std::string plain = Walk(t);
    // A lookup index on descricao exists too, and must follow the edits.
    ASSERT_TRUE(t.Locate("descricao", {"c1"}));
    std::string visited;
    for (t.First(); !t.Eof(); t.Next()) {
      std::string d = t.FieldByName("descricao").AsString();
      visited += visited.empty() ? d : " " + d;
      t.Edit();
      t.FieldByName("descricao").SetAsString(d + "*");
      t.FieldByName("valor").SetAsCurrency(t.FieldByName("valor").AsCurrency() +
                                           Money::FromUnits(1));
      t.Post();
    }
    EXPECT_EQ(visited, plain);
    std::string starred = plain + "*";
    for (size_t i = starred.find(' '); i != std::string::npos; i = starred.find(' ', i + 2))
      starred.insert(i, "*");
    EXPECT_EQ(Walk(t), starred);
    EXPECT_FALSE(t.Locate("descricao", {"c1"}));
    EXPECT_TRUE(t.Locate("descricao", {"c1*"}));
    EXPECT_EQ(t.Aggregate("total_valor").floating, 115.0);
  }
}

TEST(ClientTableWalk, EditingAKeyFieldMovesTheRowAndKeepsTheTableConsistent) {
  struct Case {
    Order order;
    const char* row;    // descricao of the row edited
    const char* field;  // key field changed
    const char* value;
    const char* walk;  // afterwards
    const char* next;  // the row after the edited one, or "<eof>"
  };
  const Case cases[] = {
      {{"codigo", "", ""}, "c1", "codigo", "A", "a1 c1 a2 b1 b2", "a2"},
      {{"codigo", "", ""}, "a1", "codigo", "Z", "a2 b1 b2 c1 a1", "<eof>"},
      {{"codigo", "", ""}, "b2", "codigo", "B", "a1 a2 b1 b2 c1", "c1"},
      {{"codigo;numero", "", ""}, "b1", "numero", "0", "a2 a1 b1 b2 c1", "b2"},
      {{"", "num_desc", "numero"}, "a2", "numero", "9", "a2 a1 b1 c1 b2", "a1"},
      {{"", "num_desc", "numero"}, "a1", "numero", "-1", "b1 c1 b2 a2 a1", "<eof>"},
      {{"valor", "", ""}, "b1", "valor", "35", "c1 a1 b2 b1 a2", "a2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Describe(c.order) + ": " + c.row + "." + c.field + " = " + c.value);
    ClientTable t(ItemsDef());
    Fill(t, kFive);
    Choose(t, c.order);
    // Lookups on the edited field and on others have been served before.
    t.Locate(c.field, {"0"});
    t.Locate("descricao;" + std::string(c.field), {"", "0"});
    ASSERT_TRUE(t.Locate("descricao", {c.row}));
    std::string old_value = t.FieldByName(c.field).AsString();
    t.Edit();
    t.FieldByName(c.field).SetAsString(c.value);
    t.Post();
    EXPECT_EQ(Current(t), c.row) << "the edited row stays current";
    t.Next();
    EXPECT_EQ(t.Eof() ? "<eof>" : Current(t), c.next);
    EXPECT_EQ(Walk(t), c.walk);
    // Every lookup path agrees with the new value.
    EXPECT_TRUE(t.Locate(c.field, {c.value}));
    EXPECT_TRUE(t.Locate("descricao;" + std::string(c.field), {c.row, c.value}));
    EXPECT_EQ(Current(t), c.row);
    if (old_value != c.value) {
      EXPECT_FALSE(t.Locate("descricao;" + std::string(c.field), {c.row, old_value}));
    }
    EXPECT_EQ(t.RecordCount(), 5);
  }
}

// ------------------------------------------------------- insert and delete

TEST(ClientTableRows, InsertPlacesTheRowBeforeTheCurrentOneInDefaultOrder) {
  ClientTable t(ItemsDef());
  t.Insert();  // on an empty table: the first row
  t.FieldByName("descricao").SetAsString("m");
  t.Post();
  Fill(t, {{"", "n", 0, "0", "0"}, {"", "o", 0, "0", "0"}});
  ASSERT_TRUE(t.Locate("descricao", {"n"}));
  t.Insert();
  t.FieldByName("descricao").SetAsString("x");
  t.Post();
  EXPECT_EQ(Current(t), "x");
  EXPECT_EQ(Walk(t), "m x n o");

  // Again and again before the first row: the order of addition is kept
  // however many rows go in between.
  std::string expected = "m x n o";
  for (int i = 0; i < 80; ++i) {
    t.First();
    t.Insert();
    std::string d = "f" + std::to_string(i);
    t.FieldByName("descricao").SetAsString(d);
    t.Post();
    expected = d + " " + expected;
  }
  EXPECT_EQ(Walk(t), expected);
  // And between two neighbours.
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(t.Locate("descricao", {"n"}));
    t.Insert();
    t.FieldByName("descricao").SetAsString("g" + std::to_string(i));
    t.Post();
  }
  std::string walk = Walk(t);
  EXPECT_NE(walk.find("x g0 g1 g2"), std::string::npos);
  EXPECT_NE(walk.find("g38 g39 n o"), std::string::npos);

  // With an ordering active the new row is placed by it, and the default
  // order still has it before the row that was current.
  ClientTable u(ItemsDef());
  Fill(u, kFive);
  u.SetIndexFieldNames("codigo");
  ASSERT_TRUE(u.Locate("descricao", {"c1"}));
  u.Insert();
  u.FieldByName("codigo").SetAsString("A");
  u.FieldByName("descricao").SetAsString("a3");
  u.Post();
  EXPECT_EQ(Current(u), "a3");
  EXPECT_EQ(Walk(u), "a1 a3 a2 b1 b2 c1");
  u.SetIndexName("DEFAULT_ORDER");
  EXPECT_EQ(Walk(u), "b1 a1 b2 a3 c1 a2");
}

TEST(ClientTableRows, DeleteMakesTheNextRowCurrent) {
  struct Case {
    Order order;
    const char* row;
    const char* current;  // afterwards
    const char* walk;
  };
  const Case cases[] = {
      {{"", "", ""}, "b2", "c1", "b1 a1 c1 a2"},
      {{"", "", ""}, "b1", "a1", "a1 b2 c1 a2"},
      {{"", "", ""}, "a2", "c1", "b1 a1 b2 c1"},  // the last: the new last
      {{"codigo", "", ""}, "a2", "b1", "a1 b1 b2 c1"},
      {{"codigo", "", ""}, "c1", "b2", "a1 a2 b1 b2"},
      {{"", "num_desc", "numero"}, "b1", "c1", "a1 c1 b2 a2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Describe(c.order) + ": delete " + c.row);
    ClientTable t(ItemsDef());
    Fill(t, kFive);
    Choose(t, c.order);
    ASSERT_TRUE(t.Locate("numero", {2}));  // a lookup index that must follow
    ASSERT_TRUE(t.Locate("descricao", {c.row}));
    t.Delete();
    EXPECT_EQ(Current(t), c.current);
    EXPECT_EQ(t.RecordCount(), 4);
    EXPECT_EQ(Walk(t), c.walk);
    EXPECT_FALSE(t.Locate("descricao", {c.row}));
  }

  ClientTable t(ItemsDef());
  Add(t, {"A", "only", 1, "1", "1"});
  t.Delete();
  EXPECT_FALSE(t.HasCurrent());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_TRUE(t.Aggregate("total_num").is_null);
  EXPECT_THROW(t.Delete(), TableError);
}

TEST(ClientTableRows, EditingStatesPostingAndClosing) {
  using S = ClientTable::State;
  ClientTable t(ItemsDef());
  EXPECT_EQ(t.state(), S::kBrowse);
  auto msg = TableErrorOf([&] { t.FieldByName("descricao").SetAsString("x"); });
  ASSERT_TRUE(msg.has_value()) << "setting a field needs Append, Insert or Edit";
  EXPECT_NE(msg->find("descricao"), std::string::npos) << *msg;
  EXPECT_THROW(t.Edit(), TableError) << "nothing to edit";

  t.Append();
  EXPECT_EQ(t.state(), S::kInsert);
  t.FieldByName("descricao").SetAsString("dropped");
  t.Cancel();
  EXPECT_EQ(t.state(), S::kBrowse);
  EXPECT_EQ(t.RecordCount(), 0);

  // Moving the cursor posts a pending row or change.
  t.Append();
  t.FieldByName("descricao").SetAsString("kept");
  t.Next();
  EXPECT_EQ(t.state(), S::kBrowse);
  EXPECT_EQ(t.RecordCount(), 1);
  t.Edit();
  EXPECT_EQ(t.state(), S::kEdit);
  t.FieldByName("descricao").SetAsString("changed");
  EXPECT_TRUE(t.Locate("descricao", {"changed"}));
  EXPECT_EQ(t.state(), S::kBrowse);
  // A cancelled edit leaves the row as it was.
  t.Edit();
  t.FieldByName("descricao").SetAsString("undone");
  t.Cancel();
  EXPECT_EQ(Current(t), "changed");

  t.Close();
  EXPECT_EQ(t.state(), S::kClosed);
  EXPECT_THROW(t.Append(), TableError);
  EXPECT_THROW(t.First(), TableError);
  t.Open();
  EXPECT_EQ(t.state(), S::kBrowse);
  EXPECT_EQ(t.RecordCount(), 0) << "a closed table keeps no rows";
  Add(t, {"A", "again", 1, "1", "1"});
  EXPECT_EQ(Walk(t), "again");
}

// ---------------------------------------------------------- display binding

struct Recorder : TableObserver {
  std::vector<TableChange> changes;
  void TableChanged(const ClientTable&, TableChange change) override { changes.push_back(change); }
  std::vector<TableChange> Take() { return std::exchange(changes, {}); }
};

using Changes = std::vector<TableChange>;

TEST(ClientTableBinding, ObserversFollowTheTableOnlyWhileEnabled) {
  ClientTable t(ItemsDef());
  ASSERT_NE(t.binding(), nullptr);
  EXPECT_EQ(t.binding()->name(), "ds_itens");
  Recorder r;
  t.binding()->AddObserver(&r);

  Fill(t, kFive);
  EXPECT_EQ(r.Take(), Changes(5, TableChange::kRowsAdded));
  t.Edit();
  t.FieldByName("descricao").SetAsString("z");
  t.Post();
  EXPECT_EQ(r.Take(), Changes{TableChange::kDataChanged});
  t.Locate("descricao", {"b2"});
  EXPECT_EQ(r.Take(), Changes{TableChange::kCurrent});
  t.Delete();
  EXPECT_EQ(r.Take(), Changes{TableChange::kReset});
  t.SetIndexFieldNames("codigo");
  EXPECT_EQ(r.Take(), Changes{TableChange::kReset});
  t.First();
  t.Next();
  EXPECT_EQ(r.Take(), (Changes{TableChange::kCurrent, TableChange::kCurrent}));

  t.binding()->SetEnabled(false);
  Add(t, {"D", "d1", 1, "1", "1"});
  t.Locate("descricao", {"a1"});
  t.EmptyDataSet();
  EXPECT_EQ(r.Take(), Changes{}) << "nothing while disabled";
  t.binding()->SetEnabled(true);
  EXPECT_EQ(r.Take(), Changes{TableChange::kReset});

  t.binding()->RemoveObserver(&r);
  Add(t, {"D", "d1", 1, "1", "1"});
  EXPECT_EQ(r.Take(), Changes{});
}

TEST(ClientTableBinding, DisableControlsCoalescesIntoOneReset) {
  ClientTable t(ItemsDef());
  Recorder r;
  t.binding()->AddObserver(&r);

  t.DisableControls();
  t.EnableControls();
  EXPECT_EQ(r.Take(), Changes{}) << "nothing happened, nothing to show";

  t.DisableControls();
  t.DisableControls();
  Fill(t, kFive);
  t.SetIndexFieldNames("numero");
  t.First();
  t.Delete();
  t.EnableControls();
  EXPECT_EQ(r.Take(), Changes{}) << "still disabled once";
  t.EnableControls();
  EXPECT_EQ(r.Take(), Changes{TableChange::kReset});
  t.EnableControls();  // one too many: harmless
  EXPECT_EQ(r.Take(), Changes{});

  // A cursor move alone, too, must reach the displays.
  t.DisableControls();
  for (t.First(); !t.Eof(); t.Next()) {
  }
  t.Locate("descricao", {"a1"});
  t.EnableControls();
  EXPECT_EQ(r.Take(), Changes{TableChange::kReset});
}

// --------------------------------------------------------- random checking

// The table against a plain vector in the order of addition: a long run of
// random appends, inserts, edits of key and non-key fields, deletions, cursor
// moves, lookups and ordering changes.
class Model {
 public:
  struct Row {
    int id;
    std::string codigo;
    int numero;
    int64_t valor;
  };
  enum class Ordering { kDefault, kCodigoNumero, kNumeroCodigoDesc, kValor };

  std::vector<Row> rows;  // in the order of addition
  Ordering ordering = Ordering::kDefault;
  int current = -1;  // id, -1 when none

  std::vector<int> Ordered() const {
    std::vector<Row> sorted = rows;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Row& a, const Row& b) {
      switch (ordering) {
        case Ordering::kDefault:
          return false;
        case Ordering::kCodigoNumero:
          return a.codigo != b.codigo ? a.codigo < b.codigo : a.numero < b.numero;
        case Ordering::kNumeroCodigoDesc:
          return a.numero != b.numero ? a.numero > b.numero : a.codigo > b.codigo;
        case Ordering::kValor:
          return a.valor < b.valor;
      }
      return false;
    });
    std::vector<int> ids;
    for (const Row& r : sorted) ids.push_back(r.id);
    return ids;
  }
  size_t IndexOf(int id) const {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].id == id) return i;
    return rows.size();
  }
  Row* Find(int id) {
    size_t i = IndexOf(id);
    return i < rows.size() ? &rows[i] : nullptr;
  }
  template <typename Pred>
  int FirstMatch(Pred pred) const {
    for (int id : Ordered())
      if (pred(rows[IndexOf(id)])) return id;
    return -1;
  }
};

TEST(ClientTableConsistency, RandomOperationsAgreeWithAVectorModel) {
  TableDef def;
  def.name = "cds_random";
  def.aggregates_active = true;
  // Codes up to five characters: short ones sit in their cells, those of
  // more than seven bytes in the text store.
  def.fields = {Int("id"), Text("codigo", 5), Int("numero"), Curr("valor")};
  def.aggregates = {{"soma", "sum(valor)*1", "", false}};
  ClientTable t(def);
  t.AddIndex("num_cod_desc", "numero; codigo", true);
  Model m;
  std::mt19937 rng(20240611);
  auto pick = [&](size_t n) { return static_cast<int>(rng() % n); };
  const char* codes[] = {"",   "A", "AB",      "B",      "BA",    "Ç",
                         "ÇA", "c", "ABCDEFG", "ÇÇÇÇÇÇ", "ÇÇÇÇA", "ÇÇÇÇ"};
  auto random_code = [&] { return std::string(codes[pick(std::size(codes))]); };
  auto stored_code = [](std::string s) { return std::string(CutToChars(s, 5)); };
  auto random_valor = [&] { return int64_t{pick(7)} * 2500 - 5000; };
  int next_id = 1;

  auto current_id = [&] { return t.HasCurrent() ? t.FieldByName("id").AsInteger() : -1; };
  auto set_fields = [&](Model::Row& row) {
    t.FieldByName("id").SetAsInteger(row.id);
    t.FieldByName("codigo").SetAsString(row.codigo);
    row.codigo = stored_code(row.codigo);
    t.FieldByName("numero").SetAsInteger(row.numero);
    t.FieldByName("valor").SetAsCurrency(Money::FromRaw(row.valor));
  };
  auto check_walk = [&](int step) {
    std::vector<int> walk;
    for (t.First(); !t.Eof(); t.Next()) walk.push_back(t.FieldByName("id").AsInteger());
    ASSERT_EQ(walk, m.Ordered()) << "walk after step " << step;
    m.current = walk.empty() ? -1 : walk.back();
    int64_t sum = 0;
    for (const auto& r : m.rows) sum += r.valor;
    AggregateValue soma = t.Aggregate("soma");
    ASSERT_EQ(soma.is_null, m.rows.empty());
    if (!m.rows.empty()) {
      ASSERT_EQ(soma.floating, Money::FromRaw(sum).ToDouble());
    }
  };

  for (int step = 0; step < 6000; ++step) {
    int op = pick(100);
    if (op < 22) {  // append
      Model::Row row{next_id++, random_code(), pick(6), random_valor()};
      t.Append();
      set_fields(row);
      t.Post();
      m.rows.push_back(row);
      m.current = row.id;
    } else if (op < 30) {  // insert before the current row
      Model::Row row{next_id++, random_code(), pick(6), random_valor()};
      t.Insert();
      set_fields(row);
      t.Post();
      m.rows.insert(m.rows.begin() + static_cast<std::ptrdiff_t>(
                                         m.current < 0 ? m.rows.size() : m.IndexOf(m.current)),
                    row);
      m.current = row.id;
    } else if (op < 48) {  // edit one field of the current row
      if (m.current < 0) continue;
      Model::Row* row = m.Find(m.current);
      t.Edit();
      switch (pick(3)) {
        case 0:
          row->codigo = random_code();
          t.FieldByName("codigo").SetAsString(row->codigo);
          row->codigo = stored_code(row->codigo);
          break;
        case 1:
          row->numero = pick(6);
          t.FieldByName("numero").SetAsInteger(row->numero);
          break;
        default:
          row->valor = random_valor();
          t.FieldByName("valor").SetAsCurrency(Money::FromRaw(row->valor));
      }
      t.Post();
    } else if (op < 58) {  // delete the current row
      if (m.current < 0) continue;
      std::vector<int> ord = m.Ordered();
      size_t pos = static_cast<size_t>(std::find(ord.begin(), ord.end(), m.current) - ord.begin());
      int next = pos + 1 < ord.size() ? ord[pos + 1] : pos > 0 ? ord[pos - 1] : -1;
      t.Delete();
      m.rows.erase(m.rows.begin() + static_cast<std::ptrdiff_t>(m.IndexOf(m.current)));
      m.current = next;
    } else if (op < 66) {  // locate by id, present or not
      int id = pick(next_id + 3);
      bool found = m.Find(id) != nullptr;
      ASSERT_EQ(t.Locate("id", {id}), found) << "id " << id << " at step " << step;
      if (found) m.current = id;
    } else if (op < 74) {  // locate by code: a prefix of one ordering
      std::string code = stored_code(random_code());
      int id = m.FirstMatch([&](const Model::Row& r) { return r.codigo == code; });
      ASSERT_EQ(t.Locate("codigo", {code}), id >= 0) << "'" << code << "' at step " << step;
      if (id >= 0) m.current = id;
    } else if (op < 80) {  // locate by two fields
      std::string code = stored_code(random_code());
      int numero = pick(6);
      int id =
          m.FirstMatch([&](const Model::Row& r) { return r.codigo == code && r.numero == numero; });
      ASSERT_EQ(t.Locate("codigo;numero", {code, numero}), id >= 0) << "step " << step;
      if (id >= 0) m.current = id;
    } else if (op < 82) {  // locate by the start of a code, maybe in any letter case
      const char* starts[] = {"A", "a", "B", "b", "Ç", "ÇÇ", "AB", "C"};
      std::string start = starts[pick(std::size(starts))];
      bool any_case = pick(2) == 0;
      auto lower = [](std::string s) {
        for (char& ch : s) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
        return s;
      };
      int id = m.FirstMatch([&](const Model::Row& r) {
        return any_case ? lower(r.codigo).rfind(lower(start), 0) == 0
                        : r.codigo.rfind(start, 0) == 0;
      });
      ASSERT_EQ(t.Locate("codigo", {start}, {any_case, true}), id >= 0) << "step " << step;
      if (id >= 0) m.current = id;
    } else if (op < 85) {  // locate by number or value
      bool by_numero = pick(2) == 0;
      int numero = pick(6);
      int64_t valor = random_valor();
      int id = m.FirstMatch(
          [&](const Model::Row& r) { return by_numero ? r.numero == numero : r.valor == valor; });
      bool found =
          by_numero ? t.Locate("numero", {numero}) : t.Locate("valor", {Money::FromRaw(valor)});
      ASSERT_EQ(found, id >= 0) << "step " << step;
      if (id >= 0) m.current = id;
    } else if (op < 93) {  // one step along the ordering
      if (m.current < 0) continue;
      std::vector<int> ord = m.Ordered();
      size_t pos = static_cast<size_t>(std::find(ord.begin(), ord.end(), m.current) - ord.begin());
      if (pick(2) == 0) {
        t.Next();
        if (pos + 1 < ord.size()) m.current = ord[pos + 1];
      } else {
        t.Prior();
        if (pos > 0) m.current = ord[pos - 1];
      }
    } else if (op < 96) {  // another ordering
      switch (pick(4)) {
        case 0:
          t.SetIndexName("DEFAULT_ORDER");
          m.ordering = Model::Ordering::kDefault;
          break;
        case 1:
          t.SetIndexFieldNames("codigo; numero");
          m.ordering = Model::Ordering::kCodigoNumero;
          break;
        case 2:
          t.SetIndexName("num_cod_desc");
          m.ordering = Model::Ordering::kNumeroCodigoDesc;
          break;
        default:
          t.SetIndexFieldNames("valor");
          m.ordering = Model::Ordering::kValor;
      }
    } else if (op < 99) {
      check_walk(step);
      if (HasFatalFailure()) return;
    } else if (pick(4) == 0) {
      t.EmptyDataSet();
      m.rows.clear();
      m.current = -1;
    }
    ASSERT_EQ(t.RecordCount(), static_cast<int>(m.rows.size())) << "step " << step;
    ASSERT_EQ(current_id(), m.current) << "step " << step << " op " << op;
  }
  check_walk(-1);
}

}  // namespace
}  // namespace fiscora
