// A structural check of a SPED file: every line ends with CR LF, each block's
// opening says whether the block has data, each closing line counts its
// block, block 9 has one |9900| line per register present with its true
// count, and |9999| counts the file. Returns what does not hold, one text
// per fault (empty when the file is consistent).
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "sped/fields.h"

namespace fiscora::testing {

// The lines of a file split at CR LF; a piece that does not end with CR LF
// is reported in `faults`.
inline std::vector<std::string> CrLfLines(const std::filesystem::path& file,
                                          std::vector<std::string>* faults = nullptr) {
  std::ifstream in(file, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find("\r\n", pos);
    if (end == std::string::npos || all.find('\n', pos) < end) {
      if (faults) faults->push_back("line " + std::to_string(lines.size() + 1) + " lacks CR LF");
      end = std::min(all.find('\n', pos), all.size());
      lines.push_back(all.substr(pos, end - pos));
      pos = end + 1;
      continue;
    }
    lines.push_back(all.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

// Field 1 of a line we wrote ourselves (|CODE|value|...).
inline std::string SecondField(const std::string& line) {
  size_t a = line.find('|', 1);
  if (a == std::string::npos) return {};
  size_t b = line.find('|', a + 1);
  return line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
}

inline std::vector<std::string> RecountSped(const std::filesystem::path& file) {
  std::vector<std::string> faults;
  const std::vector<std::string> lines = CrLfLines(file, &faults);
  std::map<std::string, long long> actual, declared;
  std::map<char, long long> block_lines;
  std::map<char, bool> block_has_data;
  std::map<std::string, int> declared_times;
  long long block9 = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::string code = SpedRegister(line);
    const std::string where = "line " + std::to_string(i + 1) + " " + line + ": ";
    if (code.empty()) {
      faults.push_back(where + "no register code");
      continue;
    }
    ++actual[code];
    const char block = code[0];
    ++block_lines[block];
    if (block == '9') ++block9;
    const std::string rest = code.substr(1);
    if (rest != "001" && rest != "990" && code != "0000" && code != "9900" && code != "9999")
      block_has_data[block] = true;
    if (code == "9900") {
      size_t a = line.find('|', 1), b = line.find('|', a + 1), c = line.find('|', b + 1);
      std::string reg = line.substr(a + 1, b - a - 1);
      declared[reg] = std::stoll(line.substr(b + 1, c - b - 1));
      ++declared_times[reg];
    } else if (rest == "990") {
      long long n = std::stoll(SecondField(line));
      long long expect = block == '9' ? block9 + 1 : block_lines[block];
      if (n != expect)
        faults.push_back(where + "block " + block + " has " + std::to_string(expect) + " lines");
    } else if (rest == "001" && block != '9') {
      // The opening's indicator is checked when the block closes.
    } else if (code == "9999") {
      if (std::stoll(SecondField(line)) != static_cast<long long>(lines.size()))
        faults.push_back(where + "the file has " + std::to_string(lines.size()) + " lines");
      if (i + 1 != lines.size()) faults.push_back(where + "is not the last line");
    }
  }
  for (const std::string& line : lines) {
    const std::string code = SpedRegister(line);
    if (code.size() == 4 && code.substr(1) == "001" && code[0] != '9') {
      const std::string want = block_has_data[code[0]] ? "0" : "1";
      if (SecondField(line) != want) faults.push_back(line + ": indicator should be " + want);
    }
  }
  for (const auto& [reg, n] : actual) {
    auto it = declared.find(reg);
    if (it == declared.end())
      faults.push_back("no |9900| line for " + reg);
    else if (it->second != n)
      faults.push_back("|9900|" + reg + "| says " + std::to_string(it->second) + ", file has " +
                       std::to_string(n));
  }
  for (const auto& [reg, n] : declared) {
    if (!actual.count(reg)) faults.push_back("|9900| line for absent register " + reg);
    if (declared_times[reg] > 1) faults.push_back("more than one |9900| line for " + reg);
  }
  return faults;
}

}  // namespace fiscora::testing
