#include "tools/contrib_generator.h"

#include <map>

#include "validate/check_digits.h"

namespace fiscora {

namespace {

// xorshift32: the same numbers on every platform.
class Random {
 public:
  explicit Random(uint32_t seed) : s_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint32_t s_;
};

std::string Money(uint32_t cents) {
  return std::to_string(cents / 100) + "," + std::to_string(cents % 100 / 10) +
         std::to_string(cents % 10);
}

std::string Padded(uint32_t n, int width) {
  std::string s = std::to_string(n);
  return std::string(s.size() < static_cast<size_t>(width) ? width - s.size() : 0, '0') + s;
}

class Writer {
 public:
  Writer(std::ostream& out, bool utf8) : out_(out), utf8_(utf8) {}
  // A line of Windows-1252 text (turned into UTF-8 when asked).
  void Line(const std::string& line) {
    if (utf8_) {
      for (char ch : line) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
          out_ << ch;
        } else {  // the Latin-1 letters used here
          out_ << static_cast<char>(0xC0 | (c >> 6)) << static_cast<char>(0x80 | (c & 0x3F));
        }
      }
    } else {
      out_ << line;
    }
    out_ << "\r\n";
    size_t bar = line.find('|', 1);
    ++counts_[line.substr(1, bar - 1)];
    order_.emplace(line.substr(1, bar - 1), order_.size());
    ++lines_;
  }
  int64_t lines() const { return lines_; }
  int64_t count(const std::string& code) const {
    auto it = counts_.find(code);
    return it == counts_.end() ? 0 : it->second;
  }
  std::vector<std::string> codes() const {
    std::vector<std::string> v(order_.size());
    for (const auto& [code, index] : order_) v[index] = code;
    return v;
  }

 private:
  std::ostream& out_;
  bool utf8_;
  std::map<std::string, int64_t> counts_;
  std::map<std::string, size_t> order_;
  int64_t lines_ = 0;
};

}  // namespace

int64_t GenerateContrib(std::ostream& out, const ContribOptions& o) {
  Random rnd(o.seed);
  Writer w(out, o.utf8);
  const auto& ests = o.establishments;
  const std::string& cnpj = ests.front().cnpj;
  const int participants = 12, items = 20;

  // Block 0.
  const int64_t b0 = w.lines();
  w.Line("|0000|006|0|||01042024|30042024|" + ests.front().name + "|" + cnpj +
         "|SP|3509502||00|1|");
  w.Line("|0001|0|");
  w.Line(
      "|0100|CONTADOR EXEMPLO|12345678909|1SP123456|||13000000|RUA DAS FLORES|10||CENTRO|||"
      "contador@exemplo.com.br|3509502|");
  w.Line("|0110|1|1|1||");
  for (size_t e = 0; e < ests.size(); ++e) {
    const std::string code = o.empty_code ? "" : "EST" + std::to_string(e + 1);
    w.Line("|0140|" + code + "|" + ests[e].name + "|" + ests[e].cnpj + "|SP|123456789" +
           std::to_string(e) + "|3509502|||");
    for (int p = 0; p < participants; ++p)
      w.Line("|0150|P" + std::to_string(p) +
             "|FORNECEDOR S\xC3"
             "O JO\xC3"
             "O " +
             std::to_string(p) + "|01058|" +
             CnpjWithCheckDigits(Padded(10000000u + static_cast<uint32_t>(p), 8) + "0001") +
             "||ISENTO|"
             "3509502||AV. BRASIL|" +
             std::to_string(100 + p) + "||CENTRO|");
    w.Line("|0190|UN|UNIDADE|");
    for (int i = 0; i < items; ++i)
      w.Line("|0200|I" + std::to_string(i) +
             "|PRODUTO A\xC7"
             "\xDA"
             "CAR " +
             std::to_string(i) + "|||UN|00||22011000||||0|");
  }
  w.Line("|0990|" + std::to_string(w.lines() - b0 + 1) + "|");
  w.Line("|A001|1|");
  w.Line("|A990|2|");

  // Block C: notes until the line budget is spent, shared among the
  // establishments; block D and the closing blocks take about 60 lines.
  const int64_t c_budget = o.lines - w.lines() - 60 - static_cast<int64_t>(ests.size()) * 8;
  const int64_t bc = w.lines();
  w.Line("|C001|0|");
  uint32_t note = 1;
  for (size_t e = 0; e < ests.size(); ++e) {
    w.Line("|C010|" + ests[e].cnpj + "|2|");
    const int64_t until =
        bc + c_budget * static_cast<int64_t>(e + 1) / static_cast<int64_t>(ests.size());
    while (w.lines() < until) {
      const uint32_t n_items = 1 + rnd.Below(4);
      uint32_t total = 0;
      std::vector<uint32_t> values;
      for (uint32_t i = 0; i < n_items; ++i)
        values.push_back(100 + rnd.Below(500000)), total += values.back();
      // A supplier's NF-e: its key names the supplier's CNPJ, series 1 and
      // the number; its code depends on the establishment, so that two
      // establishments' files merged never share a key.
      const bool exit = rnd.Below(2) != 0;
      const uint32_t part = rnd.Below(participants);
      uint32_t code = 0;
      for (char c : ests[e].cnpj) code = code * 31 + static_cast<uint32_t>(c);
      std::string key = "352404" + CnpjWithCheckDigits(Padded(10000000u + part, 8) + "0001") +
                        "55001" + Padded(note, 9) + "1" +
                        Padded((code + note * 7919u) % 100000000u, 8);
      key += static_cast<char>('0' + NfeKeyCheckDigit(key));
      w.Line("|C100|" + std::string(exit ? "1" : "0") + "|1|P" + std::to_string(part) +
             "|55|00|1|" + std::to_string(note++) + "|" + key + "|05042024|05042024|" +
             Money(total) + "|0|0|0|" + Money(total) + "|9|0|0|0|0|0|0|0|0|0|" + Money(total / 60) +
             "|" + Money(total / 13) + "|0|0|");
      for (uint32_t i = 0; i < n_items; ++i)
        w.Line("|C170|" + std::to_string(i + 1) + "|I" + std::to_string(rnd.Below(items)) +
               "||1|UN|" + Money(values[i]) + "|0|0|000|5102||0|0|0|0|0|0|||0|0|0|01|" +
               Money(values[i]) + "|1,65|||" + Money(values[i] * 165 / 10000) + "|01|" +
               Money(values[i]) + "|7,6|||" + Money(values[i] * 76 / 1000) + "|3010101|");
    }
    if (o.c500) {
      w.Line("|C500|P1|06|00||1|" + std::to_string(note++) + "|05042024|05042024|" + Money(35000) +
             "|0|0|0|");
      w.Line("|C501|50|" + Money(35000) + "|04|" + Money(35000) + "|1,65|" + Money(577) +
             "|3010101|");
      w.Line("|C505|50|" + Money(35000) + "|04|" + Money(35000) + "|7,6|" + Money(2660) +
             "|3010101|");
    }
  }
  w.Line("|C990|" + std::to_string(w.lines() - bc + 1) + "|");

  const int64_t bd = w.lines();
  w.Line("|D001|0|");
  for (size_t e = 0; e < ests.size(); ++e) {
    w.Line("|D010|" + ests[e].cnpj + "|");
    w.Line("|D100|0|1|P2|57|00|1||" + std::to_string(note++) + "|" +
           "35240411222333000181570010000000011000000010|05042024|05042024|0||" + Money(12000) +
           "|0|1|" + Money(12000) + "|0|0||3010101|");
    w.Line("|D101|0|" + Money(12000) + "|50|" + Money(12000) + "|1,65|" + Money(198) + "|3010101|");
    w.Line("|D105|0|" + Money(12000) + "|50|" + Money(12000) + "|7,6|" + Money(912) + "|3010101|");
  }
  w.Line("|D990|" + std::to_string(w.lines() - bd + 1) + "|");
  w.Line("|F001|1|");
  w.Line("|F990|2|");
  w.Line("|M001|0|");
  w.Line("|M200|0|0|0|0|0|0|0|0|0|0|0|0|");
  w.Line("|M600|0|0|0|0|0|0|0|0|0|0|0|0|");
  w.Line("|M990|4|");
  w.Line("|1001|1|");
  w.Line("|1990|2|");

  // Block 9 with the true counts.
  const int64_t b9 = w.lines();
  w.Line("|9001|0|");
  const std::vector<std::string> codes = w.codes();
  for (const std::string& code : codes)
    w.Line("|9900|" + code + "|" + std::to_string(w.count(code)) + "|");
  w.Line("|9900|9900|" + std::to_string(codes.size() + 3) + "|");
  w.Line("|9900|9990|1|");
  w.Line("|9900|9999|1|");
  w.Line("|9990|" + std::to_string(w.lines() - b9 + 2) + "|");
  w.Line("|9999|" + std::to_string(w.lines() + 1) + "|");
  const int64_t total = w.lines();
  if (o.signature) {
    // A signature-like binary block: every byte value, line breaks included,
    // and something that looks like a register line.
    out << "SBRCAAEPDR";
    for (int i = 0; i < 600; ++i) out << static_cast<char>((i * 7 + 3) & 0xFF);
    out << "\r\n|C100|0|1|ASSINATURA|\r\n";
    for (int i = 0; i < 300; ++i) out << static_cast<char>(255 - (i & 0xFF));
  }
  return total;
}

}  // namespace fiscora
