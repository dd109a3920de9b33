// Test helpers of the stock audit from EFD files: EFD lines by their
// published fields, a file of them, and a small set of three products over
// two months with every source (the audit's tests and the window's).
#pragma once

#include <string>
#include <vector>

#include "audit/efd_audit.h"
#include "nfe_fixture.h"
#include "sped_fixture.h"

namespace fiscora::testing {

using L = std::vector<std::string>;

// ------------------------------------------------------------ lines

inline std::string L0000(std::string_view start, std::string_view end,
                         std::string_view cnpj = kOwnCnpj) {
  return Sped("0000", 15,
              {{2, "017"}, {3, "0"}, {4, start}, {5, end}, {6, "EMPRESA"}, {7, cnpj}, {9, "SP"}});
}
inline std::string L0200(std::string_view code, std::string_view description,
                         std::string_view unit) {
  return Sped("0200", 13, {{2, code}, {3, description}, {6, unit}, {7, "00"}});
}
inline std::string L0220(std::string_view unit, std::string_view factor) {
  return Sped("0220", 3, {{2, unit}, {3, factor}});
}
inline std::string LC100(std::string_view oper, std::string_view sit, std::string_view number,
                         std::string_view key = "", std::string_view value = "0") {
  return Sped("C100", 29,
              {{2, oper},
               {3, oper == "0" ? "1" : "0"},
               {4, "P1"},
               {5, "55"},
               {6, sit},
               {7, "1"},
               {8, number},
               {9, key},
               {10, "10032025"},
               {11, "10032025"},
               {12, value}});
}
inline std::string LC170(std::string_view code, std::string_view qty, std::string_view unit,
                         std::string_view value, std::string_view cfop,
                         std::string_view ind_mov = "0") {
  return Sped("C170", 37,
              {{2, "1"}, {3, code}, {5, qty}, {6, unit}, {7, value}, {9, ind_mov}, {11, cfop}});
}
inline std::string LC405() {
  return Sped("C405", 7, {{2, "10032025"}, {3, "1"}, {4, "1"}, {5, "1"}});
}
inline std::string LC425(std::string_view code, std::string_view qty, std::string_view unit,
                         std::string_view value) {
  return Sped("C425", 7, {{2, code}, {3, qty}, {4, unit}, {5, value}});
}
inline std::string LC470(std::string_view code, std::string_view qty, std::string_view cancelled,
                         std::string_view unit, std::string_view value) {
  return Sped("C470", 10,
              {{2, code}, {3, qty}, {4, cancelled}, {5, unit}, {6, value}, {8, "5102"}});
}
inline std::string LH005(std::string_view date, std::string_view value) {
  return Sped("H005", 4, {{2, date}, {3, value}, {4, "01"}});
}
inline std::string LH010(std::string_view code, std::string_view unit, std::string_view qty,
                         std::string_view value, std::string_view prop = "0") {
  return Sped("H010", 11, {{2, code}, {3, unit}, {4, qty}, {6, value}, {7, prop}});
}

// The products of every file: A in UN, B in UN with boxes of 12, C in KG.
inline L Products() {
  return {L0200("A", "ARROZ", "UN"), L0200("B", "TINTA", "UN"), L0220("CX", "12"),
          L0200("C", "COLA", "KG")};
}

// A file: 0000, the products, the lines, 9999.
inline std::string EfdFile(const TempDir& dir, const std::string& name, std::string_view start,
                           std::string_view end, const L& lines, std::string_view cnpj = kOwnCnpj) {
  L all = {L0000(start, end, cnpj)};
  for (const std::string& p : Products()) all.push_back(p);
  all.insert(all.end(), lines.begin(), lines.end());
  all.push_back("|9999|" + std::to_string(all.size() + 1) + "|");
  return dir.Write(name, all);
}

// ------------------------------------------------------------ the small set

// The exit note of March whose items come from its XML: 8 UN of A and one
// box of B.
inline NfeXmlNote XmlExit() {
  NfeXmlNote n = OwnExit(1);
  NfeXmlItem a = TestItem("A", 2400, 5102);
  a.quantity_milli = 8000;
  NfeXmlItem b = TestItem("B", 15000, 5102);
  b.quantity_milli = 1000;
  b.unit = "CX";
  n.items = {a, b};
  return n;
}

inline std::string XmlFolder(const TempDir& dir) {
  WriteText(dir.path() / "xml" / "1.xml", NfeProcXml(XmlExit()));
  return (dir.path() / "xml").string();
}

struct SmallSet {
  TempDir dir;
  std::string opening = EfdFile(
      dir, "fev.txt", "01022025", "28022025",
      {LH005("28022025", "82,00"), LH010("A", "UN", "10", "20,00"), LH010("B", "UN", "5", "50,00"),
       LH010("C", "KG", "3", "12,00"), LH010("D", "UN", "7", "0", "2")});
  std::string march =
      EfdFile(dir, "mar.txt", "01032025", "31032025",
              {LC100("0", "00", "10"),
               LC170("A", "20,000", "UN", "40,00", "1102"),
               LC170("B", "2", "CX", "240,00", "2102"),
               LC100("0", "00", "11"),
               LC170("C", "5", "KG", "25,00", "1102", "1"),
               LC100("0", "02", "12"),
               LC170("A", "100", "UN", "1,00", "1102"),  // cancelled
               LC100("0", "06", "13"),
               LC170("A", "50", "UN", "1,00", "1102"),                 // complementary
               LC100("1", "00", "1", NfeXmlKey(XmlExit()), "174,00"),  // items from the XML
               LC100("1", "00", "2", NfeXmlKey(OwnExit(2)), "99,00"),  // no XML
               LC100("1", "00", "3"),
               LC170("A", "2", "un", "6,00", "5102"),  // items in C170
               "|C400|2D|ECF|1|1|",
               LC405(),
               "|C420|T1800|9,00|1||",
               LC425("A", "3", "UN", "9,00"),
               LC425("C", "1", "KG", "5,00"),
               "|C460|2D|00|1|10032025|14,00|0|0|||",
               LC470("A", "99", "0", "UN", "1,00"),  // the reduction has C425: not counted
               LC405(),
               "|C460|2D|00|2|10032025|9,00|0|0|||",
               LC470("A", "4", "1", "UN", "9,00")});
  std::string april =
      EfdFile(dir, "abr.txt", "01042025", "30042025",
              {LC100("0", "00", "20"), LC170("C", "2", "KG", "10,00", "3102"),  // an import
               LC100("1", "01", "4"), LC170("B", "3", "UN", "90,00", "7102"),   // an export
               LC170("A", "4", "PC", "8,00", "5102"),                           // no conversion
               "|C400|2D|ECF|1|1|", LC405(), LC425("Z", "1", "UN", "2,00"),     // no 0200
               LH005("30042025", "260,00"), LH010("A", "UN", "10", "20,00"),
               LH010("B", "UN", "20", "200,00"), LH010("C", "KG", "10", "40,00")});
  std::string xml = XmlFolder(dir);

  EfdAuditInputs Inputs(bool ind_mov1 = true) const {
    EfdAuditInputs in;
    in.initial_inventory = opening;
    in.final_inventory = april;
    in.periods = {march, april};
    in.xml = {xml};
    in.count_ind_mov1 = ind_mov1;
    return in;
  }
};

}  // namespace fiscora::testing
