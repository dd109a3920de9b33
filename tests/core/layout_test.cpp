// Field reading by the record layouts, line reading and encodings.
#include "sintegra/layout.h"

#include <gtest/gtest.h>

#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using testing::Rec;
using testing::TempDir;

TEST(Layout, FieldForms) {
  Rec r("50");
  r.Put(rec50::kData, "20240131").Num(rec50::kValorTotal, 12345);
  r.Put(rec50::kBaseCalculo, "    000001234").Put(rec50::kValorIcms, "         1,5 ");
  RecordLine line(r.str(), false);
  EXPECT_EQ(line.Date(rec50::kData), "31/01/2024");
  EXPECT_EQ(line.Amount(rec50::kValorTotal).raw(), 1234500);  // 123,45
  EXPECT_EQ(line.Amount(rec50::kBaseCalculo).raw(), 123400);  // blanks accepted
  EXPECT_DOUBLE_EQ(
      RecordLine(Rec("74").Num(rec74::kQuantidade, 1500).str(), false).Float(rec74::kQuantidade),
      1.5);
  EXPECT_EQ(RecordLine(Rec("50").Num(rec50::kNumero, 123).str(), false).Integer(rec50::kNumero),
            123);
  // A field beyond the end of a short line reads as the part that exists.
  std::string short_text =
      Rec("10").Put(rec10::kDataInicial, "2024").CutAfter(rec10::kDataInicial.Head(4)).str();
  RecordLine short_line(short_text, false);
  EXPECT_EQ(short_line.Raw(rec10::kFinalidade), "");
  EXPECT_EQ(short_line.Date(rec10::kDataInicial.first), "//2024");
  EXPECT_THROW(short_line.Date(rec10::kDataInicial), ConversionError);
}

// The layouts have no sign and a date names a real day: "-" is a character
// that is not a digit, 31 February is not a date.
TEST(Layout, SignsAndImpossibleDatesAreConversionErrors) {
  for (const char* amount : {"-000000031380", "+000000031380", "     -3138000"}) {
    SCOPED_TRACE(amount);
    const std::string text = Rec("50").Put(rec50::kValorTotal, amount).str();
    RecordLine line(text, false);
    EXPECT_THROW(line.Amount(rec50::kValorTotal), ConversionError);
  }
  const std::string number = Rec("50").Put(rec50::kNumero, "-00123").str();
  EXPECT_THROW(RecordLine(number, false).Integer(rec50::kNumero), ConversionError);
  const struct {
    const char* text;
    bool real;
  } dates[] = {{"20240229", true},  {"20250229", false}, {"20240231", false}, {"20241301", false},
               {"20240100", false}, {"00000000", false}, {"2024013A", false}, {"19000229", false},
               {"20000229", true},  {"20241231", true}};
  for (const auto& d : dates) {
    SCOPED_TRACE(d.text);
    std::string name = "loja.txt";
    const std::string text = Rec("50").Put(rec50::kData, d.text).str();
    RecordLine line(text, false, &name, 7);
    char buf[10];
    if (d.real) {
      EXPECT_EQ(line.DateView(rec50::kData, buf), line.Date(rec50::kData));
      continue;
    }
    try {
      line.Date(rec50::kData);
      ADD_FAILURE() << "accepted";
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.line(), 7);
      EXPECT_EQ(e.file(), "loja.txt");
      EXPECT_NE(e.detail().find("registro 50, colunas 31-38"), std::string::npos) << e.detail();
      EXPECT_NE(e.detail().find("'" + std::string(d.text) + "' não é uma data válida"),
                std::string::npos)
          << e.detail();
    }
    EXPECT_THROW(line.DateView(rec50::kData, buf), ConversionError);
    EXPECT_EQ(IsRealDigitDate(d.text, DigitDateOrder::kYearMonthDay), d.real);
  }
  EXPECT_TRUE(IsRealDigitDate("29022024", DigitDateOrder::kDayMonthYear));
  EXPECT_FALSE(IsRealDigitDate("31022024", DigitDateOrder::kDayMonthYear));
}

TEST(Layout, ConversionErrorNamesWhereReadingStopped) {
  struct Case {
    const char* field_text;
  } cases[] = {{"00000012A4567"}, {"             "}, {"000 000000001"}, {"-"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field_text);
    std::string name = "notas.txt";
    Rec r("50");
    r.Put(rec50::kValorTotal, c.field_text);
    RecordLine line(r.str(), false, &name, 42);
    try {
      line.Amount(rec50::kValorTotal);
      FAIL() << "no error";
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.file(), "notas.txt");
      EXPECT_EQ(e.line(), 42);
      EXPECT_EQ(e.record(), "50");
      EXPECT_EQ(e.first_column(), 57);
      EXPECT_EQ(e.last_column(), 69);
      EXPECT_EQ(e.field(), "valor total");
      EXPECT_EQ(e.text(), std::string(line.Raw(rec50::kValorTotal)));
      std::string what = e.what();
      EXPECT_NE(what.find("linha 42"), std::string::npos) << what;
      EXPECT_NE(what.find("colunas 57-69"), std::string::npos) << what;
      EXPECT_NE(what.find("não é um número válido"), std::string::npos) << what;
    }
  }
}

// A numeric field that runs past the end of a short line names the missing
// columns instead of an empty number.
TEST(Layout, ShortLineNamesTheMissingColumns) {
  // clang-format off
  struct Case {
    FieldSpec last_present;  // the line ends after this field
    const char* expected;
  } cases[] = {
      {rec50::kSerie, "registro 50, colunas 46-51 (número da nota): a linha termina na coluna 45; faltam as colunas 46-51."},
      {rec50::kNumero.Head(5), "registro 50, colunas 46-51 (número da nota): a linha termina na coluna 50; falta a coluna 51."},
      {rec50::kTipo, "registro 50, colunas 46-51 (número da nota): a linha termina na coluna 2; faltam as colunas 3-51."},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.last_present.last());
    std::string name = "curto.txt";
    std::string text = Rec("50").Num(rec50::kNumero, 123).CutAfter(c.last_present).str();
    RecordLine line(text, false, &name, 7);
    try {
      line.Integer(rec50::kNumero);
      FAIL() << "no error";
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.detail(), c.expected);
      EXPECT_EQ(e.line(), 7);
    }
  }
}

TEST(Layout, LineEndsAndByteOrderMark) {
  TempDir dir;
  // clang-format off
  struct Case {
    std::string name, bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"lf", "a\nb\n", {"a", "b"}},
      {"no final break", "a\nb", {"a", "b"}},
      {"empty", "", {}},
      {"empty line inside", "a\n\nb\n", {"a", "", "b"}},
      {"bom", "\xEF\xBB\xBF" "a\r\n", {"a"}},
      {"cr only", "a\rb\rc", {"a", "b", "c"}},
      {"cr only with bom", "\xEF\xBB\xBF" "a\rb\r", {"a", "b"}},
      {"crlf then a stray cr refused", "a\r\nb\rc\r\n", {"a", "refused at line 2"}},
      {"cr cr lf refused", "a\r\r\nb\r\r\n", {"a", "", "refused at line 3"}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = dir.path() / "f.txt";
    std::ofstream(p, std::ios::binary) << c.bytes;
    LineReader reader(p);
    std::vector<std::string> got;
    std::string_view line;
    try {
      while (reader.Next(line)) got.emplace_back(line);
    } catch (const InputRefusal& e) {
      EXPECT_EQ(e.file(), p.string());
      got.push_back("refused at line " + std::to_string(e.line()));
    }
    EXPECT_EQ(got, c.lines);
  }
}

TEST(Layout, LongFileCrossesReadBlocks) {
  TempDir dir;
  std::vector<std::string> lines;
  for (int i = 0; i < 50000; ++i) lines.push_back(Rec("60I").Num(rec60i::kData, i).str());
  auto path = dir.Write("big.txt", lines, "\n", false);
  LineReader reader(path);
  std::string_view line;
  int n = 0;
  while (reader.Next(line)) {
    ASSERT_EQ(line, lines[static_cast<size_t>(n)]);
    ++n;
  }
  EXPECT_EQ(n, 50000);
}

TEST(Layout, Utf8AndWindows1252GiveTheSameFields) {
  // "AÇÚCAR" in the description of record 75, then the unit after it.
  std::string cp1252 = Rec("75")
                           .Put(rec75::kCodigo, "P1")
                           .Put(rec75::kDescricao,
                                "A\xC7\xDA"
                                "CAR CRISTAL")
                           .Put(rec75::kUnidade, "KG")
                           .str();
  std::string utf8 = Cp1252ToUtf8(cp1252);  // two bytes more, the same characters
  ASSERT_EQ(utf8.size(), cp1252.size() + 2);
  EncodingSniffer a, b;
  RecordLine l1(cp1252, a.LineIsUtf8(cp1252)), l2(utf8, b.LineIsUtf8(utf8));
  EXPECT_EQ(l1.Text(rec75::kDescricao), l2.Text(rec75::kDescricao));
  EXPECT_EQ(l1.Trimmed(rec75::kDescricao),
            "A\xC3\x87\xC3\x9A"
            "CAR CRISTAL");
  EXPECT_EQ(l1.Text(rec75::kUnidade.Head(2)), "KG");
  EXPECT_EQ(l2.Text(rec75::kUnidade.Head(2)), "KG");
}

TEST(Layout, Cp1252HighBytes) {
  EXPECT_EQ(Cp1252ToUtf8("\x80 \x93ok\x94 \xE9"),
            "\xE2\x82\xAC \xE2\x80\x9Cok\xE2\x80\x9D \xC3\xA9");
  EXPECT_TRUE(IsValidUtf8("S\xC3\xA3o"));
  EXPECT_FALSE(IsValidUtf8("S\xE3o"));
}

}  // namespace
}  // namespace fiscora
