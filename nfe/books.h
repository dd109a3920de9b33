// The notes booked in the establishment's books, as the reconciliation with
// the XML files needs them: the C100 lines of models 55 and 65 of EFD
// ICMS/IPI files, or the notes of model 55 of SINTEGRA files (their record
// 50 lines joined).
//
// EFD: the file passes CheckEfdInput first; each line is cut at every "|"
// and an empty field stays empty (an empty key is no key, an empty value is
// zero). 0000 gives the establishment (CNPJ or CPF, UF) and the period,
// 0150 the participants' CNPJ or CPF, C100 the note, the C190 lines after it
// the note's CFOPs. A value or date that is not one throws
// SpedConversionError naming the file, the line and the field.
//
// SINTEGRA: the file passes CheckSintegraInput first; record 10 gives the
// establishment and the period; the record 50 lines of one note (same CNPJ,
// model, series, number, date and issuer) are summed, whatever lines come
// between them. The operation comes from the CFOP (1 to 3 entry, 5 to 7
// exit), the issuer from the field "emitente" (P own, T third party), the
// situation from "situação" (N and E regular, S and X cancelled, 2 denied,
// 4 number not used). SINTEGRA carries neither the key nor ST and IPI per
// note. A field that is not a number throws ConversionError.
//
// Several files (the months of a year) are read in turn; all must be of one
// establishment, or InputRefusal names the file that is not.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/money.h"
#include "nfe/reader.h"

namespace fiscora {

struct Establishment {
  std::string cnpj;  // or the CPF of a person who keeps books
  std::string uf;
  std::string name;
};

enum class BookSource { kEfd, kSintegra };

// A file of books and the period it covers (yyyymmdd, inclusive).
struct BookFile {
  std::string path;  // as given
  int32_t start = 0, end = 0;
};

struct Booking {
  uint16_t file = 0;    // index in Books::files
  int64_t line = 0;     // the C100 line; in SINTEGRA the note's first record 50 line
  std::string key;      // CHV_NFE as written; empty when the field is (always in SINTEGRA)
  char ind_oper = '1';  // '0' entry, '1' exit
  char ind_emit = '0';  // '0' own issue, '1' third party
  uint8_t cod_sit = 0;  // COD_SIT 00 to 08
  uint8_t model = 55;
  uint16_t series = 0;  // as a number ("001" and "1" are 1)
  uint32_t number = 0;
  std::string participant;  // CNPJ or CPF through 0150 (SINTEGRA: the CNPJ field)
  int32_t date = 0;         // DT_DOC (SINTEGRA: the date field) as yyyymmdd, 0 when empty
  Money vl_doc, vl_bc_icms, vl_icms, vl_bc_icms_st, vl_icms_st, vl_ipi;
  bool st_and_ipi = true;  // whether the book carries ST and IPI per note (not SINTEGRA)
  CfopSet cfops;           // C190 (SINTEGRA: the record 50 lines)

  // COD_SIT 00, 01, 06, 07 and 08: a note booked as issued.
  bool Regular() const { return cod_sit <= 1 || (cod_sit >= 6 && cod_sit <= 8); }
};

struct Books {
  BookSource source = BookSource::kEfd;
  Establishment establishment;
  std::vector<BookFile> files;
  std::vector<Booking> bookings;  // in file and line order
  int64_t lines = 0;              // lines read
};

struct BookReadOptions {
  // Called now and then with the bytes read so far and in all.
  std::function<void(int64_t done, int64_t total)> progress;
  const std::atomic<bool>* cancel = nullptr;  // throws NfeCancelled when set
};

Books ReadEfdBooks(const std::vector<std::string>& files, const BookReadOptions& options = {});
Books ReadSintegraBooks(const std::vector<std::string>& files, const BookReadOptions& options = {});

// The line of a booking as it stands in its file (for showing it).
std::string BookingLineText(const Books& books, const Booking& booking);

}  // namespace fiscora
