// SPED field access, filling, conversions, the line reader with its
// encodings and its stop at 9999, and the merge routing.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "sintegra/layout.h"
#include "sintegra_fixture.h"
#include "sped/fields.h"

namespace fiscora {
namespace {

using testing::TempDir;

TEST(SpedFields, FieldAccess) {
  struct Case {
    const char* line;
    int n;
    const char* expect;
  } cases[] = {
      // An empty field shifts the later ones on a raw line.
      {"|C100|0||4512|", 0, "C100"},
      {"|C100|0||4512|", 1, "0"},
      {"|C100|0||4512|", 2, "4512"},
      {"|C100|0||4512|", 3, ""},
      {"|C100|0||4512|", 99, ""},
      {"|C100|0||4512|", -1, ""},
      // Leading blanks skipped, trailing kept; a blank field is dropped.
      {"| C100 |", 0, "C100 "},
      {"| C100 |", 1, ""},
      {"|A|   |B|", 1, "B"},
      {"|A|\r\n B|", 1, "B"},
      {"", 0, ""},
      {"   ", 0, ""},
      {"C100|1|", 1, "1"},
      // The first apostrophe goes, later ones stay.
      {"|0150|X|AGUA D'OURO LTDA|", 2, "AGUA DOURO LTDA"},
      {"|0150|X|D'A D'B|", 2, "DA D'B"},
      // Quote characters do not join fields.
      {"|0200|1|TINTA 18\" BRANCA|UN|", 3, "UN"},
      {"|0200|1|\"ABC|UN|", 2, "\"ABC"},
      {"|0200|1|'A|B'|C|", 2, "A"},
      {"|0200|1|'A|B'|C|", 3, "B'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line) + " #" + std::to_string(c.n));
    EXPECT_EQ(SpedField(c.line, c.n), c.expect);
  }
}

TEST(SpedFields, FillingEmptyFields) {
  struct Case {
    const char* line;
    const char* once;
    const char* twice;
  } cases[] = {
      {"|C100|0||4512|", "|C100|0|0|4512|", "|C100|0|0|4512|"},
      {"|||", "|0||", "|0|0|"},
      {"|A|||B|", "|A|0||B|", "|A|0|0|B|"},
      {"|A||||B|", "|A|0||0|B|", "|A|0|0|0|B|"},
      {"|A| |B|", "|A| |B|", "|A| |B|"},  // blank-only fields stay
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SpedFillEmpty(c.line), c.once);
    EXPECT_EQ(SpedFillTwice(c.line), c.twice);
  }
  // The published positions after filling.
  SpedFields filled("|C100|0||4512|", SpedFields::Fill::kTwice);
  EXPECT_EQ(filled[2], "0");
  EXPECT_EQ(filled[3], "4512");
}

// SpedFields, which cuts a line once, agrees with SpedField on the filled
// text for random lines of bars, blanks, quotes and letters.
TEST(SpedFields, CutOnceAgreesWithFieldByField) {
  std::mt19937 rng(12);
  const std::string alphabet = "||||| \r\n'\"AB0,";
  SpedFields fields;
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    int len = static_cast<int>(rng() % 24);
    for (int i = 0; i < len; ++i) line += alphabet[rng() % alphabet.size()];
    SCOPED_TRACE(line);
    struct {
      SpedFields::Fill fill;
      std::string text;
    } forms[] = {{SpedFields::Fill::kRaw, line},
                 {SpedFields::Fill::kOnce, SpedFillEmpty(line)},
                 {SpedFields::Fill::kTwice, SpedFillTwice(line)}};
    for (const auto& form : forms) {
      fields.Parse(line, form.fill);
      for (int n = 0; n <= fields.size(); ++n)
        ASSERT_EQ(fields[n], SpedField(form.text, n)) << "field " << n;
      ASSERT_EQ(SpedField(form.text, fields.size()), "");
      // A cut that stops after the wanted fields gives them alike.
      int last = static_cast<int>(rng() % 6);
      fields.Parse(line, form.fill, last);
      for (int n = 0; n <= last; ++n)
        ASSERT_EQ(fields[n], SpedField(form.text, n)) << "field " << n;
    }
    ASSERT_EQ(SpedRegister(line), SpedField(line, 0));
  }
}

TEST(SpedFields, CnpjAndDate) {
  EXPECT_EQ(CnpjMask("12345678000195"), "12.345.678/0001-95");
  EXPECT_EQ(CnpjMask("1234567"), "12.345.67/-");
  EXPECT_EQ(CnpjMask(""), "../-");
  EXPECT_EQ(SpedDate("05032014"), "05/03/2014");
  EXPECT_EQ(SpedDate("0"), "0//");
}

TEST(SpedFields, MoneyFields) {
  struct Case {
    const char* text;
    int64_t raw;
  } cases[] = {{"0", 0},           {"1234,56", 12345600},
               {"7,", 70000},      {",5", 5000},
               {"-3,5", -35000},   {"0,00001", 0},
               {"1,23456", 12346}, {"99999999999999", 999999999999990000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SpedMoney(c.text, {}, 1, "VL").raw(), c.raw);
  }
}

TEST(SpedFields, ConversionErrorNamesFileLineAndRegister) {
  struct Case {
    const char* text;
  } cases[] = {{"12A"}, {""}, {"1.234,56"}, {","}, {"1,2,3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      SpedMoney(c.text, {"efd.txt", 17, "C100"}, 11, "VL_DOC");
      FAIL() << "no error";
    } catch (const SpedConversionError& e) {
      EXPECT_EQ(e.file(), "efd.txt");
      EXPECT_EQ(e.line(), 17);
      EXPECT_EQ(e.record(), "C100");
      EXPECT_EQ(e.field_index(), 11);
      EXPECT_EQ(e.field(), "VL_DOC");
      EXPECT_EQ(e.text(), c.text);
      std::string what = e.what();
      EXPECT_NE(what.find("efd.txt, linha 17"), std::string::npos) << what;
      EXPECT_NE(what.find("registro C100, campo 12 (VL_DOC)"), std::string::npos) << what;
      EXPECT_NE(what.find("não é um número válido"), std::string::npos) << what;
    }
  }
  EXPECT_THROW(SpedInteger("12,5", {"efd.txt", 3, "C100"}, 7, "NUM_DOC"), SpedConversionError);
  EXPECT_EQ(SpedInteger("4512", {}, 7, "NUM_DOC"), 4512);
}

TEST(SpedFields, MergeRouting) {
  struct Case {
    const char* code;
    bool first;
    MergeFile expect;
  } cases[] = {
      {"0000", true, MergeFile::kCabec},   {"0000", false, MergeFile::kNone},
      {"0001", true, MergeFile::kCabec},   {"0100", true, MergeFile::kCabec},
      {"0100", false, MergeFile::kNone},   {"0110", true, MergeFile::kCabec},
      {"0110", false, MergeFile::kNone},   {"0111", false, MergeFile::kBloco0},
      {"0140", true, MergeFile::kBloco0},  {"0150", false, MergeFile::kBloco0},
      {"0450", false, MergeFile::kBloco0}, {"0899", false, MergeFile::kBloco0},
      {"0005", true, MergeFile::kNone},    {"0990", true, MergeFile::kNone},
      {"0X10", true, MergeFile::kNone},    {"0", true, MergeFile::kNone},
      {"C001", true, MergeFile::kNone},    {"C100", true, MergeFile::kBlocoC},
      {"C990", true, MergeFile::kNone},    {"D001", true, MergeFile::kNone},
      {"D100", false, MergeFile::kBlocoD}, {"D990", true, MergeFile::kNone},
      {"A100", true, MergeFile::kNone},    {"M200", true, MergeFile::kNone},
      {"9999", true, MergeFile::kNone},    {"", true, MergeFile::kNone},
      {"C100 ", true, MergeFile::kBlocoC},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.code) + (c.first ? " first" : " later"));
    EXPECT_EQ(RouteMergeLine(c.code, c.first), c.expect);
  }
  EXPECT_EQ(MergeFileName(MergeFile::kCabec), "CABEC.txt");
  EXPECT_EQ(MergeFileName(MergeFile::kBloco0), "bloco0.txt");
  EXPECT_EQ(MergeFileName(MergeFile::kBlocoC), "blocoC.txt");
  EXPECT_EQ(MergeFileName(MergeFile::kBlocoD), "blocoD.txt");
  EXPECT_EQ(MergeFileName(MergeFile::kNone), "");
}

std::vector<std::string> ReadAll(const std::filesystem::path& p, SpedEncoding* enc = nullptr) {
  SpedLineReader reader(p);
  std::vector<std::string> lines;
  std::string_view line;
  try {
    while (reader.Next(line)) lines.emplace_back(line);
  } catch (const InputRefusal& e) {
    lines.push_back("refused at line " + std::to_string(e.line()));
  }
  if (enc) *enc = reader.encoding();
  return lines;
}

TEST(SpedLineReader, LinesStopAfter9999) {
  TempDir dir;
  struct Case {
    std::string name, bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"crlf", "|0000|\r\n|9999|2|\r\n", {"|0000|", "|9999|2|"}},
      {"signature after 9999",
       std::string("|0000|\r\n|9999|2|\r\n0\x82\x01\x00\xff|x\n", 18),
       {"|0000|", "|9999|2|"}},
      {"no final break", "|0000|\n|9999|2|", {"|0000|", "|9999|2|"}},
      {"9999 inside a field only", "|0200|9999|\n|C100|\n", {"|0200|9999|", "|C100|"}},
      {"bom", "\xEF\xBB\xBF|0000|\r\n", {"|0000|"}},
      {"cr only", "|0000|\r|C100|\r|9999|3|\r", {"|0000|", "|C100|", "|9999|3|"}},
      {"lone cr inside", "|0000|\n|0200|a\rb|\n", {"|0000|", "refused at line 2"}},
      {"lone cr in crlf", "|0000|\r\n|C100|\r|C170|\r\n", {"|0000|", "refused at line 2"}},
      {"empty", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = dir.path() / "efd.txt";
    std::ofstream(p, std::ios::binary) << c.bytes;
    EXPECT_EQ(ReadAll(p), c.lines);
  }
  EXPECT_THROW(SpedLineReader(dir.path() / "absent.txt"), FileError);
}

TEST(SpedLineReader, EncodingsAreSniffedAndDecoded) {
  TempDir dir;
  // "INFORMAÇÕES de ação" in each encoding.
  struct Case {
    std::string name, bytes;
    SpedEncoding expect;
  } cases[] = {
      {"utf-8",
       "|0150|INFORMA\xC3\x87\xC3\x95"
       "ES de a\xC3\xA7\xC3\xA3o|\n",
       SpedEncoding::kUtf8},
      {"utf-8 bom",
       "\xEF\xBB\xBF|0150|INFORMA\xC3\x87\xC3\x95"
       "ES de a\xC3\xA7\xC3\xA3o|\n",
       SpedEncoding::kUtf8},
      {"windows-1252",
       "|0150|INFORMA\xC7\xD5"
       "ES de a\xE7\xE3o|\n",
       SpedEncoding::kWindows1252},
      {"cp850",
       "|0150|INFORMA\x80\xE5"
       "ES de a\x87\xC6o|\n",
       SpedEncoding::kCp850},
      {"ascii", "|0150|INFORMACOES|\n", SpedEncoding::kAscii},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto p = dir.path() / "efd.txt";
    std::ofstream(p, std::ios::binary) << c.bytes;
    SpedLineReader reader(p);
    std::string_view line;
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(reader.encoding(), c.expect);
    std::string expected_text =
        c.expect == SpedEncoding::kAscii ? "INFORMACOES" : "INFORMAÇÕES de ação";
    EXPECT_EQ(reader.Decode(SpedFields(line)[1]), expected_text);
    // The line keeps the file's own bytes.
    size_t skip = c.bytes.rfind("|0150|", 16);
    EXPECT_EQ(line, std::string_view(c.bytes).substr(skip, c.bytes.size() - skip - 1));
  }
  EXPECT_EQ(SniffSpedEncoding("S\xC7O PAULO"), SpedEncoding::kWindows1252);
  EXPECT_EQ(SniffSpedEncoding("S\xC7O PAULO \x80"), SpedEncoding::kCp850);
  EXPECT_EQ(SniffSpedEncoding("Rua 1\xA7 andar"), SpedEncoding::kCp850);
  EXPECT_EQ(SniffSpedEncoding("cora\xC3"), SpedEncoding::kUtf8);  // cut sequence at the end
}

// Every EFD sample is read up to its 9999 line; the encoding is the one the
// file is known to have.
TEST(SpedLineReader, RealSamples) {
  std::filesystem::path folder = std::filesystem::path(FISCORA_SAMPLES) / "sped";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no samples";
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("icmsipi", 0) != 0 && name.rfind("contrib", 0) != 0) continue;
    SCOPED_TRACE(name);
    ++seen;
    SpedEncoding enc;
    std::vector<std::string> lines = ReadAll(entry.path(), &enc);
    ASSERT_FALSE(lines.empty());
    // Whatever follows 9999 is never read; a file without it is read whole.
    std::ifstream in(entry.path(), std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = all.find("|9999|");
    if (at != std::string::npos) {
      EXPECT_EQ(SpedRegister(lines.back()), "9999");
    } else {
      EXPECT_NE(SpedRegister(lines.back()), "9999");
    }
    if (name.find("siscomx") != std::string::npos) {
      EXPECT_EQ(enc, SpedEncoding::kCp850);
    } else if (name.find("pyspedfiscal") != std::string::npos ||
               name.find("ArquivoMinimo") != std::string::npos) {
      EXPECT_EQ(enc, SpedEncoding::kUtf8);
    } else {
      EXPECT_TRUE(enc == SpedEncoding::kWindows1252 || enc == SpedEncoding::kAscii);
    }
  }
  EXPECT_GT(seen, 10);
}

}  // namespace
}  // namespace fiscora
