// Notes for the NF-e tests: one establishment, its customers and
// suppliers, notes written by the generator's XML writer, and zip files.
#pragma once

#include <archive.h>
#include <archive_entry.h>

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
  n.emit = Establishment();
  n.dest = Customer();
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
  n.emit = Supplier();
  n.dest = Establishment();
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

}  // namespace fiscora::testing
