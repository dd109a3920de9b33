// Test helpers: SINTEGRA lines built field by field, files in a private
// temporary folder, and a session over a fresh data module.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "data/catalogue.h"
#include "workflow/envelope.h"
#include "session/main_window_state.h"
#include "session/session.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"
#include "sintegra/header.h"

namespace fiscora::testing {

// A 126-character record line; fields are placed at 1-based columns.
class Rec {
 public:
  explicit Rec(std::string_view type) : s_(126, ' ') { Put(1, type); }
  // Text at a column, as is.
  Rec& Put(int column, std::string_view text) {
    s_.replace(static_cast<size_t>(column - 1), text.size(), text);
    return *this;
  }
  // A whole number zero-padded to the width (an amount in its smallest unit:
  // Num(57, 13, 12345) is 123,45 for an N 11.2 field).
  Rec& Num(int column, int width, long long value) {
    std::string digits = std::to_string(value);
    digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return Put(column, digits);
  }
  Rec& Cut(size_t length) {
    s_.resize(length);
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
  r.Put(3, cnpj).Put(17, "123456789     ").Put(31, "LOJA EXEMPLO COMERCIO DE ALIMENTOS").Put(66, "CAMPINAS").Put(96, "SP");
  r.Put(108, start).Put(116, end).Put(124, "33");
  r.Put(126, std::string(1, purpose));
  return r;
}
inline Rec R50(std::string_view cfop, long long total_cents, char emitente = 'T', int numero = 1,
               long long base = 0, long long icms = 0) {
  Rec r("50");
  r.Put(3, "11222333000181").Put(17, "ISENTO").Put(31, "20240305").Put(39, "SP").Put(41, "01");
  r.Put(43, "1  ").Num(46, 6, numero).Put(52, cfop).Put(56, std::string(1, emitente));
  r.Num(57, 13, total_cents).Num(70, 13, base).Num(83, 13, icms).Num(96, 13, 0).Num(109, 13, 0);
  r.Put(122, "1800").Put(126, "N");
  return r;
}
inline Rec R60M(std::string_view serial, std::string_view ordem, std::string_view day = "20240305") {
  Rec r("60M");
  r.Put(4, day).Put(12, serial).Put(32, ordem).Put(35, "2D");
  return r;
}
inline Rec R60A(std::string_view serial, std::string_view situation, long long cents,
                std::string_view day = "20240305") {
  Rec r("60A");
  r.Put(4, day).Put(12, serial).Put(32, situation).Num(36, 12, cents);
  return r;
}
inline Rec R60I(std::string_view serial, std::string_view code, long long qty_milli,
                long long unit_cents, std::string_view rate, std::string_view day = "20240305") {
  Rec r("60I");
  r.Put(4, day).Put(12, serial).Put(32, "2D").Put(34, "000001").Put(40, "001").Put(43, code);
  r.Num(57, 13, qty_milli).Num(70, 13, unit_cents).Num(83, 12, 0).Put(95, rate).Num(99, 12, 0);
  return r;
}
inline Rec R60D(std::string_view serial, std::string_view code, long long cents,
                std::string_view rate, std::string_view day = "20240305") {
  Rec r("60D");
  r.Put(4, day).Put(12, serial).Put(32, code).Num(46, 13, 1000).Num(59, 16, cents);
  r.Num(75, 16, 0).Put(91, rate).Num(95, 13, 0);
  return r;
}
inline Rec R60R(std::string_view code, long long cents, std::string_view rate) {
  Rec r("60R");
  r.Put(4, "032024").Put(10, code).Num(24, 13, 1000).Num(37, 16, cents).Num(53, 16, 0).Put(69, rate);
  return r;
}
inline Rec R61R(long long cents) {
  Rec r("61R");
  r.Put(4, "032024").Put(10, "P1").Num(24, 13, 1000).Num(37, 16, cents).Num(53, 16, 0).Put(69, "1800");
  return r;
}
inline Rec R74(std::string_view code, long long qty_milli, long long cents,
               std::string_view day = "20240331") {
  Rec r("74");
  r.Put(3, day).Put(11, code).Num(25, 13, qty_milli).Num(38, 13, cents).Put(51, "1");
  return r;
}
inline Rec R75(std::string_view code, std::string_view description, std::string_view unit = "UN") {
  Rec r("75");
  r.Put(3, "20240301").Put(11, "20240331").Put(19, code).Put(33, "12345678").Put(41, description);
  r.Put(94, unit);
  return r;
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
  TdtmCENTRAL dtm;
  RecordingUserInterface ui;
  MainWindowState frm{&ui};
  Session s{dtm, frm, ui, dir.path() / "work"};
  TestSession() {
    std::filesystem::create_directories(dir.path() / "work");
    InitMainWindow(frm);
    s.sintegra.problems.Reset();
  }
  std::string File(const std::vector<std::string>& lines) const { return dir.Write("in.txt", lines); }
  // Chooses a file of a record 10 and these lines, and runs "Verificar".
  void Verify(const std::vector<std::string>& lines);
};

// A description as record 75 holds it: padded with blanks to 53 characters.
inline std::string Described(std::string_view text) {
  std::string out(text);
  out.resize(53, ' ');
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
