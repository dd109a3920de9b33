// Reads an .xlsx file back through openpyxl (/usr/bin/python3), a reader
// that shares nothing with the writer. Tests skip when it is not installed.
#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fiscora::testing {

struct XlsxCell {
  char kind = 'e';     // 's' text, 'n' number, 'e' empty
  std::string format;  // number format ("General", "@", ...)
  std::string value;   // the text, or the number as Python writes it
};

struct XlsxSheet {
  std::string title;
  std::map<std::pair<int, int>, XlsxCell> cells;  // (row, column) from 1
  const XlsxCell* At(int row, int column) const {
    auto it = cells.find({row, column});
    return it == cells.end() ? nullptr : &it->second;
  }
  int LastRow() const { return cells.empty() ? 0 : cells.rbegin()->first.first; }
};

inline bool XlsxReaderAvailable() {
#ifdef _WIN32
  return false;
#else
  return std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") == 0;
#endif
}

inline std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The sheets of the file in order, or nullopt when the reader failed.
inline std::optional<std::vector<XlsxSheet>> ReadXlsx(const std::filesystem::path& file) {
#ifdef _WIN32
  (void)file;
  return std::nullopt;
#else
  std::string cmd = "/usr/bin/python3 '" FISCORA_SOURCE_DIR "/tests/tools/read_xlsx.py' '" +
                    file.string() + "' 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return std::nullopt;
  std::string text;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  if (pclose(p) != 0) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return std::nullopt;
  }
  std::vector<XlsxSheet> sheets;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    std::vector<std::string> parts;
    size_t a = 0;
    for (;;) {
      size_t b = line.find('\t', a);
      parts.push_back(line.substr(a, b == std::string::npos ? std::string::npos : b - a));
      if (b == std::string::npos) break;
      a = b + 1;
    }
    if (parts[0] == "S" && parts.size() == 2) {
      sheets.push_back({Unescape(parts[1]), {}});
    } else if (parts[0] == "C" && parts.size() == 6 && !sheets.empty()) {
      XlsxCell c{parts[3][0], Unescape(parts[4]), Unescape(parts[5])};
      sheets.back().cells[{std::stoi(parts[1]), std::stoi(parts[2])}] = c;
    }
  }
  return sheets;
#endif
}

}  // namespace fiscora::testing
