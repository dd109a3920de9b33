// Notes for the NF-e tests: one establishment, its customers and
// suppliers, notes written by the generator's XML writer, and zip files.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tools/nfe_generator.h"

namespace fiscora::testing {

// The establishment and two parties, with valid check digits.
inline constexpr const char* kOwnCnpj = "11222333000181";
inline constexpr const char* kCustomerCnpj = "11444777000161";
inline constexpr const char* kSupplierCnpj = "45997418000153";

inline NfeXmlParty Establishment() {
  return {NfeXmlParty::Kind::kCnpj, kOwnCnpj, "EMPRESA DE TESTE LTDA", "SP", "110042490114"};
}
inline NfeXmlParty Customer() {
  return {NfeXmlParty::Kind::kCnpj, kCustomerCnpj, "CLIENTE LTDA", "SP", "123456789"};
}
inline NfeXmlParty Supplier(std::string uf = "PR") {
  return {NfeXmlParty::Kind::kCnpj, kSupplierCnpj, "FORNECEDOR SA", std::move(uf), "9012345678"};
}

inline NfeXmlItem TestItem(std::string code, int64_t value, int cfop, int rate = 18) {
  NfeXmlItem it;
  it.code = std::move(code);
  it.description = "PRODUTO " + it.code;
  it.quantity_milli = 2000;
  it.value = value;
  it.cfop = cfop;
  it.rate = rate;
  it.bc = value;
  it.icms = (value * rate + 50) / 100;
  return it;
}

// An own exit of March 2025 to the customer: two items, 100,00 and 50,00
// under CFOP 5102, ICMS 18%; vNF 150,00.
inline NfeXmlNote OwnExit(int64_t number = 1) {
  NfeXmlNote n;
  n.issuer = Establishment();
  n.recipient = Customer();
  n.number = number;
  n.day = 10;
  n.code = 10000000 + number;
  n.items = {TestItem("A1", 10000, 5102), TestItem("B2", 5000, 5102)};
  n.signature = false;
  return n;
}

// A supplier's exit to the establishment (its entry), from another state:
// one item of 200,00 under CFOP 6102, ICMS 12%.
inline NfeXmlNote ThirdPartyEntry(int64_t number = 501) {
  NfeXmlNote n;
  n.issuer = Supplier();
  n.recipient = Establishment();
  n.number = number;
  n.series = 2;
  n.day = 12;
  n.code = 20000000 + number;
  n.items = {TestItem("X9", 20000, 6102, 12)};
  n.signature = false;
  return n;
}

inline std::string WriteText(const std::filesystem::path& p, const std::string& text) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << text;
  return p.string();
}

// A zip file of the entries (name in the zip, content), in order.
inline void WriteZip(const std::filesystem::path& p,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
  std::filesystem::create_directories(p.parent_path());
  archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  if (archive_write_open_filename(a, p.string().c_str()) != ARCHIVE_OK) {
    archive_write_free(a);
    throw std::runtime_error("cannot write " + p.string());
  }
  for (const auto& [name, content] : entries) {
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, name.c_str());
    archive_entry_set_size(e, static_cast<la_int64_t>(content.size()));
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_write_header(a, e);
    archive_write_data(a, content.data(), content.size());
    archive_entry_free(e);
  }
  archive_write_close(a);
  archive_write_free(a);
}

// ------------------------------------------------------------ the books

// A C100 with its C190 lines; values in cents.
struct EfdNote {
  std::string ind_oper = "1", ind_emit = "0", cod_part = "C1", model = "55", cod_sit = "00",
              series = "1", number = "1", key, date = "10032025";
  int64_t vl_doc = 0, vl_bc = 0, vl_icms = 0, vl_bcst = 0, vl_st = 0, vl_ipi = 0;
  std::vector<int> cfops;  // one C190 each
};

inline std::string Cents(int64_t c) {
  std::string s = std::to_string(c / 100) + ",";
  s += static_cast<char>('0' + c % 100 / 10);
  s += static_cast<char>('0' + c % 10);
  return s;
}

// The note booked as it is: an own note (the establishment its emitter)
// with IND_EMIT 0, a supplier's with IND_EMIT 1 and the CFOPs mirrored.
inline EfdNote BookingOf(const NfeXmlNote& n) {
  const NfeXmlTotals t = NfeXmlTotalsOf(n);
  EfdNote b;
  const bool third = n.issuer.id != kOwnCnpj;
  b.ind_oper = third || n.tp_nf == 0 ? "0" : "1";
  b.ind_emit = third ? "1" : "0";
  b.cod_part = third ? "F1" : n.recipient.kind == NfeXmlParty::Kind::kNone ? "" : "C1";
  b.model = std::to_string(n.model);
  b.series = std::to_string(n.series);
  b.number = std::to_string(n.number);
  b.key = NfeXmlKey(n);
  b.date = (n.day < 10 ? "0" : "") + std::to_string(n.day) + (n.month < 10 ? "0" : "") +
           std::to_string(n.month) + std::to_string(n.year);
  b.vl_doc = t.vNF;
  b.vl_bc = t.vBC;
  b.vl_icms = t.vICMS;
  b.vl_bcst = t.vBCST;
  b.vl_st = t.vST;
  b.vl_ipi = t.vIPI;
  for (const NfeXmlItem& it : n.items) {
    const int cfop = third ? it.cfop - 4000 : it.cfop;
    if (std::find(b.cfops.begin(), b.cfops.end(), cfop) == b.cfops.end()) b.cfops.push_back(cfop);
  }
  return b;
}

// An EFD ICMS/IPI file of the establishment (SP) for the period, with the
// customer (C1) and the supplier (F1) as participants.
inline std::vector<std::string> EfdLines(const std::vector<EfdNote>& notes,
                                         const std::string& start = "01032025",
                                         const std::string& end = "31032025") {
  std::vector<std::string> l = {
      "|0000|019|0|" + start + "|" + end + "|EMPRESA DE TESTE LTDA|" + kOwnCnpj +
          "||SP|110042490114|3550308|||A|1|",
      "|0001|0|",
      std::string("|0150|C1|CLIENTE LTDA|01058|") + kCustomerCnpj + "||123456789|3550308||R|1||B|",
      std::string("|0150|F1|FORNECEDOR SA|01058|") + kSupplierCnpj +
          "||9012345678|4106902||R|1||B|",
      "|0990|5|",
      "|C001|0|"};
  const size_t c_start = l.size() - 1;
  for (const EfdNote& n : notes) {
    l.push_back("|C100|" + n.ind_oper + "|" + n.ind_emit + "|" + n.cod_part + "|" + n.model + "|" +
                n.cod_sit + "|" + n.series + "|" + n.number + "|" + n.key + "|" + n.date + "|" +
                n.date + "|" + Cents(n.vl_doc) + "|0|0,00|0,00|" + Cents(n.vl_doc) + "|9|0,00|" +
                "0,00|0,00|" + Cents(n.vl_bc) + "|" + Cents(n.vl_icms) + "|" + Cents(n.vl_bcst) +
                "|" + Cents(n.vl_st) + "|" + Cents(n.vl_ipi) + "|0,00|0,00|0,00|0,00|");
    for (size_t i = 0; i < n.cfops.size(); ++i)
      l.push_back("|C190|000|" + std::to_string(n.cfops[i]) + "|18,00|" +
                  Cents(i == 0 ? n.vl_doc : 0) + "|0,00|0,00|0,00|0,00|0,00|0,00||");
  }
  l.push_back("|C990|" + std::to_string(l.size() - c_start + 1) + "|");
  l.push_back("|9001|0|");
  l.push_back("|9990|3|");
  l.push_back("|9999|" + std::to_string(l.size() + 1) + "|");
  return l;
}

}  // namespace fiscora::testing
