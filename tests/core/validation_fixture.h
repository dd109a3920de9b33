// Helpers of the validation tests: what they print when a check fails
// (every finding of a report on a line of its own), the lines of sound
// SINTEGRA files with their record 90, and EFD lines built field by field
// with their block closings and block 9 counted here.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sintegra_fixture.h"
#include "validate/finding.h"

namespace fiscora::testing {

inline std::string Describe(const ValidationReport& r) {
  std::string s;
  for (const auto& f : r.findings)
    s += std::to_string(f.line) + " " + FindingColumns(f) + " [" + std::string(FindingRecord(f)) +
         "] " + f.field + " " + SeverityText(f.severity) + ": " + FindingMessage(f) + "\n";
  return s;
}

// ------------------------------------------------------------ SINTEGRA

// Lines of a sound file of March 2024 from São Paulo.
inline Rec Good10(char purpose = '1') {
  Rec r = R10("12345678000195", "20240301", "20240331", purpose);
  r.Put(17, "110042490114  ").Put(98, "0000000000");
  return r;
}
inline Rec Good11() {
  return Rec("11")
      .Put(3, "RUA DAS FLORES")
      .Put(37, "00100")
      .Put(79, "13010000")
      .Put(115, "001932345678");
}
inline Rec Good50(int number = 1, char issuer = 'T', std::string_view cfop = "1102") {
  Rec r = R50(cfop, 10000, issuer, number, 10000, 1800);
  r.Put(17, "ISENTO        ");
  return r;
}
inline Rec Good54() {
  return Rec("54")
      .Put(3, "11222333000181")
      .Put(17, "01")
      .Put(19, "1  ")
      .Put(22, "000001")
      .Put(28, "1102")
      .Put(32, "000")
      .Put(35, "001")
      .Put(38, "P1")
      .Num(52, 11, 1000)
      .Num(63, 12, 10000)
      .Num(75, 12, 0)
      .Num(87, 12, 10000)
      .Num(99, 12, 0)
      .Num(111, 12, 0)
      .Put(123, "1800");
}
inline Rec Good60M(int crz = 5, std::string_view day = "20240305") {
  return R60M("ECF1", "001", day)
      .Num(37, 6, 1)
      .Num(43, 6, 10)
      .Num(49, 6, crz)
      .Num(55, 3, 1)
      .Num(58, 16, 10000)
      .Num(74, 16, 90000);
}
inline Rec Good75() {
  return R75("P1", "ARROZ").Num(100, 5, 0).Num(105, 4, 1800).Num(109, 5, 0).Num(114, 13, 0);
}

// The record 90 of these lines, counted here independently of the program.
inline std::vector<std::string> With90(std::vector<std::string> lines) {
  std::map<std::string, long long> counts;
  for (const auto& l : lines) {
    static const std::string kCounted = "50 51 53 54 55 56 57 60 61 70 71 74 75 76 77 85 86 88";
    std::string t = l.substr(0, 2);
    if (kCounted.find(t) != std::string::npos) counts[t]++;
  }
  std::string r = "90" + Good10().str().substr(2, 28);
  for (const auto& [t, c] : counts) {
    std::string digits = std::to_string(c);
    r += t + std::string(8 - digits.size(), '0') + digits;
  }
  std::string total = std::to_string(lines.size() + 1);
  r += "99" + std::string(8 - total.size(), '0') + total;
  r.resize(125, ' ');
  lines.push_back(r + "1");
  return lines;
}

inline std::vector<std::string> SoundSintegraLines() {
  return {Good10(), Good11(),  Good50(),
          Good54(), Good60M(), R60A("ECF1", "1700", 10000, "20240305"),
          Good75()};
}

// ------------------------------------------------------------ EFD

// An EFD line of `count` fields (the register code is field 1), the given
// fields set and the others empty: EfdLine("C190", 12, {{2, "000"}}).
inline std::string EfdLine(const std::string& reg, int count,
                           const std::vector<std::pair<int, std::string>>& set) {
  std::vector<std::string> fields(static_cast<size_t>(count));
  fields[0] = reg;
  for (const auto& [i, v] : set) fields.at(static_cast<size_t>(i - 1)) = v;
  std::string line = "|";
  for (const auto& f : fields) line += f + "|";
  return line;
}

// The lines with each |X990| set to the line count of its block (block 0
// from |0000|), then block 9 with one 9900 per register and |9999|.
inline std::vector<std::string> WithBlock9(std::vector<std::string> lines) {
  std::map<char, int> block_lines;
  for (const auto& l : lines) block_lines[l[1]]++;
  for (auto& l : lines)
    if (l.substr(2, 4) == "990|") l = l.substr(0, 6) + std::to_string(block_lines[l[1]]) + "|";
  std::map<std::string, int> counts;
  for (const auto& l : lines) counts[l.substr(1, 4)]++;
  counts["9001"] = 1;
  counts["9990"] = 1;
  counts["9999"] = 1;
  counts["9900"] = static_cast<int>(counts.size()) + 1;
  lines.push_back("|9001|0|");
  for (const auto& [reg, n] : counts)
    lines.push_back("|9900|" + reg + "|" + std::to_string(n) + "|");
  lines.push_back("|9990|" + std::to_string(counts.size() + 3) + "|");
  lines.push_back("|9999|" + std::to_string(lines.size() + 1) + "|");
  return lines;
}

}  // namespace fiscora::testing
