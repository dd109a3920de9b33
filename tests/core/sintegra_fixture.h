// Test helpers: SINTEGRA lines built field by field, files in a private
// temporary folder, and a session over a fresh data module.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/catalogue.h"
#include "session/headless_session.h"
#include "sintegra/header.h"
#include "sintegra/record_layout.h"
#include "workflow/envelope.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"

namespace fiscora::testing {

// A 126-character record line, fields placed by their spec in the layouts.
class Rec {
 public:
  explicit Rec(std::string_view type) : s_(kRecordWidth, ' ') { s_.replace(0, type.size(), type); }
  // Text at the field's first column, as is; it must fit the field.
  Rec& Put(const FieldSpec& f, std::string_view text) {
    if (text.size() > static_cast<size_t>(f.width))
      throw std::logic_error("'" + std::string(text) + "' does not fit " + std::string(f.name));
    s_.replace(static_cast<size_t>(f.first - 1), text.size(), text);
    return *this;
  }
  // A whole number zero-padded to the field's width, decimals included (an
  // amount in its smallest unit: Num(rec50::kValorTotal, 12345) is 123,45).
  Rec& Num(const FieldSpec& f, long long value) {
    std::string digits = std::to_string(value);
    digits.insert(0, static_cast<size_t>(f.width) - digits.size(), '0');
    return Put(f, digits);
  }
  // By columns, for lines whose point is where a byte stands (the structural
  // validation reports columns): text at a 1-based column; a number
  // zero-padded to a width; the line cut to a length.
  Rec& Put(int column, std::string_view text) {
    s_.replace(static_cast<size_t>(column - 1), text.size(), text);
    return *this;
  }
  Rec& Num(int column, int width, long long value) {
    std::string digits = std::to_string(value);
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return Put(column, digits);
  }
  Rec& Cut(size_t length) {
    s_.resize(length);
    return *this;
  }
  // Ends the line after the field's last column.
  Rec& CutAfter(const FieldSpec& f) {
    s_.resize(static_cast<size_t>(f.last()));
    return *this;
  }
  const std::string& str() const { return s_; }
  operator std::string() const { return s_; }  // NOLINT

 private:
  std::string s_;
};

// Common records with the fields the analyses read.
inline Rec R10(std::string_view cnpj = "12345678000195", std::string_view start = "20240301",
               std::string_view end = "20240331", char purpose = '1') {
  Rec r("10");
  r.Put(rec10::kCnpj, cnpj).Put(rec10::kIe, "123456789     ");
  r.Put(rec10::kRazaoSocial, "LOJA EXEMPLO COMERCIO DE ALIMENTOS")
      .Put(rec10::kMunicipio, "CAMPINAS");
  r.Put(rec10::kUf, "SP").Put(rec10::kDataInicial, start).Put(rec10::kDataFinal, end);
  r.Put(rec10::kConvenio, "3")
      .Put(rec10::kNatureza, "3")
      .Put(rec10::kFinalidade, std::string(1, purpose));
  return r;
}
inline Rec R50(std::string_view cfop, long long total_cents, char emitente = 'T', int numero = 1,
               long long base = 0, long long icms = 0) {
  Rec r("50");
  r.Put(rec50::kCnpj, "11222333000181").Put(rec50::kIe, "ISENTO").Put(rec50::kData, "20240305");
  r.Put(rec50::kUf, "SP")
      .Put(rec50::kModelo, "01")
      .Put(rec50::kSerie, "1  ")
      .Num(rec50::kNumero, numero);
  r.Put(rec50::kCfop, cfop).Put(rec50::kEmitente, std::string(1, emitente));
  r.Num(rec50::kValorTotal, total_cents)
      .Num(rec50::kBaseCalculo, base)
      .Num(rec50::kValorIcms, icms);
  r.Num(rec50::kIsenta, 0)
      .Num(rec50::kOutras, 0)
      .Put(rec50::kAliquota, "1800")
      .Put(rec50::kSituacao, "N");
  return r;
}
inline Rec R60M(std::string_view serial, std::string_view ordem,
                std::string_view day = "20240305") {
  Rec r("60M");
  r.Put(rec60m::kData, day).Put(rec60m::kNumeroSerie, serial).Put(rec60m::kNumeroOrdem, ordem);
  r.Put(rec60m::kModelo, "2D");
  return r;
}
inline Rec R60A(std::string_view serial, std::string_view situation, long long cents,
                std::string_view day = "20240305") {
  Rec r("60A");
  r.Put(rec60a::kData, day).Put(rec60a::kNumeroSerie, serial).Put(rec60a::kAliquota, situation);
  r.Num(rec60a::kValor, cents);
  return r;
}
inline Rec R60I(std::string_view serial, std::string_view code, long long qty_milli,
                long long unit_cents, std::string_view rate, std::string_view day = "20240305") {
  Rec r("60I");
  r.Put(rec60i::kData, day).Put(rec60i::kNumeroSerie, serial).Put(rec60i::kModelo, "2D");
  r.Put(rec60i::kCoo, "000001").Put(rec60i::kItem, "001").Put(rec60i::kCodigo, code);
  r.Num(rec60i::kQuantidade, qty_milli).Num(rec60i::kValorUnitario, unit_cents);
  r.Num(rec60i::kBaseCalculo, 0).Put(rec60i::kAliquota, rate).Num(rec60i::kValorIcms, 0);
  return r;
}
inline Rec R60D(std::string_view serial, std::string_view code, long long cents,
                std::string_view rate, std::string_view day = "20240305") {
  Rec r("60D");
  r.Put(rec60d::kData, day).Put(rec60d::kNumeroSerie, serial).Put(rec60d::kCodigo, code);
  r.Num(rec60d::kQuantidade, 1000).Num(rec60d::kValor, cents).Num(rec60d::kBaseCalculo, 0);
  r.Put(rec60d::kAliquota, rate).Num(rec60d::kValorIcms, 0);
  return r;
}
inline Rec R60R(std::string_view code, long long cents, std::string_view rate) {
  Rec r("60R");
  r.Put(rec60r::kMesAno, "032024").Put(rec60r::kCodigo, code).Num(rec60r::kQuantidade, 1000);
  r.Num(rec60r::kValor, cents).Num(rec60r::kBaseCalculo, 0).Put(rec60r::kAliquota, rate);
  return r;
}
inline Rec R61R(long long cents) {
  Rec r("61R");
  r.Put(rec61r::kMesAno, "032024").Put(rec61r::kCodigo, "P1").Num(rec61r::kQuantidade, 1000);
  r.Num(rec61r::kValor, cents).Num(rec61r::kBaseCalculo, 0).Put(rec61r::kAliquota, "1800");
  return r;
}
inline Rec R74(std::string_view code, long long qty_milli, long long cents,
               std::string_view day = "20240331") {
  Rec r("74");
  r.Put(rec74::kData, day).Put(rec74::kCodigo, code).Num(rec74::kQuantidade, qty_milli);
  r.Num(rec74::kValorTotal, cents).Put(rec74::kPosse, "1");
  return r;
}
inline Rec R75(std::string_view code, std::string_view description, std::string_view unit = "UN") {
  Rec r("75");
  r.Put(rec75::kDataInicial, "20240301")
      .Put(rec75::kDataFinal, "20240331")
      .Put(rec75::kCodigo, code);
  r.Put(rec75::kNcm, "12345678").Put(rec75::kDescricao, description).Put(rec75::kUnidade, unit);
  return r;
}

// The bytes of a file, whole.
inline std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The lines of a file without their line ends (LF or CR LF).
inline std::vector<std::string> FileLines(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// A private temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("fiscora-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  // Writes the lines, each ended by `eol` (the last one too unless
  // last_eol is false), and returns the file's path.
  std::string Write(const std::string& name, const std::vector<std::string>& lines,
                    std::string_view eol = "\r\n", bool last_eol = true) const {
    std::filesystem::path p = path_ / name;
    std::ofstream out(p, std::ios::binary);
    for (size_t i = 0; i < lines.size(); ++i) {
      out << lines[i];
      if (i + 1 < lines.size() || last_eol) out << eol;
    }
    return p.string();
  }

 private:
  std::filesystem::path path_;
};

// A session over a fresh data module, recording what it tells the user.
struct TestSession {
  TempDir dir;
  HeadlessSession headless{dir.path() / "work"};
  TdtmCENTRAL& dtm = headless.dtm;
  RecordingUserInterface& ui = headless.ui;
  MainWindowState& frm = headless.frm;
  Session& s = headless.s;
  TestSession() { std::filesystem::create_directories(dir.path() / "work"); }
  std::string File(const std::vector<std::string>& lines) const {
    return dir.Write("in.txt", lines);
  }
  // Chooses a file of a record 10 and these lines, and runs "Verificar".
  void Verify(const std::vector<std::string>& lines);
};

// A description as record 75 holds it: padded with blanks to the field's width.
inline std::string Described(std::string_view text) {
  std::string out(text);
  out.resize(static_cast<size_t>(rec75::kDescricao.width), ' ');
  return out;
}

inline void TestSession::Verify(const std::vector<std::string>& lines) {
  std::vector<std::string> all{R10()};
  all.insert(all.end(), lines.begin(), lines.end());
  ui.open_file = File(all);
  sbtnarqClick(s);
  sbtnverificarClick(s);
}

}  // namespace fiscora::testing
