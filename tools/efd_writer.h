// The lines of a generated EFD file (|REG|field|...|) written through a
// large buffer, counted per register into a summary, and block 9 built from
// those counts. The generators of EFD ICMS/IPI files share it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fiscora {

// Summary: a struct with int64_t lines, int64_t bytes and
// std::map<std::string, int64_t> by_register, kept up to date line by line.
template <class Summary>
class EfdWriter {
 public:
  EfdWriter(std::ostream& out, bool crlf, Summary& summary)
      : out_(out), eol_(crlf ? "\r\n" : "\n"), summary_(summary) {
    buf_.reserve(size_t{1} << 20);
  }
  ~EfdWriter() {
    if (!buf_.empty()) out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
  }
  EfdWriter(const EfdWriter&) = delete;
  EfdWriter& operator=(const EfdWriter&) = delete;

  void Line(std::string_view reg, std::initializer_list<std::string_view> fields) {
    const size_t start = buf_.size();
    buf_ += '|';
    buf_ += reg;
    buf_ += '|';
    for (std::string_view f : fields) {
      buf_ += f;
      buf_ += '|';
    }
    buf_ += eol_;
    summary_.bytes += static_cast<int64_t>(buf_.size() - start);
    ++summary_.lines;
    ++summary_.by_register[std::string(reg)];
    if (buf_.size() >= (size_t{1} << 20)) Flush();
  }

  // The C100 of a cancelled note (COD_SIT 02): who issued it, its model,
  // series, number and key (empty for none), every other field empty.
  void CancelledC100(std::string_view ind_oper, std::string_view ind_emit, std::string_view model,
                     std::string_view series, std::string_view number, std::string_view key) {
    Line("C100",
         {ind_oper, ind_emit, "", model, "02", series, number, key, "", "", "", "", "", "",
          "",       "",       "", "",    "",   "",     "",     "",  "", "", "", "", "", ""});
  }

  // Block 9: 9001, one 9900 per register present (block 9's own included),
  // 9990 and 9999; then everything flushed.
  void Block9() {
    std::vector<std::string> present;
    for (const auto& [reg, count] : summary_.by_register) present.push_back(reg);
    for (const char* r : {"9001", "9900", "9990", "9999"})
      if (std::find(present.begin(), present.end(), r) == present.end()) present.push_back(r);
    std::sort(present.begin(), present.end());
    const int64_t nine_start = summary_.lines;
    Line("9001", {"0"});
    const auto n9900 = static_cast<int64_t>(present.size());
    for (const std::string& reg : present) {
      int64_t count = reg == "9900"                                     ? n9900
                      : reg == "9001" || reg == "9990" || reg == "9999" ? 1
                                                                        : summary_.by_register[reg];
      Line("9900", {reg, std::to_string(count)});
    }
    Line("9990", {std::to_string(summary_.lines - nine_start + 2)});
    Line("9999", {std::to_string(summary_.lines + 1)});
    Flush();
  }

  void Flush() {
    out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
    if (!out_) throw std::runtime_error("error writing the EFD file");
  }

 private:
  std::ostream& out_;
  std::string eol_;
  std::string buf_;
  Summary& summary_;
};

}  // namespace fiscora
